#include "tools/render/VideoEncoder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr std::size_t kKeptMessageBytes = 4096;

void addSoundtrackInput(std::vector<std::string>& args, const std::string& audioPath, double audioOffset)
{
    char offset[32];
    std::snprintf(offset, sizeof offset, "%.6f", audioOffset);
    args.insert(args.end(), {"-ss", offset, "-i", audioPath});
}

void addSoundtrackEncoding(std::vector<std::string>& args)
{
    args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-shortest"});
}

} // namespace

VideoEncoder::~VideoEncoder()
{
    abandon();
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

bool VideoEncoder::addChapters(const std::vector<VideoChapter>& chapters, int input, std::vector<std::string>& args,
                               std::string* error)
{
    if (chapters.empty()) {
        return true;
    }
    chapterPath = destination->temporaryPath() + ".chapters";
    std::FILE* file = std::fopen(chapterPath.c_str(), "w");
    bool written = file != nullptr && std::fprintf(file, ";FFMETADATA1\n") > 0;
    for (const VideoChapter& chapter : chapters) {
        // In a metadata file '=', ';', '#', '\\' and a line break are escaped with a backslash.
        std::string title;
        for (char c : chapter.title) {
            title += std::strchr("=;#\\\n", c) != nullptr ? std::string("\\") + c : std::string(1, c);
        }
        written = written && std::fprintf(file, "[CHAPTER]\nTIMEBASE=1/1000\nSTART=%lld\nEND=%lld\ntitle=%s\n",
                                          chapter.startMs, chapter.endMs, title.c_str()) > 0;
    }
    const int reason = errno;
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        *error = "cannot write the chapters of " + destination->finalPath() + ": " +
                 std::strerror(file != nullptr && written ? errno : reason);
        removeChapters();
        return false;
    }
    args.insert(args.end(), {"-f", "ffmetadata", "-i", chapterPath, "-map_chapters", std::to_string(input)});
    return true;
}

bool VideoEncoder::open(const std::string& ffmpeg, const std::string& output, int width, int height, int fps,
                        const std::string& audioPath, double audioOffset, const std::vector<VideoChapter>& chapters,
                        std::string* error)
{
    destination = std::make_unique<PartialFile>(output);
    // -xerror: without it ffmpeg exits 0 when the trailer, which holds the index, cannot be written.
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-xerror", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgba",
                                     "-s", std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate", std::to_string(fps), "-i", "pipe:0"};
    if (!audioPath.empty()) {
        addSoundtrackInput(args, audioPath, audioOffset);
    }
    if (!addChapters(chapters, audioPath.empty() ? 1 : 2, args, error)) {
        destination.reset();
        return false;
    }
    // GL rows come bottom first.
    args.insert(args.end(), {"-vf", "vflip", "-c:v", "libx264", "-preset", "medium", "-crf", "18",
                             "-pix_fmt", "yuv420p"});
    if (!audioPath.empty()) {
        addSoundtrackEncoding(args);
    }
    args.push_back(destination->temporaryPath());
    return spawn(ffmpeg, args, error);
}

bool VideoEncoder::join(const std::string& ffmpeg, const std::vector<std::string>& parts, const std::string& listPath,
                        const std::string& output, const std::string& audioPath, double audioOffset,
                        const std::vector<VideoChapter>& chapters, std::string* error)
{
    std::FILE* list = std::fopen(listPath.c_str(), "w");
    if (list == nullptr) {
        *error = "cannot write " + listPath + ": " + std::strerror(errno);
        return false;
    }
    for (const std::string& part : parts) {
        // ffmpeg reads names in the list from the list's folder; in single quotes, a quote is closed, escaped
        // and reopened.
        std::string quoted;
        for (char c : std::filesystem::absolute(part).string()) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        std::fprintf(list, "file '%s'\n", quoted.c_str());
    }
    if (std::fclose(list) != 0) {
        *error = "cannot write " + listPath + ": " + std::strerror(errno);
        return false;
    }
    destination = std::make_unique<PartialFile>(output);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-xerror", "-y",
                                     "-f", "concat", "-safe", "0", "-i", listPath};
    if (!audioPath.empty()) {
        addSoundtrackInput(args, audioPath, audioOffset);
    }
    if (!addChapters(chapters, audioPath.empty() ? 1 : 2, args, error)) {
        destination.reset();
        return false;
    }
    if (!audioPath.empty()) {
        args.insert(args.end(), {"-map", "0:v", "-map", "1:a"});
    }
    args.insert(args.end(), {"-c:v", "copy"});
    if (!audioPath.empty()) {
        addSoundtrackEncoding(args);
    }
    args.push_back(destination->temporaryPath());
    return spawn(ffmpeg, args, error) && close(error);
}

