#include "app/this_computer/windows_facts.h"

namespace {

// Image file machines (IsWow64Process2) and processor architectures (GetNativeSystemInfo).
constexpr unsigned kMachineI386 = 0x14C, kMachineAmd64 = 0x8664, kMachineArm64 = 0xAA64,
                   kMachineIa64 = 0x200, kMachineArmNt = 0x1C4;
constexpr unsigned kArchitectureIntel = 0, kArchitectureArm = 5, kArchitectureIa64 = 6,
                   kArchitectureAmd64 = 9, kArchitectureArm64 = 12;
constexpr unsigned kWorkstation = 1;
constexpr unsigned kBuildBits = 0xFFFF;  // ntdll's build carries a checked/free flag above

struct Platform {
  bool known;
  bool is64Bit;
  Processor processor;
};

Platform FromMachine(unsigned machine) {
  switch (machine) {
    case kMachineI386: return {true, false, Processor::kX86};
    case kMachineAmd64: return {true, true, Processor::kX64};
    case kMachineArm64: return {true, true, Processor::kArm64};
    case kMachineIa64: return {true, true, Processor::kItanium};
    case kMachineArmNt: return {true, false, Processor::kArm};
    default: return {false, false, Processor::kUnknown};
  }
}

Processor FromArchitecture(unsigned architecture) {
  switch (architecture) {
    case kArchitectureIntel: return Processor::kX86;
    case kArchitectureAmd64: return Processor::kX64;
    case kArchitectureArm64: return Processor::kArm64;
    case kArchitectureIa64: return Processor::kItanium;
    case kArchitectureArm: return Processor::kArm;
    default: return Processor::kUnknown;
  }
}

void ReadVersion(const SystemAnswers& answers, WindowsFacts& facts) {
  unsigned major = 0, minor = 0, build = 0, productType = 0;
  const bool reported =
      answers.reportedVersion && answers.reportedVersion(major, minor, build, productType);
  facts.server = reported && productType != kWorkstation;
  if (answers.ntdllVersion && answers.ntdllVersion(major, minor, build) && major != 0) {
    facts.major = major;
    facts.minor = minor;
    facts.build = build & kBuildBits;
    return;
  }
  // Windows 2000's ntdll may lack the numbers; its kernel page holds them, without a build.
  if (answers.sharedPageVersion && answers.sharedPageVersion(major, minor) && major != 0) {
    facts.major = major;
    facts.minor = minor;
  }
}

void ReadPlatform(const SystemAnswers& answers, WindowsFacts& facts) {
  // Untouched outputs (an answer that claims success and writes nothing) read as unknown.
  unsigned processMachine = 0, nativeMachine = 0;
  if (answers.wow64Machines && answers.wow64Machines(processMachine, nativeMachine)) {
    const Platform native = FromMachine(nativeMachine);
    if (native.known) {
      facts.is64Bit = native.is64Bit;
      facts.processor = native.processor;
      return;
    }
  }
  if (answers.exeIs64Bit) {  // before Windows 10 a 64-bit exe ran on x64 only
    facts.is64Bit = true;
    facts.processor = Processor::kX64;
    return;
  }
  bool wow64 = false;
  facts.is64Bit = answers.isWow64 && answers.isWow64(wow64) && wow64;
  unsigned architecture = 0;
  const Processor native = answers.nativeArchitecture && answers.nativeArchitecture(architecture)
                               ? FromArchitecture(architecture)
                               : Processor::kUnknown;
  if (native != Processor::kUnknown) {
    facts.processor = native;
  } else {
    facts.processor = facts.is64Bit ? Processor::kX64 : Processor::kX86;
  }
}

}  // namespace

WindowsFacts ReadWindowsFacts(const SystemAnswers& answers) {
  WindowsFacts facts;
  ReadVersion(answers, facts);
  ReadPlatform(answers, facts);
  return facts;
}
