#pragma once
// The WinSock start-up and clean-up that the load runs around the download.

// Asks for version 1.1. False (with its diagnostic line, and the clean-up already done) when
// the start-up fails or grants another version.
bool StartSocketSession();
void EndSocketSession();
