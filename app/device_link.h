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
// The identified device went away and the program is trying to get it back.
bool DeviceLost();
// On every tick: notices a device that was pulled out or stopped answering
// and says so (status line, info panel, sound), and when it is back sends
// it the current page and braille line. Page and text are left alone.
void DeviceWatchLink();
// CMD_CONNECT: connect and send the page, or disconnect.
void DeviceToggleConnection();
// CMD_COM_SELECT + n.
void DeviceSelectPort(int entry);
// CMD_SEND_PAGE: the graphic (as the device shows it, with the pin cursor)
// when it changed, and the braille cells.
void DeviceSendPage();
// The graphic alone (the pin cursor's blink), when the device is ready and
// it changed. A graphic that comes while the last one is still on the wire
// leaves when the wire is free (kGraphicTimerId, then DeviceGraphicDue).
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
