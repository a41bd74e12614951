#include "app/this_computer/windows_name.h"

namespace {

struct Name {
  unsigned major, minor;
  const char* workstation;
  const char* server;
};

constexpr Name kNames[] = {
    {5, 0, "Windows 2000", "Windows 2000 Server"},
    {5, 1, "Windows XP", "Windows XP"},
    {5, 2, "Windows XP x64", "Windows Server 2003"},
    {6, 0, "Windows Vista", "Windows Server 2008"},
    {6, 1, "Windows 7", "Windows Server 2008 R2"},
    {6, 2, "Windows 8", "Windows Server 2012"},
    {6, 3, "Windows 8.1", "Windows Server 2012 R2"},
};

// Windows 10 and 11, and their servers, share 10.0: the build tells them apart.
const char* Windows10Name(const WindowsFacts& facts) {
  if (!facts.server) return facts.build >= 22000 ? "Windows 11" : "Windows 10";
  if (facts.build >= 26100) return "Windows Server 2025";
  if (facts.build >= 20348) return "Windows Server 2022";
  if (facts.build >= 17763) return "Windows Server 2019";
  return "Windows Server 2016";
}

}  // namespace

std::string WindowsName(const WindowsFacts& facts) {
  if (facts.major == 0) return {};
  if (facts.major == 10 && facts.minor == 0) return Windows10Name(facts);
  for (const Name& name : kNames) {
    if (name.major != facts.major || name.minor != facts.minor) continue;
    // 32-bit 5.2 is a server whatever it says: XP x64 was 64-bit only.
    const bool server = facts.server || (facts.major == 5 && facts.minor == 2 && !facts.is64Bit);
    return server ? name.server : name.workstation;
  }
  return "Windows " + std::to_string(facts.major) + "." + std::to_string(facts.minor);
}

const char* ProcessorName(Processor processor) {
  switch (processor) {
    case Processor::kArm64: return "ARM64";
    case Processor::kItanium: return "Itanium";
    case Processor::kArm: return "ARM";
    default: return "";
  }
}
