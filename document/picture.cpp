#include "document/picture.h"

#include <cstdio>

#include "base/log.h"
#include "base/text.h"
#include "document/file_select.h"

int LoadPicture(const char* fileName, const PictureDecoder* decoder, float thresholdPercent, DotPage& page,
                PageObserver& view) {
  const char* name = fileName ? fileName : "";
  char problem[kPictureProblemMax] = "kein Bilddecoder";
  PageFitter fitter;
  PagePicture picture;
  bool decoded = decoder && decoder->Decode(name, fitter, problem);
  if (decoded && !fitter.Finish(picture)) {
    CopyText(problem, sizeof problem, "Bild unvollst\xE4ndig");
    decoded = false;
  }
  if (!decoded) {
    LogWrite("Err: Bild %s nicht geladen: %s", name, problem);
    return 0;
  }
  // Nothing can fail from here on: the pins are written in place.
  PictureToPins(picture, DotsRule{DotsMode::kFixed, ThresholdFromPercent(thresholdPercent)}, page.pins);
  char message[kFilePathMax + kPictureProblemMax];
  std::snprintf(message, sizeof message, "Bild %s mit %d x %d Punkten geladen.", name, fitter.Width(), fitter.Height());
  LogWrite("%s", message);
  view.ShowStatus(message);
  view.RepaintPins();
  return 1;
}
