#pragma once

#include <GL/glew.h>

#include <string>
#include <vector>

// One loaded texture: the file name as given to loadTexture (at most 254 characters kept) and its
// GL name.
struct TextureEntry {
    char fileName[256] = {};
    GLuint glName = 0;
};

// Hands out reserved GL texture names in load order and finds a texture by its file name.
// Needs a current GL context for every operation but findTexture.
class TextureTable {
public:
    // The process-wide table the scenes share.
    static TextureTable& instance();

    TextureTable() = default;
    // Frees memory only: the GL context may be gone by then, so GL names are left to release().
    ~TextureTable();
    TextureTable(const TextureTable&) = delete;
    TextureTable& operator=(const TextureTable&) = delete;

    // Generates count fresh names; textures already loaded keep theirs.
    void reserveNames(int count);
    // Decodes a PNG and uploads it into the next free name. A failed load leaves that name to the
    // next one; its reason goes to standard output, except for files libpng cannot read.
    bool loadTexture(const char* fileName, GLint minFilter, GLint magFilter);
    // GL name of the first texture loaded from exactly this file name, 0 when there is none.
    GLuint findTexture(const char* fileName) const;
    // Forgets every entry and deletes every GL name ever reserved; the table can be used again.
    void release();

    GLuint* names = nullptr;
    // Files are read from this folder (empty: the working directory); textures keep the names they were loaded by.
    std::string folder;
    std::vector<TextureEntry*> entries;
    int capacity = 0;
    int nextName = 0;

private:
    void freeEntries();

    // Every names array reserved so far, the current one last; names points into it.
    std::vector<std::vector<GLuint>> nameArrays;
};
