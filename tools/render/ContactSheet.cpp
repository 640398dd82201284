#include "tools/render/ContactSheet.h"

#include "tools/shared/CoverageMask.h"
#include "tools/shared/PngWriter.h"
#include "tools/shared/TextRenderer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMargin = 8;
constexpr int kLabelHeight = 22;
constexpr float kLabelSize = 14.0f;
constexpr std::uint8_t kBackground[3] = {24, 24, 28};
constexpr std::uint8_t kEmpty[3] = {60, 60, 66};
constexpr double kLuma[3] = {0.2126, 0.7152, 0.0722}; // Rec. 709
constexpr std::uint32_t kMostSlots = 1024;             // far more than a show has: a bound for a damaged file

} // namespace

ContactSheet::ContactSheet(int frameWidth, int frameHeight)
    : frameWidth(frameWidth), frameHeight(frameHeight),
      thumbnailHeight(std::max(1, static_cast<int>(std::lround(kThumbnailWidth * double(frameHeight) / frameWidth))))
{
}

void ContactSheet::addScene(const std::string& keyword, double start, double end)
{
    for (int quarter = 1; quarter <= 3; ++quarter) {
        const double time = start + (end - start) * quarter / 4.0;
        const auto slot = static_cast<std::uint32_t>(slots.size());
        slots.push_back({keyword, time, end});
        for (int step = -kSamplesEachSide; step <= kSamplesEachSide; ++step) {
            const double at = time + step * kSampleSpacing;
            if (at >= start && at < end) {
                samples.push_back({slot, at, false, 0.0, {}});
            }
        }
    }
}

int ContactSheet::missing() const
{
    return static_cast<int>(std::count_if(samples.begin(), samples.end(), [](const Sample& s) { return !s.filled; }));
}

// Box filter: each thumbnail pixel averages the frame pixels it covers. Frames come bottom row first.
void ContactSheet::shrink(const std::vector<std::uint8_t>& frame, std::vector<std::uint8_t>& thumbnail) const
{
    thumbnail.assign(static_cast<std::size_t>(kThumbnailWidth) * thumbnailHeight * 4, 0);
    for (int ty = 0; ty < thumbnailHeight; ++ty) {
        const int y0 = ty * frameHeight / thumbnailHeight;
        const int y1 = std::max(y0 + 1, (ty + 1) * frameHeight / thumbnailHeight);
        for (int tx = 0; tx < kThumbnailWidth; ++tx) {
            const int x0 = tx * frameWidth / kThumbnailWidth;
            const int x1 = std::max(x0 + 1, (tx + 1) * frameWidth / kThumbnailWidth);
            unsigned sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* row = &frame[static_cast<std::size_t>(frameHeight - 1 - y) * frameWidth * 4];
                for (int x = x0; x < x1; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += row[x * 4 + c];
                    }
                }
            }
            const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            std::uint8_t* out = &thumbnail[(static_cast<std::size_t>(ty) * kThumbnailWidth + tx) * 4];
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<std::uint8_t>(sum[c] / count);
            }
            out[3] = 255;
        }
    }
}

void ContactSheet::offer(double time, const std::vector<std::uint8_t>& frame)
{
    for (Sample& sample : samples) {
        if (!sample.filled && time >= sample.time && time < slots[sample.slot].sceneEnd) {
            shrink(frame, sample.thumbnail);
            sample.filled = true;
            sample.filledAt = time;
        }
    }
}

double ContactSheet::light(const std::vector<std::uint8_t>& rgba)
{
    double sum = 0.0;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        sum += kLuma[0] * rgba[i] + kLuma[1] * rgba[i + 1] + kLuma[2] * rgba[i + 2];
    }
    return rgba.empty() ? 0.0 : sum / static_cast<double>(rgba.size() / 4);
}

