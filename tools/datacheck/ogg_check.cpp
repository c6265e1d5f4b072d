// The music check: walks the Ogg pages of a file (capture patterns, page
// checksums, one logical stream ending in an end-of-stream page) and reads
// the Vorbis identification header, without any Ogg or Vorbis library.
#include "datacheck/ogg_check.h"

#include <array>
#include <cstdio>

#include "datacheck/data_check.h"

namespace {

// Larger than any music the show could carry; guards the whole-file read.
const long MAX_FILE_BYTES = 64L * 1024 * 1024;
const int PAGE_HEADER_BYTES = 27;
const int ID_HEADER_BYTES = 30;

uint32_t readLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

int64_t readLe64(const unsigned char* p) {
    return static_cast<int64_t>(static_cast<uint64_t>(readLe32(p)) | static_cast<uint64_t>(readLe32(p + 4)) << 32);
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        *error = "cannot be read";
        return false;
    }
    unsigned char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + n);
        if (static_cast<long>(bytes->size()) > MAX_FILE_BYTES) {
            fclose(f);
            *error = "is larger than " + std::to_string(MAX_FILE_BYTES) + " bytes";
            return false;
        }
    }
    fclose(f);
    return true;
}

}  // namespace

uint32_t oggCrcUpdate(uint32_t crc, const unsigned char* data, size_t length) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; k++) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    for (size_t i = 0; i < length; i++) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

std::string readOggVorbisInfo(const std::vector<unsigned char>& file, OggVorbisInfo* info) {
    *info = OggVorbisInfo();
    size_t pos = 0;
    uint32_t serial = 0;
    bool sawEnd = false;
    while (pos < file.size()) {
        const size_t pageNumber = static_cast<size_t>(info->pages);
        if (sawEnd) return "has data after its end-of-stream page";
        const unsigned char* page = &file[pos];
        const size_t left = file.size() - pos;
        if (!(left >= 4 && page[0] == 'O' && page[1] == 'g' && page[2] == 'g' && page[3] == 'S'))
            return "is not an Ogg stream (no page at byte " + std::to_string(pos) + ")";
        if (left < PAGE_HEADER_BYTES) return "ends inside a page header";
        if (page[4] != 0) return "has an Ogg page of unknown version";
        const unsigned char flags = page[5];
        const int64_t granule = readLe64(page + 6);
        const uint32_t pageSerial = readLe32(page + 14);
        const uint32_t storedCrc = readLe32(page + 22);
        const int segments = page[26];
        if (file.size() - pos < static_cast<size_t>(PAGE_HEADER_BYTES + segments)) return "ends inside a page header";
        size_t bodyBytes = 0;
        for (int i = 0; i < segments; i++) bodyBytes += page[PAGE_HEADER_BYTES + i];
        const size_t pageBytes = PAGE_HEADER_BYTES + segments + bodyBytes;
        if (file.size() - pos < pageBytes) return "is cut short inside page " + std::to_string(pageNumber);
        // The checksum covers the whole page with its own field taken as zero.
        const unsigned char zeros[4] = {0, 0, 0, 0};
        uint32_t crc = oggCrcUpdate(0, page, 22);
        crc = oggCrcUpdate(crc, zeros, 4);
        crc = oggCrcUpdate(crc, page + 26, pageBytes - 26);
        if (crc != storedCrc) return "has a bad checksum on page " + std::to_string(pageNumber);
        const unsigned char* body = page + PAGE_HEADER_BYTES + segments;
        if (pageNumber == 0) {
            if (!(flags & 0x02)) return "does not begin with a beginning-of-stream page";
            serial = pageSerial;
            // The first packet, alone on the first page, is the Vorbis
            // identification header.
            if (segments < 1 || page[PAGE_HEADER_BYTES] != ID_HEADER_BYTES || bodyBytes < ID_HEADER_BYTES ||
                body[0] != 1 || body[1] != 'v' || body[2] != 'o' || body[3] != 'r' || body[4] != 'b' ||
                body[5] != 'i' || body[6] != 's')
                return "is Ogg but not Ogg Vorbis";
            if (readLe32(body + 7) != 0) return "has an unknown Vorbis version";
            if (!(body[29] & 1)) return "has a broken Vorbis identification header";
            info->channels = body[11];
            info->sampleRate = readLe32(body + 12);
        } else if (pageSerial != serial) {
            return "holds more than one logical stream";
        }
        if (granule != -1) info->lastGranule = granule;
        if (flags & 0x04) sawEnd = true;
        info->pages++;
        pos += pageBytes;
    }
    if (info->pages == 0) return "is empty";
    if (!sawEnd) return "has no end-of-stream page (cut short?)";
    return "";
}

std::string checkOgg(const std::string& path, const FileRule& rule) {
    std::vector<unsigned char> file;
    std::string error;
    if (!readWholeFile(path, &file, &error)) return error;
    OggVorbisInfo info;
    error = readOggVorbisInfo(file, &info);
    if (!error.empty()) return error;
    if (info.sampleRate != 44100 || info.channels != 2)
        return "is " + std::to_string(info.sampleRate) + " Hz with " + std::to_string(info.channels) +
               " channels, needs 44100 Hz stereo";
    const double seconds = static_cast<double>(info.lastGranule) / info.sampleRate;
    if (seconds < rule.minSeconds || seconds > rule.maxSeconds) {
        char text[160];
        snprintf(text, sizeof(text), "lasts %.2f s, needs %.1f..%.1f s", seconds, rule.minSeconds, rule.maxSeconds);
        return text;
    }
    return "";
}
