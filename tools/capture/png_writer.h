// PngWriter: RGB565 frames written as 8-bit RGB PNG files, with the encoder's
// memory drawn from an arena that is reused frame after frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PngWriter {
   public:
    // Frames of width x height pixels; buffers are sized here, once.
    PngWriter(int width, int height);
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // Encodes width x height RGB565 pixels (rows width apart) and writes the
    // file. Each 5- or 6-bit field is widened by repeating its top bits
    // (31 -> 255), so white stays white and loading the file back into RGB565
    // by truncation gives the same pixels. False if the file can't be written
    // (errno tells why).
    bool write(const char* path, const uint16_t* pixels);

    // Bytes held by the encoder's arena (shared by all writers; one writer is
    // meant to exist at a time). It stops changing once frames fit.
    static size_t arenaCapacity();

   private:
    int width;
    int height;
    std::vector<unsigned char> rgb;  // width x height x 3
};

// 8-bit channels of an RGB565 pixel with the top bits repeated into the low
// ones: the inverse of the truncation every picture goes through on loading.
inline void expand565(uint16_t p, unsigned char* out) {
    const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    out[0] = static_cast<unsigned char>((r << 3) | (r >> 2));
    out[1] = static_cast<unsigned char>((g << 2) | (g >> 4));
    out[2] = static_cast<unsigned char>((b << 3) | (b >> 2));
}
