#include "screen/graphics.h"

namespace tolven {

namespace {

Graphics nothing;
Graphics* current = &nothing;

}  // namespace

Graphics& graphics() { return *current; }
void set_graphics(Graphics* g) { current = g ? g : &nothing; }

}  // namespace tolven
