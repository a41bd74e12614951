#pragma once
// The small window that says the program is still connecting, while a slow catalogue download
// runs before the main dialog can appear.
#include <functional>

// Its window class, for tests that look for it.
constexpr const char kDownloadWindowClass[] = "DetectorDownloadWindow";
// A download that ends sooner shows nothing.
constexpr unsigned kDownloadWindowDelayMilliseconds = 1000;

// Runs `download` on a worker thread and returns when it has ended. If it has not ended after
// the delay, a window centred on the screen shows `text` above a marquee bar until it ends.
// Meanwhile only that window's messages are handled, so no other window of this thread gets a
// message it would not have got while the download blocked the thread. Where no thread can be
// started, the download runs here.
void RunWithDownloadWindow(const std::function<void()>& download, const char* text);
