#include "app/detector_app.h"

// The one application object; WinMain finds it through AfxGetApp.
CDetectorApp theApp;
