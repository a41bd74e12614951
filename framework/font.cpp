#include "framework/font.h"

bool CFont::CreateFontIndirect(const LOGFONTA* logFont) {
  DeleteObject();
  if (logFont != nullptr) m_hObject = ::CreateFontIndirectA(logFont);
  return m_hObject != nullptr;
}

void CFont::DeleteObject() {
  if (m_hObject != nullptr) ::DeleteObject(m_hObject);
  m_hObject = nullptr;
}
