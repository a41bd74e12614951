#pragma once
// The benchmarks' large pretend machine, in the topology file format.
#include <string>

constexpr int kLargeControllers = 10;
constexpr int kLargeNestedHubs = 5;

// Ten controllers, each with a chain of five hubs on its first port; every other port holds a
// device. The worst catalogue's camera (record 300) sits deepest behind the last controller,
// the sample catalogue's camera on that controller's last root port. `ports`: how many ports.
std::string LargeTopology(int* ports);
