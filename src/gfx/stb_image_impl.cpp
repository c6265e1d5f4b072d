// The one compiled copy of stb_image, from Debian's header. Only PNG is used.
#include <cstdlib>

namespace {
// The decoder sizes some buffers from the file's own claims before it reads
// the data behind them: a damaged chunk length had it ask for 2 GB. No
// picture of at most 4096 x 4096 pixels (16-bit RGBA included) needs more
// than this; a larger request fails like any undecodable file.
constexpr size_t MAX_DECODER_ALLOCATION = size_t{256} << 20;
void* decoderMalloc(size_t n) { return n > MAX_DECODER_ALLOCATION ? nullptr : malloc(n); }
void* decoderRealloc(void* p, size_t n) { return n > MAX_DECODER_ALLOCATION ? nullptr : realloc(p, n); }
}  // namespace

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
// No picture of the show is near this size, and a header claiming more would
// have the decoder size its output from it before it finds the data missing.
#define STBI_MAX_DIMENSIONS 4096
#define STBI_MALLOC(n) decoderMalloc(n)
#define STBI_REALLOC(p, n) decoderRealloc(p, n)
#define STBI_FREE(p) free(p)
#include "stb_image.h"
