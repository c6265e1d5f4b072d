// PNG files of every colour type and depth stb_image reads, written byte by
// byte (stored deflate blocks), for data that our generator never makes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Decoded 8-bit RGB pixels, row-major.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3
};

// Decodes a PNG file to RGB with the show's own decoder; false if it cannot.
bool readRgbPicture(const std::string& path, RgbPicture* picture);

// The picture cut or padded to width x height: rows and columns beyond the
// original repeat its last row and column.
RgbPicture resizedPicture(const RgbPicture& picture, int width, int height);

enum class PngColor : uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

// Writes a PNG with the given colour type and bit depth (8 or 16; palettes
// 8). `samples` holds each row's samples back to back, one byte per 8-bit
// sample, two (big-endian) per 16-bit sample; `palette` holds RGB triples.
bool writePng(const std::string& path, int width, int height, PngColor color, int bitDepth,
              const std::vector<uint8_t>& samples, const std::vector<uint8_t>& palette = {});

// An 8-bit RGB PNG of the picture.
bool writeRgbPng(const std::string& path, const RgbPicture& picture);

// The pieces, for files with unusual chunks: the signature, a chunk appended
// with its length and checksum, the header chunk's data, and a zlib stream of
// stored blocks holding `raw` (each row's filter byte included).
std::vector<uint8_t> pngSignature();
void appendPngChunk(std::vector<uint8_t>* png, const char* type, const std::vector<uint8_t>& data);
std::vector<uint8_t> pngHeaderData(int width, int height, PngColor color, int bitDepth);
std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& raw);
