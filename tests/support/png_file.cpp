// A minimal PNG writer (uncompressed zlib stream) and reading through stb_image.
#include "support/png_file.h"

#include <cstdio>

#include "stb_image.h"

namespace {
uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBigEndian(std::vector<uint8_t>* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

void appendPngChunk(std::vector<uint8_t>* out, const char* type, const std::vector<uint8_t>& data) {
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out->insert(out->end(), typed.begin(), typed.end());
    putBigEndian(out, crc32(typed.data(), typed.size()));
}

std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(&z, b << 16 | a);
    return z;
}

std::vector<uint8_t> pngSignature() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }

std::vector<uint8_t> pngHeaderData(int width, int height, PngColor color, int bitDepth) {
    std::vector<uint8_t> header;
    putBigEndian(&header, static_cast<uint32_t>(width));
    putBigEndian(&header, static_cast<uint32_t>(height));
    header.insert(header.end(), {static_cast<uint8_t>(bitDepth), static_cast<uint8_t>(color), 0, 0, 0});
    return header;
}

namespace {
int channelsOf(PngColor color) {
    switch (color) {
        case PngColor::Grey:
        case PngColor::Palette:
            return 1;
        case PngColor::GreyAlpha:
            return 2;
        case PngColor::Rgb:
            return 3;
        case PngColor::Rgba:
            return 4;
    }
    return 0;
}
}  // namespace

bool readRgbPicture(const std::string& path, RgbPicture* picture) {
    int w = 0, h = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, nullptr, 3);
    if (!data) return false;
    picture->width = w;
    picture->height = h;
    picture->rgb.assign(data, data + static_cast<size_t>(w) * h * 3);
    stbi_image_free(data);
    return true;
}

RgbPicture resizedPicture(const RgbPicture& picture, int width, int height) {
    RgbPicture out;
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const int sx = x < picture.width ? x : picture.width - 1;
            const int sy = y < picture.height ? y : picture.height - 1;
            for (int c = 0; c < 3; c++)
                out.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    picture.rgb[(static_cast<size_t>(sy) * picture.width + sx) * 3 + c];
        }
    return out;
}

bool writePng(const std::string& path, int width, int height, PngColor color, int bitDepth,
              const std::vector<uint8_t>& samples, const std::vector<uint8_t>& palette) {
    const size_t rowBytes = static_cast<size_t>(width) * channelsOf(color) * (bitDepth / 8);
    if (samples.size() != rowBytes * height) return false;
    std::vector<uint8_t> png = pngSignature();
    appendPngChunk(&png, "IHDR", pngHeaderData(width, height, color, bitDepth));
    if (color == PngColor::Palette) appendPngChunk(&png, "PLTE", palette);
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; y++) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), samples.begin() + static_cast<long>(rowBytes * y),
                   samples.begin() + static_cast<long>(rowBytes * (y + 1)));
    }
    appendPngChunk(&png, "IDAT", storedZlib(raw));
    appendPngChunk(&png, "IEND", {});
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && ok;
}

bool writeRgbPng(const std::string& path, const RgbPicture& picture) {
    return writePng(path, picture.width, picture.height, PngColor::Rgb, 8, picture.rgb);
}
