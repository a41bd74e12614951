#pragma once
// The user's temporary folder, the way GetTempPathA reports it.

// Length written into `buffer` (ending with a separator), the size needed when `size` is too
// small, or 0 when the platform cannot say.
unsigned TempFolder(unsigned size, char* buffer);
