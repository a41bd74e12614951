#pragma once
// How many fonts, tooltips and cursor copies the program holds right now, counted where it
// makes and destroys them. The system's own counts (GDI and user objects, handles) answer 0
// under Wine, so a leak over many presses shows only here.
#include <windows.h>

enum class LiveObject { kFont, kToolTip, kCursorCopy, kKinds };

void CountMade(LiveObject kind);
void CountDestroyed(LiveObject kind);
// -1 for a kind that is not counted.
long LiveCount(WPARAM kind);

// The registered message that the simulated program's main dialog answers with
// LiveCount(wParam), so that a benchmark can read the counts from outside.
constexpr const char* kLiveCountMessageName = "DetectorLiveObjectCount";
