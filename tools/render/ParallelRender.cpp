#include "tools/render/ParallelRender.h"

#include "tools/shared/PartialFile.h"

#include "effects/sync/EndingSync.h"
#include "tools/render/ContactSheet.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/RenderSession.h"
#include "tools/render/VideoEncoder.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReasonBytes = 512;
constexpr int kPollMilliseconds = 100;

volatile std::sig_atomic_t interrupted = 0;

void noteInterrupt(int) { interrupted = 1; }

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

long long availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    long long kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") {
            return kilobytes * 1024;
        }
    }
    return -1;
}

int processorCount()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return std::max(1, CPU_COUNT(&set));
    }
    return static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
}

std::string describeEnd(int status)
{
    if (WIFSIGNALED(status)) {
        return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    }
    return "stopped with exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : status);
}

} // namespace

// Lives in memory shared with the workers, made before they start.
struct ParallelRender::Board {
    std::atomic<long> nextChunk{0};
    std::atomic<long> framesWritten{0};
    std::atomic<long> framesByJob[RenderOptions::kMaxJobs] = {};
    double firstFrameTime = 0.0; // written once, by the worker that draws the stretch's first frame
    bool haveFirstFrame = false;
    char reasons[RenderOptions::kMaxJobs][kReasonBytes] = {};
};

ParallelRender::ParallelRender(const RenderOptions& options, int jobs)
    : options(options), jobs(std::clamp(jobs, 1, RenderOptions::kMaxJobs))
{
}

long ParallelRender::stretchFrames(const RenderOptions& options)
{
    const double last = options.end >= 0.0 ? options.end : kEndingQuitTime;
    const long first = static_cast<long>(std::ceil(options.start * options.fps - 1e-6));
    return std::max(0L, static_cast<long>(std::floor(last * options.fps + 1e-6)) - first + 1);
}

int ParallelRender::defaultJobs(const RenderOptions& options)
{
    long jobs = processorCount();
    const long long memory = availableMemory();
    if (memory > 0) {
        jobs = std::min<long>(jobs, std::max(1LL, memory / kWorkerBytes));
    }
    const long chunkFrames = static_cast<long>(options.fps) * kChunkSeconds;
    const long chunks = (stretchFrames(options) + chunkFrames - 1) / chunkFrames;
    return static_cast<int>(std::clamp<long>(std::min(jobs, chunks), 1, RenderOptions::kMaxJobs));
}

std::string ParallelRender::chunkVideoPath(long chunk) const
{
    char name[32];
    std::snprintf(name, sizeof name, "/chunk-%06ld.mp4", chunk);
    return scratch + name;
}

std::string ParallelRender::workerPath(const char* what, int job) const
{
    return scratch + "/" + what + "-" + std::to_string(job);
}

int ParallelRender::work(int job)
{
    const int out = ::open(workerPath("output", job).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        ::close(out);
    }
    RenderOptions part = options;
    part.quiet = true;
    part.video.clear();
    if (!options.sheet.empty()) {
        part.sheet = workerPath("sheet", job);
        part.sheetAsSlots = true;
    }
    RenderSession session(part);
    const long chunkFrames = static_cast<long>(options.fps) * kChunkSeconds;
    long chunkStart = 0;
    long chunkEnd = 0;
    std::deque<long> drawnChunks; // the chunk of each frame drawn and not yet handed over
    session.setFrameFilter([&](long index) {
        if (index >= chunkEnd) {
            const long chunk = board->nextChunk.fetch_add(1);
            chunkStart = chunk * chunkFrames;
            chunkEnd = chunkStart + chunkFrames;
        }
        if (index < chunkStart) {
            return false;
        }
        drawnChunks.push_back(index / chunkFrames);
        return true;
    });

    const bool video = !options.video.empty();
    std::unique_ptr<VideoEncoder> encoder;
    long encoding = -1;
    session.setFrameSink([&](double time, const std::vector<std::uint8_t>& rgba, std::string* error) {
        const long chunk = drawnChunks.front();
        drawnChunks.pop_front();
        if (chunk == 0 && !board->haveFirstFrame) {
            board->firstFrameTime = time;
            board->haveFirstFrame = true;
        }
        if (video && chunk != encoding) {
            if (encoder && !encoder->close(error)) {
                return false;
            }
            encoder = std::make_unique<VideoEncoder>();
            encoding = chunk;
            if (!encoder->open(ffmpeg, chunkVideoPath(chunk), options.width, options.height, options.fps, "", 0.0, {},
                               error)) {
                return false;
            }
        }
        if (video && !encoder->write(rgba, error)) {
            return false;
        }
        board->framesWritten.fetch_add(1);
        board->framesByJob[job].fetch_add(1);
        return true;
    });

    std::string error;
    int status = session.run(&error);
    if (status == 0 && encoder && !encoder->close(&error)) {
        status = 1;
    }
    if (status != 0) {
        std::snprintf(board->reasons[job], kReasonBytes, "%s", error.c_str());
    }
    std::fflush(stdout);
    return status;
}

