// MIDI output that records every message with the time of a fake clock.
// The clock moves only while it is polled without anything else happening
// in between: sending, opening and pumping take no time, busy waits do. So
// every recorded time is exactly what the timing rules ask for.
#pragma once
#include <cstdint>
#include <vector>

#include "system/music.h"

namespace tolven::testing {

struct SentMessage {
    uint32_t time;
    uint32_t message;
};

// A note rebuilt from its note-on and the note-off that ends it.
struct PlayedNote {
    int channel, key, velocity;
    uint32_t start, length;
    bool operator==(const PlayedNote&) const = default;
};

struct ProgramChange {
    uint32_t time;
    int channel, program;
    bool operator==(const ProgramChange&) const = default;
};

class RecordingMidi : public MidiHost {
public:
    static constexpr uint32_t kStart = 1000;
    unsigned devices = 2;
    bool can_open = true;
    uint32_t now = kStart;
    int opens = 0, closes = 0, pumps = 0;
    bool open_now = false;
    std::vector<SentMessage> sent;

    unsigned device_count() override { return devices; }
    bool open() override {
        polled_ = false;
        if (!can_open) return false;
        ++opens;
        open_now = true;
        return true;
    }
    void send(uint32_t message) override {
        polled_ = false;
        if (open_now) sent.push_back({now - kStart, message});
    }
    void close() override {
        polled_ = false;
        ++closes;
        open_now = false;
    }
    uint32_t ticks() override {
        if (polled_) ++now;
        polled_ = true;
        return now;
    }
    void pump() override {
        polled_ = false;
        ++pumps;
    }

    // Times are milliseconds since the clock started.
    std::vector<PlayedNote> notes() const {
        std::vector<PlayedNote> out;
        std::vector<bool> used(sent.size());
        for (size_t k = 0; k < sent.size(); ++k) {
            const uint32_t m = sent[k].message;
            const int status = m & 0xF0, channel = m & 0x0F, key = (m >> 8) & 0x7F, velocity = (m >> 16) & 0x7F;
            if (status != midi::kNoteOn || velocity == 0 || used[k]) continue;
            for (size_t j = k + 1; j < sent.size(); ++j) {
                if (sent[j].message == (m & 0xFFFF)) {
                    used[j] = true;
                    out.push_back({channel, key, velocity, sent[k].time, sent[j].time - sent[k].time});
                    break;
                }
            }
        }
        return out;
    }
    std::vector<ProgramChange> program_changes() const {
        std::vector<ProgramChange> out;
        for (const SentMessage& s : sent)
            if ((s.message & 0xF0) == midi::kProgramChange)
                out.push_back({s.time, static_cast<int>(s.message & 0x0F), static_cast<int>((s.message >> 8) & 0x7F)});
        return out;
    }
    uint32_t elapsed() const { return now - kStart; }

private:
    bool polled_ = false;
};

}  // namespace tolven::testing
