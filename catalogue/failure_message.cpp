#include "catalogue/failure_message.h"

namespace {

// GBK bytes, whatever the compiler's own character set.
constexpr const char kChineseCaption[] = "\xB4\xED\xCE\xF3";
constexpr const char kChineseText[] =
    "\xB1\xBE\xB9\xA4\xBE\xDF\xD0\xE8\xD2\xAA\xC1\xAA\xCD\xF8\xBB\xF1\xC8\xA1\xC7\xFD\xB6\xAF"
    "\xD0\xC5\xCF\xA2\xA3\xAC\xC7\xEB\xC8\xB7\xC8\xCF\xCD\xF8\xC2\xE7\xC1\xAC\xBD\xD3\xCA\xC7"
    "\xB7\xF1\xD5\xFD\xB3\xA3\xA3\xA1";
constexpr const char kEnglishCaption[] = "Error";
constexpr const char kEnglishText[] =
    "Can not get internet driver information,please make sure internet connection is ok!";

}  // namespace

FailureMessage CatalogueFailureMessage(int languageId) {
  if (languageId == kChinesePrcLanguageId) return {kChineseText, kChineseCaption};
  return {kEnglishText, kEnglishCaption};
}
