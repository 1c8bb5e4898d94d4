#include "system/system_module.h"

namespace tolven {

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::WRITESETTING, write_setting_statement},
    {Cmd::RUN, run_statement},
    {Cmd::CHAIN, chain_statement},
    {Cmd::EXITWINDOWS, exit_windows_statement},
    {Cmd::HELP, help_statement},
    {Cmd::CLEARCLIPBOARD, clear_clipboard_statement},
    {Cmd::SETCLIPBOARD, set_clipboard_statement},
    {Cmd::PORTOUT, port_out_statement},
    {Cmd::PORTOUTW, port_out_word_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::READSETTING_S, read_setting_function},
    {Fn::WINEXEC, win_exec_function},
    {Fn::RUNWAIT, run_wait_function},
    {Fn::SHELLEXECUTE, shell_execute_function},
    {Fn::CLIPBOARD_S, clipboard_function},
    {Fn::ENVIRON_S, environment_function},
    {Fn::SHORTPATH_S, short_path_function},
    {Fn::ICONCOUNT, icon_count_function},
    {Fn::LOADSTRING_S, load_string_function},
    {Fn::SENDKEYS, send_keys_function},
    {Fn::SENDVKEY, send_virtual_key_function},
    {Fn::PORTIN, port_in_function},
    {Fn::PORTINW, port_in_word_function},
};

}  // namespace

// No state of its own: the key sender's Alt flag is the key-state byte of
// the event state, which the text module resets.
const Module kSystemModule{"system", kStatements, kFunctions};

}  // namespace tolven
