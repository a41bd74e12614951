#pragma once
// The application object: its start-up hook runs the main dialog and ends the program.
#include "app/platform_parts.h"
#include "framework/win_app.h"

class CDetectorApp : public CWinApp {
 public:
  explicit CDetectorApp(const PlatformParts& platform) : m_platform(platform) {}
  BOOL InitInstance() override;

 protected:
  const AppCommandEntry* GetCommandMap(std::size_t* count) const override;

 private:
  PlatformParts m_platform;
};
