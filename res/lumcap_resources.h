// Resource ids of the capture library (lumcap.rc and its code).
#pragma once

// The shutter sound: a RIFF wave, 16-bit mono PCM, 22050 Hz, 2724 samples.
#define IDW_LUMCAP_SHUTTER 101

// Physical connector names: types 1 .. 13 at 27301 .., audio types
// 4096 .. 4105 at 27314 ..; "Unknown" for every other type.
#define IDS_LUMCAP_CONNECTOR_FIRST 27301
#define IDS_LUMCAP_AUDIO_CONNECTOR_FIRST 27314
#define IDS_LUMCAP_CONNECTOR_UNKNOWN 27324
#define IDS_LUMCAP_AUTO_SWITCH 27325
#define IDS_LUMCAP_SELECT_RELATED 27326
#define IDS_LUMCAP_CROSSBAR_VIDEO 27327
#define IDS_LUMCAP_CROSSBAR_AUDIO 27328
