#include "tools/tolvasm/commands.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "core/tokens.h"
#include "tools/tolvasm/listing.h"

namespace tolven::tools {

bool read_file(const std::string& path, std::vector<uint8_t>& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& data) {
    // Written under a temporary name and renamed, so a failed write never
    // leaves a half program behind.
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        if (!out) return false;
    }
    std::remove(path.c_str());
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

namespace {

int cmd_asm(const std::vector<std::string>& a, std::ostream& err) {
    if (a.size() != 2) return -1;
    std::vector<uint8_t> text;
    if (!read_file(a[0], text)) {
        err << a[0] << ": cannot read\n";
        return 1;
    }
    std::vector<uint8_t> program;
    listing::AsmError e;
    if (!listing::assemble(std::string(text.begin(), text.end()), a[0], program, e)) {
        err << e.format() << '\n';
        return 1;
    }
    if (!write_file(a[1], program)) {
        err << a[1] << ": cannot write\n";
        return 1;
    }
    return 0;
}

int cmd_dis(std::vector<std::string> a, std::ostream& out, std::ostream& err) {
    const bool numbered = !a.empty() && a[0] == "-n";
    if (numbered) a.erase(a.begin());
    if (a.size() != 1 && a.size() != 2) return -1;
    std::vector<uint8_t> program;
    if (!read_file(a[0], program)) {
        err << a[0] << ": cannot read\n";
        return 1;
    }
    std::string text, message;
    if (!listing::disassemble(program, text, message, numbered)) {
        err << a[0] << ": " << message << '\n';
        return 1;
    }
    if (a.size() == 1) {
        out << text;
        return out ? 0 : 1;
    }
    if (!write_file(a[1], std::vector<uint8_t>(text.begin(), text.end()))) {
        err << a[1] << ": cannot write\n";
        return 1;
    }
    return 0;
}

int cmd_info(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    if (a.size() != 1) return -1;
    std::vector<uint8_t> program;
    if (!read_file(a[0], program)) {
        err << a[0] << ": cannot read\n";
        return 1;
    }
    std::string text, message;
    if (!listing::program_info(program, text, message)) {
        err << a[0] << ": " << message << '\n';
        return 1;
    }
    out << text;
    return 0;
}

int cmd_bind(const std::vector<std::string>& a, std::ostream& err) {
    if (a.size() != 3) return -1;
    std::vector<uint8_t> exe, program;
    if (!read_file(a[0], exe)) { err << a[0] << ": cannot read\n"; return 1; }
    if (!read_file(a[1], program)) { err << a[1] << ": cannot read\n"; return 1; }
    if (exe.size() < 132 || exe[0] != 'M' || exe[1] != 'Z') { err << a[0] << ": not an executable\n"; return 1; }
    if (exe[128] | exe[129] | exe[130] | exe[131]) {
        err << a[0] << ": bytes 128-131 are in use (a bound runtime or an unprepared build)\n";
        return 1;
    }
    if (program.size() < 11 || std::string(program.begin(), program.begin() + 11) != " ZWM-TOLVEN") {
        err << a[1] << ": not a program file\n";
        return 1;
    }
    const uint32_t offset = static_cast<uint32_t>(exe.size());
    exe[128] = static_cast<uint8_t>(offset);
    exe[129] = static_cast<uint8_t>(offset >> 8);
    exe[130] = static_cast<uint8_t>(offset >> 16);
    exe[131] = static_cast<uint8_t>(offset >> 24);
    exe.insert(exe.end(), program.begin(), program.end());
    if (!write_file(a[2], exe)) { err << a[2] << ": cannot write\n"; return 1; }
    return 0;
}

}  // namespace

int run_command(const std::string& cmd, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
    if (cmd == "asm") return cmd_asm(args, err);
    if (cmd == "dis") return cmd_dis(args, out, err);
    if (cmd == "info") return cmd_info(args, out, err);
    if (cmd == "bind") return cmd_bind(args, err);
    if (cmd == "tokens" && args.empty()) {
        out << tokens_markdown();
        return 0;
    }
    return -1;
}

}  // namespace tolven::tools
