#include "platform/SdlAudioDevice.h"

#include <SDL2/SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr std::uint32_t kRelease = 0x02040000; // release 2.4: the shell checks for it
constexpr Uint16 kBufferFrames = 1024;
// A process that did not read the silent clock for this long was stopped (a debugger, SIGSTOP, a suspended
// machine): the clock counts no more of the gap, so the show holds where it was, as the device's clock does
// when its audio thread stops with the process.
constexpr std::chrono::milliseconds kLongestStep{500};
// A lost device is looked for again this often; a try that fails costs about a millisecond.
constexpr std::chrono::seconds kReopenInterval{1};
// Callbacks in a row, each within two buffers of the last, before a device that came back counts as playing.
constexpr int kSteadyCallbacks = 4;

std::int64_t framesBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    const double seconds = std::chrono::duration<double>(to - from).count();
    return seconds > 0.0 ? static_cast<std::int64_t>(seconds * kRate) : 0;
}

} // namespace

SdlAudioDevice::~SdlAudioDevice()
{
    // Closing the device joins the audio thread, so the decoder is ours alone afterwards.
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
    }
    closeDecoder();
    if (decoderLibrary_) {
        mpg123_exit();
    }
    if (audioStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

// The callback always delivers the stream's own 44100 Hz; SDL converts for hardware that runs at
// another rate, so the requested frequency changes nothing here.
bool SdlAudioDevice::init(int /*frequency*/)
{
    if (!decoderLibrary_) {
        decoderLibrary_ = mpg123_init() == MPG123_OK;
    }
    if (audioStarted_ || muted_) {
        return device_ != 0;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "No sound: cannot start SDL audio: %s\n", SDL_GetError());
        return false;
    }
    audioStarted_ = true;
    if (!openDevice()) {
        std::fprintf(stderr, "No sound: cannot open an audio device: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

bool SdlAudioDevice::openDevice()
{
    SDL_AudioSpec wanted{};
    wanted.freq = kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = fillCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No format changes allowed: SDL converts, so the callback's buffer is always 16-bit stereo.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ != 0) {
        bufferFrames_ = obtained.samples;
    }
    return device_ != 0;
}

std::uint32_t SdlAudioDevice::version() const
{
    return kRelease;
}

AudioDevice::Stream SdlAudioDevice::createStream(const char* path)
{
    // A new stream waits for play, like the first one.
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, 1);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closeDecoder();
        progress_ = Progress{};
        rejoin_ = Rejoin{};
    }
    playing_ = false;
    paused_ = false;
    onWallClock_ = false;
    rejoining_ = false;
    lastFrames_ = 0;
    startFrames_ = 0;
    stream_ = nextStream_++;
    if (nextStream_ == 0) {
        nextStream_ = 1;
    }
    // A file that does not decode still gives a stream: the show runs silent on the wall clock.
    openDecoder(path);
    return stream_;
}

bool SdlAudioDevice::seek(Stream stream, std::int64_t bytes)
{
    if (stream == 0 || stream != stream_ || playing_ || bytes < 0) {
        return false;
    }
    const std::int64_t frames = bytes / kBytesPerFrame;
    std::lock_guard<std::mutex> lock(mutex_);
    // A seek past the end leaves nothing to decode: the first callback ends the music, and the wall clock
    // carries the show on from the sought position.
    if (decoder_ != nullptr && mpg123_seek(decoder_, static_cast<off_t>(frames), SEEK_SET) < 0) {
        progress_.ended = true;
        progress_.endFrame = frames;
    }
    progress_.framesHanded = frames;
    startFrames_ = frames;
    return true;
}

bool SdlAudioDevice::play(Stream stream, bool restart)
{
    if (stream == 0 || stream != stream_) {
        return false;
    }
    if (playing_ && !restart) {
        return true;
    }
    if (playing_) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (decoder_ != nullptr) {
            mpg123_seek(decoder_, 0, SEEK_SET);
        }
        progress_ = Progress{};
        startFrames_ = 0;
    }
    playing_ = true;
    paused_ = false;
    onWallClock_ = device_ == 0 || decoder_ == nullptr;
    startWallClock(startFrames_, now_());
    lastFrames_ = startFrames_;
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, 0);
    }
    return true;
}

