// The key FIFO the window procedures fill, reading keys and lines from it,
// and the end of the program by Ctrl-C / Ctrl-Break.
#pragma once
#include <cstdint>
#include <string>

namespace tolven {

class KeyFifo {
public:
    static constexpr int kCapacity = 64;

    bool empty() const { return count_ == 0; }
    int size() const { return count_; }
    // Dropped silently when full.
    void push(uint8_t code) {
        if (count_ < kCapacity) bytes_[count_++] = code;
    }
    // The oldest code; the FIFO must not be empty.
    uint8_t pop() {
        const uint8_t first = bytes_[0];
        for (int k = 1; k < count_; ++k) bytes_[k - 1] = bytes_[k];
        --count_;
        return first;
    }
    void clear() { count_ = 0; }

private:
    uint8_t bytes_[kCapacity] = {};
    int count_ = 0;
};
extern KeyFifo key_fifo;

// Byte 26 ends a line read by the line editor (switched on by clearing the
// key state).
extern bool ctrl_z_ends_input;

// Set when the program was stopped by Ctrl-C or Ctrl-Break: the main window
// then stays open until the user closes it.
extern bool stopped_by_break;

// The common step of the window procedures: with break check on, code 3
// stops the program; otherwise it becomes the last key (0 as 1), sets or
// clears the help request and joins the FIFO if there is room.
void put_key(int32_t code);

// Ctrl-C or Ctrl-Break with break check on: ends the program with exit
// code 255.
[[noreturn]] void stop_by_break();

// Empties the key FIFO and lets byte 26 end input lines.
void clear_key_state();

// The oldest code of the FIFO, waiting (with the caret shown) while it is
// empty.
uint8_t read_key();

// The line editor: reads keys until Enter (or Ctrl-Z when that ends input),
// echoing printable bytes and backspaces to the text screen. At most
// capacity - 2 bytes are taken. The result holds the text and the ending
// byte, after 13 also a byte 10.
std::string read_line(int capacity);

// Program start.
void reset_keys();

}  // namespace tolven
