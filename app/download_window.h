#pragma once
// The small window that says the program is still connecting, while a slow catalogue download
// runs before the main dialog can appear.
#include <functional>

// Its window class, for tests that look for it.
constexpr const char kDownloadWindowClass[] = "DetectorDownloadWindow";
// A download that ends sooner shows nothing.
constexpr unsigned kDownloadWindowDelayMilliseconds = 1000;

// Runs `download` on a worker thread and returns when it has ended. If it has not ended after
// the delay, a window centred on the screen shows `text` above a marquee bar until it ends
// (where the common controls have no marquee, a bar that fills again and again).
// Meanwhile only that window's queued messages are taken from the queue: other windows' posted
// and input messages wait until the download has ended. Messages that other threads send to
// this thread's windows are not queued, so they are delivered while the window waits, as in
// any message loop (during the first second, a plain wait, they are not). The window ignores
// a close from outside; a quit message is posted again for the caller's loop. Where no thread
// can be started, for whatever reason, the download runs here.
void RunWithDownloadWindow(const std::function<void()>& download, const char* text);