int ParallelRender::run(std::string* error)
{
    if (!RenderSession::checkDestinations(options, &ffmpeg, error)) {
        return 1;
    }
    // The parts go beside the output they become, so joining them never copies across file systems.
    const char* tmp = std::getenv("TMPDIR");
    std::string beside = !options.video.empty()  ? folderOf(options.video)
                         : !options.sheet.empty() ? folderOf(options.sheet)
                                                  : (tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    std::string pattern = beside + "/.quessaly-render-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        *error = "cannot make a folder for the jobs' parts in " + beside + ": " + std::strerror(errno);
        return 1;
    }
    scratch = pattern;

    void* shared = mmap(nullptr, sizeof(Board), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        *error = std::string("cannot share memory with the jobs: ") + std::strerror(errno);
        abandon();
        return 1;
    }
    board = new (shared) Board();

    // The workers are told to stop here, so they need not hear the terminal's interrupt themselves.
    struct sigaction previous[2] {};
    struct sigaction stop {};
    stop.sa_handler = noteInterrupt;
    sigaction(SIGINT, &stop, &previous[0]);
    sigaction(SIGTERM, &stop, &previous[1]);
    std::fflush(stdout);
    std::fflush(stderr);
    std::string failure;
    for (int job = 0; job < jobs && failure.empty(); ++job) {
        const pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0); // its own group: stopping a worker stops the ffmpeg it started too
            sigaction(SIGINT, &previous[0], nullptr);
            sigaction(SIGTERM, &previous[1], nullptr);
            std::_Exit(work(job));
        }
        if (pid < 0) {
            failure = std::string("cannot start a job: ") + std::strerror(errno);
        } else {
            workers.push_back(pid);
        }
    }

    finished.assign(workers.size(), false);
    ProgressBar progress(stretchFrames(options), !options.quiet);
    const std::string label = std::to_string(workers.size()) + " jobs";
    std::size_t running = workers.size();
    std::vector<double> processorSeconds(workers.size(), 0.0);
    const auto started = std::chrono::steady_clock::now();
    while (running > 0 && failure.empty()) {
        int status = 0;
        rusage usage{};
        const pid_t ended = wait4(-1, &status, WNOHANG, &usage);
        if (ended > 0) {
            const auto found = std::find(workers.begin(), workers.end(), ended);
            if (found == workers.end()) {
                continue;
            }
            const int job = static_cast<int>(found - workers.begin());
            finished[job] = true;
            --running;
            processorSeconds[job] = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                const std::string reason = board->reasons[job];
                failure = "job " + std::to_string(job + 1) + " of " + std::to_string(jobs) + " " + describeEnd(status) +
                          (reason.empty() ? "" : ": " + reason);
            }
            continue;
        }
        if (interrupted) {
            failure = "interrupted";
            break;
        }
        progress.update(board->framesWritten.load(), label);
        usleep(kPollMilliseconds * 1000);
    }
    sigaction(SIGINT, &previous[0], nullptr);
    sigaction(SIGTERM, &previous[1], nullptr);
    if (failure.empty()) {
        progress.update(board->framesWritten.load(), label);
        progress.finish();
    }
    // What each job cost, ffmpeg included: the figures that tell how the run would scale.
    if (failure.empty() && !options.quiet) {
        std::fprintf(stderr, "%zu jobs in %.1f s:", workers.size(),
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        for (std::size_t job = 0; job < workers.size(); ++job) {
            std::fprintf(stderr, "%s %ld frames in %.1f s of processor time", job == 0 ? "" : ",",
                         board->framesByJob[job].load(), processorSeconds[job]);
        }
        std::fprintf(stderr, "\n");
    }
    if (failure.empty() && join(&failure)) {
        abandon();
        return 0;
    }
    abandon();
    *error = failure + (interrupted ? "" : "; every job was stopped and nothing was left half made");
    return 1;
}

bool ParallelRender::join(std::string* error)
{
    // Every worker saw the whole show's messages; the first one's are the single run's.
    std::ifstream messages(workerPath("output", 0));
    std::string line;
    while (std::getline(messages, line)) {
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);

    if (!options.video.empty()) {
        std::vector<std::string> parts;
        for (long chunk = 0; access(chunkVideoPath(chunk).c_str(), F_OK) == 0; ++chunk) {
            parts.push_back(chunkVideoPath(chunk));
        }
        if (parts.empty()) {
            *error = "no frame fell between --start and --end: no video written";
            return false;
        }
        VideoEncoder joined;
        const double first = board->firstFrameTime;
        if (!joined.join(ffmpeg, parts, scratch + "/chunks.txt", options.video, RenderSession::soundtrackPath(), first,
                         RenderSession::chapters(showScenes(), options.fps, first, options.end), error)) {
            return false;
        }
    }
    if (!options.sheet.empty()) {
        ContactSheet sheet(options.width, options.height);
        for (int job = 0; job < jobs; ++job) {
            ContactSheet part(options.width, options.height);
            if (!(job == 0 ? sheet : part).loadSlots(workerPath("sheet", job), error)) {
                return false;
            }
            sheet.takeEarlierFrames(part);
        }
        if (!sheet.write(options.sheet, ContactSheet::kLabelFont, error)) {
            return false;
        }
    }
    return true;
}

void ParallelRender::abandon()
{
    for (std::size_t job = 0; job < workers.size(); ++job) {
        const pid_t pid = workers[job];
        if (job >= finished.size() || !finished[job]) {
            kill(-pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    // A worker stopped while writing a frame leaves it under its temporary name, which carries its process id.
    if (!options.framesDirectory.empty()) {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(options.framesDirectory, ignored)) {
            const std::string name = entry.path().filename().string();
            for (pid_t pid : workers) {
                if (PartialFile::isLeftBy(name, pid)) {
                    std::filesystem::remove(entry.path(), ignored);
                }
            }
        }
    }
    workers.clear();
    if (!scratch.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
        scratch.clear();
    }
    if (board != nullptr) {
        board->~Board();
        munmap(board, sizeof(Board));
        board = nullptr;
    }
}
