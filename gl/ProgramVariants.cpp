#include "gl/ProgramVariants.h"

#include <cstring>

static_assert(fixed_function::kUniformCount <= 32, "the uniforms' bits fit one word");

ProgramVariants::Variant* ProgramVariants::find(int flags)
{
    const auto found = variants.find(flags);
    if (found != variants.end()) {
        return found->second.program != 0 ? &found->second : nullptr;
    }
    Variant& variant = variants[flags];
    variant.program = make(flags, variant.locations);
    return variant.program != 0 ? &variant : nullptr;
}

std::uint32_t ProgramVariants::changed(Variant& variant, const fixed_function::UniformValues& values)
{
    std::uint32_t mask = 0;
    for (int u = 0; u < fixed_function::kUniformCount; ++u) {
        const fixed_function::UniformType type = fixed_function::kUniforms[u].type;
        if (type == fixed_function::UniformType::Sampler || variant.locations[u] < 0) {
            continue;
        }
        const std::uint32_t bit = std::uint32_t{1} << u;
        // Compared as bits: a value that prints the same but is not (-0, NaN) is uploaded.
        const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(fixed_function::componentsOf(type));
        if ((variant.uploadedMask & bit) == 0 || std::memcmp(variant.uploaded.rows[u], values.rows[u], bytes) != 0) {
            std::memcpy(variant.uploaded.rows[u], values.rows[u], bytes);
            mask |= bit;
        }
    }
    variant.uploadedMask |= mask;
    return mask;
}

std::vector<GLuint> ProgramVariants::programs() const
{
    std::vector<GLuint> made;
    for (const auto& [flags, variant] : variants) {
        if (variant.program != 0) {
            made.push_back(variant.program);
        }
    }
    return made;
}
