// The framework's dispatch under the real window manager: attaching controls (on their own
// thread only), message maps with base chaining, reflection to the child, routing to the child,
// pre-translation from the modal loop, and the modal run's ways of ending.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "catalogue_test_support.h"
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/static.h"
#include "framework/system_functions.h"
#include "gui_framework_ids.h"
#include "ui_driver.h"
#include "worker_thread.h"

namespace {

constexpr COLORREF kProbeTextColor = RGB(1, 2, 3);

class ProbeLabel : public CStatic {
 public:
  bool handleColor = true;
  int reflectedClicks = 0;
  int colorQueries = 0;
  UINT lastColorKind = 0;
  BOOL cursorAnswer = TRUE;
  int cursorQueries = 0;
  std::vector<POINT> moves;
  std::vector<UINT> preTranslated;
  std::vector<MSG> dialogCodeMessages;  // the MSGs WM_GETDLGCODE handed on (not the nulls)
  bool attachedAtPreSubclass = false;
  LONG_PTR procAtPreSubclass = 0;

  void PreSubclassWindow() override {
    attachedAtPreSubclass = CWnd::FromHandlePermanent(m_hWnd) == this;
    procAtPreSubclass = ::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC);
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    preTranslated.push_back(msg->message);
    return CStatic::PreTranslateMessage(msg);
  }

 protected:
  static const MessageMap* ThisMessageMap() {
    static constexpr MessageMapEntry kEntries[] = {
        OnControlReflect<STN_CLICKED, &ProbeLabel::Clicked>(),
        OnCtlColorReflect<&ProbeLabel::Color>(),
        OnSetCursor<&ProbeLabel::SetCursor>(),
        OnMouseMove<&ProbeLabel::MouseMove>(),
        OnGetDlgCode<&ProbeLabel::DialogCode>(),
    };
    static constexpr MessageMap kMap = MakeMessageMap(&CStatic::ThisMessageMap, kEntries);
    return &kMap;
  }
  const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

 private:
  void Clicked() { ++reflectedClicks; }
  HBRUSH Color(HDC dc, UINT kind) {
    ++colorQueries;
    lastColorKind = kind;
    if (!handleColor) return nullptr;
    ::SetTextColor(dc, kProbeTextColor);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
  }
  BOOL SetCursor(CWnd*, UINT, UINT) {
    ++cursorQueries;
    return cursorAnswer;
  }
  void MouseMove(UINT, POINT point) {
    moves.push_back(point);
    Default();
  }
  UINT DialogCode(const MSG* msg) {
    if (msg != nullptr) dialogCodeMessages.push_back(*msg);
    return static_cast<UINT>(Default());
  }
};

constexpr UINT kRunNestedMessage = WM_APP + 8;

class ProbeDialog : public CDialog {
 public:
  ProbeDialog() : CDialog(IDD_GUI_PROBE) {}

  ProbeLabel label;
  bool bindMissing = false;
  bool endDuringInit = false;
  bool exchangeFailed = false;
  bool visibleDuringInit = true;
  int parentClicks = 0;
  int buttonClicks = 0;
  int showMessages = 0;
  std::vector<UINT> preTranslated;
  std::function<void()> onRunNested;

  BOOL PreTranslateMessage(MSG* msg) override {
    preTranslated.push_back(msg->message);
    return CDialog::PreTranslateMessage(msg);
  }

 protected:
  static const MessageMap* ThisMessageMap() {
    static constexpr MessageMapEntry kEntries[] = {
        OnCommand<IDC_GUI_LABEL, STN_CLICKED, &ProbeDialog::LabelClicked>(),
        OnBnClicked<IDC_GUI_BUTTON, &ProbeDialog::ButtonClicked>(),
        OnMessage<WM_SHOWWINDOW, &ProbeDialog::ShowWindowSeen>(),
        OnMessage<kRunNestedMessage, &ProbeDialog::RunNested>(),
    };
    static constexpr MessageMap kMap = MakeMessageMap(&CDialog::ThisMessageMap, kEntries);
    return &kMap;
  }
  const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

