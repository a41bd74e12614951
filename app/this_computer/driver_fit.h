#pragma once
// Which of the four download links is this computer's.
#include <cstddef>

#include "app/this_computer/windows_facts.h"

// The links' slots, in the order a match configures them.
enum class DriverSlot : std::size_t { kXp32, kXp64, kVista32, kVista64 };

enum class FitKind {
  kSlot,       // `slot` is this computer's
  kProcessor,  // no x86 or x64 kernel driver loads on this processor
  kVersion,    // a Windows the drivers were not made for, or one that could not be read
};

struct DriverFit {
  FitKind kind;
  DriverSlot slot;  // only with kSlot
};

DriverFit FitDriver(const WindowsFacts& facts);
