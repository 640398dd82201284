#include "tools/shared/PngWriter.h"

#include "tools/shared/PartialFile.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Fixed, so the bytes never depend on the library's default; level 3 writes all the textures in
// about a third less time than level 6 for files a tenth larger.
constexpr int kCompressionLevel = 3;

void setError(std::string* error, const std::string& message)
{
    if (error != nullptr) {
        *error = message;
    }
}

// Where libpng's bytes go, and the first reason they could not: the system's, when a write failed.
struct Destination {
    std::FILE* file = nullptr;
    std::string failure;
};

void fail(png_structp png, const std::string& reason)
{
    Destination& destination = *static_cast<Destination*>(png_get_error_ptr(png));
    if (destination.failure.empty()) {
        destination.failure = reason;
    }
    png_longjmp(png, 1);
}

void onError(png_structp png, png_const_charp message)
{
    fail(png, message);
}

void writeBytes(png_structp png, png_bytep data, png_size_t length)
{
    Destination& destination = *static_cast<Destination*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, destination.file) != length) {
        fail(png, std::strerror(errno));
    }
}

void flushBytes(png_structp png)
{
    Destination& destination = *static_cast<Destination*>(png_get_io_ptr(png));
    if (std::fflush(destination.file) != 0) {
        fail(png, std::strerror(errno));
    }
}

// Empty when every row reached the file, else the reason. The destination lives outside this function:
// what changes between setjmp and longjmp must not be one of its locals.
std::string encode(Destination& destination, int width, int height, const std::vector<std::uint8_t>& rgba)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &destination, onError, nullptr);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return "out of memory";
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return destination.failure;
    }
    png_set_write_fn(png, &destination, writeBytes, flushBytes);
    png_set_compression_level(png, kCompressionLevel);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rgba.data() + rowBytes * static_cast<std::size_t>(y));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return {};
}

} // namespace

bool PngWriter::write(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba,
                      std::string* error)
{
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<std::size_t>(width) * height * 4) {
        setError(error, "cannot write " + path + ": the picture has no pixels or the wrong number of them");
        return false;
    }
    PartialFile output(path);
    std::FILE* file = std::fopen(output.temporaryPath().c_str(), "wb");
    if (file == nullptr) {
        setError(error, "cannot write " + path + ": " + std::strerror(errno));
        return false;
    }
    Destination destination;
    destination.file = file;
    std::string failure = encode(destination, width, height, rgba);
    // The last bytes may still sit in the stream's buffer: a full disk often shows only here.
    if (std::fclose(file) != 0 && failure.empty()) {
        failure = std::strerror(errno);
    }
    if (!failure.empty()) {
        setError(error, "cannot write " + path + ": " + failure);
        return false;
    }
    std::string renameError;
    if (!output.commit(&renameError)) {
        setError(error, renameError);
        return false;
    }
    return true;
}
