#include "app/modules.h"

#include <vector>

#include "core/control_flow.h"
#include "core/debug.h"
#include "core/loop.h"
#include "data/dbase_statements.h"
#include "data/file_numbers.h"
#include "data/item_list_statements.h"
#include "data/odbc.h"
#include "data/table_dialogs.h"
#include "gui/dialogs.h"
#include "gui/gui_state.h"
#include "gui/waits.h"
#include "screen/bitmaps.h"
#include "screen/drawing.h"
#include "screen/printing.h"
#include "screen/text_output.h"
#include "screen/text_screen.h"
#include "system/serial.h"
#include "system/sound.h"
#include "system/system_module.h"
#include "values/area.h"
#include "values/builtins.h"
#include "values/debug_vars.h"
#include "values/functions.h"
#include "values/statements.h"

namespace tolven {

namespace {

// Reset order: the interpreter first, then the value stores and what reads
// them, then the subsystems that sit on values. A module's reset may rely
// on the modules before it being reset already, never on those after it.
constexpr const Module* kPortable[] = {
    &kCoreModule,        // line, flags, control stacks
    &kValueModule,       // variable store, argument reader
    &kAreaModule,        // structures, WITH
    &kDispatchModule,
    &kBuiltinModule,     // random generator, scrambling key, system variable values
    &kMemoryModule,
    &kSystemInfoModule,  // directory search
    &kTextModule,        // text screen, keys, screen settings, events
    &kDrawingModule,     // colour mode, brush style, paint mode
    &kBitmapModule,      // sizes and palette count programs read
    &kPrintModule,       // print jobs end with the program
    &kGuiModule,         // dialog results and other values the gui leaves
    &kDialogModule,      // the ready-made dialogs
    &kWaitModule,        // the waits
    &kFileModule,        // file numbers (closes what is open)
    &kFileSystemModule,
    &kItemListModule,
    &kDbaseModule,
    &kTableDialogModule, // record and browse dialogs over the current table
    &kOdbcModule,        // ends an open connection
    &kSystemModule,
    &kSoundModule,       // music settings, last media control error
    &kSerialModule,      // open ports, current port
};

std::vector<const Module*> installed;

}  // namespace

std::span<const Module* const> portable_modules() { return kPortable; }

void install_modules(std::span<const Module* const> modules) {
    for (const Module* m : modules) {
        for (const StatementEntry& e : m->statements) set_handler(code_of(e.token), e.handler);
        for (const FunctionEntry& e : m->functions) set_function_handler(code_of(e.token), e.handler);
        installed.push_back(m);
    }
    for (const Module* m : modules)
        if (m->start) m->start();
}

namespace {

// Values one module reads from another's state, connected here so that
// neither module includes the other.
void connect_modules() {
    set_text_font_source([] { return text_screen.font_index; });
    set_variable_text_source(variable_text);
}

}  // namespace

void install_portable_modules() {
    clear_handlers();
    clear_function_handlers();
    installed.clear();
    install_modules(kPortable);
    connect_modules();
}

void reset_runtime() {
    for (const Module* m : installed)
        if (m->reset) m->reset();
}

}  // namespace tolven
