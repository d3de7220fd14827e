// The document uses the camera, which stands beside it and uses it.
#include "camera/view_model.h"
