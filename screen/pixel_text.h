// The screen statements that draw with the platform: text at pixel
// positions, its colours, fonts and the font list. The handlers live in
// screen/win32/screen_statements.cpp; the table is here, in a portable
// header, so the native tools know these tokens are built.
#pragma once

#include "core/registry.h"

namespace tolven {

void text_xy_statement();
void text_color_statement();
void create_font_statement();
void font_list_statement();
void create_font_function();

inline constexpr StatementEntry kPixelTextStatements[] = {
    {Cmd::TEXTXY, text_xy_statement},
    {Cmd::TEXTCOLOR, text_color_statement},
    {Cmd::CREATEFONT, create_font_statement},
    {Cmd::FONTLIST, font_list_statement},
};
inline constexpr FunctionEntry kPixelTextFunctions[] = {
    {Fn::CREATEFONT, create_font_function},
};
inline constexpr Module kPixelTextModule{"pixel-text", kPixelTextStatements,
                                         kPixelTextFunctions};

}  // namespace tolven
