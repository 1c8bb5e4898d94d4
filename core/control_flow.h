// Block structure: IF/ELSE/ENDIF, the loops, GOTO/GOSUB/PROC and RETURN,
// and the area writes that the loop runs inline.
#pragma once
#include <cstdint>

namespace tolven {

// Runs a token that the loop handles itself. Returns false when the token
// has no meaning (the line then does nothing).
bool run_inline(uint8_t token);

// Runs the control-flow and other inline tokens; false when not one of them.
bool run_control_flow(uint8_t token);

void reset_control_flow();

void register_core_statements();

}  // namespace tolven
