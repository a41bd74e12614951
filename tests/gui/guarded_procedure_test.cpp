// Handlers that throw, called by the window system: a control's window procedure, the dialog
// procedure (initialisation) and the pre-translation hook of the modal loop. Each exception
// stops at the edge with one line on standard error, the message gets its default answer, and
// the program goes on with the next message.
#include <gtest/gtest.h>
#include <windows.h>

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "catalogue_test_support.h"
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/static.h"
#include "gui_framework_ids.h"
#include "ui_driver.h"

namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr LRESULT kHandled = 42;
constexpr LRESULT kLabelTextLength = 11;  // "probe label", the static control's own answer

enum class Failure { kNone, kBadAlloc, kRuntimeError };

void FailAs(Failure failure) {
  if (failure == Failure::kBadAlloc) throw std::bad_alloc();
  if (failure == Failure::kRuntimeError) throw std::runtime_error("handler failed");
}

class ThrowingLabel : public CStatic {
 public:
  Failure atTextLength = Failure::kNone;
  Failure atPreTranslate = Failure::kNone;
  int probes = 0;

  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == kProbe) FailAs(std::exchange(atPreTranslate, Failure::kNone));
    return CStatic::PreTranslateMessage(msg);
  }

 protected:
  static const MessageMap* ThisMessageMap() {
    static constexpr MessageMapEntry kEntries[] = {
        OnMessage<WM_GETTEXTLENGTH, &ThrowingLabel::TextLength>(),
        OnMessage<kProbe, &ThrowingLabel::Probe>(),
    };
    static constexpr MessageMap kMap = MakeMessageMap(&CStatic::ThisMessageMap, kEntries);
    return &kMap;
  }
  const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

 private:
  LRESULT TextLength(WPARAM, LPARAM) {
    FailAs(std::exchange(atTextLength, Failure::kNone));
    return kHandled;
  }
  LRESULT Probe(WPARAM, LPARAM) {
    ++probes;
    return kHandled;
  }
};

class ThrowingDialog : public CDialog {
 public:
  explicit ThrowingDialog(Failure atInit) : CDialog(IDD_GUI_PROBE), atInit_(atInit) {}
  ThrowingLabel label;

 protected:
  void DoDataExchange(CDataExchange* exchange) override {
    DDX_Control(exchange, IDC_GUI_LABEL, label);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    FailAs(atInit_);
    return TRUE;
  }

 private:
  Failure atInit_;
};

TEST(GuardedProcedures, AThrowingHandlerGetsTheDefaultAnswerAndTheProgramGoesOn) {
  struct Case {
    Failure failure;
    const char* what;
  };
  const Case cases[] = {{Failure::kBadAlloc, "std::bad_alloc"},
                        {Failure::kRuntimeError, "handler failed"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StderrCapture capture;
    ThrowingDialog dialog(c.failure);  // initialisation throws
    LRESULT failedAnswer = 0;
    LRESULT nextAnswer = 0;
    int stage = 0;
    UiDriver driver([&] {
      if (dialog.m_hWnd == nullptr || !dialog.IsWindowVisible()) return false;
      HWND label = dialog.label.m_hWnd;
      if (stage == 0) {
        dialog.label.atTextLength = c.failure;
        failedAnswer = ::SendMessageW(label, WM_GETTEXTLENGTH, 0, 0);
        nextAnswer = ::SendMessageW(label, WM_GETTEXTLENGTH, 0, 0);
        dialog.label.atPreTranslate = c.failure;
        ::PostMessageW(label, kProbe, 0, 0);
        stage = 1;
        return false;
      }
      // The posted probe went through the failing hook and was dispatched all the same.
      if (dialog.label.probes == 0) return false;
      PressButton(dialog.m_hWnd, IDOK);
      return true;
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(failedAnswer, kLabelTextLength);
    EXPECT_EQ(nextAnswer, kHandled);
    EXPECT_EQ(dialog.label.probes, 1);
    const std::string what = c.what;
    EXPECT_EQ(capture.Stop(), AsWritten("\nDialogProc(0x0110): " + what + "\n" +
                                        "\nWindowProc(0x000E): " + what + "\n" +
                                        "\nPreTranslateMessage(0x8001): " + what + "\n"));
  }
}

}  // namespace
