#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace tolven::tools {

// Runs one tolvasm command; -1 for an unknown command or wrong arguments.
int run_command(const std::string& cmd, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err);

bool read_file(const std::string& path, std::vector<uint8_t>& data);
bool write_file(const std::string& path, const std::vector<uint8_t>& data);

}  // namespace tolven::tools
