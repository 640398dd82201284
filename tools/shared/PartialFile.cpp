#include "tools/shared/PartialFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "dir/name.ext" becomes "dir/.name.partial-PID.ext": hidden from globs such as *.png, and unique to the
// process, so two runs aimed at one folder never write into each other's file.
std::string processMark(long pid) { return ".partial-" + std::to_string(pid); }

std::string temporaryNameFor(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) {
        dot = path.size();
    }
    return path.substr(0, nameStart) + "." + path.substr(nameStart, dot - nameStart) + processMark(getpid()) +
           path.substr(dot);
}

std::string reasonFor(const std::string& path, int error)
{
    return "cannot write " + path + ": " + std::strerror(error);
}

} // namespace

bool PartialFile::isLeftBy(const std::string& fileName, long pid)
{
    if (fileName.empty() || fileName[0] != '.') {
        return false;
    }
    // The mark ends the name or its extension's dot follows it: process 12 is not process 123.
    const std::string mark = processMark(pid);
    for (std::size_t at = fileName.find(mark); at != std::string::npos; at = fileName.find(mark, at + 1)) {
        const std::size_t after = at + mark.size();
        if (after == fileName.size() || fileName[after] == '.') {
            return true;
        }
    }
    return false;
}

PartialFile::PartialFile(std::string finalPath) : final(std::move(finalPath)), temporary(temporaryNameFor(final)) {}

PartialFile::~PartialFile()
{
    discard();
}

bool PartialFile::probe(std::string* error) const
{
    // The rename at the end would fail on a folder.
    struct stat info {};
    if (stat(final.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        *error = reasonFor(final, EISDIR);
        return false;
    }
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        *error = reasonFor(final, errno);
        return false;
    }
    close(file);
    unlink(temporary.c_str());
    return true;
}

bool PartialFile::commit(std::string* error)
{
    if (std::rename(temporary.c_str(), final.c_str()) != 0) {
        *error = "cannot rename " + temporary + " to " + final + ": " + std::strerror(errno);
        discard();
        return false;
    }
    committed = true;
    return true;
}

void PartialFile::discard()
{
    if (!committed) {
        unlink(temporary.c_str());
    }
}
