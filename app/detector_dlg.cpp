#include "app/detector_dlg.h"

#include "app/about_dlg.h"
#include "app/download_window.h"
#include "app/minimised_icon.h"
#include "app/this_computer/system_answers.h"
#include "catalogue/load_catalogue.h"
#include "common/messages.h"
#include "framework/live_objects.h"
#include "framework/paint_dc.h"
#include "framework/win_app.h"

namespace {

constexpr UINT kSysCommandMask = 0xFFF0;
constexpr int kMenuTextSize = 256;

}  // namespace

CDetectorDlg::CDetectorDlg(const PlatformParts& platform, CWnd* parent)
    : CDialog(IDD_DETECTOR, parent),
      m_platform(platform),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_APP))),
      m_liveCountMessage(platform.answersLiveCounts ? ::RegisterWindowMessageA(kLiveCountMessageName)
                                                    : 0) {}

CDetectorDlg::~CDetectorDlg() { ReleaseCatalogue(); }

const MessageMap* CDetectorDlg::ThisMessageMap() {
  static constexpr MessageMapEntry kEntries[] = {
      ::OnSysCommand<&CDetectorDlg::OnSysCommand>(),
      ::OnPaint<&CDetectorDlg::OnPaint>(),
      ::OnQueryDragIcon<&CDetectorDlg::OnQueryDragIcon>(),
      ::OnBnClicked<IDC_CHECK_DEVICE, &CDetectorDlg::CheckDevices>(),
      ::OnDpiChanged<&CDetectorDlg::OnDpiChanged>(),
      ::OnMessage<WM_MOVE, &CDetectorDlg::OnMove>(),
  };
  static constexpr MessageMap kMap = MakeMessageMap(&CDialog::ThisMessageMap, kEntries);
  return &kMap;
}

LRESULT CDetectorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // A registered message has no fixed number, so it cannot stand in the message map.
  if (m_liveCountMessage != 0 && message == m_liveCountMessage) return LiveCount(wParam);
  return CDialog::WindowProc(message, wParam, lParam);
}

void CDetectorDlg::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_LINK_XP32, m_linkXp32);
  DDX_Control(exchange, IDC_LINK_XP64, m_linkXp64);
  DDX_Control(exchange, IDC_LINK_VISTA32, m_linkVista32);
  DDX_Control(exchange, IDC_LINK_VISTA64, m_linkVista64);
}

BOOL CDetectorDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AddAboutItem();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  m_langId = ::GetSystemDefaultLangID();
  m_computer = ReadWindowsFacts(TheSystemAnswers());
  MakeFitMarkFont();
  ::ShowWindow(GetDlgItem(IDC_STATUS_TEXT), SW_HIDE);
  if (!LoadCatalogue()) OnCancel();
  m_foundCount = 0;
  m_linkXp32.ShowWindow(SW_HIDE);
  m_linkXp64.ShowWindow(SW_HIDE);
  m_linkVista32.ShowWindow(SW_HIDE);
  m_linkVista64.ShowWindow(SW_HIDE);
  return TRUE;
}

void CDetectorDlg::AddAboutItem() {
  HMENU menu = GetSystemMenu(FALSE);
  if (menu == nullptr) return;
  char text[kMenuTextSize] = {};
  if (::LoadStringA(AfxGetResourceHandle(), IDS_ABOUT_ITEM, text, kMenuTextSize) <= 0) return;
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(menu, MF_STRING, IDM_ABOUT, text);
}

void CDetectorDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & kSysCommandMask) == IDM_ABOUT) {
    CAboutDlg about;
    about.DoModal();
    return;
  }
  CDialog::OnSysCommand(id, lParam);
}

void CDetectorDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  const int iconWidth = ::GetSystemMetrics(SM_CXICON);
  const int iconHeight = ::GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(&client);
  const int x = MinimisedIconOffset(client.right - client.left, iconWidth);
  const int y = MinimisedIconOffset(client.bottom - client.top, iconHeight);
  ::DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

HCURSOR CDetectorDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CDetectorDlg::OnDpiChanged(UINT dpi) {
  CDialog::OnDpiChanged(dpi);
  const HFONT font = GetFont();
  for (CLinkLabel* link : {&m_linkXp32, &m_linkXp64, &m_linkVista32, &m_linkVista64}) {
    if (link->m_hWnd != nullptr) link->SetFont(font, TRUE);
  }
  MakeFitMarkFont();
  PlaceFitMark();
  PlaceKeyboardTips();  // the links have refitted since the move
}

LRESULT CDetectorDlg::OnMove(WPARAM, LPARAM) {
  const LRESULT result = Default();
  PlaceKeyboardTips();
  return result;
}

void CDetectorDlg::PlaceKeyboardTips() {
  for (CLinkLabel* link : {&m_linkXp32, &m_linkXp64, &m_linkVista32, &m_linkVista64}) {
    link->PlaceKeyboardTip();
  }
}

int CDetectorDlg::LoadCatalogue() { return ::LoadCatalogue(*this, m_platform.catalogueHost); }

void CDetectorDlg::HideStatusText() { ::ShowWindow(GetDlgItem(IDC_STATUS_TEXT), SW_HIDE); }

void CDetectorDlg::RunDownload(const std::function<void()>& download) {
  RunWithDownloadWindow(download, ConnectingMessage(LanguageId()));
}

void CDetectorDlg::ShowFailureMessage(const char* text, const char* caption) {
  ::MessageBoxA(m_hWnd, text, caption, MB_OK);
}

int CDetectorDlg::LanguageId() const { return static_cast<int>(m_langId); }