  void DoDataExchange(CDataExchange* exchange) override {
    DDX_Control(exchange, IDC_GUI_LABEL, label);
    if (bindMissing) {
      DDX_Control(exchange, IDC_GUI_MISSING, missing_);
      exchangeFailed = exchange->m_failed;
    }
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    visibleDuringInit = IsWindowVisible() != FALSE;
    if (endDuringInit) EndDialog(77);
    return TRUE;
  }

 private:
  void LabelClicked() { ++parentClicks; }
  void ButtonClicked() { ++buttonClicks; }
  LRESULT ShowWindowSeen(WPARAM wParam, LPARAM) {
    if (wParam) ++showMessages;
    return Default();
  }
  LRESULT RunNested(WPARAM, LPARAM) {
    if (onRunNested) onRunNested();
    return 0;
  }

  CStatic missing_;
};

// Runs `dialog` modally while `step` drives it from the dialog's own loop.
INT_PTR RunDriven(CDialog& dialog, std::function<bool()> step) {
  UiDriver driver(std::move(step));
  const INT_PTR result = dialog.DoModal();
  EXPECT_FALSE(driver.TimedOut());
  return result;
}

TEST(FrameworkAttach, ControlExchangeSubclassesAfterThePreSubclassHook) {
  ProbeDialog dialog;
  LONG_PTR procAfter = 0;
  HWND labelWindow = nullptr;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr) return false;
    labelWindow = dialog.label.m_hWnd;
    procAfter = ::GetWindowLongPtrA(labelWindow, GWLP_WNDPROC);
    dialog.EndDialog(IDCANCEL);
    return true;
  });
  ASSERT_NE(labelWindow, nullptr);
  EXPECT_TRUE(dialog.label.attachedAtPreSubclass);
  EXPECT_NE(dialog.label.procAtPreSubclass, 0);
  EXPECT_NE(dialog.label.procAtPreSubclass, procAfter);
  // The window is gone and the objects are detached from it.
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  EXPECT_EQ(dialog.label.m_hWnd, nullptr);
}

TEST(FrameworkAttach, MissingControlFailsTheExchangeAndLeavesTheObjectUnattached) {
  ProbeDialog dialog;
  dialog.bindMissing = true;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr) return false;
    dialog.EndDialog(IDCANCEL);
    return true;
  });
  EXPECT_TRUE(dialog.exchangeFailed);
}

// Runs each piece of work on a thread of its own, one after another, each to its end.
class OwnerThread {
 public:
  OwnerThread() { thread_.Start([this] { Serve(); }); }
  ~OwnerThread() {
    Run(nullptr);
    thread_.Join();
    ::CloseHandle(request_);
    ::CloseHandle(done_);
  }
  bool Run(std::function<void()> work) {
    work_ = std::move(work);
    ::SetEvent(request_);
    return ::WaitForSingleObject(done_, kWaitMs) == WAIT_OBJECT_0;
  }

 private:
  static constexpr DWORD kWaitMs = 30000;
  void Serve() {
    while (::WaitForSingleObject(request_, kWaitMs) == WAIT_OBJECT_0) {
      const bool last = !work_;
      if (work_) work_();
      ::SetEvent(done_);
      if (last) return;
    }
  }
  HANDLE request_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE done_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  std::function<void()> work_;
  WorkerThread thread_;
};

