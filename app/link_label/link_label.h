#pragma once
// CLinkLabel: a dialog's static text control made into a hyperlink. It draws in the link
// color with an underlined font, in the hover color under the pointer, shows a hand cursor
// and a tooltip with its address, and opens the address in the browser when clicked. A shown
// label with the tab-stop style is reached with Tab and opened with Enter or Space; screen
// readers see it as a link.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "app/link_label/link_logic.h"
#include "framework/font.h"
#include "framework/live_objects.h"
#include "framework/static.h"
#include "framework/tooltip.h"

class CLinkLabel : public CStatic {
 public:
  CLinkLabel();
  ~CLinkLabel() override;

  void SetTarget(const char* url);
  const std::string& Target() const { return m_target; }
  // What a screen reader says of the link besides its name and address; empty: nothing.
  void SetDescription(const char* description) { m_description = description; }
  const std::string& Description() const { return m_description; }
  COLORREF LinkColor() const { return m_linkColor; }
  // A hover color of -1 stands for the system highlight color at the time of the call.
  void SetTextColors(COLORREF link, COLORREF visited, COLORREF hover);
  void SetUnderlined(BOOL on);
  // The cursor stays the caller's; null loads the default hand cursor.
  void SetHoverCursor(HCURSOR cursor);
  // The keyboard tip, shown while the label shows the focus rectangle, goes below the label
  // where it is now: for the parent to call when it moves or its DPI changes.
  void PlaceKeyboardTip();

  // Opens a web address (what cannot stand in one quoted argument percent-encoded) with the
  // shell, else with the program registered for ".htm". Greater than 32 on success. Anything
  // but an http(s) address is refused without running anything.
  static INT_PTR OpenTarget(const char* url, int showCommand);
  // The default text value of root\subKey into `out`, environment variables of an expandable
  // value expanded: 0, or the error that kept the key from opening. A value that is missing,
  // not text, or longer than 259 characters reads as the empty text.
  static LONG ReadDefaultValue(HKEY root, const char* subKey, linklogic::CommandBuffer& out);

 protected:
  void PreSubclassWindow() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  static const MessageMap* ThisMessageMap();
  const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

 private:
  struct CursorDeleter {
    void operator()(HICON cursor) const {
      ::DestroyCursor(cursor);
      CountDestroyed(LiveObject::kCursorCopy);
    }
  };
  using OwnedCursor = std::unique_ptr<std::remove_pointer_t<HICON>, CursorDeleter>;

  void HandleClick();
  HBRUSH ChooseTextColor(HDC dc, UINT kind);
  BOOL HandleSetCursor(CWnd* window, UINT hitTest, UINT message);
  void HandleMouseMove(UINT flags, POINT point);
  UINT HandleGetDlgCode(const MSG* msg);
  void HandleKeyDown(UINT key, UINT repeatCount, UINT flags);
  void HandleSetFocus(HWND previous);
  void HandleKillFocus(HWND next);
  LRESULT HandleUpdateUiState(WPARAM wParam, LPARAM lParam);
  void HandlePaint();
  BOOL HandleEraseBackground(HDC dc);
  HBRUSH ParentBackgroundBrush(HDC dc) const;
  LRESULT HandleSetFont(WPARAM wParam, LPARAM lParam);
  LRESULT HandleGetObject(WPARAM wParam, LPARAM lParam);
  LRESULT HandleOpenRequest(WPARAM wParam, LPARAM lParam);

  bool HasWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
  void MakeUnderlineFont();
  void FitToText();
  SIZE MeasureText() const;
  void LoadHandCursor();
  void RedrawNow();
  bool ShowsFocusRect() const;
  void ShowKeyboardTip(bool show);

  COLORREF m_linkColor;
  COLORREF m_visitedColor;
  COLORREF m_hoverColor;
  BOOL m_hovering;
  BOOL m_visited;
  BOOL m_underlined;
  std::string m_target;
  std::string m_description;
  CFont m_underlineFont;
  HCURSOR m_cursor;
  CToolTipCtrl m_tip;
  // The private copy of the default hand cursor, kept until the label goes even when
  // SetHoverCursor drops it from m_cursor.
  OwnedCursor m_ownHandCursor;
};
