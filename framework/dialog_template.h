#pragma once
// A private copy of a dialog template from the program's resources, so that the framework
// can create the window hidden and show it only after its initialisation.
#include <windows.h>

#include <vector>

// The template `id` as the resource lookup picks it (by the thread's language), with
// WS_VISIBLE removed from its style. Empty if there is no such template or it is malformed.
std::vector<unsigned char> LoadHiddenDialogTemplate(HINSTANCE module, UINT id);
