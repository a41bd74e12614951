#pragma once
// GoogleTest's own Notification is made of std::mutex and std::condition_variable, which the
// Windows compilers' thread model lacks. This one, on an event, takes its place (the build
// defines GTEST_HAS_NOTIFICATION_ and includes this file first).
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() {
    if (event_ != nullptr) ::CloseHandle(event_);
  }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { ::SetEvent(event_); }
  void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
