#pragma once
// What the computer is: its Windows and the processor that Windows runs on, read from answers
// that compatibility modes and manifests cannot bend. Free of windows.h, so that every way the
// system can answer is tried natively.
#include <functional>
#include <optional>

enum class Processor { kX86, kX64, kArm64, kItanium, kArm };

struct WindowsFacts {
  unsigned major = 0;  // 0: the version could not be read
  unsigned minor = 0;
  unsigned build = 0;
  bool server = false;
  bool is64Bit = false;
  Processor processor = Processor::kX86;
};

struct WindowsVersion {
  unsigned major, minor, build;
};
struct ReportedVersion {
  WindowsVersion version;
  unsigned productType;  // 1: a workstation
};
struct Machines {
  unsigned process, native;  // image file machines
};

// The system's answers, one function each; an empty function stands for a function the running
// Windows lacks, nullopt for one that failed.
struct SystemAnswers {
  // The numbers ntdll was built with (RtlGetNtVersionNumbers, Windows XP on): no compatibility
  // layer bends them. The build may carry flags in its high bits.
  std::function<std::optional<WindowsVersion>()> ntdllVersion;
  // The kernel's own numbers in the page it shares read-only with every process (every NT),
  // without a build.
  std::function<std::optional<WindowsVersion>()> sharedPageVersion;
  // What a program is told (RtlGetVersion): a compatibility mode bends the version, not the
  // product type.
  std::function<std::optional<ReportedVersion>()> reportedVersion;
  bool exeIs64Bit = false;
  // IsWow64Process2 (Windows 10 1511 on).
  std::function<std::optional<Machines>()> wow64Machines;
  // IsWow64Process (Windows XP SP2 on).
  std::function<std::optional<bool>()> isWow64;
  // GetNativeSystemInfo's processor architecture (Windows XP on).
  std::function<std::optional<unsigned>()> nativeArchitecture;
};

WindowsFacts ReadWindowsFacts(const SystemAnswers& answers);
