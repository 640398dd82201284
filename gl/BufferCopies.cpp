#include "gl/BufferCopies.h"

void BufferCopies::keep(GLuint buffer, const void* data, std::size_t size)
{
    std::vector<std::uint8_t>& copy = contents[buffer];
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (bytes != nullptr) {
        copy.assign(bytes, bytes + size);
    } else {
        copy.assign(size, 0);
    }
}

void BufferCopies::forget(GLuint buffer) { contents.erase(buffer); }

FixedFunctionState::Sources BufferCopies::sources(const FixedFunctionState::Arrays& arrays) const
{
    FixedFunctionState::Sources sources;
    for (int slot = 0; slot < FixedFunctionState::SlotCount; ++slot) {
        const FixedFunctionState::ClientArray& array = arrays.slots[slot];
        if (!array.enabled) {
            continue;
        }
        const std::uint8_t* base = nullptr;
        if (array.buffer == 0) {
            base = static_cast<const std::uint8_t*>(array.pointer);
        } else {
            const auto found = contents.find(array.buffer);
            if (found != contents.end()) {
                base = found->second.data() + reinterpret_cast<std::uintptr_t>(array.pointer);
            }
        }
        sources.data[slot] = base;
        sources.size[slot] = array.size;
        sources.stride[slot] = array.strideInBytes();
    }
    return sources;
}

const std::uint8_t* BufferCopies::indices(GLuint elementBuffer, const void* indices) const
{
    if (elementBuffer == 0) {
        return static_cast<const std::uint8_t*>(indices);
    }
    const auto found = contents.find(elementBuffer);
    return found == contents.end() ? nullptr : found->second.data() + reinterpret_cast<std::uintptr_t>(indices);
}
