#pragma once
// The catalogue server's host name. Each program defines it in a source of its own, so that
// the product and the simulator build share every other object.
const char* CatalogueHost();
