#include "app/detector_dlg.h"
#include "app/device_match/device_match.h"
#include "catalogue/catalogue_table.h"
#include "common/messages.h"
#include "framework/win_app.h"
#include "usb/walk.h"

// "Check Device": a fresh walk of the USB topology, then every catalogue entry that a
// connected device carries shows its download links. Nothing shown is ever taken back.
void CDetectorDlg::CheckDevices() {
  DeviceList& devices = TheDeviceList();
  devices.Empty();
  ScanHostControllers(m_platform.hubDriver, devices);

  MatchCatalogue(TheCatalogue(), devices, [this](const CatalogueEntry& entry) {
    HideStatusText();
    CLinkLabel* const links[kLinkCount] = {&m_linkXp32, &m_linkXp64, &m_linkVista32, &m_linkVista64};
    const auto addresses = LinkAddresses(entry);
    for (std::size_t i = 0; i < kLinkCount; ++i) ConfigureLink(*links[i], addresses[i]);
    ++m_foundCount;
  });

  if (m_foundCount == 0) {
    ::ShowWindow(GetDlgItem(IDC_STATUS_TEXT), SW_SHOWNORMAL);
    SetDlgItemText(IDC_STATUS_TEXT, NotFoundMessage(static_cast<int>(m_langId)));
  } else {
    ShowThisComputer();
  }
}

void CDetectorDlg::ConfigureLink(CLinkLabel& link, const char* url) {
  if (!ConfiguresLink(url)) return;
  link.ShowWindow(SW_SHOWNORMAL);
  link.SetTarget(url);
  link.SetTextColors(link.LinkColor(), link.LinkColor(), static_cast<COLORREF>(-1));
  link.SetUnderlined(TRUE);
  link.SetHoverCursor(::LoadCursorA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDC_LINK_CURSOR)));
}
