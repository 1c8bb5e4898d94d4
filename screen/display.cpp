#include "screen/display.h"

namespace tolven {

namespace {

// No window ever exists: output has nowhere to go and waits return at once.
class SilentDisplay : public Display {
public:
    void ensure_window() override {}
    bool window_exists() const override { return false; }
    void draw_run(int32_t, int32_t, int32_t) override {}
    void scroll_up() override {}
    void flush() override {}
    void beep() override {}
    void draw_text_at(int32_t, int32_t, std::string_view, int32_t) override {}
    void apply_text_colours() override {}
    void begin_key_wait() override {}
    void wait_for_input() override {}
    void end_key_wait() override {}
    void clear_window(bool, uint32_t) override {}
    void invalidate() override {}
    void refresh() override {}
    void place_window() override {}
    void title_changed() override {}
    uint32_t window_value() const override { return 0; }
    WindowEdges window_edges() const override { return {}; }
};

SilentDisplay silent;
Display* current = &silent;

}  // namespace

Display& display() { return *current; }
void set_display(Display* d) { current = d ? d : &silent; }

}  // namespace tolven
