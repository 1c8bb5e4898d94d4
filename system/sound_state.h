// What the sound functions leave for programs to read.
#pragma once
#include <cstdint>

namespace tolven {

struct SoundState {
    // Error code returned by the last media control command.
    int32_t mci_error = 0;
};
extern SoundState sound_state;

}  // namespace tolven
