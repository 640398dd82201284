#pragma once

#include <cstdint>

// Whether GL's buffer-object entry points are loaded yet: objects made before the context (benchmarks
// build scenes without one) upload at their first draw instead.
bool bufferObjectsReady();
// A new buffer object bound to `target` (GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER) holding `bytes` of
// `data` for static drawing, counted as an upload; it stays bound.
unsigned uploadStaticBuffer(unsigned target, const void* data, std::uint64_t bytes);
// Replaces what `buffer` holds with `bytes` of `data`, the same way; it stays bound.
void uploadStaticBuffer(unsigned target, unsigned buffer, const void* data, std::uint64_t bytes);
