#pragma once
// CFont: owns one GDI font handle; deleted when replaced and when the object goes.
#include <windows.h>

class CFont {
 public:
  CFont() = default;
  ~CFont() { DeleteObject(); }
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  // Replaces the held font with a new one made from `logFont`. False (and no font) on failure.
  bool CreateFontIndirect(const LOGFONTA* logFont);
  void DeleteObject();

  HFONT GetSafeHandle() const { return m_hObject; }
  operator HFONT() const { return m_hObject; }

 private:
  HFONT m_hObject = nullptr;
};
