// The questions put to the running Windows, each function it may lack or answer oddly stood in.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/this_computer/system_answers.h"
#include "framework/system_functions.h"

namespace {

#ifdef _WIN64
constexpr bool kBuiltFor64Bit = true;
#else
constexpr bool kBuiltFor64Bit = false;
#endif

constexpr LONG kStatusUnsuccessful = static_cast<LONG>(0xC0000001);

void WINAPI NumbersOfSeven(DWORD* major, DWORD* minor, DWORD* build) {
  *major = 6;
  *minor = 1;
  *build = 0xF0001DB1;
}

// As ntdll does, the product type only for a caller that offers the larger structure.
LONG WINAPI ToldServer2019(OSVERSIONINFOEXW* info) {
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW)) return kStatusUnsuccessful;
  info->dwMajorVersion = 10;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 17763;
  info->wProductType = VER_NT_SERVER;
  return 0;
}
LONG WINAPI VersionFails(OSVERSIONINFOEXW* info) {
  info->dwMajorVersion = 5;
  return kStatusUnsuccessful;
}

BOOL WINAPI Arm64Machines(HANDLE, USHORT* process, USHORT* native) {
  *process = IMAGE_FILE_MACHINE_I386;
  *native = 0xAA64;
  return TRUE;
}
BOOL WINAPI MachinesUnwritten(HANDLE, USHORT*, USHORT*) { return TRUE; }  // Wine 8
BOOL WINAPI MachinesFail(HANDLE, USHORT* process, USHORT* native) {
  *process = IMAGE_FILE_MACHINE_I386;
  *native = IMAGE_FILE_MACHINE_AMD64;
  return FALSE;
}

BOOL WINAPI Wow64Yes(HANDLE, BOOL* answer) {
  *answer = TRUE;
  return TRUE;
}
BOOL WINAPI Wow64No(HANDLE, BOOL* answer) {
  *answer = FALSE;
  return TRUE;
}
BOOL WINAPI Wow64Fails(HANDLE, BOOL* answer) {
  *answer = TRUE;
  return FALSE;
}

void WINAPI NativeIsAmd64(SYSTEM_INFO* info) {
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
}

using StandIn = std::pair<const char*, FARPROC>;
template <typename Function>
StandIn Has(const char* name, Function* standIn) {
  return {name, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(standIn))};
}

struct Row {
  const char* system;
  std::vector<const char*> lacking;
  std::vector<StandIn> has;
  const char* answers;
};

const Row kRows[] = {
    {"Windows 2000: of the five, only RtlGetVersion",
     {"RtlGetNtVersionNumbers", "IsWow64Process2", "IsWow64Process", "GetNativeSystemInfo"},
     {Has("RtlGetVersion", &ToldServer2019)},
     "ntdll none; told 10.0.17763 type 3; machines none; wow64 none; native none"},
    {"64-bit Windows 7",
     {"IsWow64Process2"},
     {Has("RtlGetNtVersionNumbers", &NumbersOfSeven), Has("RtlGetVersion", &ToldServer2019),
      Has("IsWow64Process", &Wow64Yes), Has("GetNativeSystemInfo", &NativeIsAmd64)},
     "ntdll 6.1.4026539441; told 10.0.17763 type 3; machines none; wow64 yes; native 9"},
    {"Windows 11 on ARM64",
     {},
     {Has("RtlGetNtVersionNumbers", &NumbersOfSeven), Has("RtlGetVersion", &ToldServer2019),
      Has("IsWow64Process2", &Arm64Machines), Has("IsWow64Process", &Wow64No),
      Has("GetNativeSystemInfo", &NativeIsAmd64)},
     "ntdll 6.1.4026539441; told 10.0.17763 type 3; machines 332/43620; wow64 no; native 9"},
    {"Wine 8: IsWow64Process2 succeeds and writes nothing",
     {"RtlGetNtVersionNumbers", "RtlGetVersion", "IsWow64Process", "GetNativeSystemInfo"},
     {Has("IsWow64Process2", &MachinesUnwritten)},
     "ntdll none; told none; machines 0/0; wow64 none; native none"},
    {"every question that can fail fails, its outputs written",
     {"RtlGetNtVersionNumbers", "GetNativeSystemInfo"},
     {Has("RtlGetVersion", &VersionFails), Has("IsWow64Process2", &MachinesFail),
      Has("IsWow64Process", &Wow64Fails)},
     "ntdll none; told none; machines none; wow64 none; native none"},
};

template <typename Answer, typename Show>
std::string Shown(const std::function<std::optional<Answer>()>& ask, Show show) {
  if (!ask) return "unasked";
  const std::optional<Answer> answer = ask();
  return answer ? show(*answer) : "none";
}

std::string Numbers(const WindowsVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build);
}

// Every answer but the shared page's, which no function stands in for.
std::string Describe(const SystemAnswers& answers) {
  return "ntdll " + Shown(answers.ntdllVersion, Numbers) + "; told " +
         Shown(answers.reportedVersion,
               [](const ReportedVersion& told) {
                 return Numbers(told.version) + " type " + std::to_string(told.productType);
               }) +
         "; machines " +
         Shown(answers.wow64Machines,
               [](const Machines& machines) {
                 return std::to_string(machines.process) + "/" + std::to_string(machines.native);
               }) +
         "; wow64 " + Shown(answers.isWow64, [](bool yes) { return yes ? "yes" : "no"; }) +
         "; native " + Shown(answers.nativeArchitecture, [](unsigned id) {
           return std::to_string(id);
         });
}

TEST(SystemAnswers, EachFunctionLackingFailingOrAnswering) {
  for (const Row& row : kRows) {
    PretendSystemLacks(row.lacking);
    for (const StandIn& standIn : row.has) PretendSystemHas(standIn.first, standIn.second);
    const SystemAnswers answers = TheSystemAnswers();
    EXPECT_EQ(Describe(answers), row.answers) << row.system;
    EXPECT_EQ(answers.exeIs64Bit, kBuiltFor64Bit) << row.system;
    for (const StandIn& standIn : row.has) PretendSystemHas(standIn.first, nullptr);
  }
  PretendSystemLacks({});
}

// The kernel's page holds one of the versions NT has had since 2000.
TEST(SystemAnswers, SharedPageHoldsAVersionWindowsHasHad) {
  const std::optional<WindowsVersion> version = TheSystemAnswers().sharedPageVersion();
  ASSERT_TRUE(version.has_value());
  const std::string read = std::to_string(version->major) + "." + std::to_string(version->minor);
  const std::vector<std::string> known = {"5.0", "5.1", "5.2", "6.0", "6.1", "6.2", "6.3", "10.0"};
  EXPECT_NE(std::find(known.begin(), known.end(), read), known.end()) << read;
  EXPECT_EQ(version->build, 0u);
}

}  // namespace
