// The program's file commands: CMD_OPEN, CMD_SAVE and CMD_SAVEAS on the
// process-wide page and file selection, and the question about an unsaved
// page before it is replaced or the program ends.
#pragma once
#include <windows.h>

void CommandOpen(HWND window);
void CommandSave(HWND window);
void CommandSaveAs(HWND window);
// CMD_OUTLINE while neither the camera nor the screen view runs: pictures
// are opened as their outline or by the threshold ([Def] "Picture.Outline",
// kept for the next time); a picture on the page is read again in the new
// mode (after the question about an unsaved page). Announced.
void CommandPictureOutline(HWND window);

// When the page is modified, asks whether to save it (message dialog
// mode 404) and on consent saves it before returning: CMD_SAVE when a file
// that can be written is chosen, the save dialog otherwise. False when the
// user wanted the page saved and it is not (the save failed or the dialog
// was cancelled): the caller must not replace or close the page then.
bool AskToSaveModifiedPage(HWND window);
