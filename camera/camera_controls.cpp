// The column of controls below the camera window: threshold, zoom and the
// five picture properties, each stored in the camera's section and put
// back on the device at every open.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "base/log.h"
#include "base/owners.h"
#include "base/settings.h"
#include "base/textformat.h"
#include "camera/camera_view.h"
#include "res/resource_ids.h"

namespace {

constexpr const char* kPropertyNames[] = {"BRIGHTNESS",  "CONTRAST",     "HUE",
                                          "SATURATION",  "SHARPNESS",    "GAMMA",
                                          "COLORENABLE", "WHITEBALANCE", "BACKLIGHTCOMPENSATION",
                                          "GAIN"};
// The labels of properties 0..4 ("prop%d") and of a property the camera
// lacks ("prop%d.no"): built-in German defaults.
constexpr const char* kPropertyLabels[kPictureProperties] = {"Helligkeit: %d", "Kontrast: %d", "Farbton: %d",
                                                             "S\xe4ttigung: %d", "Sch\xe4rfe: %d"};
constexpr const char* kPropertyMissing[kPictureProperties] = {
    "Helligkeit: nicht verf\xfcgbar", "Kontrast: nicht verf\xfcgbar", "Farbton: nicht verf\xfcgbar",
    "S\xe4ttigung: nicht verf\xfcgbar", "Sch\xe4rfe: nicht verf\xfcgbar"};
constexpr int kBarHeight = 24;
constexpr int kLabelTextMax = 128;
constexpr int kThresholdSliderMax = 100;
constexpr SliderSteps kThresholdSteps = {5, 20, 0, 255};

HWND MakeControl(const CameraHost& host, const char* cls, DWORD style, int x, int y, int w, int h) {
  return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, host.main, nullptr, host.instance,
                         nullptr);
}

HWND MakeSlider(const CameraHost& host, int x, int y, int w) {
  return MakeControl(host, TRACKBAR_CLASSA, TBS_HORZ | TBS_NOTICKS, x, y, w, kBarHeight);
}

void SetRange(HWND bar, int minimum, int maximum, int position) {
  if (!bar) return;
  SendMessageA(bar, TBM_SETRANGEMIN, FALSE, minimum);
  SendMessageA(bar, TBM_SETRANGEMAX, FALSE, maximum);
  SendMessageA(bar, TBM_SETPOS, TRUE, position);
}

void DestroyControl(HWND& window) {
  if (window) DestroyWindow(window);
  window = nullptr;
}

// A language text with one number; `noKey` instead when the value cannot move.
void SetLabel(HWND label, const char* key, const char* def, const char* noKey, const char* noDef, bool fixed,
              int value) {
  if (!label) return;
  char format[kValueMax], text[kLabelTextMax];
  if (fixed) {
    // language key from the callers of SetLabel, argument 3
    GetText(noKey, text, noDef, sizeof text);
  } else {
    // language key from the callers of SetLabel, argument 1
    GetText(key, format, def, sizeof format);
    const FormatArg arg = IntArg(value);
    FormatUserText(text, sizeof text, format, &arg, 1);
  }
  SetWindowTextA(label, text);
}

void DrawMark(const CameraView& view, const CameraHost& host, int icon) {
  if (!view.controls.markShown) return;
  IconHandle image;
  image.Reset(static_cast<HICON>(LoadImageA(host.instance, MAKEINTRESOURCEA(icon), IMAGE_ICON, kThresholdMarkSize,
                                            kThresholdMarkSize, LR_DEFAULTCOLOR)));
  WindowDc dc(host.main);
  if (image && dc)
    DrawIconEx(dc.Get(), view.controls.mark.x, view.controls.mark.y, image.Get(), kThresholdMarkSize,
               kThresholdMarkSize, 0, nullptr, DI_NORMAL);
}

