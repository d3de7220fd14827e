// Resource and control identifiers of RelivoX.exe (RelivoX.rc and
// dialogs.rc), shared by the resource compiler and the code.
#pragma once

// Dialog templates.
#define IDD_DIALOGSELECT 130  // the message dialog
#define IDD_DIALOGABOUT 131   // the about dialog

// Icons (drawn by make_images.py as icon<id>.ico). "PROGRAMICON" is the
// named icon group, the program's icon in the shell and the about dialog's.
#define IDI_PROGRAM 100           // the program icon of the caption strip and dialogs
#define IDI_DEVICE 101            // the device
#define IDI_CONNECTED 102         // icon bar: connected
#define IDI_NOT_CONNECTED 103     // icon bar: not connected
#define IDI_SHAPE_BACK 104        // icon bar: shape choice back
#define IDI_SHAPE_FORWARD 105     // icon bar: shape choice forward
#define IDI_BACK 106              // icon bar: back (undo)
#define IDI_ACCEPT 107            // icon bar: accept
#define IDI_CAMERA_ON 108         // icon bar: camera on
#define IDI_CAMERA_OFF 109        // icon bar: camera off
#define IDI_FIRST_TOOL 110        // tool n (1..10: pen .. eraser) is IDI_FIRST_TOOL - 1 + n
#define IDI_FOCUS_CHOSEN 120      // focus mark: the chosen element (also the fixed threshold)
#define IDI_FOCUS_NOT_CHOSEN 121  // focus mark: not chosen (also the dynamic threshold)
#define IDI_FOCUS_MENU 122        // focus marks while a menu is open
#define IDI_ABOUT 1003            // the icon of the about dialog

// Controls.
#define IDC_ABOUT_TEXT 1001  // about dialog: the about or device text
#define IDC_VERSION 1002     // about dialog: the version line
#define IDC_HEAD 1005        // both: the owner-drawn title strip
#define IDC_MESSAGE 1006     // message dialog: the message area
// The buttons use the platform's IDOK (1, "Okay") and IDCANCEL (2, "Abbruch").
