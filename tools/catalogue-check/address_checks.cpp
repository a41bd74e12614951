#include "address_checks.h"

#include "app/link_label/link_logic.h"
#include "catalogue/catalogue_table.h"
#include "text_encoding.h"

std::vector<AddressFinding> CheckAddress(std::string_view stored, std::string_view written) {
  std::vector<AddressFinding> findings;
  constexpr std::size_t kKept = kUrlSize - 1;
  if (written.size() > kKept) {
    findings.push_back({ProblemKind::kAddressCut,
                        "address of " + std::to_string(written.size()) +
                            " characters: the program keeps the first " + std::to_string(kKept) +
                            ", and loses \"" + std::string(written.substr(kKept)) + "\""});
  }
  if (stored.empty()) return findings;
  if (!linklogic::IsOpenableWebAddress(stored)) {
    findings.push_back({ProblemKind::kAddressNotWeb,
                        "address is not http:// or https://: a click is refused with a beep"});
  }
  const std::string encoded = linklogic::EncodeWebAddress(stored);
  if (encoded != stored) {
    findings.push_back({ProblemKind::kAddressEncoded,
                        "address holds characters the program encodes: the browser is given \"" +
                            encoded + "\""});
  }
  if (HasNonAscii(stored)) {
    if (IsUtf8Text(stored)) {
      findings.push_back({ProblemKind::kAddressUtf8,
                          "address holds UTF-8 bytes: the program hands them on in the system's "
                          "code page, so a Chinese system (GBK) gives the browser other characters"});
    } else if (!IsGbkText(stored)) {
      findings.push_back({ProblemKind::kAddressNotGbk,
                          "address holds bytes above 0x7F that are not GBK text: a Chinese "
                          "system cannot read them"});
    }
  }
  return findings;
}
