#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

// A fresh directory that is the working directory while it lives: the demo finds its files there.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& label)
        : previous(std::filesystem::current_path()),
          path(std::filesystem::path(testing::TempDir()) / ("quessaly-" + std::to_string(getpid()) + "-" + label))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory()
    {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

    const std::filesystem::path previous;
    const std::filesystem::path path;
};
