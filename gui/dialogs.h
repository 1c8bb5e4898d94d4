// The ready-made dialogs a program calls like functions (edit box, list
// boxes, input, file open and save, folder), the message box statement and
// the framed box on the text screen. Each dialog is answered from the
// automation's answers while a transcript is written, else shown through
// the dialog platform; either way it is recorded in the transcript.
#pragma once

#include "core/registry.h"

namespace tolven {

extern const Module kDialogModule;

void edit_box_function();
void list_box_function();
void input_box_function();
void file_open_function();
void file_save_function();
void folder_function();
void message_box_statement();
void text_box_statement();

}  // namespace tolven
