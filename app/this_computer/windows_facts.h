#pragma once
// What the computer is: its Windows and the processor that Windows runs on, read from answers
// that compatibility modes and manifests cannot bend. Free of windows.h, so that every way the
// system can answer is tried natively.
#include <functional>

enum class Processor { kX86, kX64, kArm64, kItanium, kArm, kUnknown };

struct WindowsFacts {
  unsigned major = 0;  // 0: the version could not be read
  unsigned minor = 0;
  unsigned build = 0;
  bool server = false;
  bool is64Bit = false;
  Processor processor = Processor::kUnknown;
};

// The system's answers, one function each; an empty function stands for a function the running
// Windows lacks. Each returns false when it fails; what it leaves in its outputs is then unused.
struct SystemAnswers {
  // The numbers ntdll was built with (RtlGetNtVersionNumbers, Windows XP on): no compatibility
  // layer bends them. The build may carry flags in its high bits.
  std::function<bool(unsigned& major, unsigned& minor, unsigned& build)> ntdllVersion;
  // The kernel's own numbers in the page it shares read-only with every process (every NT).
  std::function<bool(unsigned& major, unsigned& minor)> sharedPageVersion;
  // What a program is told (RtlGetVersion): a compatibility mode bends the numbers, not the
  // product type (1: a workstation).
  std::function<bool(unsigned& major, unsigned& minor, unsigned& build, unsigned& productType)>
      reportedVersion;
  bool exeIs64Bit = false;
  // IsWow64Process2 (Windows 10 1511 on): the machine of this process and of Windows.
  std::function<bool(unsigned& processMachine, unsigned& nativeMachine)> wow64Machines;
  // IsWow64Process (Windows XP SP2 on).
  std::function<bool(bool& wow64)> isWow64;
  // GetNativeSystemInfo's processor architecture (Windows XP on).
  std::function<bool(unsigned& architecture)> nativeArchitecture;
};

WindowsFacts ReadWindowsFacts(const SystemAnswers& answers);
