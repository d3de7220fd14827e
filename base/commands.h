// Command identifiers of the main window. Every request that can wait is a
// WM_COMMAND posted to the main window with one of these in the low word of
// wParam and a number in lParam: menus, the icon bar, the on-screen and the
// device's own keys and the key definitions all use the same values.
// Free of any platform header so that the key-definition model can use it.
#pragma once

// Named commands (the names are also read from [HotKeys] lines).
constexpr int CMD_OPEN = 101;
constexpr int CMD_NEW = 102;
constexpr int CMD_SAVE = 103;
constexpr int CMD_SAVEAS = 104;
constexpr int CMD_DELETEALL = 105;
constexpr int CMD_SOUND = 106;
constexpr int CMD_EXIT = 110;
constexpr int CMD_HELP = 111;
constexpr int CMD_ABOUT = 112;
constexpr int CMD_INFO = 113;
constexpr int CMD_WEB = 114;
constexpr int CMD_AUTOSTART = 115;
constexpr int CMD_OK = 116;
constexpr int CMD_CANCEL = 117;
constexpr int CMD_INVERT = 118;
constexpr int CMD_UP = 121;
constexpr int CMD_DOWN = 122;
constexpr int CMD_TAB = 123;
constexpr int CMD_BTAB = 124;
constexpr int CMD_CAMRES = 125;
constexpr int CMD_BFONT = 150;
constexpr int CMD_TFONT = 160;
constexpr int CMD_PLUS = 170;
constexpr int CMD_MINUS = 171;
constexpr int CMD_CTRL_PLUS = 172;
constexpr int CMD_CTRL_MINUS = 173;
constexpr int CMD_SHIFT_PLUS = 174;
constexpr int CMD_SHIFT_MINUS = 175;
constexpr int CMD_ALT_PLUS = 176;
constexpr int CMD_ALT_MINUS = 177;
constexpr int CMD_PAUSE = 178;
constexpr int CMD_TRIGGER = 179;
constexpr int CMD_TRACK = 180;
constexpr int CMD_BIGSMALL = 182;
// Outline or threshold: the camera or screen view that runs, else pictures.
constexpr int CMD_OUTLINE = 183;
constexpr int CMD_LANGUAGE = 200;
constexpr int CMD_CAM = 250;
constexpr int CMD_CONNECT = 300;
constexpr int CMD_BACK = 301;
constexpr int CMD_ACP = 302;
constexpr int CMD_CAM_ONOFF = 304;
constexpr int CMD_COM_SELECT = 550;
// Also the identifier of the one system-wide hot key (the screen view).
constexpr int CMD_FLY = 1000;

// The six keys of the device, key i is BUTTON0 + i.
constexpr int BUTTON0 = 510;
constexpr int BUTTON1 = 511;
constexpr int BUTTON2 = 512;
constexpr int BUTTON3 = 513;
constexpr int BUTTON4 = 514;
constexpr int BUTTON5 = 515;
constexpr int kDeviceKeyCount = 6;

// Identifiers without a name in the key-definition table.
constexpr int ID_BRLNG_LIST = 119;    // notifications of brLngWnd
constexpr int ID_BRGRADE_LIST = 120;  // notifications of brGradeWnd (brDotWnd has the same id)
constexpr int CMD_MESSAGE = 181;      // lParam: address of a text, shown in mode 408
constexpr int CMD_TOOL_NEXT = 303;
constexpr int CMD_FOCUS_LANG = 305;
constexpr int CMD_FOCUS_GRADE = 306;
constexpr int CMD_FOCUS_GRAPHIC = 307;
constexpr int CMD_TOOL_PREV = 308;
constexpr int CMD_TOOL_NEXT2 = 309;  // shape choice forward: same as CMD_TOOL_NEXT
constexpr int IDM_REF = 400;
constexpr int CMD_FOCUS_EDIT = 401;
constexpr int CMD_REFRESH = 402;
constexpr int CMD_SEND_PAGE = 410;

// Hover areas of the icon bar and the braille focus marks produce
// HOVER_FIRST + i for i = 0 .. 9 (connect, back, accept, next tool,
// camera on/off, the three focus marks, shape back, shape forward).
constexpr int HOVER_FIRST = 300;
constexpr int HOVER_LAST = 309;

// Ranges, checked in this order before the single identifiers: a value
// inside a range means entry n = identifier - first.
constexpr int CMD_CAMRES_FIRST = 2000;  // camera resolution entries
constexpr int CMD_CAMRES_LAST = 2099;
constexpr int CMD_CAM_FIRST = CMD_CAM;  // cameras (inside the language range)
constexpr int CMD_CAM_LAST = 259;
constexpr int CMD_BFONT_FIRST = CMD_BFONT;  // braille fonts
constexpr int CMD_BFONT_LAST = 159;
constexpr int CMD_TFONT_FIRST = CMD_TFONT;  // text fonts
constexpr int CMD_TFONT_LAST = 169;
constexpr int CMD_LANGUAGE_FIRST = CMD_LANGUAGE;  // languages
constexpr int CMD_LANGUAGE_LAST = 299;
constexpr int CMD_COM_FIRST = CMD_COM_SELECT;  // serial port entries
constexpr int CMD_COM_LAST = 581;

// Number of entries in the fixed-size menus behind the ranges.
constexpr int kCameraEntries = CMD_CAM_LAST - CMD_CAM_FIRST + 1;  // 10
constexpr int kResolutionEntries = 50;                            // check marks cleared by 2000 + n
constexpr int kPortEntries = CMD_COM_LAST - CMD_COM_FIRST + 1;    // 32

constexpr bool CommandInRange(int id, int first, int last) { return id >= first && id <= last; }

// Commands whose lParam is the address of a text; everything else takes a
// number.
constexpr bool CommandTakesText(int id) { return id == CMD_MESSAGE; }
