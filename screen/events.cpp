#include "screen/events.h"

namespace tolven {
EventState events;
}
