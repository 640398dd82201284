#include "geometry/BufferUpload.h"

#include "geometry/DrawCounter.h"

#include "gl/GL.h"

bool bufferObjectsReady() { return gl::hasEntryPoint(glGenBuffers); }

unsigned uploadStaticBuffer(unsigned target, const void* data, std::uint64_t bytes)
{
    GLuint name = 0;
    gl::genBuffers(1, &name);
    uploadStaticBuffer(target, name, data, bytes);
    return name;
}

void uploadStaticBuffer(unsigned target, unsigned buffer, const void* data, std::uint64_t bytes)
{
    gl::bindBuffer(target, buffer);
    gl::bufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    DrawCounter::countUpload(bytes);
}
