// Reading what the data check needs of an Ogg Vorbis file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct OggVorbisInfo {
    int channels = 0;
    uint32_t sampleRate = 0;
    int64_t lastGranule = 0;  // samples per channel at the end of the stream
    int pages = 0;
};

// The Ogg page checksum (CRC-32, polynomial 0x04C11DB7, no reflection, zero
// start), continued over more bytes; a page's checksum is taken over the
// whole page with its checksum field read as zero.
uint32_t oggCrcUpdate(uint32_t crc, const unsigned char* data, size_t length);

// Walks every page of a whole Ogg file held in memory; returns "" and fills
// info if it is one intact Ogg Vorbis stream, otherwise why it is not.
std::string readOggVorbisInfo(const std::vector<unsigned char>& file, OggVorbisInfo* info);
