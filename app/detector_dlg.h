#pragma once
// The main dialog: loads the catalogue while it initialises, offers the about box in its
// system menu, and releases the catalogue (and its file) when it is destroyed.
#include "app/link_label/link_label.h"
#include "app/platform_parts.h"
#include "app/this_computer/windows_facts.h"
#include "catalogue/catalogue_owner.h"
#include "framework/dialog.h"
#include "framework/font.h"
#include "res/resource.h"

class CDetectorDlg : public CDialog, private CatalogueOwner {
 public:
  explicit CDetectorDlg(const PlatformParts& platform, CWnd* parent = nullptr);
  ~CDetectorDlg() override;

  // 1 when the catalogue was loaded; 0 after the failure has been reported (or not, when
  // WinSock would not start).
  int LoadCatalogue();

 protected:
  static const MessageMap* ThisMessageMap();
  const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnInitDialog() override;

  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  // On a screen of another DPI the links follow the dialog's rescaled font and refit.
  void OnDpiChanged(UINT dpi);
  // A focused link's tip follows the dialog.
  LRESULT OnMove(WPARAM wParam, LPARAM lParam);
  void CheckDevices();
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void AddAboutItem();
  void PlaceKeyboardTips();
  void ConfigureLink(CLinkLabel& link, const char* url);
  // After a match: the line that says what this computer is, and its link marked and focused.
  void ShowThisComputer();
  void MakeFitMarkFont();
  void PlaceFitMark();
  void HideStatusText() override;
  void ShowFailureMessage(const char* text, const char* caption) override;
  void RunDownload(const std::function<void()>& download) override;
  int LanguageId() const override;

  PlatformParts m_platform;
  HICON m_hIcon;
  int m_foundCount = 0;
  CLinkLabel m_linkXp32;
  CLinkLabel m_linkXp64;
  CLinkLabel m_linkVista32;
  CLinkLabel m_linkVista64;
  UINT m_langId = 0;
  WindowsFacts m_computer;
  CLinkLabel* m_fitting = nullptr;  // the link that is this computer's, once shown
  CFont m_fitMarkFont;
  UINT m_liveCountMessage = 0;  // 0: not answered
};
