// The platform's imaging component as the picture decoder: every format it
// knows (PNG, JPEG, GIF, BMP of any depth, ...), first frame, converted to
// 32-bit pixels with straight alpha and handed to the fitter in strips.
#pragma once
#include "document/picture.h"

class WicPictureDecoder : public PictureDecoder {
 public:
  bool Decode(const char* fileName, PageFitter& fitter, char (&problem)[kPictureProblemMax]) const override;
};

// The program's one decoder.
const PictureDecoder& PlatformPictureDecoder();
