#include "framework/dialog_template.h"

#include <cstring>

namespace {

// DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; its style sits after the help id
// and the extended style. A plain DLGTEMPLATE starts with its style.
constexpr WORD kExtendedSignature = 0xFFFF;
constexpr std::size_t kExtendedStyleOffset = 12;
constexpr std::size_t kPlainStyleOffset = 0;
constexpr std::size_t kMinimumTemplateSize = 18;

std::vector<unsigned char> ReadTemplate(HINSTANCE module, UINT id) {
  HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (info == nullptr) return {};
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (data == nullptr || size < kMinimumTemplateSize) return {};
  const auto* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

std::size_t StyleOffset(const std::vector<unsigned char>& bytes) {
  WORD signature = 0;
  std::memcpy(&signature, bytes.data() + 2, sizeof signature);
  return signature == kExtendedSignature ? kExtendedStyleOffset : kPlainStyleOffset;
}

DWORD ReadStyle(const std::vector<unsigned char>& bytes) {
  DWORD style = 0;
  std::memcpy(&style, bytes.data() + StyleOffset(bytes), sizeof style);
  return style;
}

}  // namespace

std::vector<unsigned char> LoadHiddenDialogTemplate(HINSTANCE module, UINT id) {
  std::vector<unsigned char> bytes = ReadTemplate(module, id);
  if (bytes.empty()) return bytes;
  const DWORD style = ReadStyle(bytes) & ~static_cast<DWORD>(WS_VISIBLE);
  std::memcpy(bytes.data() + StyleOffset(bytes), &style, sizeof style);
  return bytes;
}
