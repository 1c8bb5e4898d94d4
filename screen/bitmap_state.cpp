#include "screen/bitmap_state.h"

namespace tolven {

BitmapState bitmap_state;

}  // namespace tolven