// A stored value (the default 0, or one edited by hand) may lie outside the
// camera's range, and the camera refuses it: it is brought into the range
// the camera reported.
INT32 StoredValueInRange(const char* key, const char* section, const LumenoPropertyInfo& range, HRESULT hr) {
  const INT32 stored = ProfileGetInt(key, 0, section);
  if (hr != S_OK || range.minimum > range.maximum) return stored;
  return std::clamp(stored, range.minimum, range.maximum);
}

void ReadProperties(CameraView& view, const CameraHost& host) {
  auto get = CAPTURE_PROC(*host.capture, LumenoGetDeviceProperty);
  for (int p = 0; p < kPictureProperties; ++p) {
    view.properties[p] = LumenoPropertyInfo{};
    const HRESULT hr = get(view.device, kPropertyPicture + static_cast<UINT32>(p), &view.properties[p]);
    char key[8];
    std::snprintf(key, sizeof key, "prop%1d", p);
    view.properties[p].value = StoredValueInRange(key, view.chosenName, view.properties[p], hr);
    if (hr < 0)
      LogWrite("Err: LumenoGetDeviceProperty failed, %s hr=0x%08x", kPropertyNames[p], static_cast<unsigned>(hr));
    else if (hr > 0)
      LogWrite("Err: LumenoGetDeviceProperty nicht ok, %s hr=0x%08x", kPropertyNames[p], static_cast<unsigned>(hr));
  }
}

void EnableAutofocus(CameraView& view, const CameraHost& host) {
  LumenoPropertyInfo focus = {};
  HRESULT hr = CAPTURE_PROC(*host.capture, LumenoGetDeviceProperty)(view.device, kPropertyFocus, &focus);
  view.lastPropertyResult = hr;
  if (hr < 0) {
    LogWrite("LumenoGetDeviceProperty FOCUS failed, hr=0x%08x", static_cast<unsigned>(hr));
  } else if (hr == S_OK) {
    if (!(focus.capsFlags & LUMENO_PROPERTY_FLAGS_AUTO)) LogWrite("Device property cannot be set automatically");
    hr = CAPTURE_PROC(*host.capture, LumenoSetDeviceProperty)(view.device, kPropertyFocus, focus.defaultValue,
                                                              LUMENO_PROPERTY_FLAGS_AUTO);
    view.lastPropertyResult = hr;
    if (FAILED(hr))
      LogWrite("LumenoSetDeviceProperty AUTOFOCUS failed, hr=0x%08x", static_cast<unsigned>(hr));
    else
      LogWrite("Autofocus successfully enabled.");
  } else {
    LogWrite("Focus property cannot be set!");
  }
}

void ReadZoom(CameraView& view, const CameraHost& host) {
  const HRESULT hr = CAPTURE_PROC(*host.capture, LumenoGetDeviceProperty)(view.device, kPropertyZoom, &view.zoom);
  view.lastPropertyResult = hr;
  view.zoom.value = StoredValueInRange("Zoom", view.chosenName, view.zoom, hr);
  if (hr < 0)
    LogWrite("LumenoGetDeviceProperty ZOOM failed, hr=0x%08x", static_cast<unsigned>(hr));
  else if (hr == S_OK)
    LogWrite("ZOOM von %d bis %d, Akt:%d Def:%d", static_cast<int>(view.zoom.minimum),
             static_cast<int>(view.zoom.maximum), static_cast<int>(view.zoom.value),
             static_cast<int>(view.zoom.defaultValue));
  else
    LogWrite("ZOOM property cannot be set!");
}

SliderMove MoveOf(int code) {
  switch (code) {
    case SB_LINELEFT: return SliderMove::kLineLeft;
    case SB_LINERIGHT: return SliderMove::kLineRight;
    case SB_PAGELEFT: return SliderMove::kPageLeft;
    case SB_PAGERIGHT: return SliderMove::kPageRight;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return SliderMove::kThumb;
    default: return SliderMove::kNone;
  }
}

}  // namespace

