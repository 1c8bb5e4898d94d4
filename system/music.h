// Notes through MIDI output: the music language, the notes-per-channel
// statement and the arithmetic of the speaker beep. Everything here talks
// to the platform only through MidiHost (MIDI messages out, tick count in),
// so the timing can be checked against a fake clock.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "system/sound_state.h"

namespace tolven {

class MidiHost {
public:
    virtual ~MidiHost() = default;
    // MIDI output devices the system has (the mapper not counted).
    virtual unsigned device_count() = 0;
    // Opens the MIDI mapper; false when it cannot be opened.
    virtual bool open() = 0;
    // One short message: status in bits 0-7, data bytes in 8-15 and 16-23.
    virtual void send(uint32_t message) = 0;
    virtual void close() = 0;
    // Milliseconds of a clock that wraps around after 2^32.
    virtual uint32_t ticks() = 0;
    // Handles waiting window messages.
    virtual void pump() = 0;
};

namespace midi {
constexpr uint8_t kNoteOn = 0x90, kProgramChange = 0xC0;
constexpr int kChannels = 16;
// The General MIDI percussion channel.
constexpr int kPercussion = 9;
constexpr int kMaxData = 127;
}  // namespace midi

// A short message with the channel folded into the status; nullopt when a
// data byte does not fit into 7 bits (a device would read it as a status).
std::optional<uint32_t> midi_message(uint8_t status, int channel, int64_t data1, int64_t data2 = 0);

// Busy-waits until `ms` milliseconds have passed since the tick count
// `start`; waits longer than the clock's wrap-around are counted correctly.
void wait_since(MidiHost& midi, uint32_t start, int64_t ms);

// Plays a text in the music language with the settings in `state`, which it
// changes as the text says. Notes are skipped without waiting when the
// mapper cannot be opened.
void play_music(std::string_view text, MusicState& state, MidiHost& midi);

// Length in milliseconds of a note of `length` (4: quarter) at `tempo`,
// rounded half to even; 0 when tempo x length is not positive.
int64_t note_milliseconds(int32_t tempo, int32_t length, bool dotted);

// The notes-per-channel statement: value n belongs to channel n, but the
// fourth value to the percussion channel and the tenth to channel 3.
struct ChannelNotes {
    int32_t values[midi::kChannels] = {};
    int count = 0;
    int32_t mode = 0;      // above 0: notes end after a while; 0: they go on; -1: instruments
    int32_t length = 0;
};
int channel_of_value(int index);
// False when no MIDI output is available (nothing was sent).
bool play_channel_notes(const ChannelNotes& notes, MidiHost& midi);

// The beep duration a program gives, as milliseconds for the speaker:
// scaled and rounded half to even; 0 for durations below 0.
uint32_t beep_milliseconds(int32_t duration);

}  // namespace tolven
