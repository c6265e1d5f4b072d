// Music playback: the Tremor stream decoded straight into SDL's audio buffer.
//
// Thread rules: musicStream, currentSection and pcmBuffer belong to the audio
// callback while the device is unpaused. The main thread opens the stream
// before unpausing and clears it only after the device is paused and closed,
// so the callback never sees a cleared stream. The callback holds the SDL
// audio lock for its whole body; the main thread never takes it.
#pragma once

#include <cstdint>

constexpr int PCM_BUFFER_BYTES = 8192;
// A damaged stream that yields nothing but errors is treated as ended after
// this many errors in a row, so the audio thread can never spin forever.
constexpr int MAX_CONSECUTIVE_READ_ERRORS = 64;

// Opens "data/warmer.ogg" (or path) as the music stream. Returns false when
// the file is missing or not Ogg Vorbis; the decoder never sees a null file.
bool openMusicStream(const char* path);
void closeMusicStream();

// Fills len bytes of out with decoded PCM (signed 16-bit little-endian
// stereo). A stream that ends inside a request makes the whole request silent.
// Requests larger than the staging buffer are refused with silence.
void fillMusic(uint8_t* out, int len);
