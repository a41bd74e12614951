#pragma once
// Functions that the oldest Windows the program starts on (2000) lacks are looked up by name
// here, so that the exe does not import them; every caller has a fallback for a null answer.
#include <windows.h>

// The function `name` of the system DLL `dll` (a file name that lives as long as the program,
// a literal; loaded from the system folder only, never from beside the program), or null where
// the system has no such DLL or function.
FARPROC FindSystemFunction(const char* dll, const char* name);

// Tests: FindSystemFunction answers null for the function, or every function of the DLL,
// named `name` from now on, as a system without it would. Null brings every function back.
void PretendSystemLacks(const char* name);
