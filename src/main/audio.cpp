// SDL audio device set-up and the callback that feeds it from the music stream.
#include "main/audio.h"

#include <SDL.h>

#include "main/music.h"

namespace {
SDL_AudioSpec* obtainedSpec = nullptr;
}

bool openAudioDevice() {
    SDL_AudioSpec* desired = new SDL_AudioSpec();
    obtainedSpec = new SDL_AudioSpec();
    desired->freq = 44100;
    desired->format = AUDIO_S16LSB;
    desired->channels = 2;
    desired->samples = 1024;
    desired->callback = audioCallback;
    desired->userdata = nullptr;
    if (SDL_OpenAudio(desired, obtainedSpec) < 0) {
        delete desired;
        return false;
    }
    delete desired;
    return true;
}

void closeAudioDevice() {
    SDL_PauseAudio(1);
    SDL_CloseAudio();
    delete obtainedSpec;
    obtainedSpec = nullptr;
}

void audioCallback(void*, unsigned char* stream, int len) {
    SDL_LockAudio();
    fillMusic(stream, len);
    SDL_UnlockAudio();
}
