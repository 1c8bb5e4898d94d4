// Wave files, beeps, MIDI output and media control through winmm, in
// place of the silent stand-in.
#pragma once
#include "system/sound.h"

namespace tolven {
SoundPlatform& win32_sound_platform();
}  // namespace tolven
