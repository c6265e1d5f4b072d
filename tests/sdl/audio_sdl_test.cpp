// The audio device and callback on SDL's dummy audio driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "main/audio.h"
#include "main/music.h"

TEST(SdlAudio, DeviceOpensPausedAndTheCallbackFeedsDecodedMusic) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_TRUE(openAudioDevice()) << SDL_GetError();
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PAUSED);
    ASSERT_TRUE(openMusicStream(AMBRELLE_TEST_OGG));
    std::vector<uint8_t> out(4096, 0);
    audioCallback(nullptr, out.data(), 4096);
    size_t nonZero = 0;
    for (uint8_t b : out) nonZero += b != 0;
    EXPECT_GT(nonZero, 1000u);  // the tone is audible from its first samples
    std::vector<uint8_t> untouched(16, 0x33);
    audioCallback(nullptr, untouched.data(), 0);
    EXPECT_EQ(untouched[0], 0x33);
    closeAudioDevice();
    closeMusicStream();
    SDL_Quit();
}
