#include "gl/ClientArrayStreams.h"

#include "gl/FixedFunctionTable.h"

#include <algorithm>
#include <cstddef>

namespace {

using State = FixedFunctionState;

constexpr GLuint kLocations[] = {fixed_function::Position, fixed_function::Normal, fixed_function::Color,
                                 fixed_function::TexCoord};

const void* offsetPointer(std::size_t offset) { return reinterpret_cast<const void*>(offset); }

} // namespace

bool ClientArrayStreams::reach(const State::Arrays& arrays, const BufferCopies& copies, GLsizei count,
                               const void* indices, Reach* reach)
{
    bool anyClient = false;
    bool anyBuffer = false;
    for (const State::ClientArray& array : arrays.slots) {
        if (array.enabled) {
            (array.buffer == 0 ? anyClient : anyBuffer) = true;
        }
    }
    *reach = Reach();
    if (anyClient || arrays.elementBuffer == 0) {
        reach->cpuIndices = reinterpret_cast<const std::uint32_t*>(copies.indices(arrays.elementBuffer, indices));
        if (reach->cpuIndices == nullptr) {
            return false;
        }
    }
    if (anyClient) {
        const auto [low, high] = std::minmax_element(reach->cpuIndices, reach->cpuIndices + count);
        reach->lowest = anyBuffer ? 0 : *low;
        reach->highest = *high;
    }
    return true;
}

void ClientArrayStreams::create()
{
    for (StreamBuffer& stream : vertexStreams) {
        stream.create();
    }
    indexStream.create();
}

void ClientArrayStreams::releaseDeviceObjects()
{
    for (StreamBuffer& stream : vertexStreams) {
        stream.destroy();
    }
    indexStream.destroy();
}

void ClientArrayStreams::draw(GLenum mode, GLsizei count, const void* indices, const Reach& reach,
                              const State::Arrays& arrays, const State::Current& current)
{
    const std::uint32_t lowest = reach.lowest;
    const std::uint32_t highest = reach.highest;
    // Where the client arrays interleave (immediate mode), the span they share goes up once.
    bool anyClient = false;
    std::uintptr_t spanBegin = UINTPTR_MAX, spanEnd = 0, separateBytes = 0;
    for (const State::ClientArray& array : arrays.slots) {
        if (array.enabled && array.buffer == 0) {
            const std::uintptr_t stride = array.strideInBytes();
            const auto start = reinterpret_cast<std::uintptr_t>(array.pointer) + std::uintptr_t{lowest} * stride;
            const std::uintptr_t bytes = std::uintptr_t{highest - lowest} * stride + array.size * sizeof(float);
            spanBegin = std::min(spanBegin, start);
            spanEnd = std::max(spanEnd, start + bytes);
            separateBytes += bytes;
            anyClient = true;
        }
    }
    const bool sharedSpan = anyClient && spanEnd - spanBegin <= separateBytes;
    const std::size_t spanOffset =
        sharedSpan ? first().write(reinterpret_cast<const void*>(spanBegin), spanEnd - spanBegin) : 0;
    for (int slot = 0; slot < State::SlotCount; ++slot) {
        const State::ClientArray& array = arrays.slots[slot];
        const GLuint location = kLocations[slot];
        if (!array.enabled) {
            glDisableVertexAttribArray(location);
            float value[4];
            current.value(slot, value);
            glVertexAttrib4fv(location, value);
            continue;
        }
        const GLsizei stride = array.strideInBytes();
        if (array.buffer != 0) {
            glBindBuffer(GL_ARRAY_BUFFER, array.buffer);
            glVertexAttribPointer(location, array.size, GL_FLOAT, GL_FALSE, stride, array.pointer);
        } else {
            const auto start = reinterpret_cast<std::uintptr_t>(array.pointer) + std::uintptr_t{lowest} * stride;
            std::size_t offset = 0;
            if (sharedSpan) {
                glBindBuffer(GL_ARRAY_BUFFER, first().name());
                offset = spanOffset + (start - spanBegin);
            } else {
                const std::size_t bytes = std::size_t{highest - lowest} * stride + array.size * sizeof(float);
                offset = vertexStreams[slot].write(reinterpret_cast<const void*>(start), bytes);
            }
            glVertexAttribPointer(location, array.size, GL_FLOAT, GL_FALSE, stride, offsetPointer(offset));
        }
        glEnableVertexAttribArray(location);
    }
    // The line quads' own attributes follow the four; a draw as given has none of them.
    for (GLuint location = fixed_function::OtherEnd; location < fixed_function::kAttributeCount; ++location) {
        glDisableVertexAttribArray(location);
    }
    const std::uint32_t* cpu = reach.cpuIndices;
    const void* offset = indices;
    if (cpu != nullptr) {
        if (lowest != 0) {
            rebased.resize(static_cast<std::size_t>(count));
            std::transform(cpu, cpu + count, rebased.begin(), [lowest](std::uint32_t i) { return i - lowest; });
            cpu = rebased.data();
        }
        offset = offsetPointer(indexStream.write(cpu, static_cast<std::size_t>(count) * 4));
    } else {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, arrays.elementBuffer);
    }
    glDrawElements(mode, count, GL_UNSIGNED_INT, offset);
}
