#pragma once

#include <cstddef>
#include <vector>

// A sound as float samples at 44100 Hz: one channel when `right` is empty, two otherwise.
class AudioClip {
public:
    AudioClip() = default;
    // A mono clip.
    explicit AudioClip(std::vector<float> mono);

    std::size_t frames() const { return left_.size(); }
    bool isMono() const { return right_.empty(); }

    std::vector<float>& left() { return left_; }
    std::vector<float>& right() { return right_; }
    const std::vector<float>& left() const { return left_; }
    const std::vector<float>& right() const { return right_; }

private:
    std::vector<float> left_;
    std::vector<float> right_;
};
