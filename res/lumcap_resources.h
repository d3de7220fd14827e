// Resource ids of the capture library (lumcap.rc and its code).
#pragma once

// The shutter sound: a RIFF wave, 16-bit mono PCM, 22050 Hz, 2724 samples.
#define IDW_LUMCAP_SHUTTER 101
