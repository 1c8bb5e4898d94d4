// MIDI output that records every message with the time of a fake clock.
// The clock moves only while it is polled without anything else happening
// in between: sending, opening and pumping take no time, busy waits do. So
// every recorded time is exactly what the timing rules ask for.
#pragma once
#include <cstdint>
#include <vector>

#include "system/music.h"

namespace tolven::testing {

// A note rebuilt from its note-on and the note-off that ends it; times in
// milliseconds since the clock started.
struct PlayedNote {
    int channel, key, velocity;
    uint32_t start, length;
    bool operator==(const PlayedNote&) const = default;
};

class RecordingMidi : public MidiHost {
public:
    static constexpr uint32_t kStart = 1000;
    bool can_open = true;
    uint32_t now = kStart;
    int opens = 0, closes = 0, pumps = 0;
    std::vector<std::pair<uint32_t, uint32_t>> sent;   // time, message

    unsigned device_count() override { return 2; }
    bool open() override {
        polled_ = false;
        opens += can_open;
        return can_open;
    }
    void send(uint32_t message) override {
        polled_ = false;
        sent.emplace_back(now - kStart, message);
    }
    void close() override {
        polled_ = false;
        ++closes;
    }
    void pump() override {
        polled_ = false;
        ++pumps;
    }
    uint32_t ticks() override {
        if (polled_) ++now;
        polled_ = true;
        return now;
    }

    std::vector<PlayedNote> notes() const {
        std::vector<PlayedNote> out;
        for (size_t k = 0; k < sent.size(); ++k) {
            const auto [time, m] = sent[k];
            const int velocity = (m >> 16) & 0x7F;
            if ((m & 0xF0) != midi::kNoteOn || velocity == 0) continue;
            for (size_t j = k + 1; j < sent.size(); ++j) {
                if (sent[j].second != (m & 0xFFFF)) continue;
                out.push_back({static_cast<int>(m & 0x0F), static_cast<int>((m >> 8) & 0x7F), velocity, time,
                               sent[j].first - time});
                break;
            }
        }
        return out;
    }
    // (time, channel << 8 | program) of each instrument change.
    std::vector<std::pair<uint32_t, uint32_t>> program_changes() const {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (const auto& [time, m] : sent)
            if ((m & 0xF0) == midi::kProgramChange) out.emplace_back(time, (m & 0x0F) << 8 | (m >> 8));
        return out;
    }
    uint32_t elapsed() const { return now - kStart; }

private:
    bool polled_ = false;
};

}  // namespace tolven::testing
