// Program-supplied texts that reach the pure value routines: picture
// formats, number texts, radix texts, date order patterns, scrambled texts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "values/dates.h"
#include "values/numtext.h"
#include "values/picture.h"
#include "values/radix.h"
#include "values/scramble.h"
#include "values/strops.h"

using namespace tolven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    std::string_view text(reinterpret_cast<const char*>(data) + 8, size - 8);

    (void)format_picture(text, value, ",", ".");
    (void)format_picture(text, static_cast<double>(static_cast<int32_t>(data[0] * 77777)), "", "'");
    NumberValue v = value_of_text(text);
    (void)general_float_text(v.f, ",");
    (void)parse_typed_number(text);
    for (int base : {2, 8, 16}) (void)radix_text(parse_radix(text, base).value, base);

    std::string order = date_order(text.substr(0, 1), text);
    DateTime now;
    now.year = static_cast<int32_t>(1500 + data[1] * 10);
    now.month = data[2] % 14;
    now.day = data[3] % 33;
    (void)date_text(data[4], now, order);

    std::string key = make_scramble_key(text);
    if (scramble_text(scramble_text(text, key), key) != text) __builtin_trap();
    (void)replace_all(text, text.substr(0, data[5] % 4), text.substr(0, 2));
    (void)nth_part(text, data[6] % 5, text.substr(0, data[7] % 3));
    return 0;
}
