// System variables, named constants and numbers in other bases: arguments
// that begin with a type character ("$", "%", "&", "!").
//
// Dependency kept on purpose (values -> screen, gui, data, system): every
// system variable is read through this one reader, as programs see them,
// from the plain state structs of the module that owns the row (the OWNER
// column of core/tokens.def). Only those state headers are included, never
// a module's behaviour.
#pragma once
#include <cstdint>
#include <string_view>

#include "values/message_record.h"

namespace tolven {

// Reads the system variable or radix number written in `text` (type
// character first) into the result slots and sets the result type; the
// reader fills the string slot of numeric results afterwards.
void read_system_variable(std::string_view text);

// Number of arguments of the running procedure call; the procedure-call
// statement sets it.
extern int32_t call_argument_count;

// The window message kept by the message-waiting system variable, for the
// four that read its parts.
extern MessageRecord kept_message;

// The runtime's version text.
constexpr std::string_view kVersionText = "7.0f-NT";

// Program start.
void reset_system_variables();

}  // namespace tolven
