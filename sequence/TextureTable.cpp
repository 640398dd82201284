#include "sequence/TextureTable.h"

#include "gl/GL.h"
#include "sequence/PngReader.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

TextureTable& TextureTable::instance()
{
    static TextureTable table;
    return table;
}

TextureTable::~TextureTable() { freeEntries(); }

void TextureTable::reserveNames(int count)
{
    if (count < 0) {
        count = 0;
    }
    gl::enable(GL_TEXTURE_2D);
    nameArrays.emplace_back(static_cast<std::size_t>(count));
    names = nameArrays.back().data();
    capacity = count;
    gl::genTextures(count, names);
    nextName = 0;
}

bool TextureTable::loadTexture(const char* fileName, GLint minFilter, GLint magFilter)
{
    if (minFilter != GL_NEAREST && minFilter != GL_LINEAR) {
        std::printf("Error loading texture %s, wrong MIN filter used!\n", fileName);
        return false;
    }
    if (magFilter != GL_NEAREST && magFilter != GL_LINEAR) {
        std::printf("Error loading texture %s, wrong MAG filter used!\n", fileName);
        return false;
    }
    // Loading more files than names were reserved for is refused rather than overrunning names.
    if (nextName >= capacity) {
        std::printf("Error loading texture %s, no texture name left!\n", fileName);
        return false;
    }

    int width = 0;
    int height = 0;
    int channels = 0;
    int decodedChannels = 0;
    unsigned char* pixels = readPng((folder + fileName).c_str(), width, height, channels, &decodedChannels);
    if (pixels == nullptr) {
        return false;
    }

    // Reports the channel count the file stores, under this label, for every image that decodes.
    std::printf("Bit depth %d \n", channels);
    GLint maxSize = 0;
    gl::getIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width > maxSize || height > maxSize) {
        std::printf("Error loading texture %s, %dx%d is larger than %d!\n", fileName, width, height, maxSize);
        std::free(pixels);
        return false;
    }

    gl::bindTexture(GL_TEXTURE_2D, names[nextName]);
    // Upload in the decoded layout (palette, grey and tRNS images arrive as RGB or RGBA), from
    // tightly packed rows; the caller's unpack alignment is put back afterwards.
    GLint previousAlignment = 4;
    gl::getIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    gl::pixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (decodedChannels == 4) {
        gl::texImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else if (decodedChannels == 3) {
        gl::texImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    }
    gl::pixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    gl::texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    gl::texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    std::free(pixels);

    const GLenum error = gl::getError();
    if (error != GL_NO_ERROR) {
        std::printf("..%d", static_cast<int>(error));
        return false;
    }
    auto* entry = new TextureEntry;
    // Bounded like the record: at most 254 characters and the terminating zero.
    std::snprintf(entry->fileName, 255, "%s", fileName);
    entry->glName = names[nextName];
    entries.push_back(entry);
    ++nextName;
    return true;
}

GLuint TextureTable::findTexture(const char* fileName) const
{
    for (const TextureEntry* entry : entries) {
        if (std::strcmp(entry->fileName, fileName) == 0) {
            return entry->glName;
        }
    }
    return 0;
}

void TextureTable::release()
{
    freeEntries();
    gl::deleteTextures(capacity, names);
    // Names of earlier reservations, filled or not, would otherwise outlive the table.
    for (std::size_t i = 0; i + 1 < nameArrays.size(); ++i) {
        gl::deleteTextures(static_cast<GLsizei>(nameArrays[i].size()), nameArrays[i].data());
    }
    nameArrays.clear();
    names = nullptr;
    capacity = 0;
    nextName = 0;
}

void TextureTable::freeEntries()
{
    for (TextureEntry* entry : entries) {
        delete entry;
    }
    entries.clear();
}
