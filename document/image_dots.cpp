#include "document/image_dots.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kChannels = 3;  // red, green, blue
constexpr std::uint8_t kWhite = 255;

// A pixel's red, green and blue, alpha laid over white.
void PixelColour(const std::uint8_t* p, PixelLayout layout, double (&rgb)[kChannels]) {
  const double alpha = layout == PixelLayout::kBgra ? p[3] / 255.0 : 1.0;
  for (int c = 0; c < kChannels; ++c) rgb[c] = p[2 - c] * alpha + kWhite * (1.0 - alpha);
}

std::uint8_t ToByte(double value) {
  double rounded = std::floor(value + 0.5);
  return static_cast<std::uint8_t>(std::clamp(rounded, 0.0, 255.0));
}

}  // namespace

// Source pixel i covers [i * target, (i + 1) * target) and target pixel t
// covers [t * source, (t + 1) * source) in units of 1 / (source * target)
// of the picture's side, so every overlap is a whole number and the
// weights of each target pixel add up to `source` exactly.
void PageFitter::ComputeSpans(int source, int target, std::vector<Span>& spans) const {
  spans.assign(static_cast<std::size_t>(source), Span{});
  for (int i = 0; i < source; ++i) {
    const std::int64_t from = static_cast<std::int64_t>(i) * target;
    const std::int64_t to = from + target;
    Span& span = spans[static_cast<std::size_t>(i)];
    span.first = static_cast<int>(from / source);
    for (std::int64_t t = span.first; t < target && t * source < to; ++t) {
      const std::int64_t overlap = std::min(to, (t + 1) * source) - std::max(from, t * source);
      span.weights.push_back(overlap);
    }
  }
}

bool PageFitter::Begin(int width, int height) {
  width_ = height_ = rowsAdded_ = 0;
  if (width < 1 || height < 1 || width > kPictureSideMax || height > kPictureSideMax ||
      static_cast<std::int64_t>(width) * height > kPicturePixelsMax)
    return false;
  width_ = width;
  height_ = height;
  // The larger of the two scales that fit: width to 60 or height to 40.
  const double scale = std::min(static_cast<double>(kPageColumns) / width, static_cast<double>(kPageRows) / height);
  fitWidth_ = std::clamp(static_cast<int>(std::lround(width * scale)), 1, kPageColumns);
  fitHeight_ = std::clamp(static_cast<int>(std::lround(height * scale)), 1, kPageRows);
  left_ = (kPageColumns - fitWidth_) / 2;
  top_ = (kPageRows - fitHeight_) / 2;
  ComputeSpans(width_, fitWidth_, columns_);
  ComputeSpans(height_, fitHeight_, rows_);
  rowSum_.assign(static_cast<std::size_t>(fitWidth_) * kChannels, 0.0);
  sum_.assign(static_cast<std::size_t>(fitWidth_) * fitHeight_ * kChannels, 0.0);
  return true;
}

void PageFitter::AddRow(const std::uint8_t* row, PixelLayout layout) {
  if (!row || rowsAdded_ >= height_) return;
  std::fill(rowSum_.begin(), rowSum_.end(), 0.0);
  for (int x = 0; x < width_; ++x) {
    double rgb[kChannels];
    PixelColour(row + static_cast<std::size_t>(x) * 4, layout, rgb);
    const Span& span = columns_[static_cast<std::size_t>(x)];
    for (std::size_t k = 0; k < span.weights.size(); ++k) {
      double* out = &rowSum_[(static_cast<std::size_t>(span.first) + k) * kChannels];
      const double w = static_cast<double>(span.weights[k]);
      for (int c = 0; c < kChannels; ++c) out[c] += rgb[c] * w;
    }
  }
  const Span& span = rows_[static_cast<std::size_t>(rowsAdded_)];
  for (std::size_t k = 0; k < span.weights.size(); ++k) {
    double* out = &sum_[(static_cast<std::size_t>(span.first) + k) * fitWidth_ * kChannels];
    const double w = static_cast<double>(span.weights[k]);
    for (std::size_t i = 0; i < rowSum_.size(); ++i) out[i] += rowSum_[i] * w;
  }
  ++rowsAdded_;
}

bool PageFitter::Finish(PagePicture& out) const {
  for (PixelRgb& p : out.pixels) p = PixelRgb{kWhite, kWhite, kWhite};
  if (height_ == 0 || rowsAdded_ < height_) return false;
  const double area = static_cast<double>(width_) * height_;
  for (int y = 0; y < fitHeight_; ++y) {
    for (int x = 0; x < fitWidth_; ++x) {
      const double* s = &sum_[(static_cast<std::size_t>(y) * fitWidth_ + x) * kChannels];
      out.pixels[(top_ + y) * kPageColumns + left_ + x] =
          PixelRgb{ToByte(s[0] / area), ToByte(s[1] / area), ToByte(s[2] / area)};
    }
  }
  return true;
}

bool FitToPage(const PixelRows& picture, PagePicture& out) {
  PageFitter fitter;
  if (!picture.data || !fitter.Begin(picture.width, picture.height)) {
    fitter.Finish(out);
    return false;
  }
  for (int y = 0; y < picture.height; ++y) fitter.AddRow(picture.data + y * picture.stride, picture.layout);
  return fitter.Finish(out);
}

float PixelBrightness(std::uint8_t red) { return static_cast<float>(std::sqrt(3.0 * red * red)); }

float ThresholdFromPercent(float percent) {
  return static_cast<float>(std::sqrt(static_cast<double>(kBrightnessSquareMax)) / 100.0 * percent);
}

// Summed in double precision: 2400 single-precision additions drift by a
// hundredth, enough to put a uniform picture's mean above its own pixels
// and raise every pin of a white page under the screen's rule.
float MeanBrightness(const PagePicture& picture) {
  double sum = 0.0;
  for (const PixelRgb& p : picture.pixels) sum += PixelBrightness(p.red);
  return static_cast<float>(sum / kPagePins);
}

void PictureToPins(const PagePicture& picture, const DotsRule& rule, std::uint8_t (&pins)[kPagePins]) {
  const float mean = rule.mode == DotsMode::kFixed ? 0.0f : MeanBrightness(picture);
  for (int i = 0; i < kPagePins; ++i) {
    const float v = PixelBrightness(picture.pixels[i].red);
    bool raised = false;
    switch (rule.mode) {
      case DotsMode::kFixed: raised = v < rule.threshold; break;
      case DotsMode::kDynamicCamera: raised = v <= mean - 1.0f; break;
      case DotsMode::kDynamicScreen: raised = v < mean; break;
    }
    pins[i] = raised ? 1 : 0;
  }
}
