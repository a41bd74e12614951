// On a Chinese system a catalogue address is GBK text: through the shell, its characters reach
// the desktop's browser launcher (a recorder on PATH) as the same characters.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/link_label/link_label.h"
#include "files.h"
#include "window_text.h"

namespace {

constexpr std::chrono::milliseconds kLaunchTimeout(30000);
constexpr UINT kChineseCodePage = 936;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

TEST(LinkLabelGbkOpen, GbkPathReachesTheBrowserAsItsCharacters) {
  ASSERT_EQ(::GetACP(), kChineseCodePage) << "the test runs in a Chinese locale";
  const std::string record = WinePathVariable("LINK_LABEL_XDG_RECORD");
  ASSERT_FALSE(record.empty()) << "the test runs with the xdg-open recorder on PATH";
  ::DeleteFileA(record.c_str());

  // 中文/誠.zip in GBK; the second byte of 誠 is '\'.
  const char* gbk = "http://127.0.0.1:9/\xD6\xD0\xCE\xC4/\xD5\x5C.zip";
  const char* utf8 = "http://127.0.0.1:9/\xE4\xB8\xAD\xE6\x96\x87/\xE8\xAA\xA0.zip";
  EXPECT_GT(CLinkLabel::OpenTarget(gbk, SW_SHOW), 32);
  const std::vector<std::string> lines = WaitForLines(record, 1, kLaunchTimeout);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(PercentDecoded(lines[0]), utf8) << lines[0];
}

}  // namespace
