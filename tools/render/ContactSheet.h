#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One picture of the whole show: three thumbnails per scene, near a quarter, a half and three quarters of its
// span, each labelled with the scene's keyword and the time of the frame it shows. A slot does not take the frame
// at its exact time, which lies on a beat and so may catch a flash at full strength: it looks at the frames a
// quarter of a second apart within a second either side (inside the scene) and shows the one whose light is
// closest to the median light of all the frames its scene's slots looked at, the nearest to its time on a tie.
// A flash whites out a few of those frames, never most of a scene's.
class ContactSheet {
public:
    static constexpr int kThumbnailWidth = 256;
    static constexpr int kColumns = 3;
    static constexpr const char* kLabelFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    // The frames a slot looks at: this many either side of its time, this far apart.
    static constexpr int kSamplesEachSide = 4;
    static constexpr double kSampleSpacing = 0.25;

    ContactSheet(int frameWidth, int frameHeight);

    // Adds a row of three slots for a scene playing from `start` to `end`.
    void addScene(const std::string& keyword, double start, double end);
    // Offers a rendered frame (RGBA, bottom row first); it fills every wanted sample whose time it is the first
    // frame at or after, within the sample's scene.
    void offer(double time, const std::vector<std::uint8_t>& frame);
    // Samples still waiting for a frame.
    int missing() const;
    bool write(const std::string& path, const std::string& fontPath, std::string* error) const;

    // Where slot `index`'s thumbnail lies on the written sheet (pixels, top row first).
    struct Area {
        int left;
        int top;
        int width;
        int height;
    };
    Area thumbnailArea(std::size_t index) const;
    // The mean light (Rec. 709 luma, 0 to 255) of RGBA pixels: how a slot compares its frames.
    static double light(const std::vector<std::uint8_t>& rgba);

    // The samples as they stand, for a sheet rendered in parts: each part fills what its own frames can,
    // and the parts' samples are joined into the one sheet a single run makes.
    bool saveSlots(const std::string& path, std::string* error) const;
    bool loadSlots(const std::string& path, std::string* error);
    // Takes every sample `part` filled with an earlier frame than this sheet did.
    void takeEarlierFrames(const ContactSheet& part);

private:
    struct Slot {
        std::string keyword;
        double time;
        double sceneEnd;
    };
    struct Sample {
        std::uint32_t slot;
        double time;
        bool filled = false;
        double filledAt = 0.0; // the time of the frame it holds
        std::vector<std::uint8_t> thumbnail; // RGBA, top row first
    };
    void shrink(const std::vector<std::uint8_t>& frame, std::vector<std::uint8_t>& thumbnail) const;
    // The sample each slot shows, or null where none was filled.
    std::vector<const Sample*> choose() const;

    int frameWidth;
    int frameHeight;
    int thumbnailHeight;
    std::vector<Slot> slots; // three a scene, in order
    std::vector<Sample> samples;
};
