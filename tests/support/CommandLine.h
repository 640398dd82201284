#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Parses `args` as a program's command line, its name first.
template <typename Options>
bool parseArgs(std::vector<const char*> args, Options* options, std::string* error)
{
    args.insert(args.begin(), "program");
    return options->parse(static_cast<int>(args.size()), args.data(), error);
}

// Each command line must be refused with a reason of one line.
template <typename Options>
void expectEachRefusedInOneLine(const std::vector<std::vector<const char*>>& commandLines)
{
    for (const auto& args : commandLines) {
        Options rejected;
        std::string reason;
        EXPECT_FALSE(parseArgs(args, &rejected, &reason)) << args[0];
        EXPECT_FALSE(reason.empty()) << args[0];
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
    }
}