void SdlAudioDevice::pause(Stream stream, bool paused)
{
    if (stream == 0 || stream != stream_ || !playing_ || paused == paused_) {
        return;
    }
    if (paused) {
        heldFrames_ = position(stream) / kBytesPerFrame;
        paused_ = true;
        if (device_ != 0) {
            SDL_PauseAudioDevice(device_, 1);
        }
        return;
    }
    paused_ = false;
    // The wall clock counts on from the held position, and music that plays joins it as it does on a device
    // that came back: from where the clock is when its first buffer will be heard. (What the device held as it
    // paused played out then: the few hundredths of a second past the held position that the clock now passes
    // in silence.)
    const bool musicPlays = device_ != 0 && (!onWallClock_ || rejoining_);
    onWallClock_ = true;
    startWallClock(heldFrames_, now_());
    if (musicPlays) {
        std::lock_guard<std::mutex> lock(mutex_);
        // A device that came back just before the pause still has to show that it plays steadily.
        const bool steady = !rejoin_.waiting;
        rejoin_ = Rejoin{};
        rejoin_.waiting = true;
        rejoin_.atOnce = steady;
        rejoining_ = true;
    }
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, 0);
    }
}

std::int64_t SdlAudioDevice::position(Stream stream)
{
    if (stream == 0 || stream != stream_ || !playing_) {
        return 0;
    }
    if (paused_) {
        return heldFrames_ * kBytesPerFrame;
    }
    const Clock::time_point now = now_();
    watchDevice(now);
    if (rejoining_) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!rejoin_.waiting) {
            rejoining_ = false;
            onWallClock_ = false;
        }
    }
    std::int64_t frames = 0;
    if (onWallClock_) {
        frames = wallFrames(now);
    } else {
        Progress progress;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            progress = progress_;
        }
        if (progress.started) {
            // The listener is behind what was handed over: one buffer plays while the next waits.
            const std::int64_t heard = progress.framesHanded - 2 * bufferFrames_;
            std::int64_t since = framesBetween(progress.handedAt, now);
            // Between callbacks the device plays at most one buffer; a late callback holds the
            // clock rather than run it ahead of the music. After the end only silence is left.
            if (!progress.ended) {
                since = std::min(since, bufferFrames_);
            }
            frames = heard + since;
            if (progress.ended && frames >= progress.endFrame) {
                // Everything decoded has been heard: the wall clock carries the show on from here.
                onWallClock_ = true;
                startWallClock(std::max(frames, lastFrames_), now);
            }
        }
    }
    lastFrames_ = std::max(lastFrames_, frames);
    return lastFrames_ * kBytesPerFrame;
}

double SdlAudioDevice::bytesToSeconds(Stream /*stream*/, std::int64_t bytes) const
{
    return static_cast<double>(bytes) / kBytesPerSecond;
}

void SdlAudioDevice::fillCallback(void* self, std::uint8_t* out, int length)
{
    static_cast<SdlAudioDevice*>(self)->fill(out, length);
}

void SdlAudioDevice::fill(std::uint8_t* out, int length)
{
    const Clock::time_point now = now_();
    const auto size = static_cast<std::size_t>(length);
    std::size_t filled = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (rejoin_.waiting) {
        // A device may take a first buffer and then nothing for a second or two (a sound server's sink waking
        // up): music handed over then would be heard that much late. Silence until it plays steadily.
        const bool steady = rejoin_.steadyCallbacks > 0 && now - rejoin_.lastCallback <= 2 * bufferDuration();
        rejoin_.steadyCallbacks = steady ? rejoin_.steadyCallbacks + 1 : 1;
        rejoin_.lastCallback = now;
        if (!rejoin_.atOnce && rejoin_.steadyCallbacks < kSteadyCallbacks) {
            std::memset(out, 0, size);
            return;
        }
        // This buffer is heard once the one before it has played: the music joins the wall clock there.
        const std::int64_t frames = wallFramesAt(now) + bufferFrames_;
        progress_ = Progress{};
        if (decoder_ != nullptr && mpg123_seek(decoder_, static_cast<off_t>(frames), SEEK_SET) < 0) {
            progress_.ended = true;
            progress_.endFrame = frames;
        }
        progress_.framesHanded = frames;
        rejoin_.waiting = false;
    }
    if (decoder_ != nullptr && !progress_.ended) {
        while (filled < size) {
            std::size_t done = 0;
            const int result = mpg123_read(decoder_, out + filled, size - filled, &done);
            filled += done;
            if (result == MPG123_NEW_FORMAT) {
                continue;
            }
            if (result != MPG123_OK) {
                // The end of the file, or a file that breaks off: either way the music is over.
                progress_.ended = true;
                progress_.endFrame = progress_.framesHanded + static_cast<std::int64_t>(filled) / kBytesPerFrame;
                break;
            }
            if (done == 0) {
                break;
            }
        }
    }
    std::memset(out + filled, 0, size - filled);
    progress_.framesHanded += length / kBytesPerFrame;
    progress_.handedAt = now;
    progress_.started = true;
}

