// Resource ids of the capture library (lumcap.rc and its code).
#pragma once

// The shutter sound: a RIFF wave, 16-bit mono PCM, 22050 Hz, 2724 samples.
#define IDW_LUMCAP_SHUTTER 101

// The names of crossbar input connectors (input_names.rc): the first string
// of the video types (PhysConn_Video_Tuner ..), of the audio types
// (PhysConn_Audio_Tuner ..), and the text of an unknown type.
#define IDS_FIRST_VIDEO_CONNECTOR 27301
#define IDS_FIRST_AUDIO_CONNECTOR 27314
#define IDS_UNKNOWN_CONNECTOR 27324
