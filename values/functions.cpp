#include "values/functions.h"

#include <string>

#include "core/errors.h"
#include "values/reader.h"
#include "values/textops.h"

namespace tolven {

// The function table is not built yet: every token is unknown. When the
// error mode lets the program go on, the call's arguments are skipped so
// that the text after the call is read as the program meant, and the call
// gives 0.
void dispatch_function(uint8_t token) {
    slots.f = 0.0;
    raise_error(101, std::to_string(token));
    size_t close = find_separator(reader.rest, ')');
    if (close == std::string_view::npos) reader.rest = {};
    else reader.rest.remove_prefix(close + 1);
    set_result_long(0);
}

}  // namespace tolven
