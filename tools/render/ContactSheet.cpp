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

} // namespace

ContactSheet::ContactSheet(int frameWidth, int frameHeight)
    : frameWidth(frameWidth), frameHeight(frameHeight),
      thumbnailHeight(std::max(1, static_cast<int>(std::lround(kThumbnailWidth * double(frameHeight) / frameWidth))))
{
}

void ContactSheet::addScene(const std::string& keyword, double start, double end)
{
    for (int quarter = 1; quarter <= 3; ++quarter) {
        slots.push_back({keyword, start + (end - start) * quarter / 4.0, false, 0.0, {}});
    }
}

int ContactSheet::missing() const
{
    return static_cast<int>(std::count_if(slots.begin(), slots.end(), [](const Slot& s) { return !s.filled; }));
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
    for (Slot& slot : slots) {
        if (!slot.filled && time >= slot.time) {
            shrink(frame, slot.thumbnail);
            slot.filled = true;
            slot.filledAt = time;
        }
    }
}

void ContactSheet::takeEarlierFrames(const ContactSheet& part)
{
    for (std::size_t i = 0; i < slots.size() && i < part.slots.size(); ++i) {
        const Slot& offered = part.slots[i];
        if (offered.filled && (!slots[i].filled || offered.filledAt < slots[i].filledAt)) {
            slots[i] = offered;
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
    const std::uint32_t header[3] = {static_cast<std::uint32_t>(slots.size()), kThumbnailWidth,
                                     static_cast<std::uint32_t>(thumbnailHeight)};
    bool written = std::fwrite(header, sizeof header, 1, file) == 1;
    for (const Slot& slot : slots) {
        const std::uint32_t length = static_cast<std::uint32_t>(slot.keyword.size());
        const std::uint8_t filled = slot.filled ? 1 : 0;
        written = written && std::fwrite(&length, sizeof length, 1, file) == 1 &&
                  std::fwrite(slot.keyword.data(), 1, length, file) == length &&
                  std::fwrite(&slot.time, sizeof slot.time, 1, file) == 1 &&
                  std::fwrite(&filled, 1, 1, file) == 1 && std::fwrite(&slot.filledAt, sizeof slot.filledAt, 1, file) == 1;
        if (slot.filled) {
            written = written && std::fwrite(slot.thumbnail.data(), 1, slot.thumbnail.size(), file) == slot.thumbnail.size();
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
    std::uint32_t header[3] = {};
    bool read = std::fread(header, sizeof header, 1, file) == 1 && header[1] == kThumbnailWidth &&
                static_cast<int>(header[2]) == thumbnailHeight;
    std::vector<Slot> loaded(read ? header[0] : 0);
    const std::size_t thumbnailBytes = static_cast<std::size_t>(kThumbnailWidth) * thumbnailHeight * 4;
    for (Slot& slot : loaded) {
        std::uint32_t length = 0;
        std::uint8_t filled = 0;
        read = read && std::fread(&length, sizeof length, 1, file) == 1 && length < 256;
        slot.keyword.resize(read ? length : 0);
        read = read && std::fread(slot.keyword.data(), 1, length, file) == length &&
               std::fread(&slot.time, sizeof slot.time, 1, file) == 1 && std::fread(&filled, 1, 1, file) == 1 &&
               std::fread(&slot.filledAt, sizeof slot.filledAt, 1, file) == 1;
        slot.filled = filled != 0;
        if (read && slot.filled) {
            slot.thumbnail.resize(thumbnailBytes);
            read = std::fread(slot.thumbnail.data(), 1, thumbnailBytes, file) == thumbnailBytes;
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
    slots = std::move(loaded);
    return true;
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
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const Slot& slot = slots[i];
        const int left = kMargin + static_cast<int>(i % kColumns) * cellWidth;
        const int top = kMargin + static_cast<int>(i / kColumns) * cellHeight;
        for (int y = 0; y < thumbnailHeight; ++y) {
            for (int x = 0; x < kThumbnailWidth; ++x) {
                std::uint8_t* out = &sheet[(static_cast<std::size_t>(top + y) * width + left + x) * 4];
                if (slot.filled) {
                    std::copy_n(&slot.thumbnail[(static_cast<std::size_t>(y) * kThumbnailWidth + x) * 4], 3, out);
                } else {
                    std::copy_n(kEmpty, 3, out);
                }
            }
        }
        if (text.isOpen()) {
            std::string keyword = slot.keyword;
            keyword.erase(std::remove(keyword.begin(), keyword.end(), '\n'), keyword.end());
            char label[96];
            std::snprintf(label, sizeof label, "%s  %.2f s", keyword.c_str(), slot.time);
            text.draw(label, kLabelSize, static_cast<float>(left), static_cast<float>(top + thumbnailHeight + 16),
                      0.0f, labels, unused);
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
