#pragma once

#include <string>
#include <vector>

// Where the show's textures and soundtrack are read from. The programs look in the working directory
// first, then in assets/ beside the executable (the build tree), then in the installed data folder.
class AssetFolder {
public:
    // The first of `folders` that holds the show's files becomes the folder every file is read from.
    // When none does, one line on standard error names them all and the working directory stays in use.
    static bool choose(const std::vector<std::string>& folders);
    // The working directory (""), the folders `besideExecutable` names relative to the executable's folder
    // (assets/ where the demo is built), and the installed data folder, relative to the executable
    // (<prefix>/bin/../share/quessaly/) and as configured at build time.
    static std::vector<std::string> standardFolders(const std::vector<std::string>& besideExecutable = {"assets/"});
    // `name` in the chosen folder.
    static std::string path(const char* name);
};
