#pragma once
// CDialog: a modal dialog made from a template in the program's resources. DoModal runs the
// framework's own message loop, so that PreTranslateMessage sees every queued message of the
// dialog and its controls before it is dispatched.
#include "framework/data_exchange.h"
#include "framework/wnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the window (hidden), runs OnInitDialog, shows it unless it has already ended,
  // and loops until EndDialog. Returns EndDialog's result, or -1 if the window could not be
  // made.
  virtual INT_PTR DoModal();
  // Ends the modal loop once the current handler returns.
  void EndDialog(int result);

  UINT TemplateId() const { return m_templateId; }

  // Runs the binding of controls (DoDataExchange) and answers TRUE: focus to the first tab stop.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange* exchange);
  // OK and Esc/close box/system-menu Close arrive here; they end the dialog with IDOK / IDCANCEL.
  virtual void OnOK();
  virtual void OnCancel();

  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  static const MessageMap* ThisMessageMap();
  const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }
  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;
  // Moved to a screen of another DPI: the window system rescales what it made from the
  // template, then the window keeps its top-left corner and scales its size from the DPI it
  // had to `dpi` (the message's suggested rectangle is never read). Called only for a `dpi`
  // from 96 to 480 that is the window's own by then (WindowDpi); any other is ignored.
  void OnDpiChanged(UINT dpi);

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam);
  HWND ModalOwner() const;
  void RunModalLoop();

  UINT m_templateId;
  CWnd* m_parent;
  bool m_ended = false;
  INT_PTR m_result = -1;
  UINT m_dpi = 0;  // the window's DPI, from its first message on
};
