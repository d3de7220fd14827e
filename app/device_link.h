// The main window's side of the device session: the few calls the tick,
// the refresh and the device commands make into the device link.
#pragma once
#include <cstdint>

// Reads and handles at most one frame from the device.
void DeviceReadFrame();
// Takes the newest queued key code (last in, first out); false when none.
bool DeviceTakeKey(std::uint16_t& code);
// Brings the braille text line in step with editWnd.
int DeviceUpdateTextLine();
bool DeviceConnected();
// CMD_CONNECT: connect and send the page, or disconnect.
void DeviceToggleConnection();
// CMD_COM_SELECT + n.
void DeviceSelectPort(int entry);
// CMD_SEND_PAGE.
void DeviceSendPage();
// The graphic alone, when the device is ready (only when it changed). A
// graphic that comes while the last one is still on the wire leaves when
// the wire is free (kGraphicTimerId, then DeviceGraphicDue).
void DeviceSendGraphic();
void DeviceGraphicDue();
// True while the connected device shows another graphic than this one.
bool DeviceGraphicDiffers(const std::uint8_t* graphic);
void DeviceScanPorts();
// Device name, version and port for the info panel.
const char* DeviceName();
const char* DeviceVersion();
int DevicePortNumber();
// The text of editWnd at its last translation.
const char* DeviceLastText();
