// The wrappers that apply the chosen failures of data/file_platform.h to the
// platform and the file-access layer in use.
#pragma once
#include "data/file_platform.h"
#include "data/record_file.h"

namespace tolven {

FilePlatform& faulty_platform(FilePlatform& inner);
FileSystem& faulty_file_system(FileSystem& inner);

}  // namespace tolven
