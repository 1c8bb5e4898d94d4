// The Windows-only modules. Their tables are `inline constexpr` in portable
// headers, so this list can be read at compile time by the native tools
// (app/built.cpp) and at run time by the Windows runtime, which installs
// them after the portable modules (app/win32/main.cpp). Adding a module:
// one line here.
#pragma once

#include "core/registry.h"
#include "gui/menus.h"
#include "gui/window_objects.h"
#include "screen/pixel_text.h"

namespace tolven {

inline constexpr const Module* kWin32Modules[] = {
    &kPixelTextModule,
    &kMenuModule,        // menus, timer, DDE
    &kWindowObjectModule,  // window and control objects, rich-edit procedures
};

}  // namespace tolven
