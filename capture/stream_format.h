// Formats on a pin's stream configuration: the capability records, the
// choice of a capability by size and subtype, and reading the format in
// force.
#pragma once
#include "capture/filter_graph.h"

#include <dshow.h>

// Smallest capability record a device may report (VIDEO_STREAM_CONFIG_CAPS).
constexpr int kCapabilityRecordBytes = 128;

// The bitmap header of a video type with a video-info (at least 88 bytes)
// or video-info-2 (at least 112 bytes) format; nullptr for anything else.
BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type);

// Number of capabilities and record size; E_FAIL for none or records
// smaller than kCapabilityRecordBytes.
HRESULT CapabilityCount(IAMStreamConfig* config, int* count, int* recordBytes);

// Sets size, frame rate (0 keeps the frame duration) and, when subtype is
// not null, the first capability that fits; E_INVALIDARG when none fits.
HRESULT SetStreamFormat(IAMStreamConfig* config, LONG width, LONG height, LONG frameRate, const GUID* subtype);

// The format in force: width, absolute height, frame rate, subtype, bit count.
HRESULT ReadStreamFormat(IAMStreamConfig* config, PinFormat* format);
