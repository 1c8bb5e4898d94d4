#include "system/sound_state.h"

namespace tolven {

SoundState sound_state;

}  // namespace tolven
