// Writes stereo float samples as an Ogg Vorbis file through libvorbisenc.
#pragma once

#include <string>
#include <vector>

// quality: libvorbisenc's VBR quality, -0.1..1 (0.4 is about 128 kbit/s at 44100 Hz stereo). The stream's
// serial number is fixed, so the same samples always give the same bytes. Returns false (with a message on
// stderr) on failure.
bool writeOggVorbis(const std::string& path, const std::vector<float>& left, const std::vector<float>& right, int rate,
                    float quality);
