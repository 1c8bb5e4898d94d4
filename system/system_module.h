// The system services module: settings in INI files and the registry, and
// the bridges to other programs (processes, shell, help, clipboard text,
// environment, short paths, icons, string resources, key sending, I/O
// ports). The handlers are portable; what they ask of Windows goes through
// system/services_platform.h.
#pragma once

#include "core/registry.h"

namespace tolven {

extern const Module kSystemModule;

void read_setting_function();     // READSETTING$
void write_setting_statement();   // WRITESETTING

void run_statement();              // RUN
void chain_statement();            // CHAIN
void win_exec_function();          // WINEXEC
void run_wait_function();          // RUNWAIT
void shell_execute_function();     // SHELLEXECUTE
void exit_windows_statement();     // EXITWINDOWS
void help_statement();             // HELP
void clear_clipboard_statement();  // CLEARCLIPBOARD
void set_clipboard_statement();    // SETCLIPBOARD
void clipboard_function();         // CLIPBOARD$
void environment_function();       // ENVIRON$
void short_path_function();        // SHORTPATH$
void icon_count_function();        // ICONCOUNT
void load_string_function();       // LOADSTRING$
void send_keys_function();         // SENDKEYS
void send_virtual_key_function();  // SENDVKEY
void port_in_function();           // PORTIN
void port_in_word_function();      // PORTINW
void port_out_statement();         // PORTOUT
void port_out_word_statement();    // PORTOUTW

}  // namespace tolven
