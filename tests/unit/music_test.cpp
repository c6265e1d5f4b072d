// The music decode path, step by step with a real Ogg Vorbis stream.
#include "main/music.h"

#include <gtest/gtest.h>
#include <tremor/ivorbisfile.h>

#include <cstdio>
#include <vector>

#include "support/test_png.h"

namespace {
// Every decoded byte of a file, read straight from the decoder.
std::vector<uint8_t> decodeAll(const char* path) {
    std::vector<uint8_t> all;
    FILE* f = fopen(path, "rb");
    OggVorbis_File vf;
    if (!f || ov_open(f, &vf, nullptr, 0) < 0) return all;
    char buffer[4096];
    int section = 0;
    for (;;) {
        const long n = ov_read(&vf, buffer, sizeof buffer, &section);
        if (n == 0) break;
        if (n > 0) all.insert(all.end(), buffer, buffer + n);
    }
    ov_clear(&vf);
    return all;
}
}  // namespace

TEST(Music, CallbacksDeliverTheDecodersBytesThenSilence) {
    const std::vector<uint8_t> expected = decodeAll(AMBRELLE_TEST_OGG);
    ASSERT_GT(expected.size(), 100000u);  // 3 s of 44100 Hz stereo
    ASSERT_TRUE(openMusicStream(AMBRELLE_TEST_OGG));
    std::vector<uint8_t> out(4096);
    size_t position = 0;
    // Full callbacks match the decoder byte for byte.
    while (position + 4096 <= expected.size()) {
        fillMusic(out.data(), 4096);
        ASSERT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + position)) << "at " << position;
        position += 4096;
    }
    // The callback in which the stream ends is silent as a whole, and so is
    // every later one.
    for (int i = 0; i < 3; i++) {
        std::fill(out.begin(), out.end(), 0x55);
        fillMusic(out.data(), 4096);
        for (uint8_t b : out) ASSERT_EQ(b, 0);
    }
    closeMusicStream();
}

TEST(Music, ZeroLengthRequestDoesNothing) {
    ASSERT_TRUE(openMusicStream(AMBRELLE_TEST_OGG));
    uint8_t guard = 0x77;
    fillMusic(&guard, 0);
    EXPECT_EQ(guard, 0x77);
    // Nothing was consumed: the next request starts at the first sample.
    const std::vector<uint8_t> expected = decodeAll(AMBRELLE_TEST_OGG);
    std::vector<uint8_t> out(1024);
    fillMusic(out.data(), 1024);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin()));
    closeMusicStream();
}

TEST(Music, OversizedRequestIsSilentAndNeverOverruns) {
    ASSERT_TRUE(openMusicStream(AMBRELLE_TEST_OGG));
    std::vector<uint8_t> out(PCM_BUFFER_BYTES * 2, 0x55);
    fillMusic(out.data(), static_cast<int>(out.size()));
    for (uint8_t b : out) ASSERT_EQ(b, 0);
    closeMusicStream();
}

TEST(Music, MissingOrForeignFilesAreRefused) {
    EXPECT_FALSE(openMusicStream("data/definitely-missing.ogg"));
    const std::string path = makeTempDir() + "/not-ogg.ogg";
    FILE* f = fopen(path.c_str(), "wb");
    for (int i = 0; i < 1000; i++) fputs("RIFF nonsense ", f);
    fclose(f);
    EXPECT_FALSE(openMusicStream(path.c_str()));
    // With no stream the callback plays silence.
    std::vector<uint8_t> out(4096, 0x55);
    fillMusic(out.data(), 4096);
    for (uint8_t b : out) ASSERT_EQ(b, 0);
}

TEST(Music, DamagedStreamNeverHangsTheCallback) {
    // Keep the headers of a real stream and fill the rest with garbage, so
    // the decoder returns errors or the end; either way the callback returns.
    std::vector<uint8_t> bytes;
    FILE* in = fopen(AMBRELLE_TEST_OGG, "rb");
    ASSERT_NE(in, nullptr);
    int c;
    while ((c = fgetc(in)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    fclose(in);
    uint32_t x = 12345;
    for (size_t i = 6000; i < bytes.size(); i++) {
        x = x * 1103515245u + 12345u;
        if ((x >> 16) % 7 == 0) bytes[i] = static_cast<uint8_t>(x >> 24);
    }
    const std::string path = makeTempDir() + "/damaged.ogg";
    FILE* out = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), out);
    fclose(out);
    if (!openMusicStream(path.c_str())) GTEST_SKIP() << "headers damaged too";
    std::vector<uint8_t> buffer(4096);
    for (int i = 0; i < 400; i++) fillMusic(buffer.data(), 4096);
    closeMusicStream();
}
