// The screen module's statements and functions that draw with the platform:
// text at pixel positions, fonts and the font list; and the registration of
// the whole screen module.
#pragma once

namespace tolven {

// Start-up of the screen module and registration of its statement handlers.
void register_screen_statements();

void text_xy_statement();        // 166
void text_color_statement();     // 217
void create_font_statement();    // 167
void font_list_statement();      // 116

// Function handler (function token 47): makes a font and returns its handle.
void create_font_function();

}  // namespace tolven
