// The configuration of one virtual camera: a short text stored under the
// camera's class key (value "Config") and parsed once when a filter is made.
//
// Entries are separated by ';', words by spaces:
//   format SUB WxH[-WxH[/G]] FPS[-FPS] [v2] [iavs]   a capability of the
//                       capture pin; v2: a VIDEOINFOHEADER2 format; iavs: an
//                       interleaved stream in a DV format block, as a DV
//                       camcorder offers (no frames are sent)
//   still SUB WxH[-WxH[/G]] FPS[-FPS] [v2]    a capability of the still pin
//                                             (the first one makes the pin)
//   format audio                              a capability that is not video
//   amp ID MIN MAX STEP DEFAULT CAPS VALUE FLAGS   a picture property
//   cam ID MIN MAX STEP DEFAULT CAPS VALUE FLAGS   a camera property (with
//                                             none, no camera control)
//   controlcaps N       video-control capabilities of the capture pin
//   topology camera|transport|plain   kernel topology (none by default)
//   xu {GUID}           an extension unit answering that property set
//   crossbar            an analog video input pin, fed by a crossbar that
//                       the camera adds to the graph it joins
//   failread            reading a property fails (E_FAIL)
//   mute                no frames at all
//   short               samples shorter than the image
//   fixedformat         SetFormat answers E_NOTIMPL
//   recordsize N        capability record size reported (default 128)
//   offer N             the capture pin offers capability N (from 1) first
//                       while its current format stays the first one, as
//                       some drivers do (until a format is set)
// SUB is RGB24, YUY2, MJPG or any other four-character code. Sizes of a
// range are minimum-maximum with granularity G; the first size is the one
// the capability's media type carries.
#pragma once
#include <dshow.h>

constexpr unsigned kVcamMaxFormats = 16;
constexpr unsigned kVcamMaxProperties = 10;
// Default text of a camera added without one.
extern const WCHAR kVcamDefaultConfig[];

struct VcamFormat {
  GUID subtype;
  bool video;
  bool header2;      // VIDEOINFOHEADER2
  bool interleaved;  // MEDIATYPE_Interleaved with a DVINFO block
  WORD bitCount;
  LONG width, height;        // the size the media type carries
  LONG maxWidth, maxHeight;  // equal to width/height for a fixed size
  LONG granularity;
  LONG minFps, maxFps;
};

struct VcamProperty {
  LONG id, minimum, maximum, step, defaultValue, caps, value, flags;
};

enum class VcamTopology { kNone, kCameraTerminal, kTransportTerminal, kPlain };

struct VcamConfig {
  VcamFormat capture[kVcamMaxFormats];
  unsigned captureCount = 0;
  VcamFormat still[kVcamMaxFormats];
  unsigned stillCount = 0;
  VcamProperty amp[kVcamMaxProperties];
  unsigned ampCount = 0;
  VcamProperty cam[kVcamMaxProperties];
  unsigned camCount = 0;
  LONG controlCaps = 0;
  VcamTopology topology = VcamTopology::kNone;
  bool hasExtensionUnit = false;
  GUID extensionUnit = {};
  bool crossbar = false;
  bool failRead = false;
  bool mute = false;
  bool shortSamples = false;
  bool fixedFormat = false;
  LONG recordSize = 128;
  LONG offerFirst = 0;  // index of the capability offered first
};

// Parses text into config; false (and a partly filled config) on a word it
// does not know.
bool VcamParseConfig(const WCHAR* text, VcamConfig* config);

// The media type of one capability, in memory from CoTaskMemAlloc;
// nullptr when out of memory.
AM_MEDIA_TYPE* VcamMediaType(const VcamFormat& format);

// Deep copy of a media type's content into dest (format block from
// CoTaskMemAlloc); E_OUTOFMEMORY leaves dest empty.
HRESULT VcamCopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source);
// Frees the content of a media type (the record stays).
void VcamFreeMediaType(AM_MEDIA_TYPE* type);
// Frees the content and the record of a media type from CoTaskMemAlloc.
void VcamDeleteMediaType(AM_MEDIA_TYPE* type);
// The bitmap header of a video-info or video-info-2 format; nullptr for
// anything else or a format block too short.
const BITMAPINFOHEADER* VcamBitmapHeader(const AM_MEDIA_TYPE* type);
// The frame duration of such a format (100 ns), 0 for others.
REFERENCE_TIME VcamFrameDuration(const AM_MEDIA_TYPE* type);
