// Block structure: IF/ELSE/ENDIF, the loops, GOTO/GOSUB/PROC and RETURN.
//
// Partners are found by forward scans over the line table, as programs
// expect; because the table never changes while a program runs, each scan's
// outcome is remembered per starting line, so a scan is paid once. IF scans
// keep the ELSEIF lines they pass, and those conditions are still evaluated
// in order every time.
//
// Dependency kept on purpose (core -> values): conditions, labels and RETURN
// values are read with the argument reader (values/reader.h) and a call
// saves the variable-table counts (values/store.h), which is how procedure
// locals vanish on return. The language defines control flow over the
// variable store, so the arrow stays; nothing else in core reaches values.
#pragma once
#include <cstdint>

#include "core/registry.h"

namespace tolven {

constexpr int32_t kMaxLoopDepth = 30;
constexpr int32_t kMaxCallDepth = 150;

struct LoopRecord {
    int32_t value = 0, end = 0, step = 0;
    bool active = false;
};

struct ControlState {
    int32_t loop_depth = 0;
    int32_t loop_head[kMaxLoopDepth + 1] = {};
    LoopRecord loops[kMaxLoopDepth + 1];
    int32_t call_depth = 0;
};
extern ControlState control;

// Runs a token that the loop handles itself. Returns false when the token
// has no meaning (the line then does nothing).
bool run_inline(uint8_t token);

// Runs the control-flow tokens; false when not one of them.
bool run_control_flow(uint8_t token);

// The call stack, shared with the procedure call by line reference: pushes
// the current line and the scalar counts (error 114 beyond 150 levels).
// Returns false when the push was refused.
bool push_call();
// Pops a call record: back to its line, locals dropped.
void pop_call();

// Value of the innermost WHILELOOP counter (0 outside loops).
int32_t current_loop_value();

// Forgets remembered scans and empties the stacks (new program).
void reset_control_flow();

// Plain scans without remembering, for measurements.
void set_scan_memo(bool on);

// The statements the loop owns besides the inline ones.
extern const Module kCoreModule;

}  // namespace tolven
