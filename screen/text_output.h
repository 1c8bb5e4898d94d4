// Statements and functions of text output that need no platform code of
// their own: PRINT, INPUT, CLS, REPAINT, LOCATE, COLOR, FONT, the output
// format statements, the window settings statements, and the tab, key wait
// and message box functions. They reach the window through display().
#pragma once
#include <string_view>

#include "core/registry.h"

namespace tolven {

// The standard Output file on the text screen: writes the text at the
// cursor with the current attribute and font, then lets waiting window
// messages be handled.
void output_write(std::string_view text);

// PRINT, INPUT, CLS and the other text-screen statements; its reset empties
// the text screen, the keys, the screen settings and the event state.
extern const Module kTextModule;

// Statement handlers.
void print_statement();          // 162
void input_statement();          // 205
void cls_statement();            // 144
void repaint_statement();        // 145
void locate_statement();         // 190
void color_statement();          // 218
void font_statement();           // 219
void decimals_statement();       // 163
void string_width_statement();   // 164
void number_width_statement();   // 165
void charset_statement();        // 168
void font_angle_statement();     // 240
void close_query_statement();    // 50
void paint_mode_statement();     // 80
void title_statement();          // 186
void window_pos_statement();     // 187
void window_style_statement();   // 245

// Function handlers (function tokens). The key wait function reads no
// arguments; the reader drops the ")" of its call.
void tab_function();             // 45
void wait_key_function();        // 176
void message_box_function();     // 155

// Program start: text screen, keys, events and settings to start values.
void reset_text_output();

}  // namespace tolven
