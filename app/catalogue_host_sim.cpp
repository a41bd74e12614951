#include "app/catalogue_host.h"

// The simulator build reads its catalogue from a server on this machine.
const char* CatalogueHost() { return "127.0.0.1"; }
