#include "sequence/PngReader.h"

#include <png.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// A header may claim any size; refuse what no texture could need before allocating for it.
constexpr std::size_t kMaxPixelBytes = std::size_t{256} << 20;

void closeReader(std::FILE* file, png_structp png, png_infop info)
{
    std::fclose(file);
    png_destroy_read_struct(&png, &info, nullptr);
}

} // namespace

unsigned char* readPng(const char* path, int& width, int& height, int& channels, int* decodedChannels)
{
    // Only regular files are opened: a FIFO would block until something writes to it.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(path), error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        std::printf("File <%s> is not a regular file!\n", path);
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::printf("File <%s> not found!\n", path);
        return nullptr;
    }

    png_byte header[8];
    if (std::fread(header, 1, sizeof header, file) != sizeof header || png_sig_cmp(header, 0, sizeof header) != 0) {
        std::fclose(file);
        return nullptr;
    }

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        std::fclose(file);
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }

    // Assigned after setjmp and freed on the error path, hence volatile.
    unsigned char* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(rows);
        std::free(pixels);
        closeReader(file, png, info);
        return nullptr;
    }

    // Damaged files (bad checksums, empty or oversized chunks) are refused rather than half-read.
    png_set_benign_errors(png, 0);

    png_init_io(png, file);
    png_set_sig_bytes(png, sizeof header);
    png_read_info(png, info);

    const png_uint_32 imageHeight = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    width = static_cast<int>(png_get_image_width(png, info));
    height = static_cast<int>(imageHeight);
    channels = png_get_channels(png, info);

    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const std::size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes == 0 || rowBytes > kMaxPixelBytes / imageHeight) {
        closeReader(file, png, info);
        return nullptr;
    }
    if (decodedChannels != nullptr) {
        *decodedChannels = png_get_channels(png, info);
    }

    pixels = static_cast<unsigned char*>(std::malloc(rowBytes * imageHeight));
    if (pixels == nullptr) {
        closeReader(file, png, info);
        return nullptr;
    }
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * imageHeight));
    if (rows == nullptr) {
        std::free(pixels);
        closeReader(file, png, info);
        return nullptr;
    }
    for (png_uint_32 i = 0; i < imageHeight; ++i) {
        rows[i] = pixels + i * rowBytes;
    }

    png_read_image(png, rows);
    std::free(rows);
    rows = nullptr;
    png_read_end(png, nullptr);
    closeReader(file, png, info);
    return pixels;
}
