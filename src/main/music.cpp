// The decode side of music playback (Tremor only; no SDL here).
#include "main/music.h"

#include <tremor/ivorbisfile.h>

#include <cstdio>
#include <cstring>

namespace {
OggVorbis_File musicStream;
bool streamOpen = false;
bool streamFailed = false;  // gave up after a run of errors: silent from now on
int currentSection = 0;
uint8_t pcmBuffer[PCM_BUFFER_BYTES];
}  // namespace

bool openMusicStream(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    if (ov_open(file, &musicStream, nullptr, 0) < 0) {
        fclose(file);  // ov_open leaves the file to the caller when it fails
        return false;
    }
    streamOpen = true;
    streamFailed = false;
    return true;
}

void closeMusicStream() {
    if (streamOpen) ov_clear(&musicStream);
    streamOpen = false;
}

void fillMusic(uint8_t* out, int len) {
    if (len <= 0) return;
    if (len > PCM_BUFFER_BYTES || !streamOpen || streamFailed) {
        memset(out, 0, static_cast<size_t>(len));
        return;
    }
    int filled = 0;
    int errors = 0;
    while (filled < len) {
        const long n =
            ov_read(&musicStream, reinterpret_cast<char*>(pcmBuffer) + filled, len - filled, &currentSection);
        if (n < 0) {
            // A gap or damaged page: skip it, but give up on a stream made of
            // nothing else.
            if (++errors >= MAX_CONSECUTIVE_READ_ERRORS) {
                streamFailed = true;
                memset(pcmBuffer, 0, static_cast<size_t>(len));
                break;
            }
            continue;
        }
        errors = 0;
        if (n == 0) {
            memset(pcmBuffer, 0, static_cast<size_t>(len));
            break;
        }
        filled += static_cast<int>(n);
    }
    memcpy(out, pcmBuffer, static_cast<size_t>(len));
}
