#include "document/picture.h"

#include "base/log.h"
#include "base/text.h"
#include "base/textformat.h"
#include "document/file_select.h"

namespace {

constexpr int kPictureStatusMax = 256;

}  // namespace

int LoadPicture(const char* fileName, const PictureDecoder* decoder, float thresholdPercent, PictureMode mode,
                DotPage& page, PageObserver& view) {
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
  ConvertPictureMode(picture, mode, DotsRule{DotsMode::kFixed, ThresholdFromPercent(thresholdPercent)}, page.pins);
  LogWrite("Bild %s mit %d x %d Punkten geladen.", name, fitter.Width(), fitter.Height());
  char format[kPictureStatusMax];
  view.GetText("Picture.loaded", format, "Bild %s mit %d x %d Punkten geladen.", sizeof format);
  const FormatArg args[] = {TextArg(name), IntArg(fitter.Width()), IntArg(fitter.Height())};
  char message[kFilePathMax + kPictureStatusMax];
  FormatUserText(message, sizeof message, format, args, sizeof args / sizeof args[0]);
  view.ShowStatus(message);
  view.RepaintPins();
  return 1;
}
