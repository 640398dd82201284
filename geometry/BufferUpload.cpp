#include "geometry/BufferUpload.h"

#include "geometry/DrawCounter.h"

#include <GL/glew.h>

bool bufferObjectsReady() { return glGenBuffers != nullptr; }

unsigned uploadStaticBuffer(unsigned target, const void* data, std::uint64_t bytes)
{
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(target, name);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    DrawCounter::countUpload(bytes);
    return name;
}
