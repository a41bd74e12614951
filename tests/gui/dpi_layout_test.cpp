// Both dialogs in both languages at 96, 144 and 192 DPI: every control inside its dialog, no
// text clipped, each link exactly as wide as its text, the four links apart. Wine takes the DPI
// from HKCU\Control Panel\Desktop\LogPixels when a process starts, so each row sets it in this
// test's own prefix and starts dpi_layout_probe afresh. A Wine process takes its language from
// the locale it was started in, which its children keep: the test runs once per language (see
// CMakeLists.txt) and takes the rows of the language that DETECTOR_DPI_LANGUAGE names.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "files.h"
#include "res/resource.h"

namespace {

constexpr DWORD kProbeTimeoutMs = 60000;
constexpr DWORD kStandardDpi = 96;
// A push button's frame and the gap of its focus rectangle, a side, around its caption.
constexpr int kButtonMargin = 3;

struct Row {
  DWORD dpi;
  const char* language;
  // 8-point "MS Shell Dlg" at this DPI: -MulDiv(8, dpi, 72).
  int fontHeight;
};

const Row kRows[] = {
    {96, "en", -11}, {144, "en", -16}, {192, "en", -21},
    {96, "zh", -11}, {144, "zh", -16}, {192, "zh", -21},
};

// The captions, as the probe writes them (UTF-8, blanks as '_'), by dialog and language.
const std::map<std::string, std::pair<std::string, std::string>> kCaptions = {
    {"main-not-found", {"Quenlix_PC_Cmaera_Driver_Detector",
                        "Quenlix\xE6\x91\x84\xE5\x83\x8F\xE5\xA4\xB4\xE9\xA9\xB1\xE5\x8A\xA8"
                        "\xE6\xA3\x80\xE6\xB5\x8B\xE5\xB7\xA5\xE5\x85\xB7"}},
    {"main-found", {"Quenlix_PC_Cmaera_Driver_Detector",
                    "Quenlix\xE6\x91\x84\xE5\x83\x8F\xE5\xA4\xB4\xE9\xA9\xB1\xE5\x8A\xA8"
                    "\xE6\xA3\x80\xE6\xB5\x8B\xE5\xB7\xA5\xE5\x85\xB7"}},
    {"about", {"About",
               "\xE5\x85\xB3\xE4\xBA\x8EQuenlix\xE4\xBA\xA7\xE5\x93\x81\xE9\xA9\xB1\xE5\x8A\xA8"
               "\xE6\xA3\x80\xE6\xB5\x8B\xE5\xB7\xA5\xE5\x85\xB7"}},
};

struct Control {
  int id = 0;
  std::string kind;
  bool visible = false;
  RECT rect{};
  SIZE text{};
  int fontHeight = 0;
  bool underlined = false;
};

struct Dialog {
  std::string name;
  std::string caption;
  LONG width = 0;
  LONG height = 0;
  int fontHeight = 0;
  std::vector<Control> controls;
};

struct Probe {
  int dpi = 0;
  int screenOnlyDpi = 0;
  bool complete = false;
  std::vector<Dialog> dialogs;
};

Probe Parse(const std::string& text) {
  Probe probe;
  std::istringstream lines(text);
  std::string word;
  while (lines >> word) {
    if (word == "dpi") {
      lines >> probe.dpi;
    } else if (word == "screen-only-dpi") {
      lines >> probe.screenOnlyDpi;
    } else if (word == "dialog") {
      Dialog d;
      lines >> d.name >> d.caption >> d.width >> d.height >> d.fontHeight;
      probe.dialogs.push_back(d);
    } else if (word == "control" && !probe.dialogs.empty()) {
      Control c;
      int visible = 0;
      int underlined = 0;
      lines >> c.id >> c.kind >> visible >> c.rect.left >> c.rect.top >> c.rect.right >>
          c.rect.bottom >> c.text.cx >> c.text.cy >> c.fontHeight >> underlined;
      c.visible = visible != 0;
      c.underlined = underlined != 0;
      probe.dialogs.back().controls.push_back(c);
    } else if (word == "end") {
      probe.complete = true;
    }
  }
  return probe;
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both{};
  return ::IntersectRect(&both, &a, &b) != FALSE;
}

void SetLogPixels(DWORD dpi) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(::RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                             sizeof dpi),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
}

std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string text(path, length);
  return text.substr(0, text.find_last_of('\\') + 1) + name;
}

struct ProbeRun {
  bool ended = false;
  DWORD exitCode = 0;
  std::string failure;  // why it did not run to its end
};

