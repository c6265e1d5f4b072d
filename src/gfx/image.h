// Image: an RGB565 picture loaded from a PNG or created blank.
#pragma once

#include <cstddef>
#include <cstdint>

class Image {
   public:
    // Loads a PNG and truncates it to RGB565. A missing or undecodable file
    // ends start-up with "error loading <path>" and status 1: no later code
    // may ever read an empty picture.
    explicit Image(const char* path);
    // A blank picture of width x height pixels, all 0 (black).
    Image(int width, int height);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Copies the first 76800 pixels over the whole back buffer. Pictures
    // smaller than 320 x 240 are refused (nothing is copied).
    void copyToScreen() const;

    int32_t pixelCount = 0;
    uint16_t* pixels = nullptr;  // owned, row-major
    int32_t width = 0;
    int32_t height = 0;
};

// Converts decoded 8-bit RGB triples to RGB565, the one conversion every
// picture goes through.
void convertRgbToRgb565(const unsigned char* rgb, int pixelCount, uint16_t* out);

// PNG bytes decoded exactly as Image(path) decodes a file; null, with nothing
// printed, when they are not a picture the loader reads.
Image* decodePicture(const unsigned char* bytes, size_t length);

// True when the picture is at least minWidth x minHeight: the test that
// requireImageSize makes.
bool imageHasSize(const Image& image, int minWidth, int minHeight);

// Start-up size check for pictures read at a fixed stride: if the picture is
// smaller than minWidth x minHeight, prints a one-line message naming the file
// and the size expected and exits with status 1.
void requireImageSize(const Image& image, const char* path, int minWidth, int minHeight);
// The same for a picture handed in that may be absent: null ends start-up
// with "error loading <path>", as a missing file does.
void requireImageSize(const Image* image, const char* path, int minWidth, int minHeight);

// The one way scenes load their pictures: the picture at path, refused at
// start-up (message, status 1) when missing, undecodable or smaller than
// minWidth x minHeight, so no scene ever reads past a picture's end.
Image* loadPicture(const char* path, int minWidth, int minHeight);
