// tolvasm: assembles listings into TOLVEN program files and back, and binds
// a program to a copy of the runtime.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/tolvasm/commands.h"

namespace {

void usage() {
    std::cerr << "usage:\n"
                 "  tolvasm asm LISTING PROGRAM.TVC     assemble a listing\n"
                 "  tolvasm dis [-n] PROGRAM.TVC [LISTING]\n"
                 "                                      disassemble (to stdout without LISTING);\n"
                 "                                      -n: lines numbered as TOLVEN_TRACE logs them\n"
                 "  tolvasm info PROGRAM.TVC            variant, lines and tokens of a program\n"
                 "  tolvasm bind RUNTIME.EXE PROGRAM.TVC OUT.EXE\n"
                 "                                      append a program to a copy of the runtime\n"
                 "  tolvasm tokens                      the token reference as Markdown\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        usage();
        return 2;
    }
    const std::string cmd = args[0];
    args.erase(args.begin());
    int rc = tolven::tools::run_command(cmd, args, std::cout, std::cerr);
    if (rc == -1) {
        usage();
        return 2;
    }
    return rc;
}