void DestroyCamControls(CameraView& view) {
  CameraControls& c = view.controls;
  DestroyControl(c.thresholdBar);
  DestroyControl(c.thresholdText);
  DestroyControl(c.zoomBar);
  DestroyControl(c.zoomText);
  for (int p = 0; p < kPictureProperties; ++p) {
    DestroyControl(c.propertyBars[p]);
    DestroyControl(c.propertyLabels[p]);
  }
  c.markShown = false;
}

void SetCamControls(CameraView& view, const CameraHost& host) {
  LogWrite("*SetCamControls");
  ReadProperties(view, host);
  EnableAutofocus(view, host);
  ReadZoom(view, host);
  RECT area = {0, 0, 0, 0}, client = {0, 0, 0, 0};
  GetWindowRect(view.window, &area);
  MapWindowPoints(nullptr, host.main, reinterpret_cast<POINT*>(&area), 2);
  GetClientRect(view.window, &client);
  const int x = area.left + 10, y = area.top + client.bottom, width = client.right - 20;
  CameraControls& c = view.controls;
  DestroyControl(c.thresholdBar);
  DestroyControl(c.thresholdText);
  DestroyControl(c.zoomBar);
  DestroyControl(c.zoomText);
  c.thresholdBar = MakeSlider(host, x, y + 10, width);
  c.thresholdText = MakeControl(host, "STATIC", 0, x + 21, y + 35, width - 21, kBarHeight);
  c.zoomBar = MakeSlider(host, x, y + 65, width);
  c.zoomText = MakeControl(host, "STATIC", 0, x, y + 90, width, kBarHeight);
  c.mark = POINT{x, y + 40};
  c.markShown = true;
  LogWrite("*%d-%d-%d-%d", x, y, width, kBarHeight);
  SetRange(c.thresholdBar, 0, kThresholdSliderMax, static_cast<int>(view.threshold));
  SetRange(c.zoomBar, view.zoom.minimum, view.zoom.maximum, view.zoom.value);
  for (int p = 0; p < kPictureProperties; ++p) ApplyProperty(view, host, p);
  const int bar = width * 2 / 3;
  for (int p = 0; p < kPictureProperties; ++p) {
    const int row = y + 140 + 30 * p;
    if (!c.propertyBars[p]) c.propertyBars[p] = MakeSlider(host, x, row, bar);
    if (!c.propertyLabels[p])
      c.propertyLabels[p] = MakeControl(host, "STATIC", 0, x + bar, row, width - bar, kBarHeight);
    SetRange(c.propertyBars[p], view.properties[p].minimum, view.properties[p].maximum, view.properties[p].value);
  }
  if (host.refresh) host.refresh(1);
  RECT main;
  GetWindowRect(host.main, &main);
  LogWrite("MW: %d-%d-%d-%d", static_cast<int>(main.left), static_cast<int>(main.top), static_cast<int>(main.right),
           static_cast<int>(main.bottom));
}

bool ApplyProperty(CameraView& view, const CameraHost& host, int p) {
  const LumenoPropertyInfo& info = view.properties[p];
  if (!(info.capsFlags & LUMENO_PROPERTY_FLAGS_MANUAL)) {
    LogWrite("Device property cannot be set manually");
    return false;
  }
  const HRESULT hr = CAPTURE_PROC(*host.capture, LumenoSetDeviceProperty)(
      view.device, kPropertyPicture + static_cast<UINT32>(p), info.value, LUMENO_PROPERTY_FLAGS_MANUAL);
  if (FAILED(hr)) {
    LogWrite("LumenoSetDeviceProperty failed, hr=0x%08x", static_cast<unsigned>(hr));
    return false;
  }
  return true;
}

