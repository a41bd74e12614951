#include "app/this_computer/windows_facts.h"

namespace {

// Image file machines (IsWow64Process2) and processor architectures (GetNativeSystemInfo).
constexpr unsigned kMachineI386 = 0x14C, kMachineAmd64 = 0x8664, kMachineArm64 = 0xAA64,
                   kMachineIa64 = 0x200, kMachineArmNt = 0x1C4;
constexpr unsigned kArchitectureArm = 5, kArchitectureIa64 = 6, kArchitectureArm64 = 12;
constexpr unsigned kWorkstation = 1;
constexpr unsigned kBuildBits = 0xFFFF;  // ntdll's build carries a checked/free flag above

template <typename Answer>
Answer Ask(const std::function<Answer()>& question) {
  return question ? question() : Answer{};
}

// False for a machine of no known kind, as when the call wrote nothing.
bool FromMachine(unsigned machine, WindowsFacts& facts) {
  switch (machine) {
    case kMachineI386: facts.is64Bit = false, facts.processor = Processor::kX86; return true;
    case kMachineAmd64: facts.is64Bit = true, facts.processor = Processor::kX64; return true;
    case kMachineArm64: facts.is64Bit = true, facts.processor = Processor::kArm64; return true;
    case kMachineIa64: facts.is64Bit = true, facts.processor = Processor::kItanium; return true;
    case kMachineArmNt: facts.is64Bit = false, facts.processor = Processor::kArm; return true;
    default: return false;
  }
}

// x86 and x64 are told apart by the bitness of Windows.
Processor FromArchitecture(std::optional<unsigned> architecture, bool is64Bit) {
  switch (architecture.value_or(~0u)) {
    case kArchitectureArm64: return Processor::kArm64;
    case kArchitectureIa64: return Processor::kItanium;
    case kArchitectureArm: return Processor::kArm;
    default: return is64Bit ? Processor::kX64 : Processor::kX86;
  }
}

void ReadVersion(const SystemAnswers& answers, WindowsFacts& facts) {
  if (const auto reported = Ask(answers.reportedVersion)) {
    facts.server = reported->productType != kWorkstation;
  }
  auto version = Ask(answers.ntdllVersion);
  // Windows 2000's ntdll may lack the numbers; its kernel page holds them.
  if (!version || version->major == 0) version = Ask(answers.sharedPageVersion);
  if (!version) return;
  facts.major = version->major;
  facts.minor = version->minor;
  facts.build = version->build & kBuildBits;
}

void ReadPlatform(const SystemAnswers& answers, WindowsFacts& facts) {
  const auto machines = Ask(answers.wow64Machines);
  if (machines && FromMachine(machines->native, facts)) return;
  facts.is64Bit = answers.exeIs64Bit || Ask(answers.isWow64).value_or(false);
  // Before Windows 10 a 64-bit exe ran on x64 only.
  facts.processor = answers.exeIs64Bit
                        ? Processor::kX64
                        : FromArchitecture(Ask(answers.nativeArchitecture), facts.is64Bit);
}

}  // namespace

WindowsFacts ReadWindowsFacts(const SystemAnswers& answers) {
  WindowsFacts facts;
  ReadVersion(answers, facts);
  ReadPlatform(answers, facts);
  return facts;
}
