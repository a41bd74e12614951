#include "framework/font.h"

#include "framework/live_objects.h"

bool CFont::CreateFontIndirect(const LOGFONTA* logFont) {
  DeleteObject();
  if (logFont != nullptr) m_hObject = ::CreateFontIndirectA(logFont);
  if (m_hObject == nullptr) return false;
  CountMade(LiveObject::kFont);
  return true;
}

void CFont::DeleteObject() {
  if (m_hObject == nullptr) return;
  ::DeleteObject(m_hObject);
  CountDestroyed(LiveObject::kFont);
  m_hObject = nullptr;
}
