#pragma once
// What a program takes from the machine it runs on: the hub driver its checks walk and the
// server it asks for the catalogue. Each program chooses them in its own main file; everything
// else receives them.
#include "usb/hub_driver.h"

struct PlatformParts {
  HubDriver& hubDriver;
  const char* catalogueHost;
  // The simulated program only: its main dialog tells a benchmark how many fonts, tooltips
  // and cursor copies are alive (kLiveCountMessageName).
  bool answersLiveCounts = false;
};
