#include "window_text.h"

namespace {

constexpr int kTextSize = 1024;
constexpr UINT kAnswerTimeoutMs = 5000;
// A press runs the program's handler, which may walk a large topology.
constexpr UINT kPressTimeoutMs = 30000;

}  // namespace

std::string WindowText(HWND window) {
  char text[kTextSize] = {};
  ::SendMessageTimeoutA(window, WM_GETTEXT, kTextSize, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, kAnswerTimeoutMs, nullptr);
  text[kTextSize - 1] = '\0';
  return text;
}

std::wstring WideWindowText(HWND window) {
  wchar_t text[kTextSize] = {};
  const int length = ::GetWindowTextW(window, text, kTextSize);
  return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string ClassName(HWND window) {
  char name[kTextSize] = {};
  const int length = ::GetClassNameA(window, name, kTextSize);
  return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

ControlView ViewControl(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control) return {};
  return {::IsWindowVisible(control) != FALSE, WindowText(control)};
}

void PressButton(HWND dialog, int id) {
  ::SendMessageTimeoutA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                        kPressTimeoutMs, nullptr);
}

void ClickControl(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  ::PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

std::string CatalogueFilePath() {
  char folder[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "PID.ini";
}

std::string WinePath(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string WinePathVariable(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA(name, value, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return WinePath(value);
}