void ShowProperty(CameraView& view, const CameraHost& host, int p) {
  const LumenoPropertyInfo& info = view.properties[p];
  char key[16], noKey[16];
  std::snprintf(key, sizeof key, "prop%d", p);
  ProfileWriteInt(key, info.value, view.chosenName);
  ApplyProperty(view, host, p);
  std::snprintf(noKey, sizeof noKey, "prop%d.no", p);
  const bool fixed = info.minimum == info.maximum;
  // language keys: prop{0..4} prop{0..4}.no
  SetLabel(view.controls.propertyLabels[p], key, kPropertyLabels[p], noKey, kPropertyMissing[p], fixed, info.value);
  if (view.controls.propertyBars[p]) EnableWindow(view.controls.propertyBars[p], !fixed);
}

void ApplyZoom(CameraView& view, const CameraHost& host) {
  ProfileWriteInt("Zoom", view.zoom.value, view.chosenName);
  const bool fixed = view.zoom.minimum == view.zoom.maximum;
  SetLabel(view.controls.zoomText, "Zoom", "Zoom: %d", "Zoom.no",
           "kein Zoom verf\xfc"
           "gbar",
           fixed, view.zoom.value);
  const HRESULT hr = CAPTURE_PROC(*host.capture, LumenoSetDeviceProperty)(view.device, kPropertyZoom, view.zoom.value,
                                                                          LUMENO_PROPERTY_FLAGS_MANUAL);
  view.lastPropertyResult = hr;
  if (FAILED(hr)) LogWrite("ZOOM LumenoSetDeviceProperty failed, hr=0x%08x", static_cast<unsigned>(hr));
  if (fixed && view.controls.zoomBar) EnableWindow(view.controls.zoomBar, FALSE);
}

void ShowTrigger(CameraView& view, const CameraHost& host) {
  // The fixed threshold counts neither in dynamic nor in outline mode.
  const bool noThreshold = view.dynamic || view.outline;
  SetLabel(view.controls.thresholdText, "Trigger", "Schwellwert: %d", view.outline ? "Outline.on" : "Dyn",
           view.outline ? kOutlineOnText : "Schwellwert: dynamisch", noThreshold, static_cast<int>(view.threshold));
  if (view.controls.thresholdBar) EnableWindow(view.controls.thresholdBar, !noThreshold);
  DrawMark(view, host, noThreshold ? IDI_FOCUS_NOT_CHOSEN : IDI_FOCUS_CHOSEN);
}

void RefreshCamControls(CameraView& view, const CameraHost& host) {
  ShowTrigger(view, host);
  ApplyZoom(view, host);
  for (int p = 0; p < kPictureProperties; ++p) ShowProperty(view, host, p);
}

bool CameraScroll(CameraView& view, const CameraHost& host, HWND bar, int code, int thumb) {
  CameraControls& c = view.controls;
  const SliderMove move = MoveOf(code);
  if (!bar) return false;
  if (bar == c.thresholdBar) {
    view.threshold = static_cast<float>(MoveSlider(static_cast<int>(view.threshold), move, thumb, kThresholdSteps));
    ProfileWriteInt("Trigger", static_cast<int>(view.threshold), "Cam");
    SendMessageA(bar, TBM_SETPOS, TRUE, static_cast<LPARAM>(view.threshold));
    return true;
  }
  if (bar == c.zoomBar) {
    view.zoom.value = MoveSlider(view.zoom.value, move, thumb, SliderSteps{1, 5, view.zoom.minimum, view.zoom.maximum});
    ApplyZoom(view, host);
    SendMessageA(bar, TBM_SETPOS, TRUE, view.zoom.value);
    return true;
  }
  for (int p = 0; p < kPictureProperties; ++p) {
    if (bar != c.propertyBars[p]) continue;
    LumenoPropertyInfo& info = view.properties[p];
    info.value = MoveSlider(info.value, move, thumb, SliderSteps{1, 5, info.minimum, info.maximum});
    ShowProperty(view, host, p);
    SendMessageA(bar, TBM_SETPOS, TRUE, info.value);
    return true;
  }
  return false;
}
