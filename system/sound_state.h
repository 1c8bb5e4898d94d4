// What the sound statements keep for the whole run and what they leave for
// programs to read.
#pragma once
#include <cstdint>

namespace tolven {

// The settings of the music language; a tune continues where the last one
// left them.
struct MusicState {
    int32_t tempo = 120;         // quarter notes per minute
    int32_t volume = 100;        // note-on velocity, at most 127
    int32_t length = 4;          // default note length (4: a quarter)
    int32_t octave = 4;
    char articulation = 'N';     // 'L' legato, 'N' normal, 'S' staccato
    int32_t channel = 0;         // 0..15
};

struct SoundState {
    MusicState music;
    // Error code returned by the last media control command.
    int32_t mci_error = 0;
};
extern SoundState sound_state;

}  // namespace tolven
