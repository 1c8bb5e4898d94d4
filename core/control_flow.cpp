#include "core/control_flow.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "core/errors.h"
#include "core/interp.h"
#include "values/reader.h"
#include "values/store.h"
#include "values/textops.h"

namespace tolven {

ControlState control;

namespace {

constexpr int32_t kNoPartner = 0;
constexpr int32_t kNotScanned = -1;

struct CallRecord {
    int32_t return_line;
    ScalarMark counts;
};
CallRecord calls[kMaxCallDepth + 1];

bool memo_on = true;

// What a scan found from one starting line. For IF scans, the ELSEIF lines at
// nesting 0 before the stop are kept in `elseifs` (an index range into a
// shared vector).
struct IfScan {
    int32_t first_elseif = 0, elseif_count = 0;
    int32_t stop = kNotScanned;
};
std::vector<IfScan> if_memo;
std::vector<int32_t> elseif_lines;
std::vector<int32_t> endif_memo, wend_memo, endproc_memo;
std::unordered_map<std::string, int32_t> label_memo;

void size_memos() {
    const size_t n = static_cast<size_t>(program.line_count) + 1;
    if (if_memo.size() == n) return;
    if_memo.assign(n, IfScan{});
    endif_memo.assign(n, kNotScanned);
    wend_memo.assign(n, kNotScanned);
    endproc_memo.assign(n, kNotScanned);
    elseif_lines.clear();
    label_memo.clear();
}

bool condition_holds() {
    read_arg(' ', kAny);
    return slots.i != 0;
}

// The scan of ELSE/ELSEIF in normal flow and of IFNOT's ELSEIF chain end.
int32_t scan_endif(int32_t from) {
    int32_t nesting = 0;
    for (int32_t l = from + 1; l <= program.line_count; ++l) {
        switch (line_command(l)) {
            case Cmd::IF: case Cmd::IFNOT: ++nesting; break;
            case Cmd::ENDIF:
                if (nesting == 0) return l;
                --nesting;
                break;
            default: break;
        }
    }
    return kNoPartner;
}

// The end of a loop. WEND closes a level; ENDWHILE returns to its loop head
// exactly like WEND, so it closes a level too (stopping only at WEND would
// run the lines of a later loop).
int32_t scan_wend(int32_t from) {
    int32_t nesting = 0;
    for (int32_t l = from + 1; l <= program.line_count; ++l) {
        switch (line_command(l)) {
            case Cmd::WHILELOOP: case Cmd::WHILE: case Cmd::WHILENOT: ++nesting; break;
            case Cmd::WEND: case Cmd::ENDWHILE:
                if (nesting == 0) return l;
                --nesting;
                break;
            default: break;
        }
    }
    return kNoPartner;
}

int32_t scan_endproc(int32_t from) {
    int32_t nesting = 0;
    for (int32_t l = from + 1; l <= program.line_count; ++l) {
        switch (line_command(l)) {
            case Cmd::PROC: ++nesting; break;
            case Cmd::ENDPROC:
                if (nesting == 0) return l;
                --nesting;
                break;
            default: break;
        }
    }
    return kNoPartner;
}

int32_t remembered(std::vector<int32_t>& memo, int32_t from, int32_t (*scan)(int32_t)) {
    if (!memo_on) return scan(from);
    size_memos();
    int32_t& slot = memo[static_cast<size_t>(from)];
    if (slot == kNotScanned) slot = scan(from);
    return slot;
}

// Leaves the scan at `partner`, or raises `error` having run to the end.
bool jump_to_partner(int32_t partner, int error) {
    if (partner == kNoPartner) {
        interp.current_line = program.line_count;
        raise_error(error);
        return false;
    }
    interp.current_line = partner;
    return true;
}

// An ELSEIF met at nesting 0 during an IF scan: its condition decides.
bool elseif_stops(int32_t line) {
    interp.current_line = line;
    std::string_view text = line_text(line).substr(1);
    begin_arguments(text);
    return condition_holds();
}

// IF / IFNOT whose first branch is not taken.
void skip_if_branch(int error) {
    const int32_t from = interp.current_line;
    if (!memo_on) {
        int32_t nesting = 0;
        for (int32_t l = from + 1; l <= program.line_count; ++l) {
            switch (line_command(l)) {
                case Cmd::IF: case Cmd::IFNOT: ++nesting; break;
                case Cmd::ENDIF:
                    if (nesting == 0) { interp.current_line = l; return; }
                    --nesting;
                    break;
                case Cmd::ELSEIF:
                    if (nesting == 0 && elseif_stops(l)) return;
                    break;
                case Cmd::ELSE:
                    if (nesting == 0) { interp.current_line = l; return; }
                    break;
                default: break;
            }
        }
        jump_to_partner(kNoPartner, error);
        return;
    }
    size_memos();
    IfScan& scan = if_memo[static_cast<size_t>(from)];
    if (scan.stop == kNotScanned) {
        IfScan found{static_cast<int32_t>(elseif_lines.size()), 0, kNoPartner};
        int32_t nesting = 0;
        for (int32_t l = from + 1; l <= program.line_count && found.stop == kNoPartner; ++l) {
            switch (line_command(l)) {
                case Cmd::IF: case Cmd::IFNOT: ++nesting; break;
                case Cmd::ENDIF:
                    if (nesting == 0) found.stop = l;
                    else --nesting;
                    break;
                case Cmd::ELSEIF:
                    if (nesting == 0) {
                        elseif_lines.push_back(l);
                        ++found.elseif_count;
                    }
                    break;
                case Cmd::ELSE:
                    if (nesting == 0) found.stop = l;
                    break;
                default: break;
            }
        }
        scan = found;
    }
    const IfScan s = scan;  // elseif_lines may grow while conditions run
    for (int32_t k = 0; k < s.elseif_count; ++k)
        if (elseif_stops(elseif_lines[static_cast<size_t>(s.first_elseif + k)])) return;
    jump_to_partner(s.stop, error);
}

void do_if(bool run_when_true, int error) {
    const bool holds = condition_holds();
    if (holds == run_when_true) return;
    skip_if_branch(error);
}

// Opens a loop level for the statement on the current line.
bool open_loop_level() {
    if (control.loop_depth >= kMaxLoopDepth) {
        raise_error(108);
        return false;
    }
    ++control.loop_depth;
    return true;
}

void leave_loop_to_wend() {
    if (jump_to_partner(remembered(wend_memo, interp.current_line, scan_wend), 109)) --control.loop_depth;
}

void do_while(bool run_when_true) {
    const bool holds = condition_holds();
    if (!open_loop_level()) return;
    control.loop_head[control.loop_depth] = interp.current_line;
    if (holds != run_when_true) leave_loop_to_wend();
}

void do_whileloop() {
    if (!open_loop_level()) return;
    LoopRecord& r = control.loops[control.loop_depth];
    if (!r.active) {
        int32_t start = 1, end, step = 1;
        if (find_separator(interp.argument_text, ',') != std::string_view::npos) {
            start = read_long(',');
            if (find_separator(reader.rest, ',') != std::string_view::npos) {
                end = read_long(',');
                step = read_long(' ');
            } else {
                end = read_long(' ');
            }
        } else {
            end = read_long(' ');
        }
        control.loop_head[control.loop_depth] = interp.current_line;
        r.active = true;
        const int64_t span = (static_cast<int64_t>(end) - start) * step;
        if (step == 0 || span < 0) {
            // Under a suppressing error mode the loop counts as run: going
            // on into its body would end at its WEND with a second error, and
            // a step of 0 would never finish.
            r.active = false;
            raise_error(264);
            leave_loop_to_wend();
            return;
        }
        r.end = end;
        r.step = step;
        r.value = static_cast<int32_t>(static_cast<uint32_t>(start) - static_cast<uint32_t>(step));
    }
    // Compared in 64 bits so that a loop running up to the largest value
    // still ends instead of wrapping around.
    const int64_t next = static_cast<int64_t>(r.value) + r.step;
    const bool finished = r.step > 0 ? next > r.end : next < r.end;
    if (finished) {
        r.active = false;
        leave_loop_to_wend();
        return;
    }
    r.value = static_cast<int32_t>(next);
}

void do_wend() {
    if (control.loop_depth == 0) {
        raise_error(110);
        return;
    }
    interp.current_line = control.loop_head[control.loop_depth] - 1;
    --control.loop_depth;
}

void do_loop_exit() {
    if (control.loop_depth == 0) {
        raise_error(110);
        return;
    }
    const int32_t partner = remembered(wend_memo, interp.current_line, scan_wend);
    control.loops[control.loop_depth].active = false;
    if (jump_to_partner(partner, 109)) --control.loop_depth;
}

// Labels compare as names do.
inline char fold(char c) { return static_cast<char>(fold_upper(static_cast<unsigned char>(c))); }

int32_t search_label(const std::string& key) {
    for (int32_t l = 1; l <= program.line_count; ++l) {
        std::string_view t = line_text(l);
        if (t.size() < key.size() + 1) continue;
        bool same = true;
        for (size_t k = 0; k < key.size() && same; ++k) same = fold(t[k + 1]) == key[k];
        if (same) return l;
    }
    return kNoPartner;
}

// Reads the label argument and jumps to it (error 113 when missing).
void jump_to_label() {
    std::string key = read_string(' ', kStringArg);
    key += ':';
    for (char& c : key) c = fold(c);
    int32_t line;
    if (memo_on) {
        size_memos();
        auto it = label_memo.find(key);
        if (it == label_memo.end()) it = label_memo.emplace(key, search_label(key)).first;
        line = it->second;
    } else {
        line = search_label(key);
    }
    if (line == kNoPartner) {
        raise_error(113, key);
        return;
    }
    interp.current_line = line;
}

void do_return() {
    std::string_view text = interp.argument_text;
    if (text > std::string_view(" ")) {
        read_arg(' ', kAny);
        ParamBlock& p = parameter_block();
        p.s[0] = slots.s;
        p.i[0] = slots.l;
        p.l[0] = slots.l;
        p.f[0] = slots.f;
    }
    if (control.call_depth == 0) {
        raise_error(111);
        return;
    }
    pop_call();
}

}  // namespace

bool push_call() {
    if (control.call_depth >= kMaxCallDepth) {
        raise_error(114);
        return false;
    }
    ++control.call_depth;
    calls[control.call_depth] = CallRecord{interp.current_line, mark_scalars()};
    return true;
}

void pop_call() {
    if (control.call_depth == 0) return;
    const CallRecord& r = calls[control.call_depth];
    interp.current_line = r.return_line;
    release_scalars(r.counts);
    --control.call_depth;
}

int32_t current_loop_value() { return control.loops[control.loop_depth].value; }

bool run_control_flow(uint8_t token) {
    switch (static_cast<Cmd>(token)) {
        case Cmd::IF: do_if(true, 106); return true;
        case Cmd::IFNOT: do_if(false, 107); return true;
        case Cmd::ELSE:
        case Cmd::ELSEIF:
            jump_to_partner(remembered(endif_memo, interp.current_line, scan_endif), 107);
            return true;
        case Cmd::WHILE: do_while(true); return true;
        case Cmd::WHILENOT: do_while(false); return true;
        case Cmd::WHILELOOP: do_whileloop(); return true;
        case Cmd::WEND:
        case Cmd::ENDWHILE: do_wend(); return true;
        case Cmd::EXITWHILE: do_loop_exit(); return true;
        case Cmd::GOTO: jump_to_label(); return true;
        case Cmd::GOSUB:
            if (push_call()) jump_to_label();
            return true;
        case Cmd::PROC: jump_to_partner(remembered(endproc_memo, interp.current_line, scan_endproc), 115); return true;
        case Cmd::RETURN: do_return(); return true;
        case Cmd::ENDPROC:
            if (control.call_depth == 0) raise_error(112);
            else pop_call();
            return true;
        default:
            return false;
    }
}

void reset_control_flow() {
    control = ControlState{};
    if_memo.clear();
    endif_memo.clear();
    wend_memo.clear();
    endproc_memo.clear();
    elseif_lines.clear();
    label_memo.clear();
}

void set_scan_memo(bool on) { memo_on = on; }

}  // namespace tolven
