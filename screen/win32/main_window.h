// The main window: its window classes and procedures, the drawing targets,
// the message pump and the end of the process while it is still open.
#pragma once
#include <windows.h>

#include <cstdint>

namespace tolven {

// Start-up of the screen module: registers the "DIALOG" class, sets the
// display defaults, reads the automation settings and adds the shutdown
// steps of the graphics objects and the main window.
void init_main_window_module();

// The display the portable text screen draws through.
class Display;
Display& main_window_display();

// Creates the main window when it does not exist.
void ensure_main_window();
// The main window, or null.
HWND main_window_handle();

// The drawing targets: the window's own DC and the DC of its off-screen
// image (null while there is no window). Printing and paint mode swap them.
struct DrawingTargets {
    HDC primary = nullptr;
    HDC secondary = nullptr;
};
// Every statement that draws, reads pixels or swaps the targets gets them
// here: text output still collected for the text screen is put on them
// first, so that it lands under what is drawn next and where it belongs.
DrawingTargets& drawing_targets();

// While a print job is open both targets are the printer's DC, which
// draws with the current pen, brush and custom font; the window's own
// targets come back when it ends. Text still reaching the text screen
// meanwhile (output of other statements) goes to the window, not the page.
void begin_printer_targets(HDC printer);
// A new page: the printer's DC gets the pen, brush and custom font again.
void reselect_printer_objects();
// The window's targets come back; the printer's DC holds none of the
// runtime's objects any more and may be deleted.
void end_printer_targets();

// Puts collected text output on the targets (done by drawing_targets(),
// the message pump and before boxes).
void flush_text_output();

// Screen size in pixels (the size of the off-screen image).
int32_t screen_width();
int32_t screen_height();

// Selects `brush` into both targets as the current brush (shared by CLS and
// the brush statement) and deletes the one it replaces. A stock brush is
// selected but never deleted.
void replace_current_brush(HBRUSH brush, bool owned);

// The pen of the pen statement, replaced the same way.
void replace_current_pen(HPEN pen, bool owned);

// The custom font of pixel text: selects `font` into both targets,
// deleting the previous custom font and putting back the fonts the targets
// had before it (null: only that).
void replace_custom_font(HFONT font);
// The font of the last font creation statement, null when there is none.
HFONT custom_font();

// The dialog whose navigation keys the pump handles (set by the window
// objects); null when none.
extern HWND current_dialog;

// The message pump: handles every waiting message and returns.
void pump_main_messages();

// Lets time pass (at most `longest_ms`, less when a message arrives) and
// pumps; types the next automated key first. Waits call this in their
// loops.
void wait_and_pump(DWORD longest_ms = 5);

// Waits for the next message of the thread (typing automated keys while it
// waits), stores it as the current message, translates and dispatches it;
// its number. The quit message ends the program as in the pump.
UINT wait_for_next_message();

// While a modal loop of the platform runs (a dialog, a message box, a
// common dialog), the steps of TOLVEN_KEYS are fed to it from a timer of the
// thread: keys to its focused window once it is shown, clicks, waits and
// dumps. Made around each modal call; nothing happens without keys.
class ModalAutomation {
public:
    ModalAutomation();
    ~ModalAutomation();
    ModalAutomation(const ModalAutomation&) = delete;
    ModalAutomation& operator=(const ModalAutomation&) = delete;
};

// The four window procedures (their addresses are handed to programs).
LRESULT CALLBACK main_window_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK dialog_main_window_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK dialog_class_proc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK dialog_box_proc(HWND, UINT, WPARAM, LPARAM);

// The end of the process: while the main window is still open (the program
// was stopped by Ctrl-C or Ctrl-Break), it stays usable until the user
// closes it.
void main_window_at_exit();

}  // namespace tolven
