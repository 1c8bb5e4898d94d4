#include "gui/dialog_logic.h"

#include <algorithm>

#include "gui/item_list.h"
#include "values/charcase.h"

namespace tolven::dialogs {

const char* edit_box_template(int32_t variant) {
    return variant == 2 ? "EDITBOX2" : "EDITBOX1";
}

const char* list_box_template(int32_t variant) {
    static const char* const kNames[] = {"LISTBOX1", "LISTBOX2", "LISTBOX3", "LISTBOX4",
                                         "LISTBOX5", "LISTBOX6", "LISTBOX7", "LISTBOX8"};
    if (variant >= 1 && variant <= 8) return kNames[variant - 1];
    return "LISTBOX7";
}

bool list_box_sorts(std::string_view name) {
    return name == "LISTBOX3" || name == "LISTBOX4" || name == "LISTBOX7" || name == "LISTBOX8";
}

std::string trimmed(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::string edit_text(const ItemList& items) {
    std::string text;
    bool first = true;
    for (int32_t k = 0; k <= items.last_index(); ++k) {
        const std::string& entry = items[k];
        if (text.size() + entry.size() >= kMaxEditText) continue;
        if (!first) text += "\r\n";
        text += entry;
        first = false;
    }
    return text;
}

std::vector<std::string> edit_lines(std::string_view text) {
    std::vector<std::string> lines;
    for (;;) {
        const size_t end = text.find_first_of("\r\n");
        if (static_cast<int32_t>(lines.size()) < kMaxEditLines)
            lines.emplace_back(text.substr(0, std::min(end, kMaxEditLine)));
        if (end == std::string_view::npos) break;
        const size_t skip = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        text.remove_prefix(end + skip);
    }
    return lines;
}

std::vector<std::string> edit_lines_from_answer(std::string_view answer) {
    std::string text;
    for (size_t k = 0; k < answer.size(); ++k) {
        if (answer[k] == '\\' && k + 1 < answer.size() && answer[k + 1] == 'n') {
            text += '\n';
            ++k;
        } else {
            text += answer[k];
        }
    }
    return edit_lines(text);
}

std::string edit_answer(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t k = 0; k < lines.size(); ++k) {
        if (k) out += "\\n";
        out += lines[k];
    }
    return out;
}

void store_edit_lines(ItemList& items, const std::vector<std::string>& lines) {
    items.clear();
    for (const std::string& line : lines)
        if (!items.add(line)) break;
}

int32_t list_extent(const ItemList& items) {
    size_t longest = 0;
    for (int32_t k = 0; k <= items.last_index(); ++k) longest = std::max(longest, items[k].size());
    return static_cast<int32_t>(std::min<size_t>(longest, 0x7FFFFFFF / 9) * 9);
}

std::vector<int32_t> list_order(const ItemList& items, bool sorted) {
    std::vector<int32_t> order(static_cast<size_t>(items.size()));
    for (int32_t k = 0; k < items.size(); ++k) order[static_cast<size_t>(k)] = k;
    if (sorted) {
        std::stable_sort(order.begin(), order.end(), [&items](int32_t a, int32_t b) {
            return ansi_upper(items[a]) < ansi_upper(items[b]);
        });
    }
    return order;
}

ListChoice choose_line(const ItemList& items, bool sorted, std::string_view answer) {
    ListChoice choice;
    const std::string wanted = trimmed(answer);
    const std::vector<int32_t> order = list_order(items, sorted);
    for (size_t row = 0; row < order.size(); ++row) {
        const std::string& text = items[order[row]];
        if (trimmed(text) == wanted) {
            choice.found = true;
            choice.row = static_cast<int32_t>(row);
            choice.text = text;
            break;
        }
    }
    return choice;
}

std::string folder_with_backslash(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != '\\') out += '\\';
    return out;
}

}  // namespace tolven::dialogs
