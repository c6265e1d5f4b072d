// The SDL audio device that plays the music stream.
#pragma once

// Opens the device (44100 Hz, signed 16-bit little-endian, stereo, 1024
// frames per callback), paused. Returns false on failure, SDL_GetError set.
bool openAudioDevice();
// Pauses and closes the device and frees its spec.
void closeAudioDevice();
// The SDL audio callback.
void audioCallback(void* userData, unsigned char* stream, int len);
