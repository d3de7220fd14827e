// Pictures a user already has (PNG, JPEG, GIF, bitmaps of any depth):
// decoded by the platform, fitted into the 60 x 40 pins with their aspect
// ratio kept and centred, and turned into raised pins by the camera's
// brightness and fixed-threshold rule, or as their outline. The text line
// stays as it is.
#pragma once
#include <cstddef>

#include "document/dot_page.h"
#include "document/image_dots.h"
#include "document/image_outline.h"

// The threshold in percent of the largest brightness, as the camera keeps
// it: at 50 a pixel whose red is below 128 becomes a raised pin.
constexpr float kPictureThresholdDefault = 50.0f;
// Longest reason a decoder gives for a refused file.
constexpr std::size_t kPictureProblemMax = 128;

// How a picture file becomes pixels: the platform's imaging component in
// the program, a fake in the tests.
class PictureDecoder {
 public:
  virtual ~PictureDecoder() = default;
  // Decodes the file's first frame into the fitter: Begin with its size,
  // then every row from the top. False with a short reason when the file is
  // no picture that can be read or its size is refused.
  virtual bool Decode(const char* fileName, PageFitter& fitter, char (&problem)[kPictureProblemMax]) const = 0;
};

// Loads a picture file into the graphic pins: 1 on success; 0, with the
// page unchanged, when there is no decoder or the file is refused.
int LoadPicture(const char* fileName, const PictureDecoder* decoder, float thresholdPercent, PictureMode mode,
                DotPage& page, PageObserver& view);
