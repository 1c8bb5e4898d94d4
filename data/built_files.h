// The statement tokens the file-number module registers (for core/built.cpp).
#pragma once
#include <cstdint>

namespace tolven {

// File numbers, whole-file statements, directories, listings and the item
// list statements that need no dialog.
constexpr uint8_t kFileStatements[] = {84,  102, 106, 112, 113, 114, 115, 117, 212, 220,
                                       221, 222, 223, 224, 225, 229, 230, 231, 232, 233,
                                       234, 235, 244};

// The functions on file numbers, files and the item list.
constexpr uint8_t kFileFunctions[] = {29, 41, 42, 67, 86, 87, 93, 94, 95, 157, 198};

}  // namespace tolven
