#include "system/sound.h"

#include "core/errors.h"
#include "core/host.h"
#include "system/music.h"
#include "system/sound_state.h"
#include "values/functions.h"
#include "values/reader.h"

namespace tolven {

namespace {

// A machine without sound devices.
class SilentPlatform : public SoundPlatform {
public:
    void play_wave(const std::string&, uint32_t) override {}
    void message_beep() override {}
    void beep(uint32_t, uint32_t) override {}
    unsigned midi_device_count() override { return 0; }
    bool midi_open() override { return false; }
    void midi_send(uint32_t) override {}
    void midi_close() override {}
    int32_t mci_send(const std::string&, std::string& answer) override {
        answer.clear();
        return kDeviceNotInstalled;
    }
    std::string mci_error_text(int32_t) override { return {}; }

private:
    static constexpr int32_t kDeviceNotInstalled = 306;
};

SilentPlatform silent_platform;
SoundPlatform* current_platform = &silent_platform;

// MIDI output of the platform, timed by the host's tick count.
class PlatformMidi : public MidiHost {
public:
    unsigned device_count() override { return sound_platform().midi_device_count(); }
    bool open() override { return sound_platform().midi_open(); }
    void send(uint32_t message) override { sound_platform().midi_send(message); }
    void close() override { sound_platform().midi_close(); }
    uint32_t ticks() override { return host().tick_count(); }
    void pump() override { host().pump_messages(); }
};

constexpr int kSoundWarning = 234;

}  // namespace

SoundPlatform& sound_platform() { return *current_platform; }
void set_sound_platform(SoundPlatform* p) { current_platform = p ? p : &silent_platform; }

void play_wave_statement() {
    const std::string file = read_string(',', kRawString);
    const uint32_t flags = static_cast<uint32_t>(read_long(' '));
    sound_platform().play_wave(file, flags & snd::kAllowed);
}

void message_beep_statement() { sound_platform().message_beep(); }

void beep_statement() {
    const int32_t frequency = read_long(',');
    const int32_t duration = read_long(' ');
    // A negative frequency would reach the speaker as an enormous one.
    sound_platform().beep(frequency < 0 ? 0 : static_cast<uint32_t>(frequency),
                          beep_milliseconds(duration));
}

void notes_statement() {
    ChannelNotes notes;
    // Values up to ";" while more may follow; the sixteenth ends at ",".
    for (int n = 0; n < midi::kChannels; ++n) {
        const bool last = n == midi::kChannels - 1;
        read_arg(last ? ',' : 'p', kNumberArg);
        notes.values[n] = slots.i;
        notes.count = n + 1;
        if (last || reader.separator_found != ';') break;
    }
    notes.mode = read_int(',');
    notes.length = read_int(' ');
    PlatformMidi midi;
    if (!play_channel_notes(notes, midi)) raise_warning(kSoundWarning);
}

void play_statement() {
    const std::string text = read_string(' ');
    PlatformMidi midi;
    play_music(text, sound_state.music, midi);
}

void mci_function() {
    const std::string command = read_string(')', kRawString);
    std::string answer;
    const int32_t code = sound_platform().mci_send(command, answer);
    sound_state.mci_error = code;
    if (code == 0) set_result_string(answer);
    else set_result_string(sound_platform().mci_error_text(code));
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::PLAYWAVE, play_wave_statement}, {Cmd::MESSAGEBEEP, message_beep_statement},
    {Cmd::BEEP, beep_statement},          {Cmd::NOTES, notes_statement},
    {Cmd::PLAY, play_statement},
};
constexpr FunctionEntry kFunctions[] = {{Fn::MCI_S, mci_function}};

void reset_sound() { sound_state = SoundState{}; }

}  // namespace

const Module kSoundModule{"sound", kStatements, kFunctions, reset_sound};

}  // namespace tolven
