#include "dialog_test_support.h"

#include <vector>

#include "catalogue/socket_compat.h"

namespace {

constexpr int kTextSize = 1024;
// Message boxes keep their text in a static control with this id.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kTempPathSize = MAX_PATH;

struct ChildSearch {
  std::wstring text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (WideWindowText(hwnd) != search->text) return TRUE;
  search->found = hwnd;
  return FALSE;
}

std::string TempPath() {
  char path[kTempPathSize] = {};
  const DWORD length = ::GetTempPathA(kTempPathSize, path);
  return std::string(path, length < kTempPathSize ? length : 0);
}

}  // namespace

void DialogTest::SetUp() {
  const DWORD pid = ::GetCurrentProcessId();
  tempFolder_ = TempPath() + "detector-gui-" + std::to_string(pid) + "\\";
  ::CreateDirectoryA(tempFolder_.c_str(), nullptr);
  ::SetEnvironmentVariableA("TMP", tempFolder_.c_str());
  ::SetEnvironmentVariableA("TEMP", tempFolder_.c_str());
  ASSERT_EQ(TempPath(), tempFolder_);
  ASSERT_EQ(StartSockets().code, 0);
}

void DialogTest::TearDown() {
  server_.Stop();
  CleanUpSockets();
  ::DeleteFileA(CataloguePath().c_str());
  ::RemoveDirectoryA(tempFolder_.c_str());
}

void DialogTest::Serve(const std::string& body) {
  ServerScript script;
  script.pieces = {body};
  ASSERT_TRUE(server_.Start(script, kLoopbackAddress, kHttpPort, 1, kPortWaitMs));
}

void DialogTest::RefuseConnections() {
  ASSERT_TRUE(server_.Refuse(kLoopbackAddress, kHttpPort, kPortWaitMs));
}

std::string DialogTest::CataloguePath() const { return tempFolder_ + "PID.ini"; }

bool DialogTest::CatalogueFileExists() const {
  return ::GetFileAttributesA(CataloguePath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring WideFromUtf8(const char* text) {
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> wide(static_cast<std::size_t>(length));
  ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
  return std::wstring(wide.data());
}

std::wstring WideMenuText(HMENU menu, int position) {
  wchar_t text[kTextSize] = {};
  const int length = ::GetMenuStringW(menu, static_cast<UINT>(position), text, kTextSize,
                                      MF_BYPOSITION);
  return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND FindChildByText(HWND dialog, const std::wstring& text) {
  ChildSearch search{text, nullptr};
  ::EnumChildWindows(dialog, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

MessageBoxSeen ReadMessageBox(HWND box) {
  MessageBoxSeen seen;
  seen.seen = box != nullptr;
  if (box == nullptr) return seen;
  seen.caption = WideWindowText(box);
  seen.text = WideWindowText(::GetDlgItem(box, kMessageBoxTextId));
  return seen;
}