bool VideoEncoder::spawn(const std::string& ffmpeg, const std::vector<std::string>& args, std::string* error)
{
    int frames[2];
    int errors[2];
    if (pipe2(frames, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(errors, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe from ffmpeg: ") + std::strerror(errno);
        ::close(frames[0]);
        ::close(frames[1]);
        return false;
    }
    // A dying ffmpeg must show up as a write error, not kill the renderer.
    std::signal(SIGPIPE, SIG_IGN);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, frames[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);

    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&child, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(frames[0]);
    ::close(errors[1]);
    if (spawned != 0) {
        ::close(frames[1]);
        ::close(errors[0]);
        child = -1;
        destination.reset();
        removeChapters();
        *error = "cannot start " + ffmpeg + ": " + std::strerror(spawned);
        return false;
    }
    // Neither end may block the other: ffmpeg stuck on a full error pipe would never take another frame.
    pipe = frames[1];
    messages = errors[0];
    fcntl(pipe, F_SETFL, fcntl(pipe, F_GETFL) | O_NONBLOCK);
    fcntl(messages, F_SETFL, fcntl(messages, F_GETFL) | O_NONBLOCK);
    messageText.clear();
    return true;
}

// Passes ffmpeg's error output on as it comes, keeping its start.
void VideoEncoder::readMessages()
{
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(messages, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return;
        }
        if (count == 0) {
            ::close(messages);
            messages = -1;
            return;
        }
        std::fwrite(buffer, 1, static_cast<std::size_t>(count), stderr);
        if (messageText.size() < kKeptMessageBytes) {
            const std::size_t room = kKeptMessageBytes - messageText.size();
            messageText.append(buffer, std::min(static_cast<std::size_t>(count), room));
        }
    }
}

bool VideoEncoder::write(const std::vector<std::uint8_t>& frame, std::string* error)
{
    std::size_t written = 0;
    while (written < frame.size()) {
        pollfd ends[2] = {{pipe, POLLOUT, 0}, {messages, POLLIN, 0}};
        if (poll(ends, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            *error = std::string("cannot wait for ffmpeg: ") + std::strerror(errno);
            abandon();
            return false;
        }
        if (ends[1].revents != 0) {
            readMessages();
        }
        if (ends[0].revents == 0) {
            continue;
        }
        const ssize_t result = ::write(pipe, frame.data() + written, frame.size() - written);
        if (result < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (result < 0) {
            const int reason = errno;
            const std::string name = destination->finalPath();
            if (reason == EPIPE) {
                *error = "ffmpeg stopped taking frames for " + name + " " + whyFfmpegEnded(finish());
            } else {
                *error = "cannot send frames to ffmpeg for " + name + ": " + std::strerror(reason);
            }
            abandon();
            return false;
        }
        written += static_cast<std::size_t>(result);
    }
    return true;
}

int VideoEncoder::finish()
{
    if (pipe >= 0) {
        ::close(pipe);
        pipe = -1;
    }
    while (messages >= 0) {
        pollfd end = {messages, POLLIN, 0};
        if (poll(&end, 1, -1) < 0 && errno != EINTR) {
            ::close(messages);
            messages = -1;
            break;
        }
        readMessages();
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    removeChapters();
    return status;
}

void VideoEncoder::removeChapters()
{
    if (!chapterPath.empty()) {
        unlink(chapterPath.c_str());
        chapterPath.clear();
    }
}

void VideoEncoder::abandon()
{
    if (child >= 0) {
        kill(child, SIGKILL);
        finish();
    }
    destination.reset();
}

// ffmpeg's first line names the cause; the lines after it tend to be consequences.
std::string VideoEncoder::whyFfmpegEnded(int status) const
{
    std::string why;
    if (WIFEXITED(status)) {
        why = "(exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    } else if (WIFSIGNALED(status)) {
        why = "(killed by signal " + std::to_string(WTERMSIG(status)) + ", " + strsignal(WTERMSIG(status)) + ")";
    } else {
        why = "(wait status " + std::to_string(status) + ")";
    }
    const std::string firstLine = messageText.substr(0, messageText.find('\n'));
    return firstLine.empty() ? why : why + ": " + firstLine;
}

bool VideoEncoder::close(std::string* error)
{
    if (child < 0) {
        return true;
    }
    const int status = finish();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = "ffmpeg failed to write " + destination->finalPath() + " " + whyFfmpegEnded(status);
        destination.reset();
        return false;
    }
    const bool named = destination->commit(error);
    destination.reset();
    return named;
}
