// Pixels to pins: a picture of any size is fitted into the 60 x 40 page
// picture (aspect ratio kept, centred, white around it), then every pixel
// darker than a threshold becomes a raised pin. The camera view, the screen
// view and the picture files all turn pixels into pins this way.
//
// Brightness is v = sqrt(3 * R * R), R the red component: green and blue
// do not count, so v runs from 0 to sqrt(195075) (about 441.67). A fixed
// threshold is given in those units; the camera's settings give it in
// percent of the largest brightness.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/dot_page.h"

// The square of the largest brightness, that of red 255: 3 * 255 * 255.
constexpr int kBrightnessSquareMax = 195075;

// The largest picture side and pixel count that are fitted; anything larger
// is refused before a pixel is read.
constexpr int kPictureSideMax = 32768;
constexpr std::int64_t kPicturePixelsMax = 100000000;

// One pixel of the page picture.
struct PixelRgb {
  std::uint8_t red, green, blue;
};

// The picture that is converted: 60 x 40 pixels, row-major from the top
// left, index y * 60 + x like the pins.
struct PagePicture {
  PixelRgb pixels[kPagePins];
};

// Four bytes per pixel in the platform's order blue, green, red, then
// either an unused byte or straight (not premultiplied) alpha, which is
// laid over white.
enum class PixelLayout { kBgrx, kBgra };

// A picture in memory: rows from the top, `stride` bytes apart.
struct PixelRows {
  const std::uint8_t* data;
  int width;
  int height;
  std::ptrdiff_t stride;
  PixelLayout layout;
};

// Scales a picture into the page picture row by row, so that a decoder
// never needs the whole picture in memory. Each page pixel is the
// area-weighted mean of the picture pixels it covers.
class PageFitter {
 public:
  // False (and nothing to do) when a side is below 1 or above the limits.
  bool Begin(int width, int height);
  // The next row from the top: `width` pixels of four bytes. Rows beyond
  // the height are ignored.
  void AddRow(const std::uint8_t* row, PixelLayout layout);
  // The page picture; false when fewer rows came than the height.
  bool Finish(PagePicture& out) const;

  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  struct Span {
    int first;                          // first target column or row the source pixel touches
    std::vector<std::int64_t> weights;  // its overlap with each, in scaled units
  };
  void ComputeSpans(int source, int target, std::vector<Span>& spans) const;

  int width_ = 0, height_ = 0;        // the picture
  int fitWidth_ = 0, fitHeight_ = 0;  // its size on the page
  int left_ = 0, top_ = 0;            // where it lies on the page
  int rowsAdded_ = 0;
  std::vector<Span> columns_, rows_;
  std::vector<double> rowSum_;  // one source row scaled horizontally, 3 per target column
  std::vector<double> sum_;     // the page picture's sums, 3 per pixel
};

// The whole picture at once.
bool FitToPage(const PixelRows& picture, PagePicture& out);

// v = sqrt(3 * R * R) in single precision.
float PixelBrightness(std::uint8_t red);
// A threshold in percent of the largest brightness, as the camera keeps it.
float ThresholdFromPercent(float percent);
// Mean brightness of the page picture; exactly v for a uniform picture.
float MeanBrightness(const PagePicture& picture);

// How a pixel's brightness decides its pin.
enum class DotsMode {
  kFixed,          // raised when v < threshold
  kDynamicCamera,  // raised when v <= mean - 1
  kDynamicScreen,  // raised when v < mean
};

struct DotsRule {
  DotsMode mode;
  float threshold;  // brightness units; used by kFixed
};

// Writes 1 (raised) or 0 into every one of the 2400 pins.
void PictureToPins(const PagePicture& picture, const DotsRule& rule, std::uint8_t (&pins)[kPagePins]);