TEST(FrameworkAttach, OnlyTheWindowsThreadDetachesAndAnObjectFreedElsewhereLeavesNoEntry) {
  OwnerThread owner;
  auto* label = new ProbeLabel;
  const CWnd* const object = label;
  HWND window = nullptr;
  LONG_PTR classProcedure = 0;
  bool attached = false;
  const CWnd* seenAttached = nullptr;
  ASSERT_TRUE(owner.Run([&] {
    window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    classProcedure = ::GetWindowLongPtrA(window, GWLP_WNDPROC);
    attached = label->SubclassWindow(window);
    seenAttached = CWnd::FromHandlePermanent(window);
  }));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(attached);
  EXPECT_EQ(seenAttached, object);

  // From this thread: not found, not attachable, not detachable.
  EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
  CStatic intruder;
  EXPECT_FALSE(intruder.SubclassWindow(window));
  StderrCapture capture;
  EXPECT_EQ(label->UnsubclassWindow(), nullptr);
  EXPECT_EQ(label->m_hWnd, window);
  const CWnd* seenAfterRefusal = nullptr;
  LONG_PTR procedureAfterRefusal = 0;
  ASSERT_TRUE(owner.Run([&] {
    seenAfterRefusal = CWnd::FromHandlePermanent(window);
    procedureAfterRefusal = ::GetWindowLongPtrA(window, GWLP_WNDPROC);
  }));
  EXPECT_EQ(seenAfterRefusal, object);
  EXPECT_NE(procedureAfterRefusal, classProcedure);

  // Freed here all the same: the owner's table keeps no entry for it, the class has its own
  // procedure back.
  delete label;
  const std::string report = capture.Stop();
  const CWnd* seenAfterFree = object;
  LONG_PTR procedureAfterFree = 0;
  ASSERT_TRUE(owner.Run([&] {
    seenAfterFree = CWnd::FromHandlePermanent(window);
    procedureAfterFree = ::GetWindowLongPtrA(window, GWLP_WNDPROC);
    ::DestroyWindow(window);
  }));
  EXPECT_EQ(seenAfterFree, nullptr);
  EXPECT_EQ(procedureAfterFree, classProcedure);
  EXPECT_EQ(report,
            AsWritten("\nCWnd: UnsubclassWindow refused on a thread other than the window's\n"
                      "\nCWnd: destroyed while attached on a thread other than the window's\n"));
}

TEST(FrameworkDispatch, ReflectionHandsTheChildsNotificationsBackToIt) {
  ProbeDialog dialog;
  LRESULT colorAnswer = 0;
  LRESULT declinedAnswer = 0;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr) return false;
    HWND label = dialog.label.m_hWnd;
    ::SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_GUI_LABEL, STN_CLICKED),
                   reinterpret_cast<LPARAM>(label));
    HDC dc = ::GetDC(label);
    colorAnswer = ::SendMessageA(dialog.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(label));
    dialog.label.handleColor = false;
    declinedAnswer = ::SendMessageA(dialog.m_hWnd, WM_CTLCOLORSTATIC,
                                    reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    ::ReleaseDC(label, dc);
    dialog.EndDialog(IDCANCEL);
    return true;
  });
  // The child claimed the click, so the parent's own entry for it did not run.
  EXPECT_EQ(dialog.label.reflectedClicks, 1);
  EXPECT_EQ(dialog.parentClicks, 0);
  EXPECT_EQ(colorAnswer, reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(dialog.label.lastColorKind, static_cast<UINT>(CTLCOLOR_STATIC));
  // A child that answers no brush leaves the query to the dialog's default coloring.
  EXPECT_NE(declinedAnswer, 0);
  EXPECT_NE(declinedAnswer, colorAnswer);
}

TEST(FrameworkDispatch, AWindowOfAnotherThreadNamedByAMessageIsNotReflectedTo) {
  // A window of another thread carrying a property that names an object, as any process can set.
  ProbeLabel decoy;
  HWND foreign = nullptr;
  HANDLE made = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(made != nullptr && done != nullptr);
  WorkerThread owner([&] {
    foreign = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
    if (foreign != nullptr) ::SetPropA(foreign, "DetectorFrameworkWnd", &decoy);
    ::SetEvent(made);
    ::WaitForSingleObject(done, 30000);
    if (foreign != nullptr) ::DestroyWindow(foreign);
  });
  ::WaitForSingleObject(made, 30000);

  ProbeDialog dialog;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr) return false;
    ::SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_GUI_LABEL, STN_CLICKED),
                   reinterpret_cast<LPARAM>(foreign));
    dialog.EndDialog(IDCANCEL);
    return true;
  });
  ::SetEvent(done);
  owner.Join();
  ::CloseHandle(made);
  ::CloseHandle(done);

  ASSERT_NE(foreign, nullptr);
  EXPECT_EQ(decoy.reflectedClicks, 0);
  EXPECT_EQ(dialog.parentClicks, 1) << "the parent's own entry handles it";
}

