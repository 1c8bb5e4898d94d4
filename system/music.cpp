#include "system/music.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tolven {

namespace {

// The octave table has bases for octaves 0 to 6 only; notes in other
// octaves are kept silent (but keep their time) rather than moved into a
// wrong octave.
constexpr int kLowestOctave = 0, kHighestOctave = 6;
constexpr int kSemitones = 12;
constexpr int kMaxVolume = 127;
// A number after a letter has at most this many characters.
constexpr size_t kNumberChars = 4;
constexpr uint8_t kPauseValue = 255;

// The speaker's time unit in milliseconds.
constexpr double kBeepFactor = 0.37999696002431980544;

struct Player {
    std::string text;
    size_t at = 0;
    MusicState& state;
    MidiHost& midi;

    bool more() const { return at < text.size(); }
    char peek() const { return more() ? text[at] : '\0'; }

    static char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

    // Up to four digits; nullopt when no digit follows.
    std::optional<int32_t> number() {
        int32_t value = 0;
        size_t n = 0;
        while (n < kNumberChars && more() && peek() >= '0' && peek() <= '9') {
            value = value * 10 + (peek() - '0');
            ++at;
            ++n;
        }
        if (n == 0) return std::nullopt;
        return value;
    }

    void send(uint8_t status, int64_t data1, int64_t data2) {
        if (auto m = midi_message(status, state.channel, data1, data2)) midi.send(*m);
    }

    void note(char letter, uint32_t start) {
        int value = 0;
        switch (letter) {
            case 'C': value = 0; break;
            case 'D': value = 2; break;
            case 'E': value = 4; break;
            case 'F': value = 5; break;
            case 'G': value = 7; break;
            case 'A': value = 9; break;
            case 'B': value = 11; break;
            default: value = kPauseValue; break;
        }
        const bool pause = value == kPauseValue;
        if (peek() == '#' || peek() == '+') {
            ++value;
            ++at;
        } else if (peek() == '-') {
            --value;
            ++at;
        }
        const int32_t length = number().value_or(state.length);
        const bool dotted = peek() == '.';
        if (dotted) ++at;

        const int64_t d = note_milliseconds(state.tempo, length, dotted);
        if (!midi.open()) return;
        if (pause) {
            wait_since(midi, start, d);
            midi.close();
            return;
        }
        int64_t sounding = d, silent = 0;
        if (state.articulation == 'N') {
            sounding = d * 7 / 8;
            silent = d / 8;
        } else if (state.articulation == 'S') {
            sounding = d * 4 / 8;
            silent = d * 4 / 8;
        }
        const bool known_octave = state.octave >= kLowestOctave && state.octave <= kHighestOctave;
        const int64_t key = value + int64_t{kSemitones} * state.octave;
        const bool audible = known_octave && key > 0;
        if (audible) send(midi::kNoteOn, key, state.volume);
        wait_since(midi, start, sounding);
        if (audible) send(midi::kNoteOn, key, 0);
        wait_since(midi, start, sounding + silent);
        midi.close();
    }

    void program_change(int32_t program) {
        if (!midi.open()) return;
        if (auto m = midi_message(midi::kProgramChange, state.channel, program)) midi.send(*m);
        midi.close();
    }

    void step() {
        const char c = upper(text[at++]);
        switch (c) {
            case 'A': case 'B': case 'C': case 'D': case 'E': case 'F': case 'G': case 'P':
                note(c, midi.ticks());
                break;
            case 'O': state.octave = number().value_or(0); break;
            case 'L': state.length = number().value_or(0); break;
            case 'T': state.tempo = number().value_or(0); break;
            case 'V': state.volume = std::min(number().value_or(0), kMaxVolume); break;
            case 'K': {
                const int32_t channel = number().value_or(0);
                state.channel = channel < midi::kChannels ? channel : 0;
                break;
            }
            case 'I': program_change(number().value_or(0)); break;
            case 'M':
                if (more()) {
                    const char a = upper(text[at++]);
                    if (a == 'L' || a == 'N' || a == 'S') state.articulation = a;
                }
                break;
            case '<': --state.octave; break;
            case '>': ++state.octave; break;
            default: break;
        }
    }
};

}  // namespace

std::optional<uint32_t> midi_message(uint8_t status, int channel, int64_t data1, int64_t data2) {
    if (data1 < 0 || data1 > midi::kMaxData || data2 < 0 || data2 > midi::kMaxData) return std::nullopt;
    return static_cast<uint32_t>(status | (channel & 0x0F)) | static_cast<uint32_t>(data1) << 8 |
           static_cast<uint32_t>(data2) << 16;
}

void wait_since(MidiHost& midi, uint32_t start, int64_t ms) {
    uint32_t last = start;
    int64_t elapsed = 0;
    while (elapsed < ms) {
        const uint32_t now = midi.ticks();
        elapsed += static_cast<uint32_t>(now - last);
        last = now;
    }
}

int64_t note_milliseconds(int32_t tempo, int32_t length, bool dotted) {
    if (int64_t{tempo} * length <= 0) return 0;
    double d = 240000.0 / tempo / length;
    if (dotted) d *= 1.5;
    return static_cast<int64_t>(std::nearbyint(d));
}

void play_music(std::string_view text, MusicState& state, MidiHost& midi) {
    Player p{{}, 0, state, midi};
    p.text.reserve(text.size());
    for (char c : text)
        if (c != ' ') p.text.push_back(c);
    while (p.more()) {
        p.step();
        midi.pump();
    }
}

int channel_of_value(int index) {
    if (index == 3) return midi::kPercussion;
    if (index == midi::kPercussion) return 3;
    return index;
}

bool play_channel_notes(const ChannelNotes& notes, MidiHost& midi) {
    if (midi.device_count() == 0 || !midi.open()) return false;
    const uint32_t start = midi.ticks();
    if (notes.mode >= 0) {
        for (int n = 0; n < notes.count; ++n) {
            const int64_t v = notes.values[n];
            std::optional<uint32_t> m;
            if (v > 0) m = midi_message(midi::kNoteOn, channel_of_value(n), v - 1, midi::kMaxData);
            else if (v < 0) m = midi_message(midi::kNoteOn, channel_of_value(n), -v - 1, 0);
            if (m) midi.send(*m);
        }
        if (notes.mode > 0) {
            const int64_t e = 2000 / notes.mode;
            wait_since(midi, start, e + int64_t{notes.length} * (e / 2));
            for (int n = 0; n < notes.count; ++n) {
                const int64_t v = notes.values[n];
                if (v <= 0) continue;
                if (auto m = midi_message(midi::kNoteOn, channel_of_value(n), v - 1, 0)) midi.send(*m);
            }
        }
    } else if (notes.mode == -1) {
        for (int n = 0; n < notes.count; ++n) {
            if (channel_of_value(n) == midi::kPercussion) continue;
            if (auto m = midi_message(midi::kProgramChange, channel_of_value(n), notes.values[n]))
                midi.send(*m);
        }
    }
    midi.close();
    return true;
}

uint32_t beep_milliseconds(int32_t duration) {
    if (duration <= 0) return 0;
    return static_cast<uint32_t>(std::nearbyint(duration * kBeepFactor));
}

}  // namespace tolven
