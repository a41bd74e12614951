#pragma once
// Reading and pressing the controls of a window of this process or of another one, as a user
// sees and presses them.
#include <windows.h>

#include <string>

struct ControlView {
  bool visible = false;
  std::string text;
};

// The text in the ANSI code page. WM_GETTEXT is sent, so it works across processes too.
std::string WindowText(HWND window);
std::wstring WideWindowText(HWND window);
std::string ClassName(HWND window);
ControlView ViewControl(HWND dialog, int id);

// Presses a push button the way a mouse click does; returns when the dialog has handled it.
void PressButton(HWND dialog, int id);
// Clicks at the top-left corner of a control (posted: returns at once).
void ClickControl(HWND dialog, int id);

// The catalogue path the program uses: the temporary folder followed by "PID.ini".
std::string CatalogueFilePath();
// A Unix path as Wine sees it (Z: drive).
std::string WinePath(const std::string& unixPath);
// The Unix path an environment variable names, as Wine sees it; empty when unset or too long.
std::string WinePathVariable(const char* name);