TEST(FrameworkDispatch, PaintingTheControlAsksTheChildForItsColors) {
  ProbeDialog dialog;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr || !dialog.IsWindowVisible()) return false;
    ::RedrawWindow(dialog.label.m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    dialog.EndDialog(IDCANCEL);
    return true;
  });
  EXPECT_GT(dialog.label.colorQueries, 0);
}

TEST(FrameworkDispatch, NotificationsOfUnattachedControlsReachTheParentsTable) {
  ProbeDialog dialog;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr || !dialog.IsWindowVisible()) return false;
    PressButton(dialog.m_hWnd, IDC_GUI_BUTTON);
    dialog.EndDialog(IDCANCEL);
    return true;
  });
  EXPECT_EQ(dialog.buttonClicks, 1);
}

TEST(FrameworkDispatch, CursorAndMouseMessagesReachTheSubclassedChild) {
  ProbeDialog dialog;
  LRESULT cursorHandled = 0;
  LRESULT cursorDeclined = 1;
  bool posted = false;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr) return false;
    if (posted) {
      dialog.EndDialog(IDCANCEL);
      return true;
    }
    HWND label = dialog.label.m_hWnd;
    cursorHandled = ::SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    dialog.label.cursorAnswer = FALSE;
    cursorDeclined = ::SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    ::SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(7, 3));
    // Posted: the queue's filter leaves an ordinary message's lParam alone.
    ::PostMessageA(label, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, -2));
    posted = true;
    return false;
  });
  EXPECT_EQ(dialog.label.cursorQueries, 2);
  EXPECT_EQ(cursorHandled, TRUE);
  EXPECT_EQ(cursorDeclined, FALSE);
  ASSERT_EQ(dialog.label.moves.size(), 2u);
  EXPECT_EQ(dialog.label.moves[0].x, 7);
  EXPECT_EQ(dialog.label.moves[0].y, 3);
  // Positions left of or above the client area arrive signed.
  EXPECT_EQ(dialog.label.moves[1].x, -5);
  EXPECT_EQ(dialog.label.moves[1].y, -2);
}

TEST(FrameworkModal, QueuedMessagesArePreTranslatedByTheChildThenTheDialog) {
  ProbeDialog dialog;
  constexpr UINT kProbeMessage = WM_APP + 7;
  int stage = 0;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr) return false;
    if (stage == 0) {
      ::PostMessageA(dialog.label.m_hWnd, kProbeMessage, 0, 0);
      stage = 1;
      return false;
    }
    dialog.EndDialog(IDCANCEL);
    return true;
  });
  auto seen = [&](const std::vector<UINT>& log) {
    return std::count(log.begin(), log.end(), kProbeMessage);
  };
  EXPECT_EQ(seen(dialog.label.preTranslated), 1);
  EXPECT_EQ(seen(dialog.preTranslated), 1);
}

TEST(FrameworkModal, EscapeAndTheOkButtonEndTheRunThroughTheDefaultHandlers) {
  // Keys go to a control of the dialog (not to the focus, which parallel tests may take).
  ProbeDialog escaped;
  bool pressed = false;
  const INT_PTR escapeResult = RunDriven(escaped, [&] {
    if (pressed || escaped.m_hWnd == nullptr || !escaped.IsWindowVisible()) return false;
    pressed = true;
    ::PostMessageA(::GetNextDlgTabItem(escaped.m_hWnd, nullptr, FALSE), WM_KEYDOWN, VK_ESCAPE, 0);
    return false;
  });
  EXPECT_EQ(escapeResult, IDCANCEL);

  ProbeDialog confirmed;
  bool clicked = false;
  const INT_PTR okResult = RunDriven(confirmed, [&] {
    if (clicked || confirmed.m_hWnd == nullptr || !confirmed.IsWindowVisible()) return false;
    clicked = true;
    PressButton(confirmed.m_hWnd, IDOK);
    return false;
  });
  EXPECT_EQ(okResult, IDOK);
}

