#include "app/this_computer/system_answers.h"

#include <windows.h>

#include "framework/system_functions.h"

namespace {

// The page the kernel shares read-only with every process, at the same address on every NT.
constexpr ULONG_PTR kSharedPage = 0x7FFE0000;
constexpr ULONG_PTR kSharedMajor = 0x26C;
constexpr ULONG_PTR kSharedMinor = 0x270;

template <typename Function>
Function* Find(const char* dll, const char* name) {
  return reinterpret_cast<Function*>(
      reinterpret_cast<void (*)()>(FindSystemFunction(dll, name)));
}

std::optional<WindowsVersion> NtdllVersion() {
  using Numbers = void WINAPI(DWORD*, DWORD*, DWORD*);
  Numbers* const numbers = Find<Numbers>("ntdll.dll", "RtlGetNtVersionNumbers");
  if (numbers == nullptr) return std::nullopt;
  DWORD major = 0, minor = 0, build = 0;
  numbers(&major, &minor, &build);
  return WindowsVersion{major, minor, build};
}

ULONG SharedPageField(ULONG_PTR offset) {
  return *reinterpret_cast<const volatile ULONG*>(kSharedPage + offset);
}

std::optional<WindowsVersion> SharedPageVersion() {
  return WindowsVersion{SharedPageField(kSharedMajor), SharedPageField(kSharedMinor), 0};
}

std::optional<ReportedVersion> Reported() {
  using GetVersion = LONG WINAPI(OSVERSIONINFOEXW*);
  GetVersion* const getVersion = Find<GetVersion>("ntdll.dll", "RtlGetVersion");
  if (getVersion == nullptr) return std::nullopt;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion(&info) != 0) return std::nullopt;
  return ReportedVersion{{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber},
                         info.wProductType};
}

// Wine 8 answers TRUE and writes nothing: the zeros then read as no known machine.
std::optional<Machines> Wow64Machines() {
  using IsWow64Process2 = BOOL WINAPI(HANDLE, USHORT*, USHORT*);
  IsWow64Process2* const ask = Find<IsWow64Process2>("kernel32.dll", "IsWow64Process2");
  USHORT process = 0, native = 0;
  if (ask == nullptr || !ask(::GetCurrentProcess(), &process, &native)) return std::nullopt;
  return Machines{process, native};
}

std::optional<bool> IsWow64() {
  using IsWow64Process = BOOL WINAPI(HANDLE, BOOL*);
  IsWow64Process* const ask = Find<IsWow64Process>("kernel32.dll", "IsWow64Process");
  BOOL answer = FALSE;
  if (ask == nullptr || !ask(::GetCurrentProcess(), &answer)) return std::nullopt;
  return answer != FALSE;
}

std::optional<unsigned> NativeArchitecture() {
  using GetNativeSystemInfo = void WINAPI(SYSTEM_INFO*);
  GetNativeSystemInfo* const ask = Find<GetNativeSystemInfo>("kernel32.dll", "GetNativeSystemInfo");
  if (ask == nullptr) return std::nullopt;
  SYSTEM_INFO info{};
  ask(&info);
  return info.wProcessorArchitecture;
}

}  // namespace

SystemAnswers TheSystemAnswers() {
  SystemAnswers answers;
  answers.ntdllVersion = NtdllVersion;
  answers.sharedPageVersion = SharedPageVersion;
  answers.reportedVersion = Reported;
  answers.exeIs64Bit = sizeof(void*) == 8;
  answers.wow64Machines = Wow64Machines;
  answers.isWow64 = IsWow64;
  answers.nativeArchitecture = NativeArchitecture;
  return answers;
}
