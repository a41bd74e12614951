#pragma once
// The names a user knows their Windows and processor by.
#include <string>

#include "app/this_computer/windows_facts.h"

// "Windows 7", "Windows XP x64", "Windows Server 2003"...; a version without a name reads as
// "Windows 6.4"; empty when the version could not be read.
std::string WindowsName(const WindowsFacts& facts);
// "ARM64", "Itanium", "ARM"; empty for x86 and x64.
const char* ProcessorName(Processor processor);