// Runs the probe to its end, its own output going to `log` (so that nothing it leaves behind
// holds the test's output open).
ProbeRun RunProbe(const std::string& output, const std::string& log) {
  ProbeRun run;
  const std::string exe = BesideThisProgram("dpi_layout_probe.exe");
  std::string commandLine = "\"" + exe + "\" \"" + output + "\"";
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const HANDLE logFile =
      ::CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (logFile == INVALID_HANDLE_VALUE) {
    run.failure = "no log file: error " + std::to_string(::GetLastError());
    return run;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = logFile;
  startup.hStdError = logFile;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &process);
  const DWORD startError = ::GetLastError();
  ::CloseHandle(logFile);
  if (!started) {
    run.failure = "not started: error " + std::to_string(startError);
    return run;
  }
  if (::WaitForSingleObject(process.hProcess, kProbeTimeoutMs) == WAIT_OBJECT_0) {
    run.ended = true;
    ::GetExitCodeProcess(process.hProcess, &run.exitCode);
  } else {
    run.failure = "did not end";
    ::TerminateProcess(process.hProcess, 1);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return run;
}

// Puts the prefix back to the standard DPI whatever happens.
struct StandardDpiAtEnd {
  ~StandardDpiAtEnd() { SetLogPixels(kStandardDpi); }
};

void CheckDialog(const Dialog& dialog, const Row& row) {
  SCOPED_TRACE(dialog.name);
  const bool chinese = std::string(row.language) == "zh";
  const auto caption = kCaptions.find(dialog.name);
  ASSERT_NE(caption, kCaptions.end());
  EXPECT_EQ(dialog.caption, chinese ? caption->second.second : caption->second.first)
      << "the row's language";
  EXPECT_EQ(dialog.fontHeight, row.fontHeight);
  const RECT client{0, 0, dialog.width, dialog.height};
  RECT frame{};  // the download group box, around the links
  std::vector<RECT> links;
  for (const Control& c : dialog.controls) {
    SCOPED_TRACE(std::to_string(c.id) + " " + c.kind + " at " + Describe(c.rect) + " text " +
                 std::to_string(c.text.cx) + "x" + std::to_string(c.text.cy));
    EXPECT_TRUE(Inside(c.rect, client)) << "in " << Describe(client);
    if (c.kind != "icon") {
      EXPECT_EQ(c.fontHeight, row.fontHeight) << "the dialog's font";
    }
    if (!c.visible) continue;
    const LONG width = c.rect.right - c.rect.left;
    const LONG height = c.rect.bottom - c.rect.top;
    if (c.kind == "link") {
      EXPECT_EQ(width, c.text.cx);
      EXPECT_EQ(height, c.text.cy);
      EXPECT_TRUE(c.underlined);
      links.push_back(c.rect);
    } else if (c.kind == "text") {
      EXPECT_LE(c.text.cx, width);
      EXPECT_LE(c.text.cy, height);
    } else if (c.kind == "button") {
      EXPECT_LE(c.text.cx + 2 * kButtonMargin, width);
      EXPECT_LE(c.text.cy + 2 * kButtonMargin, height);
    } else if (c.kind == "groupbox") {
      EXPECT_LE(c.text.cx + 2 * kButtonMargin, width);
      frame = c.rect;
    }
  }
  if (dialog.name != "main-found") return;
  ASSERT_EQ(links.size(), 4u) << "all four links shown";
  for (std::size_t i = 0; i < links.size(); ++i) {
    EXPECT_TRUE(Inside(links[i], frame)) << "link " << i << " in its group box " << Describe(frame);
    for (std::size_t j = i + 1; j < links.size(); ++j) {
      EXPECT_FALSE(Overlap(links[i], links[j])) << "links " << i << " and " << j;
    }
  }
}

TEST(DpiLayout, BothDialogsFitTheirTextAtEveryDpiInBothLanguages) {
  char temp[MAX_PATH] = {};
  ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);

  char language[8] = {};
  ::GetEnvironmentVariableA("DETECTOR_DPI_LANGUAGE", language, sizeof language);
  const StandardDpiAtEnd restore;
  int rowsRun = 0;
  for (const Row& row : kRows) {
    if (std::string(row.language) != language) continue;
    ++rowsRun;
    SCOPED_TRACE(std::to_string(row.dpi) + " DPI, " + row.language);
    SetLogPixels(row.dpi);
    const std::string name = std::string(temp) + "dpi-layout-" + std::to_string(row.dpi);
    const std::string output = name + ".txt";
    const std::string log = name + ".log";
    ::DeleteFileA(output.c_str());
    const ProbeRun run = RunProbe(output, log);
    ASSERT_TRUE(run.ended) << run.failure;
    ASSERT_EQ(run.exitCode, 0u) << ReadBytes(log);
    const Probe probe = Parse(ReadBytes(output));
    ::DeleteFileA(output.c_str());
    ::DeleteFileA(log.c_str());
    ASSERT_TRUE(probe.complete);
    EXPECT_EQ(probe.dpi, static_cast<int>(row.dpi)) << "the probe started at the row's DPI";
    EXPECT_EQ(probe.screenOnlyDpi, static_cast<int>(row.dpi));
    ASSERT_EQ(probe.dialogs.size(), 3u);
    for (const Dialog& dialog : probe.dialogs) CheckDialog(dialog, row);
  }
  EXPECT_EQ(rowsRun, 3) << "run through CTest, which names the language";
}

}  // namespace
