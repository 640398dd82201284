#pragma once

#include "gl/FixedFunctionTable.h"

#include <GL/glew.h>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

// The programs of the fixed-function source, one for each flag word a draw uses, made the first time it is
// asked for; one that fails is kept as failed and never made again. Each remembers the uniform values last
// uploaded to it, so a draw uploads only what changed since that program last drew. No GL calls: the
// making is handed in.
class ProgramVariants {
public:
    struct Variant {
        GLuint program = 0; // 0: it failed
        GLint locations[fixed_function::kUniformCount] = {};
        fixed_function::UniformValues uploaded;
        std::uint32_t uploadedMask = 0;
    };
    // Makes the program for a flag word and fills in its uniform locations (-1 where it has none); 0 when it
    // does not compile or link.
    using Make = std::function<GLuint(int flags, GLint* locations)>;

    explicit ProgramVariants(Make make) : make(std::move(make)) {}

    // Null when the variant failed, the first time and every time after.
    Variant* find(int flags);
    // The uniforms of the variant whose values differ from those last uploaded to it, or were never uploaded,
    // each as the bit of its place in the table; they count as uploaded from now on. Samplers and uniforms
    // the variant lacks are left out.
    static std::uint32_t changed(Variant& variant, const fixed_function::UniformValues& values);
    // Every program made, for deleting them.
    std::vector<GLuint> programs() const;
    void clear() { variants.clear(); }

private:
    Make make;
    std::unordered_map<int, Variant> variants;
};
