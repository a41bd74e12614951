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

bool NtdllVersion(unsigned& major, unsigned& minor, unsigned& build) {
  using Numbers = void WINAPI(DWORD*, DWORD*, DWORD*);
  Numbers* const numbers = Find<Numbers>("ntdll.dll", "RtlGetNtVersionNumbers");
  if (numbers == nullptr) return false;
  DWORD ntMajor = 0, ntMinor = 0, ntBuild = 0;
  numbers(&ntMajor, &ntMinor, &ntBuild);
  major = ntMajor;
  minor = ntMinor;
  build = ntBuild;
  return true;
}

bool SharedPageVersion(unsigned& major, unsigned& minor) {
  const volatile ULONG* const page = reinterpret_cast<const volatile ULONG*>(kSharedPage);
  major = page[kSharedMajor / sizeof(ULONG)];
  minor = page[kSharedMinor / sizeof(ULONG)];
  return true;
}

bool ReportedVersion(unsigned& major, unsigned& minor, unsigned& build, unsigned& productType) {
  using GetVersion = LONG WINAPI(OSVERSIONINFOEXW*);
  GetVersion* const getVersion = Find<GetVersion>("ntdll.dll", "RtlGetVersion");
  if (getVersion == nullptr) return false;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion(&info) != 0) return false;
  major = info.dwMajorVersion;
  minor = info.dwMinorVersion;
  build = info.dwBuildNumber;
  productType = info.wProductType;
  return true;
}

bool Wow64Machines(unsigned& processMachine, unsigned& nativeMachine) {
  using IsWow64Process2 = BOOL WINAPI(HANDLE, USHORT*, USHORT*);
  IsWow64Process2* const ask = Find<IsWow64Process2>("kernel32.dll", "IsWow64Process2");
  if (ask == nullptr) return false;
  USHORT process = 0, native = 0;
  if (!ask(::GetCurrentProcess(), &process, &native)) return false;
  processMachine = process;
  nativeMachine = native;
  return true;
}

bool IsWow64(bool& wow64) {
  using IsWow64Process = BOOL WINAPI(HANDLE, BOOL*);
  IsWow64Process* const ask = Find<IsWow64Process>("kernel32.dll", "IsWow64Process");
  BOOL answer = FALSE;
  if (ask == nullptr || !ask(::GetCurrentProcess(), &answer)) return false;
  wow64 = answer != FALSE;
  return true;
}

bool NativeArchitecture(unsigned& architecture) {
  using GetNativeSystemInfo = void WINAPI(SYSTEM_INFO*);
  GetNativeSystemInfo* const ask = Find<GetNativeSystemInfo>("kernel32.dll", "GetNativeSystemInfo");
  if (ask == nullptr) return false;
  SYSTEM_INFO info{};
  ask(&info);
  architecture = info.wProcessorArchitecture;
  return true;
}

}  // namespace

SystemAnswers TheSystemAnswers() {
  SystemAnswers answers;
  answers.ntdllVersion = NtdllVersion;
  answers.sharedPageVersion = SharedPageVersion;
  answers.reportedVersion = ReportedVersion;
  answers.exeIs64Bit = sizeof(void*) == 8;
  answers.wow64Machines = Wow64Machines;
  answers.isWow64 = IsWow64;
  answers.nativeArchitecture = NativeArchitecture;
  return answers;
}
