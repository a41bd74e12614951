#include "app/this_computer/driver_fit.h"

namespace {

constexpr unsigned kWindows2000 = 5;
constexpr unsigned kWindowsVista = 6;

}  // namespace

DriverFit FitDriver(const WindowsFacts& facts) {
  if (facts.processor != Processor::kX86 && facts.processor != Processor::kX64) {
    return {FitKind::kProcessor, DriverSlot::kXp32};
  }
  if (facts.major < kWindows2000) return {FitKind::kVersion, DriverSlot::kXp32};
  if (facts.major < kWindowsVista) {
    return {FitKind::kSlot, facts.is64Bit ? DriverSlot::kXp64 : DriverSlot::kXp32};
  }
  return {FitKind::kSlot, facts.is64Bit ? DriverSlot::kVista64 : DriverSlot::kVista32};
}
