#include "tools/render/VideoEncoder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

VideoEncoder::~VideoEncoder()
{
    std::string ignored;
    close(&ignored);
}

std::string VideoEncoder::findExecutable(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
    std::string directories = path;
    std::size_t begin = 0;
    while (begin <= directories.size()) {
        const std::size_t end = directories.find(':', begin);
        const std::string directory = directories.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        const std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (end == std::string::npos) {
            break;
        }
        begin = end + 1;
    }
    return {};
}

std::vector<std::string> VideoEncoder::arguments(const std::string& output, int width, int height, int fps,
                                                 const std::string& audioPath, double audioOffset)
{
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgba",
                                     "-s", std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate", std::to_string(fps), "-i", "pipe:0"};
    if (!audioPath.empty()) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "%.6f", audioOffset);
        args.insert(args.end(), {"-ss", offset, "-i", audioPath});
    }
    // GL rows come bottom first.
    args.insert(args.end(), {"-vf", "vflip", "-c:v", "libx264", "-preset", "medium", "-crf", "18",
                             "-pix_fmt", "yuv420p"});
    if (!audioPath.empty()) {
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-shortest"});
    }
    args.push_back(output);
    return args;
}

bool VideoEncoder::open(const std::string& ffmpeg, const std::string& output, int width, int height, int fps,
                        const std::string& audioPath, double audioOffset, std::string* error)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        *error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    // A dying ffmpeg must show up as a write error, not kill the renderer.
    std::signal(SIGPIPE, SIG_IGN);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addclose(&actions, fds[0]);

    const std::vector<std::string> args = arguments(output, width, height, fps, audioPath, audioOffset);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&child, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (spawned != 0) {
        ::close(fds[1]);
        child = -1;
        *error = "cannot start " + ffmpeg + ": " + std::strerror(spawned);
        return false;
    }
    pipe = fds[1];
    return true;
}

bool VideoEncoder::write(const std::vector<std::uint8_t>& frame, std::string* error)
{
    std::size_t written = 0;
    while (written < frame.size()) {
        const ssize_t result = ::write(pipe, frame.data() + written, frame.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            *error = std::string("ffmpeg stopped taking frames: ") + std::strerror(errno);
            return false;
        }
        written += static_cast<std::size_t>(result);
    }
    return true;
}

bool VideoEncoder::close(std::string* error)
{
    if (pipe >= 0) {
        ::close(pipe);
        pipe = -1;
    }
    if (child < 0) {
        return true;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = "ffmpeg failed (status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        return false;
    }
    return true;
}
