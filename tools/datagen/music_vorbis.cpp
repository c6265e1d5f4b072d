// Writes stereo float samples as an Ogg Vorbis file through libvorbisenc.
#include "music_vorbis.h"

#include <vorbis/vorbisenc.h>

#include <cstdio>

namespace {

constexpr int SERIAL = 0x616d6272;  // fixed: a random serial would change the bytes on every run
constexpr int CHUNK = 4096;         // frames handed to the encoder at a time

bool writePage(FILE* out, const ogg_page& page) {
    return fwrite(page.header, 1, page.header_len, out) == static_cast<size_t>(page.header_len) &&
           fwrite(page.body, 1, page.body_len, out) == static_cast<size_t>(page.body_len);
}

}  // namespace

bool writeOggVorbis(const std::string& path, const std::vector<float>& left, const std::vector<float>& right, int rate,
                    float quality) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, rate, quality) != 0) {
        fprintf(stderr, "ambrelle-datagen: the Vorbis encoder refused %d Hz stereo at quality %.2f\n", rate, quality);
        vorbis_info_clear(&info);
        return false;
    }
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) {
        fprintf(stderr, "ambrelle-datagen: cannot write %s\n", path.c_str());
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "warmer");
    vorbis_comment_add_tag(&comment, "ARTIST", "tornvale");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, SERIAL);

    bool ok = true;
    ogg_packet header, headerComment, headerCodebook;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCodebook);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCodebook);
    ogg_page page;
    while (ok && ogg_stream_flush(&stream, &page)) ok = writePage(out, page);

    const size_t frames = left.size() < right.size() ? left.size() : right.size();
    size_t done = 0;
    bool end = false;
    while (ok && !end) {
        if (done < frames) {
            const size_t n = frames - done < CHUNK ? frames - done : CHUNK;
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (size_t i = 0; i < n; i++) {
                buffer[0][i] = left[done + i];
                buffer[1][i] = right[done + i];
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        } else {
            vorbis_analysis_wrote(&dsp, 0);  // end of stream
        }
        while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (ok && vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ok && !end && ogg_stream_pageout(&stream, &page)) {
                    ok = writePage(out, page);
                    if (ogg_page_eos(&page)) end = true;
                }
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    if (fclose(out) != 0) ok = false;
    if (!ok) fprintf(stderr, "ambrelle-datagen: cannot write %s\n", path.c_str());
    return ok;
}
