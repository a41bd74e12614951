#pragma once
// Loopback for the network tests. Natively the test process moves into a network namespace
// of its own (when it may), so 127.0.0.1:80 is private to it; otherwise (and under Wine,
// whose sockets live in the shared wineserver) the tests hold a CTest resource lock and the
// server waits for the port.

// Call once per process before the first socket; starts WinSock on Windows.
void PrepareNetworkForTests();
