#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One picture of the whole show: three thumbnails per scene, at a quarter, a half and three quarters
// of its span, each labelled with the scene's keyword and time.
class ContactSheet {
public:
    static constexpr int kThumbnailWidth = 256;
    static constexpr int kColumns = 3;
    static constexpr const char* kLabelFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

    ContactSheet(int frameWidth, int frameHeight);

    // Adds a row of three wanted times for a scene playing from `start` to `end`.
    void addScene(const std::string& keyword, double start, double end);
    // Offers a rendered frame (RGBA, bottom row first); it fills every wanted slot whose time it is
    // the first frame at or after.
    void offer(double time, const std::vector<std::uint8_t>& frame);
    // Slots still waiting for a frame.
    int missing() const;
    bool write(const std::string& path, const std::string& fontPath, std::string* error) const;

    // The slots as they stand, for a sheet rendered in parts: each part fills what its own frames can,
    // and the parts' slots are joined into the one sheet a single run makes.
    bool saveSlots(const std::string& path, std::string* error) const;
    bool loadSlots(const std::string& path, std::string* error);
    // Takes every slot `part` filled with an earlier frame than this sheet did.
    void takeEarlierFrames(const ContactSheet& part);

private:
    struct Slot {
        std::string keyword;
        double time;
        bool filled = false;
        double filledAt = 0.0; // the time of the frame it shows
        std::vector<std::uint8_t> thumbnail; // RGBA, top row first
    };
    void shrink(const std::vector<std::uint8_t>& frame, std::vector<std::uint8_t>& thumbnail) const;

    int frameWidth;
    int frameHeight;
    int thumbnailHeight;
    std::vector<Slot> slots;
};
