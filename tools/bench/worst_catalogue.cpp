#include "worst_catalogue.h"

#include <cstdio>

#include "catalogue/fetch_catalogue.h"

std::string RecordText(int k) {
  char text[1024];
  std::snprintf(text, sizeof text,
                "[Number%d]\r\nvid=0x%04X\r\npid=0x%04X\r\n"
                "URL_XP_32=http://example.com/drivers/%05d/xp32/setup.exe\r\n"
                "URL_XP_64=http://example.com/drivers/%05d/xp64/setup.exe\r\n"
                "URL_Vista_32=http://example.com/drivers/%05d/vista32/setup.exe\r\n"
                "URL_Vista_64=http://example.com/drivers/%05d/vista64/setup.exe\r\n",
                k, 0x1000 + k, 0x2000 + k, k, k, k, k);
  return text;
}

std::string CatalogueFile(std::uint32_t count) {
  std::string text = "[MAIN]\r\nTotleNumber=" + std::to_string(count) + "\r\n";
  for (int k = 1; k <= kRealRecords; ++k) text += RecordText(k);
  if (text.size() < kReplyBufferSize) {
    std::string pad = ";" + std::string(kReplyBufferSize - text.size() - 3, '-') + "\r\n";
    text += pad;
  }
  return text.substr(0, kReplyBufferSize);
}
