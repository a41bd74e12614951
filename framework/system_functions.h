#pragma once
// Functions that the oldest Windows the program starts on (2000) lacks are looked up by name
// here, so that the exe does not import them; every caller has a fallback for a null answer.
#include <windows.h>

#include <vector>

// The function `name` of the system DLL `dll` (a file name that lives as long as the program,
// a literal; loaded from the system folder only, never from beside the program), or null where
// the system has no such DLL or function.
FARPROC FindSystemFunction(const char* dll, const char* name);

// Tests: FindSystemFunction answers null for each function, or every function of each DLL,
// named in `names` from now on, as a system without them would. None brings every one back.
void PretendSystemLacks(const std::vector<const char*>& names);

// Tests: FindSystemFunction answers `standIn` for the function `name` (a literal) from now on,
// unless it is lacking, as a system whose function answers otherwise would. Null takes it back.
void PretendSystemHas(const char* name, FARPROC standIn);
template <typename Function>
void PretendSystemHas(const char* name, Function* standIn) {
  PretendSystemHas(name, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(standIn)));
}
