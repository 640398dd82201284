#pragma once

#include <string>

// The folder that holds the running program, ending in a separator; empty when the system cannot tell.
std::string executableFolder();
