#include <cstring>
#include <string>

#include "app/detector_dlg.h"
#include "app/device_match/device_match.h"
#include "app/this_computer/driver_fit.h"
#include "app/this_computer/windows_name.h"
#include "common/messages.h"

namespace {

// Marlett draws the system's own glyphs; its "4" is a right-pointing arrowhead.
constexpr char kMarkFace[] = "Marlett";

}  // namespace

void CDetectorDlg::ShowThisComputer() {
  CLinkLabel* const links[kLinkCount] = {&m_linkXp32, &m_linkXp64, &m_linkVista32, &m_linkVista64};
  const std::string windows = WindowsName(m_computer);
  ComputerLine line{ComputerLineKind::kVersion, windows.c_str(), m_computer.is64Bit,
                    ProcessorName(m_computer.processor), 0};
  const DriverFit fit = FitDriver(m_computer);
  m_fitting = nullptr;
  if (fit.kind == FitKind::kProcessor) line.kind = ComputerLineKind::kProcessor;
  if (fit.kind == FitKind::kSlot) {
    const auto slot = static_cast<std::size_t>(fit.slot);
    // A record may leave this computer's address empty (its link stays hidden); an earlier
    // match may have given it.
    const auto style = static_cast<DWORD>(::GetWindowLongA(links[slot]->m_hWnd, GWL_STYLE));
    if ((style & WS_VISIBLE) == 0) {
      line.kind = ComputerLineKind::kNoAddress;
    } else {
      line.kind = ComputerLineKind::kLink;
      line.slot = static_cast<int>(slot);
      m_fitting = links[slot];
    }
  }
  const int language = LanguageId();
  SetDlgItemText(IDC_THIS_COMPUTER, ThisComputerLine(language, line).c_str());
  ::ShowWindow(GetDlgItem(IDC_THIS_COMPUTER), SW_SHOWNORMAL);
  for (CLinkLabel* link : links) {
    link->SetDescription(link == m_fitting ? ThisComputersLinkDescription(language) : "");
  }
  PlaceFitMark();
  if (m_fitting != nullptr) {
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_fitting->m_hWnd), TRUE);
  }
}

void CDetectorDlg::MakeFitMarkFont() {
  LOGFONTA font{};
  const HFONT dialogFont = GetFont();
  if (dialogFont == nullptr || ::GetObjectA(dialogFont, sizeof font, &font) != sizeof font) return;
  const LONG height = font.lfHeight;
  font = LOGFONTA{};
  font.lfHeight = height;
  font.lfCharSet = SYMBOL_CHARSET;
  std::memcpy(font.lfFaceName, kMarkFace, sizeof kMarkFace);
  if (!m_fitMarkFont.CreateFontIndirect(&font)) return;
  ::SendMessageA(GetDlgItem(IDC_FIT_MARK), WM_SETFONT,
                 reinterpret_cast<WPARAM>(m_fitMarkFont.GetSafeHandle()), TRUE);
}

// The mark keeps its column and stands level with the link.
void CDetectorDlg::PlaceFitMark() {
  const HWND mark = GetDlgItem(IDC_FIT_MARK);
  if (mark == nullptr) return;
  if (m_fitting == nullptr || m_fitting->m_hWnd == nullptr) {
    ::ShowWindow(mark, SW_HIDE);
    return;
  }
  RECT markRect, linkRect;
  ::GetWindowRect(mark, &markRect);
  ::GetWindowRect(m_fitting->m_hWnd, &linkRect);
  ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&markRect), 2);
  ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&linkRect), 2);
  ::SetWindowPos(mark, nullptr, markRect.left, linkRect.top, markRect.right - markRect.left,
                 linkRect.bottom - linkRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(mark, SW_SHOWNORMAL);
}