TEST(FrameworkModal, EndingDuringInitialisationNeverShowsTheWindow) {
  ProbeDialog dialog;
  dialog.endDuringInit = true;
  UiDriver driver([] { return false; }, 2000);
  EXPECT_EQ(dialog.DoModal(), 77);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_FALSE(dialog.visibleDuringInit);
  EXPECT_EQ(dialog.showMessages, 0);
}

TEST(FrameworkModal, DestroyingTheWindowFromOutsideEndsTheRun) {
  ProbeDialog dialog;
  const INT_PTR result = RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr) return false;
    ::DestroyWindow(dialog.m_hWnd);
    return true;
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST(FrameworkModal, ANestedDialogDisablesItsOwnerUntilItEnds) {
  ProbeDialog outer;
  ProbeDialog inner;
  bool ownerDisabledDuringInner = false;
  HWND innerOwner = nullptr;
  bool ownerEnabledAfter = false;
  int stage = 0;
  RunDriven(outer, [&] {
    if (outer.m_hWnd == nullptr || !outer.IsWindowVisible()) return false;
    if (stage == 0) {
      stage = 1;
      ::SetActiveWindow(outer.m_hWnd);
      inner.DoModal();  // this driver keeps ticking inside the nested loop
      ownerEnabledAfter = ::IsWindowEnabled(outer.m_hWnd) != FALSE;
      outer.EndDialog(IDCANCEL);
      return true;
    }
    if (stage == 1 && inner.m_hWnd != nullptr && inner.IsWindowVisible()) {
      stage = 2;
      innerOwner = ::GetWindow(inner.m_hWnd, GW_OWNER);
      ownerDisabledDuringInner = !::IsWindowEnabled(outer.m_hWnd);
      inner.EndDialog(IDOK);
    }
    return false;
  });
  EXPECT_EQ(stage, 2);
  EXPECT_TRUE(ownerDisabledDuringInner);
  EXPECT_NE(innerOwner, nullptr);
  EXPECT_TRUE(ownerEnabledAfter);
}

UINT WINAPI WindowAt192Dpi(HWND) { return 192; }

