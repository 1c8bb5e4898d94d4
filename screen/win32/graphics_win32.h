// The GDI side of drawing, bitmaps, icons and cursors.
#pragma once

namespace tolven {

class Graphics;
// The one drawing on the main window's targets (installed by the
// composition root).
Graphics& win32_graphics();

}  // namespace tolven
