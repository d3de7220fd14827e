// Resource and control identifiers of the dialog templates (dialogs.rc),
// shared by the resource compiler and the dialog code.
#pragma once

// Dialog templates.
#define IDD_DIALOGSELECT 130  // the message dialog
#define IDD_DIALOGABOUT 131   // the about dialog

// Icons the dialogs show (made with the program's other icons).
#define IDI_PROGRAM 100  // the program icon of the title strip
#define IDI_ABOUT 1003   // the icon of the about dialog
// "PROGRAMICON" is the named icon group set as the about dialog's icon.

// Controls.
#define IDC_ABOUT_TEXT 1001  // about dialog: the about or device text
#define IDC_VERSION 1002     // about dialog: the version line
#define IDC_HEAD 1005        // both: the owner-drawn title strip
#define IDC_MESSAGE 1006     // message dialog: the message area
// The buttons use the platform's IDOK (1, "Okay") and IDCANCEL (2, "Abbruch").
