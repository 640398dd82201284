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
    if (device_ == 0) {
        std::fprintf(stderr, "No sound: cannot open an audio device: %s\n", SDL_GetError());
        return false;
    }
    bufferFrames_ = obtained.samples;
    return true;
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
    }
    playing_ = false;
    onWallClock_ = false;
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
    onWallClock_ = device_ == 0 || decoder_ == nullptr;
    wallStart_ = Clock::now();
    wallStartFrames_ = startFrames_;
    lastFrames_ = startFrames_;
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, 0);
    }
    return true;
}

std::int64_t SdlAudioDevice::position(Stream stream)
{
    if (stream == 0 || stream != stream_ || !playing_) {
        return 0;
    }
    std::int64_t frames = 0;
    if (onWallClock_) {
        frames = wallStartFrames_ + framesBetween(wallStart_, Clock::now());
    } else {
        Progress progress;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            progress = progress_;
        }
        if (progress.started) {
            const Clock::time_point now = Clock::now();
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
                wallStart_ = now;
                wallStartFrames_ = std::max(frames, lastFrames_);
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
    const Clock::time_point now = Clock::now();
    const auto size = static_cast<std::size_t>(length);
    std::size_t filled = 0;
    std::lock_guard<std::mutex> lock(mutex_);
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

void SdlAudioDevice::closeDecoder()
{
    if (decoder_ != nullptr) {
        mpg123_delete(decoder_);
        decoder_ = nullptr;
    }
}
