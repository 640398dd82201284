#include "app/AssetFolder.h"

#include "platform/ExecutableFolder.h"
#include "sequence/TextureTable.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#ifndef QUESSALY_INSTALLED_DATA_DIR
#define QUESSALY_INSTALLED_DATA_DIR "/usr/local/share/quessaly"
#endif

namespace {

// A folder holds the show when it holds its soundtrack or the first texture the loader reads.
constexpr const char* kMarkers[] = {"Quessaly.mp3", "orq.png"};

std::string chosenFolder;

// Looks at the folder's entries without opening them: opening a FIFO named like a marker would block.
bool holdsTheShow(const std::string& folder)
{
    for (const char* marker : kMarkers) {
        std::error_code error;
        // UTF-8, as every path the programs use: on Windows a plain string would be read in the ANSI code page.
        if (std::filesystem::is_regular_file(std::filesystem::u8path((folder.empty() ? "./" : folder) + marker), error)) {
            return true;
        }
    }
    return false;
}

std::string withSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

} // namespace

bool AssetFolder::choose(const std::vector<std::string>& folders)
{
    for (const std::string& candidate : folders) {
        const std::string folder = withSeparator(candidate);
        if (holdsTheShow(folder)) {
            chosenFolder = folder;
            TextureTable::instance().folder = folder;
            return true;
        }
    }
    std::string searched;
    for (const std::string& candidate : folders) {
        searched += searched.empty() ? "" : ", ";
        searched += candidate.empty() ? std::string("the working directory") : candidate;
    }
    std::fprintf(stderr, "No textures or soundtrack found in %s: the show plays without them.\n", searched.c_str());
    chosenFolder.clear();
    TextureTable::instance().folder.clear();
    return false;
}

std::vector<std::string> AssetFolder::standardFolders(const std::vector<std::string>& besideExecutable)
{
    std::vector<std::string> folders{""};
    const std::string executable = executableFolder();
    if (!executable.empty()) {
        for (const std::string& folder : besideExecutable) {
            folders.push_back(executable + folder);
        }
        folders.push_back(executable + "../share/quessaly/");
    }
    const std::string installed = withSeparator(QUESSALY_INSTALLED_DATA_DIR);
    if (!installed.empty() && folders.back() != installed) {
        folders.push_back(installed);
    }
    return folders;
}

std::string AssetFolder::path(const char* name) { return chosenFolder + name; }