std::vector<const ContactSheet::Sample*> ContactSheet::choose() const
{
    std::vector<double> lights(samples.size());
    std::vector<double> median(slots.size() / 3 + 1, 0.0);
    for (std::size_t scene = 0; scene * 3 < slots.size(); ++scene) {
        std::vector<double> seen;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (samples[i].filled && samples[i].slot / 3 == scene) {
                lights[i] = light(samples[i].thumbnail);
                seen.push_back(lights[i]);
            }
        }
        if (!seen.empty()) {
            std::nth_element(seen.begin(), seen.begin() + static_cast<std::ptrdiff_t>(seen.size() / 2), seen.end());
            median[scene] = seen[seen.size() / 2];
        }
    }
    std::vector<const Sample*> chosen(slots.size(), nullptr);
    std::vector<std::pair<double, double>> best(slots.size()); // distance from the median, then from the slot's time
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample& sample = samples[i];
        if (!sample.filled) {
            continue;
        }
        const std::pair<double, double> score = {std::abs(lights[i] - median[sample.slot / 3]),
                                                 std::abs(sample.time - slots[sample.slot].time)};
        if (chosen[sample.slot] == nullptr || score < best[sample.slot]) {
            chosen[sample.slot] = &sample;
            best[sample.slot] = score;
        }
    }
    return chosen;
}

void ContactSheet::takeEarlierFrames(const ContactSheet& part)
{
    for (std::size_t i = 0; i < samples.size() && i < part.samples.size(); ++i) {
        const Sample& offered = part.samples[i];
        if (offered.filled && (!samples[i].filled || offered.filledAt < samples[i].filledAt)) {
            samples[i] = offered;
        }
    }
}

bool ContactSheet::saveSlots(const std::string& path, std::string* error) const
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::uint32_t header[4] = {static_cast<std::uint32_t>(slots.size()),
                                     static_cast<std::uint32_t>(samples.size()), kThumbnailWidth,
                                     static_cast<std::uint32_t>(thumbnailHeight)};
    bool written = std::fwrite(header, sizeof header, 1, file) == 1;
    for (const Slot& slot : slots) {
        const std::uint32_t length = static_cast<std::uint32_t>(slot.keyword.size());
        written = written && std::fwrite(&length, sizeof length, 1, file) == 1 &&
                  std::fwrite(slot.keyword.data(), 1, length, file) == length &&
                  std::fwrite(&slot.time, sizeof slot.time, 1, file) == 1 &&
                  std::fwrite(&slot.sceneEnd, sizeof slot.sceneEnd, 1, file) == 1;
    }
    for (const Sample& sample : samples) {
        const std::uint8_t filled = sample.filled ? 1 : 0;
        written = written && std::fwrite(&sample.slot, sizeof sample.slot, 1, file) == 1 &&
                  std::fwrite(&sample.time, sizeof sample.time, 1, file) == 1 &&
                  std::fwrite(&filled, 1, 1, file) == 1 &&
                  std::fwrite(&sample.filledAt, sizeof sample.filledAt, 1, file) == 1;
        if (sample.filled) {
            written = written &&
                      std::fwrite(sample.thumbnail.data(), 1, sample.thumbnail.size(), file) == sample.thumbnail.size();
        }
    }
    const int reason = errno;
    if (std::fclose(file) != 0 || !written) {
        *error = "cannot write " + path + ": " + std::strerror(written ? errno : reason);
        return false;
    }
    return true;
}

