#pragma once
// A joinable thread and a lock for the tests and tools that build everywhere: the Windows
// compilers' thread model (the one the shipped program needs) has no std::thread or std::mutex.
#include <functional>
#include <memory>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#else
#include <mutex>
#include <thread>
#endif

class WorkerThread {
 public:
  WorkerThread() = default;
  explicit WorkerThread(std::function<void()> body) { Start(std::move(body)); }
  ~WorkerThread() { Join(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs `body` on a new thread; the previous one, if any, is joined first. False when no
  // thread could be started (`body` then never runs).
  bool Start(std::function<void()> body) {
    Join();
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
#ifdef _WIN32
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, &Run, owned.get(), 0, nullptr);
    if (handle == 0) return false;
    handle_ = reinterpret_cast<HANDLE>(handle);
    owned.release();
#else
    try {
      thread_ = std::thread([body = std::move(owned)] { (*body)(); });
    } catch (...) {
      return false;
    }
#endif
    return true;
  }

  bool Joinable() const {
#ifdef _WIN32
    return handle_ != nullptr;
#else
    return thread_.joinable();
#endif
  }

  void Join() {
#ifdef _WIN32
    if (handle_ == nullptr) return;
    ::WaitForSingleObject(handle_, INFINITE);
    ::CloseHandle(handle_);
    handle_ = nullptr;
#else
    if (thread_.joinable()) thread_.join();
#endif
  }

 private:
#ifdef _WIN32
  static unsigned __stdcall Run(void* body) {
    std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
    (*owned)();
    return 0;
  }
  HANDLE handle_ = nullptr;
#else
  std::thread thread_;
#endif
};

class WorkerMutex {
 public:
#ifdef _WIN32
  WorkerMutex() { ::InitializeCriticalSection(&section_); }
  ~WorkerMutex() { ::DeleteCriticalSection(&section_); }
  void lock() { ::EnterCriticalSection(&section_); }
  void unlock() { ::LeaveCriticalSection(&section_); }
#else
  WorkerMutex() = default;
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
#endif
  WorkerMutex(const WorkerMutex&) = delete;
  WorkerMutex& operator=(const WorkerMutex&) = delete;

 private:
#ifdef _WIN32
  CRITICAL_SECTION section_;
#else
  std::mutex mutex_;
#endif
};

// Holds the mutex for its scope.
class WorkerLock {
 public:
  explicit WorkerLock(WorkerMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~WorkerLock() { mutex_.unlock(); }
  WorkerLock(const WorkerLock&) = delete;
  WorkerLock& operator=(const WorkerLock&) = delete;

 private:
  WorkerMutex& mutex_;
};
