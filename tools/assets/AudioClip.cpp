#include "tools/assets/AudioClip.h"

#include <utility>

AudioClip::AudioClip(std::vector<float> mono) : left_(std::move(mono)) {}