bool ContactSheet::loadSlots(const std::string& path, std::string* error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::uint32_t header[4] = {};
    bool read = std::fread(header, sizeof header, 1, file) == 1 && header[2] == kThumbnailWidth &&
                static_cast<int>(header[3]) == thumbnailHeight && header[0] < kMostSlots &&
                header[1] <= header[0] * (2 * kSamplesEachSide + 1);
    std::vector<Slot> loadedSlots(read ? header[0] : 0);
    std::vector<Sample> loadedSamples(read ? header[1] : 0);
    for (Slot& slot : loadedSlots) {
        std::uint32_t length = 0;
        read = read && std::fread(&length, sizeof length, 1, file) == 1 && length < 256;
        slot.keyword.resize(read ? length : 0);
        read = read && std::fread(slot.keyword.data(), 1, length, file) == length &&
               std::fread(&slot.time, sizeof slot.time, 1, file) == 1 &&
               std::fread(&slot.sceneEnd, sizeof slot.sceneEnd, 1, file) == 1;
    }
    const std::size_t thumbnailBytes = static_cast<std::size_t>(kThumbnailWidth) * thumbnailHeight * 4;
    for (Sample& sample : loadedSamples) {
        std::uint8_t filled = 0;
        read = read && std::fread(&sample.slot, sizeof sample.slot, 1, file) == 1 && sample.slot < header[0] &&
               std::fread(&sample.time, sizeof sample.time, 1, file) == 1 && std::fread(&filled, 1, 1, file) == 1 &&
               std::fread(&sample.filledAt, sizeof sample.filledAt, 1, file) == 1;
        sample.filled = filled != 0;
        if (read && sample.filled) {
            sample.thumbnail.resize(thumbnailBytes);
            read = std::fread(sample.thumbnail.data(), 1, thumbnailBytes, file) == thumbnailBytes;
        }
        if (!read) {
            break;
        }
    }
    std::fclose(file);
    if (!read) {
        *error = "cannot read " + path + ": not a whole set of contact-sheet slots";
        return false;
    }
    slots = std::move(loadedSlots);
    samples = std::move(loadedSamples);
    return true;
}

ContactSheet::Area ContactSheet::thumbnailArea(std::size_t index) const
{
    return {kMargin + static_cast<int>(index % kColumns) * (kThumbnailWidth + kMargin),
            kMargin + static_cast<int>(index / kColumns) * (thumbnailHeight + kLabelHeight + kMargin), kThumbnailWidth,
            thumbnailHeight};
}

bool ContactSheet::write(const std::string& path, const std::string& fontPath, std::string* error) const
{
    const int rows = static_cast<int>((slots.size() + kColumns - 1) / kColumns);
    const int cellWidth = kThumbnailWidth + kMargin;
    const int cellHeight = thumbnailHeight + kLabelHeight + kMargin;
    const int width = kMargin + kColumns * cellWidth;
    const int height = kMargin + std::max(rows, 1) * cellHeight;
    std::vector<std::uint8_t> sheet(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < sheet.size(); i += 4) {
        sheet[i] = kBackground[0];
        sheet[i + 1] = kBackground[1];
        sheet[i + 2] = kBackground[2];
        sheet[i + 3] = 255;
    }

    TextRenderer text(fontPath);
    CoverageMask labels(width, height);
    CoverageMask unused(width, height);
    const std::vector<const Sample*> chosen = choose();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const Sample* sample = chosen[i];
        const Area area = thumbnailArea(i);
        for (int y = 0; y < thumbnailHeight; ++y) {
            for (int x = 0; x < kThumbnailWidth; ++x) {
                std::uint8_t* out = &sheet[(static_cast<std::size_t>(area.top + y) * width + area.left + x) * 4];
                if (sample != nullptr) {
                    std::copy_n(&sample->thumbnail[(static_cast<std::size_t>(y) * kThumbnailWidth + x) * 4], 3, out);
                } else {
                    std::copy_n(kEmpty, 3, out);
                }
            }
        }
        if (text.isOpen()) {
            std::string keyword = slots[i].keyword;
            keyword.erase(std::remove(keyword.begin(), keyword.end(), '\n'), keyword.end());
            char label[96];
            std::snprintf(label, sizeof label, "%s  %.2f s", keyword.c_str(),
                          sample != nullptr ? sample->filledAt : slots[i].time);
            text.draw(label, kLabelSize, static_cast<float>(area.left),
                      static_cast<float>(area.top + thumbnailHeight + 16), 0.0f, labels, unused);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float coverage = labels.at(x, y);
            if (coverage > 0.0f) {
                std::uint8_t* out = &sheet[(static_cast<std::size_t>(y) * width + x) * 4];
                for (int c = 0; c < 3; ++c) {
                    out[c] = static_cast<std::uint8_t>(out[c] + (235 - out[c]) * coverage);
                }
            }
        }
    }
    return PngWriter::write(path, width, height, sheet, error);
}
