#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/this_computer/driver_fit.h"
#include "app/this_computer/windows_facts.h"
#include "app/this_computer/windows_name.h"

namespace {

struct Fit {
  const char* computer;
  unsigned major, minor;
  bool is64Bit;
  Processor processor;
  FitKind kind;
  DriverSlot slot;
};

constexpr Fit kFits[] = {
    {"Windows 2000", 5, 0, false, Processor::kX86, FitKind::kSlot, DriverSlot::kXp32},
    {"Windows XP", 5, 1, false, Processor::kX86, FitKind::kSlot, DriverSlot::kXp32},
    {"Windows Server 2003", 5, 2, false, Processor::kX86, FitKind::kSlot, DriverSlot::kXp32},
    {"Windows XP x64", 5, 2, true, Processor::kX64, FitKind::kSlot, DriverSlot::kXp64},
    {"Windows Vista 32-bit", 6, 0, false, Processor::kX86, FitKind::kSlot, DriverSlot::kVista32},
    {"Windows Vista 64-bit", 6, 0, true, Processor::kX64, FitKind::kSlot, DriverSlot::kVista64},
    {"Windows 7 32-bit", 6, 1, false, Processor::kX86, FitKind::kSlot, DriverSlot::kVista32},
    {"Windows 7 64-bit", 6, 1, true, Processor::kX64, FitKind::kSlot, DriverSlot::kVista64},
    {"Windows 10 32-bit", 10, 0, false, Processor::kX86, FitKind::kSlot, DriverSlot::kVista32},
    {"Windows 10 64-bit", 10, 0, true, Processor::kX64, FitKind::kSlot, DriverSlot::kVista64},
    {"Windows 11 64-bit", 10, 0, true, Processor::kX64, FitKind::kSlot, DriverSlot::kVista64},
    {"Windows 11 on ARM64", 10, 0, true, Processor::kArm64, FitKind::kProcessor, DriverSlot::kXp32},
    {"Windows XP on Itanium", 5, 1, true, Processor::kItanium, FitKind::kProcessor, DriverSlot::kXp32},
    {"Windows NT 4.0", 4, 0, false, Processor::kX86, FitKind::kVersion, DriverSlot::kXp32},
    {"a version that could not be read", 0, 0, true, Processor::kX64, FitKind::kVersion,
     DriverSlot::kXp32},
};

TEST(DriverFit, EachWindowsGetsItsLinkOrNone) {
  for (const Fit& row : kFits) {
    WindowsFacts facts;
    facts.major = row.major;
    facts.minor = row.minor;
    facts.is64Bit = row.is64Bit;
    facts.processor = row.processor;
    const DriverFit fit = FitDriver(facts);
    EXPECT_EQ(fit.kind, row.kind) << row.computer;
    EXPECT_EQ(fit.slot, row.slot) << row.computer;
  }
}

struct Version {
  unsigned major, minor, build;
};
struct Reported {
  unsigned major, minor, build, productType;
};
struct Machines {
  unsigned process, native;
};

// What each of the system's functions answers; nullopt: the running Windows lacks it.
struct Reading {
  const char* computer;
  std::optional<Version> ntdll;
  std::optional<Version> sharedPage;
  std::optional<Reported> reported;
  bool exeIs64Bit;
  std::optional<Machines> wow64Machines;
  std::optional<bool> isWow64;
  std::optional<unsigned> nativeArchitecture;
  // The whole answer.
  unsigned major, minor, build;
  bool server, is64Bit;
  Processor processor;
  const char* name;
};

constexpr unsigned kI386 = 0x14C, kAmd64 = 0x8664, kArm64 = 0xAA64;
constexpr unsigned kIntel = 0, kArchAmd64 = 9;
constexpr unsigned kFree = 0xF0000000;  // the flag ntdll's build carries
const auto none = std::nullopt;

const Reading kReadings[] = {
    {"the 32-bit exe on Windows 2000: no ntdll numbers, nothing of WOW64", none,
     Version{5, 0, 0}, Reported{5, 0, 2195, 1}, false, none, none, none,  //
     5, 0, 0, false, false, Processor::kX86, "Windows 2000"},
    {"the 32-bit exe on Windows XP SP1", Version{5, 1, kFree | 2600}, Version{5, 1, 0},
     Reported{5, 1, 2600, 1}, false, none, none, kIntel,  //
     5, 1, 2600, false, false, Processor::kX86, "Windows XP"},
    {"the 32-bit exe on 64-bit Windows 7", Version{6, 1, kFree | 7601}, Version{6, 1, 0},
     Reported{6, 1, 7601, 1}, false, none, true, kArchAmd64,  //
     6, 1, 7601, false, true, Processor::kX64, "Windows 7"},
    {"the 32-bit exe on 64-bit Windows 10", Version{10, 0, kFree | 19045}, Version{10, 0, 0},
     Reported{10, 0, 19045, 1}, false, Machines{kI386, kAmd64}, true, kArchAmd64,  //
     10, 0, 19045, false, true, Processor::kX64, "Windows 10"},
    {"the 32-bit exe on ARM64 Windows 11, whose emulation says Intel", Version{10, 0, kFree | 22631},
     Version{10, 0, 0}, Reported{10, 0, 22631, 1}, false, Machines{kI386, kArm64}, true, kIntel,  //
     10, 0, 22631, false, true, Processor::kArm64, "Windows 11"},
    {"the 64-bit exe on ARM64 Windows 11: x64 emulation is no WOW64",
     Version{10, 0, kFree | 26100}, Version{10, 0, 0}, Reported{10, 0, 26100, 1}, true,
     Machines{0, kArm64}, false, kArchAmd64,  //
     10, 0, 26100, false, true, Processor::kArm64, "Windows 11"},
    {"Windows 10 in the compatibility mode for Windows XP", Version{10, 0, kFree | 19045},
     Version{10, 0, 0}, Reported{5, 1, 2600, 1}, false, none, false, kIntel,  //
     10, 0, 19045, false, false, Processor::kX86, "Windows 10"},
    {"a 64-bit server told it is Windows Vista", Version{10, 0, kFree | 17763}, Version{10, 0, 0},
     Reported{6, 0, 6002, 3}, true, Machines{0, kAmd64}, false, kArchAmd64,  //
     10, 0, 17763, true, true, Processor::kX64, "Windows Server 2019"},
    {"an IsWow64Process2 that claims success and writes nothing", Version{5, 2, 3790},
     Version{6, 1, 0}, Reported{5, 2, 3790, 1}, true, Machines{0, 0}, false, kArchAmd64,  //
     5, 2, 3790, false, true, Processor::kX64, "Windows XP x64"},
    {"the 32-bit exe when nothing answers", none, none, none, false, none, none, none,  //
     0, 0, 0, false, false, Processor::kX86, ""},
};

SystemAnswers AnswersOf(const Reading& row) {
  SystemAnswers answers;
  if (row.ntdll) {
    answers.ntdllVersion = [&row](unsigned& major, unsigned& minor, unsigned& build) {
      major = row.ntdll->major, minor = row.ntdll->minor, build = row.ntdll->build;
      return true;
    };
  }
  if (row.sharedPage) {
    answers.sharedPageVersion = [&row](unsigned& major, unsigned& minor) {
      major = row.sharedPage->major, minor = row.sharedPage->minor;
      return true;
    };
  }
  if (row.reported) {
    answers.reportedVersion = [&row](unsigned& major, unsigned& minor, unsigned& build,
                                     unsigned& productType) {
      major = row.reported->major, minor = row.reported->minor, build = row.reported->build;
      productType = row.reported->productType;
      return true;
    };
  }
  answers.exeIs64Bit = row.exeIs64Bit;
  if (row.wow64Machines) {
    answers.wow64Machines = [&row](unsigned& process, unsigned& native) {
      process = row.wow64Machines->process, native = row.wow64Machines->native;
      return true;
    };
  }
  if (row.isWow64) {
    answers.isWow64 = [&row](bool& wow64) {
      wow64 = *row.isWow64;
      return true;
    };
  }
  if (row.nativeArchitecture) {
    answers.nativeArchitecture = [&row](unsigned& architecture) {
      architecture = *row.nativeArchitecture;
      return true;
    };
  }
  return answers;
}

TEST(WindowsFacts, ReadFromAnswersNoCompatibilityModeBends) {
  for (const Reading& row : kReadings) {
    const WindowsFacts facts = ReadWindowsFacts(AnswersOf(row));
    EXPECT_EQ(facts.major, row.major) << row.computer;
    EXPECT_EQ(facts.minor, row.minor) << row.computer;
    EXPECT_EQ(facts.build, row.build) << row.computer;
    EXPECT_EQ(facts.server, row.server) << row.computer;
    EXPECT_EQ(facts.is64Bit, row.is64Bit) << row.computer;
    EXPECT_EQ(facts.processor, row.processor) << row.computer;
    EXPECT_EQ(WindowsName(facts), row.name) << row.computer;
  }
}

}  // namespace
