#pragma once

#include <string>

// A file written under a hidden temporary name in the folder of its final name, and renamed to that name
// only once it is complete: a failed or interrupted write never leaves a truncated file where a finished
// one is expected. The temporary name keeps the final extension, for tools that go by it.
class PartialFile {
public:
    explicit PartialFile(std::string finalPath);
    // Removes the temporary file unless it was committed.
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    const std::string& finalPath() const { return final; }
    const std::string& temporaryPath() const { return temporary; }

    // Creates and removes the temporary file, so a destination that cannot be written is known before any
    // work is spent on it. False, with the system's reason in `error`, when it cannot.
    bool probe(std::string* error) const;
    // Moves the finished temporary file to the final name; on failure removes it.
    bool commit(std::string* error);
    void discard();

    // Whether `fileName` (no folder) is a temporary name that process `pid` gave a file: what a process
    // stopped mid-write leaves behind.
    static bool isLeftBy(const std::string& fileName, long pid);

private:
    std::string final;
    std::string temporary;
    bool committed = false;
};
