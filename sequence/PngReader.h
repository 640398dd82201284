#pragma once

// Decodes a PNG file into 8-bit RGB or RGBA rows, top row first, in one malloc'd block the caller
// frees. width, height and channels (the count the file stores: 1 grey or palette, 2 grey with
// alpha, 3 RGB, 4 RGBA) are written once the header has been read, even if decoding fails later;
// decodedChannels, when given, receives the channel count of the returned rows (3 or 4).
// Returns null when the file is missing ("File <path> not found!"), is no PNG, is malformed or
// too large to decode.
unsigned char* readPng(const char* path, int& width, int& height, int& channels, int* decodedChannels = nullptr);
