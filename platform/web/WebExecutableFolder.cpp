// The program's folder on a web page: the page's files are unpacked into the working folder of its
// in-memory file system, where the asset search looks first, so there is no folder of its own to name.
#include "platform/ExecutableFolder.h"

std::string executableFolder() { return ""; }
