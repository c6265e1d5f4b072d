// PNG encoding through stb_image_write (its one compiled copy in the capture
// tool). The encoder allocates many small growing buffers per image; they all
// come from one arena that is emptied before each frame, so after the first
// frames nothing is allocated while frames are written.
#include "capture/png_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {
// Bump allocator: frees are no-ops inside the arena. A request that doesn't
// fit is served by malloc and the arena is grown before the next frame to what
// the whole frame asked for.
struct Arena {
    unsigned char* base = nullptr;
    size_t capacity = 0;
    size_t used = 0;
    size_t demand = 0;  // bytes asked for since the last reset
    bool overflowed = false;
};
Arena arena;

constexpr size_t ARENA_ALIGN = 16;

bool inArena(const void* p) {
    const unsigned char* c = static_cast<const unsigned char*>(p);
    return c >= arena.base && c < arena.base + arena.capacity;
}

void* arenaAlloc(size_t n) {
    const size_t size = (n + ARENA_ALIGN - 1) / ARENA_ALIGN * ARENA_ALIGN;
    arena.demand += size;
    if (arena.base && size <= arena.capacity - arena.used) {
        void* p = arena.base + arena.used;
        arena.used += size;
        return p;
    }
    arena.overflowed = true;
    return malloc(size ? size : 1);
}

void arenaFree(void* p) {
    if (p && !inArena(p)) free(p);
}

void* arenaRealloc(void* p, size_t oldSize, size_t newSize) {
    void* q = arenaAlloc(newSize);
    if (q && p) memcpy(q, p, oldSize < newSize ? oldSize : newSize);
    arenaFree(p);
    return q;
}

// Empties the arena; grows it first if the last frame did not fit.
void arenaReset(size_t minimum) {
    size_t wanted = arena.overflowed ? arena.demand + arena.demand / 4 : 0;
    if (wanted < minimum) wanted = minimum;
    if (wanted > arena.capacity) {
        free(arena.base);
        arena.base = static_cast<unsigned char*>(malloc(wanted));
        arena.capacity = arena.base ? wanted : 0;
    }
    arena.used = 0;
    arena.demand = 0;
    arena.overflowed = false;
}

void arenaRelease() {
    free(arena.base);
    arena = Arena();
}
}  // namespace

#define STBIW_MALLOC(sz) arenaAlloc(sz)
#define STBIW_FREE(p) arenaFree(p)
#define STBIW_REALLOC_SIZED(p, oldsz, newsz) arenaRealloc(p, oldsz, newsz)
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

PngWriter::PngWriter(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3) {
    // Room for the filtered rows, the compressed stream and the encoder's hash
    // chains of a typical frame; a frame that needs more grows it once.
    arenaReset(static_cast<size_t>(w) * h * 12 + (1 << 20));
}

PngWriter::~PngWriter() { arenaRelease(); }

size_t PngWriter::arenaCapacity() { return arena.capacity; }

bool PngWriter::write(const char* path, const uint16_t* pixels) {
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; i++) expand565(pixels[i], &rgb[i * 3]);
    arenaReset(0);
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(rgb.data(), width * 3, width, height, 3, &length);
    if (!png) {
        errno = ENOMEM;
        return false;
    }
    // Plain descriptors rather than stdio: nothing allocated per file.
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (int done = 0; ok && done < length;) {
        const ssize_t n = ::write(fd, png + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<int>(n);
    }
    int error = ok ? 0 : errno;
    if (fd >= 0 && close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    STBIW_FREE(png);
    errno = error;
    return ok;
}