bool SdlAudioDevice::openDecoder(const char* path)
{
    const std::string name = path != nullptr ? path : "";
    auto refuse = [&name](const std::string& reason) {
        std::fprintf(stderr, "No sound: %s: %s\n", name.c_str(), reason.c_str());
        return false;
    };
    if (path == nullptr || *path == '\0') {
        return refuse("no file name");
    }
    if (!decoderLibrary_) {
        decoderLibrary_ = mpg123_init() == MPG123_OK;
        if (!decoderLibrary_) {
            return refuse("the MP3 decoder does not start");
        }
    }
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (decoder == nullptr) {
        return refuse(std::string("the MP3 decoder does not start: ") + mpg123_plain_strerror(error));
    }
    // Our one line says why there is no sound; mpg123's own complaints would only add noise.
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(decoder);
    mpg123_format(decoder, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);

    std::error_code status;
    const std::filesystem::path file = std::filesystem::u8path(path);
    if (std::filesystem::exists(file, status) && !std::filesystem::is_regular_file(file, status)) {
        mpg123_delete(decoder);
        return refuse("not a regular file"); // a FIFO would block the open until something wrote to it
    }
    errno = 0;
    if (mpg123_open(decoder, path) != MPG123_OK) {
        const std::string reason = errno != 0 ? std::strerror(errno) : mpg123_strerror(decoder);
        mpg123_delete(decoder);
        return refuse(reason);
    }
    // Reads only as far as the first frame, with the LAME tag that gapless decoding trims by.
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK) {
        mpg123_delete(decoder);
        return refuse("no MP3 audio in the file");
    }
    if (rate != kRate || channels != kChannels || encoding != MPG123_ENC_SIGNED_16) {
        mpg123_delete(decoder);
        return refuse("cannot be decoded to 44100 Hz stereo");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    decoder_ = decoder;
    return true;
}

std::chrono::microseconds SdlAudioDevice::bufferDuration() const
{
    return std::chrono::microseconds(bufferFrames_ * 1000000 / kRate);
}

void SdlAudioDevice::startWallClock(std::int64_t frames, Clock::time_point from)
{
    std::lock_guard<std::mutex> lock(mutex_);
    wallStart_ = from;
    wallStartFrames_ = frames;
    wallRead_ = from;
}

std::int64_t SdlAudioDevice::wallFrames(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::duration step = now - wallRead_;
    if (step > kLongestStep) {
        wallStart_ += step - kLongestStep;
    }
    wallRead_ = std::max(wallRead_, now);
    return wallFramesAt(now);
}

std::int64_t SdlAudioDevice::wallFramesAt(Clock::time_point now) const
{
    return wallStartFrames_ + framesBetween(wallStart_, now);
}

void SdlAudioDevice::watchDevice(Clock::time_point now)
{
    if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
        Progress progress;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            progress = progress_;
            rejoin_ = Rejoin{};
        }
        SDL_CloseAudioDevice(device_);
        device_ = 0;
        // Past the end of the music, or without music, nothing is lost but silence.
        deviceLost_ = !onWallClock_ || rejoining_;
        if (!deviceLost_) {
            return;
        }
        if (!rejoining_) {
            // The show runs on from the last callback's position as heard, at the wall clock's rate.
            const std::int64_t heard = progress.started ? progress.framesHanded - 2 * bufferFrames_ : lastFrames_;
            onWallClock_ = true;
            startWallClock(std::max<std::int64_t>(heard, 0), progress.started ? progress.handedAt : now);
        }
        rejoining_ = false;
        nextReopen_ = now + kReopenInterval;
        std::fprintf(stderr, "Sound device lost at %.2f s: the show goes on silent, and the music comes back when a "
                             "device opens\n", static_cast<double>(lastFrames_) / kRate);
        return;
    }
    if (!deviceLost_ || now < nextReopen_) {
        return;
    }
    nextReopen_ = now + kReopenInterval;
    // The driver may have lost its sound server with the device: its audio starts afresh.
    if (audioStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioStarted_ = false;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return;
    }
    audioStarted_ = true;
    if (!openDevice()) {
        return;
    }
    deviceLost_ = false;
    rejoining_ = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rejoin_ = Rejoin{};
        rejoin_.waiting = true;
    }
    std::fprintf(stderr, "Sound device open again: the music comes back at the show's position\n");
    SDL_PauseAudioDevice(device_, 0);
}

void SdlAudioDevice::closeDecoder()
{
    if (decoder_ != nullptr) {
        mpg123_delete(decoder_);
        decoder_ = nullptr;
    }
}
