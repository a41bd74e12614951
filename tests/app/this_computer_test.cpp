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

// What each of the system's functions answers; unset: the running Windows lacks it.
struct Reading {
  const char* computer;
  std::optional<WindowsVersion> ntdll;
  std::optional<WindowsVersion> sharedPage;
  std::optional<ReportedVersion> reported;
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

constexpr unsigned kI386 = 0x14C, kAmd64 = 0x8664, kArm64 = 0xAA64, kIa64 = 0x200, kArmNt = 0x1C4;
constexpr unsigned kIntel = 0, kArchArm = 5, kArchIa64 = 6, kArchAmd64 = 9, kArchArm64 = 12;
constexpr unsigned kFree = 0xF0000000;  // the flag ntdll's build carries
constexpr std::nullopt_t none = std::nullopt;
constexpr WindowsVersion kTen{10, 0, 0};

const Reading kReadings[] = {
    {"the 32-bit exe on Windows 2000: no ntdll numbers, nothing of WOW64", none,
     WindowsVersion{5, 0, 0}, ReportedVersion{{5, 0, 2195}, 1}, false, none, none, none,  //
     5, 0, 0, false, false, Processor::kX86, "Windows 2000"},
    {"the 32-bit exe on Windows XP SP1", WindowsVersion{5, 1, kFree | 2600},
     WindowsVersion{5, 1, 0}, ReportedVersion{{5, 1, 2600}, 1}, false, none, none, kIntel,  //
     5, 1, 2600, false, false, Processor::kX86, "Windows XP"},
    {"the 32-bit exe on 64-bit Windows 7", WindowsVersion{6, 1, kFree | 7601},
     WindowsVersion{6, 1, 0}, ReportedVersion{{6, 1, 7601}, 1}, false, none, true, kArchAmd64,  //
     6, 1, 7601, false, true, Processor::kX64, "Windows 7"},
    {"the 32-bit exe on 64-bit Windows 10", WindowsVersion{10, 0, kFree | 19045}, kTen,
     ReportedVersion{{10, 0, 19045}, 1}, false, Machines{kI386, kAmd64}, none, none,  //
     10, 0, 19045, false, true, Processor::kX64, "Windows 10"},
    {"the 32-bit exe on ARM64 Windows 11, whose emulation says Intel",
     WindowsVersion{10, 0, kFree | 22631}, kTen, ReportedVersion{{10, 0, 22631}, 1}, false,
     Machines{kI386, kArm64}, true, kIntel,  //
     10, 0, 22631, false, true, Processor::kArm64, "Windows 11"},
    {"the 64-bit exe on ARM64 Windows 11: x64 emulation is no WOW64",
     WindowsVersion{10, 0, kFree | 26100}, kTen, ReportedVersion{{10, 0, 26100}, 1}, true,
     Machines{0, kArm64}, false, kArchAmd64,  //
     10, 0, 26100, false, true, Processor::kArm64, "Windows 11"},
    {"the 32-bit exe on 32-bit Windows 10, IsWow64Process wrongly saying yes",
     WindowsVersion{10, 0, kFree | 19045}, kTen, ReportedVersion{{10, 0, 19045}, 1}, false,
     Machines{0, kI386}, true, kArchAmd64,  //
     10, 0, 19045, false, false, Processor::kX86, "Windows 10"},
    {"the 32-bit exe on Itanium Windows, IsWow64Process2 alone answering", none,
     WindowsVersion{5, 2, 0}, none, false, Machines{kI386, kIa64}, none, none,  //
     5, 2, 0, false, true, Processor::kItanium, "Windows XP x64"},
    {"a 32-bit ARM Windows, IsWow64Process2 alone answering", none, WindowsVersion{6, 2, 0}, none,
     false, Machines{0, kArmNt}, none, none,  //
     6, 2, 0, false, false, Processor::kArm, "Windows 8"},
    {"the 32-bit exe on Itanium Windows XP", WindowsVersion{5, 2, kFree | 3790}, none, none, false,
     none, true, kArchIa64,  //
     5, 2, 3790, false, true, Processor::kItanium, "Windows XP x64"},
    {"a 32-bit ARM Windows without IsWow64Process2", WindowsVersion{6, 2, kFree | 9200}, none, none,
     false, none, false, kArchArm,  //
     6, 2, 9200, false, false, Processor::kArm, "Windows 8"},
    {"an ARM64 Windows without IsWow64Process2", WindowsVersion{10, 0, kFree | 16299}, none, none,
     false, none, true, kArchArm64,  //
     10, 0, 16299, false, true, Processor::kArm64, "Windows 10"},
    {"Windows 10 in the compatibility mode for Windows XP", WindowsVersion{10, 0, kFree | 19045},
     kTen, ReportedVersion{{5, 1, 2600}, 1}, false, none, false, kIntel,  //
     10, 0, 19045, false, false, Processor::kX86, "Windows 10"},
    {"a 64-bit server told it is Windows Vista", WindowsVersion{10, 0, kFree | 17763}, kTen,
     ReportedVersion{{6, 0, 6002}, 3}, true, Machines{0, kAmd64}, false, kArchAmd64,  //
     10, 0, 17763, true, true, Processor::kX64, "Windows Server 2019"},
    {"an IsWow64Process2 that claims success and writes nothing, and ntdll numbers of 0",
     WindowsVersion{0, 0, 0}, WindowsVersion{5, 2, 0}, ReportedVersion{{5, 2, 3790}, 1}, true,
     Machines{0, 0}, false, kArchAmd64,  //
     5, 2, 0, false, true, Processor::kX64, "Windows XP x64"},
    {"the 32-bit exe when nothing answers", none, none, none, false, none, none, none,  //
     0, 0, 0, false, false, Processor::kX86, ""},
};

template <typename Answer>
std::function<std::optional<Answer>()> Answering(const std::optional<Answer>& answer) {
  if (!answer) return {};
  return [answer] { return answer; };
}

SystemAnswers AnswersOf(const Reading& row) {
  SystemAnswers answers;
  answers.ntdllVersion = Answering(row.ntdll);
  answers.sharedPageVersion = Answering(row.sharedPage);
  answers.reportedVersion = Answering(row.reported);
  answers.exeIs64Bit = row.exeIs64Bit;
  answers.wow64Machines = Answering(row.wow64Machines);
  answers.isWow64 = Answering(row.isWow64);
  answers.nativeArchitecture = Answering(row.nativeArchitecture);
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

namespace {

struct Named {
  unsigned major, minor, build;
  bool server, is64Bit;
  const char* name;
};

const Named kNamed[] = {
    {5, 0, 0, false, false, "Windows 2000"},
    {5, 0, 0, true, false, "Windows 2000 Server"},
    {5, 1, 0, false, false, "Windows XP"},
    {5, 2, 0, false, true, "Windows XP x64"},
    {5, 2, 0, false, false, "Windows Server 2003"},  // 32-bit 5.2 is a server
    {5, 2, 0, true, true, "Windows Server 2003"},
    {6, 0, 0, false, true, "Windows Vista"},
    {6, 0, 0, true, true, "Windows Server 2008"},
    {6, 1, 0, false, false, "Windows 7"},
    {6, 1, 0, true, true, "Windows Server 2008 R2"},
    {6, 2, 0, false, false, "Windows 8"},
    {6, 2, 0, true, true, "Windows Server 2012"},
    {6, 3, 0, false, false, "Windows 8.1"},
    {6, 3, 0, true, true, "Windows Server 2012 R2"},
    {10, 0, 21999, false, true, "Windows 10"},
    {10, 0, 22000, false, true, "Windows 11"},
    {10, 0, 17762, true, true, "Windows Server 2016"},
    {10, 0, 17763, true, true, "Windows Server 2019"},
    {10, 0, 20347, true, true, "Windows Server 2019"},
    {10, 0, 20348, true, true, "Windows Server 2022"},
    {10, 0, 26099, true, true, "Windows Server 2022"},
    {10, 0, 26100, true, true, "Windows Server 2025"},
    {6, 4, 0, false, true, "Windows 6.4"},
    {10, 1, 0, false, true, "Windows 10.1"},
    {4, 0, 1381, false, false, "Windows 4.0"},
    {0, 0, 0, false, false, ""},
};

TEST(WindowsName, EachVersionByTheNameItsUsersKnow) {
  for (const Named& row : kNamed) {
    WindowsFacts facts;
    facts.major = row.major;
    facts.minor = row.minor;
    facts.build = row.build;
    facts.server = row.server;
    facts.is64Bit = row.is64Bit;
    EXPECT_EQ(WindowsName(facts), row.name) << row.major << "." << row.minor << "." << row.build;
  }
  EXPECT_STREQ(ProcessorName(Processor::kArm64), "ARM64");
  EXPECT_STREQ(ProcessorName(Processor::kItanium), "Itanium");
  EXPECT_STREQ(ProcessorName(Processor::kArm), "ARM");
  EXPECT_STREQ(ProcessorName(Processor::kX86), "");
  EXPECT_STREQ(ProcessorName(Processor::kX64), "");
}

}  // namespace
