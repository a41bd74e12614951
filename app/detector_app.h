#pragma once
// The application object: its start-up hook runs the main dialog and ends the program.
#include "framework/win_app.h"

class CDetectorApp : public CWinApp {
 public:
  BOOL InitInstance() override;

 protected:
  const AppCommandEntry* GetCommandMap(std::size_t* count) const override;
};