TEST(FrameworkModal, InsideAnotherThreadsSendTheThreadsOwnDialogCodeAndDpiChangeAreHonoured) {
  ProbeDialog outer;
  ProbeDialog inner;
  outer.onRunNested = [&] { inner.DoModal(); };
  WorkerThread sender;
  DWORD sendState = 0;
  HWND innerLabel = nullptr;
  RECT before{};
  RECT after{};
  int stage = 0;
  RunDriven(outer, [&] {
    if (stage == 0) {
      if (outer.m_hWnd == nullptr || !outer.IsWindowVisible()) return false;
      stage = 1;
      HWND target = outer.m_hWnd;
      // Returns once the inner dialog, run by the handler of this send, has ended.
      sender.Start([target] { ::SendMessageA(target, kRunNestedMessage, 0, 0); });
      return false;
    }
    if (stage == 1) {
      if (inner.m_hWnd == nullptr || !inner.IsWindowVisible()) return false;
      stage = 2;
      sendState = ::InSendMessageEx(nullptr);
      innerLabel = inner.label.m_hWnd;
      // Through the inner loop's IsDialogMessage, which asks the label about the key.
      ::PostMessageA(inner.label.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
      ::GetWindowRect(inner.m_hWnd, &before);
      const RECT suggested{before.left + 40, before.top + 30, before.right, before.bottom};
      // As the system leaves a window it moved to a screen of 192 DPI.
      PretendSystemHas("GetDpiForWindow", &WindowAt192Dpi);
      ::SendMessageA(inner.m_hWnd, kDpiChangedMessage, MAKEWPARAM(192, 192),
                     reinterpret_cast<LPARAM>(&suggested));
      PretendSystemHas("GetDpiForWindow", nullptr);
      ::GetWindowRect(inner.m_hWnd, &after);
      return false;
    }
    if (stage == 2) {
      if (inner.label.dialogCodeMessages.empty()) return false;
      stage = 3;
      inner.EndDialog(IDOK);
      return false;
    }
    outer.EndDialog(IDCANCEL);
    return true;
  });
  sender.Join();
  ASSERT_EQ(stage, 3);
  EXPECT_EQ(sendState & (ISMEX_SEND | ISMEX_REPLIED), static_cast<DWORD>(ISMEX_SEND))
      << "the inner dialog ran inside the other thread's send";
  ASSERT_EQ(inner.label.dialogCodeMessages.size(), 1u);
  const MSG& asked = inner.label.dialogCodeMessages[0];
  EXPECT_EQ(asked.hwnd, innerLabel);
  EXPECT_EQ(asked.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(asked.wParam, static_cast<WPARAM>(VK_RETURN));
  EXPECT_EQ(asked.lParam, 0);
  // 96 to 192 DPI: twice the size, the top-left corner kept.
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, 2 * (before.right - before.left));
  EXPECT_EQ(after.bottom - after.top, 2 * (before.bottom - before.top));
}

// The DPI a row says the system left the window at.
UINT g_ownDpi = 96;
UINT WINAPI WindowAtOwnDpi(HWND) { return g_ownDpi; }

// Any process may send WM_DPICHANGED: a change is taken only when both of its DPIs are equal,
// from 96 to 480, and the window's own. Rows in order: each taken change scales from the last.
TEST(FrameworkModal, ADpiChangeIsTakenOnlyToTheWindowsOwnDpiFrom96To480) {
  struct Row {
    const char* what;
    UINT own;
    WPARAM wParam;
    bool taken;
  };
  const Row rows[] = {
      {"192 by 96, the window at 192", 192, MAKEWPARAM(192, 96), false},
      {"481", 481, MAKEWPARAM(481, 481), false},
      {"480", 480, MAKEWPARAM(480, 480), true},
      {"96, from 480", 96, MAKEWPARAM(96, 96), true},
      {"95", 95, MAKEWPARAM(95, 95), false},
  };
  ProbeDialog dialog;
  RECT initial{};
  std::vector<SIZE> sizes;
  RunDriven(dialog, [&] {
    if (dialog.m_hWnd == nullptr || !dialog.IsWindowVisible()) return false;
    ::GetWindowRect(dialog.m_hWnd, &initial);
    PretendSystemHas("GetDpiForWindow", &WindowAtOwnDpi);
    for (const Row& row : rows) {
      g_ownDpi = row.own;
      const RECT suggested{0, 0, 10, 10};
      ::SendMessageA(dialog.m_hWnd, kDpiChangedMessage, row.wParam,
                     reinterpret_cast<LPARAM>(&suggested));
      RECT rect{};
      ::GetWindowRect(dialog.m_hWnd, &rect);
      sizes.push_back({rect.right - rect.left, rect.bottom - rect.top});
    }
    PretendSystemHas("GetDpiForWindow", nullptr);
    g_ownDpi = 96;
    dialog.EndDialog(IDOK);
    return true;
  });
  ASSERT_EQ(sizes.size(), std::size(rows));
  SIZE want{initial.right - initial.left, initial.bottom - initial.top};
  UINT from = 96;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE(rows[i].what);
    if (rows[i].taken) {
      const int dpi = LOWORD(rows[i].wParam);
      want = {::MulDiv(want.cx, dpi, static_cast<int>(from)),
              ::MulDiv(want.cy, dpi, static_cast<int>(from))};
      from = static_cast<UINT>(dpi);
    }
    EXPECT_EQ(sizes[i].cx, want.cx);
    EXPECT_EQ(sizes[i].cy, want.cy);
  }
}

}  // namespace
