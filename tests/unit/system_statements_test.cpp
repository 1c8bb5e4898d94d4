// The sound statements and two serial rules as programs reach them through
// the argument reader, with platforms that record what they are asked:
// MIDI output (Wine here has no MIDI device), what the speaker and the
// media control interface are given, and what a pseudo-terminal cannot
// show.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/loop.h"
#include "system/serial.h"
#include "system/sound.h"
#include "tests/unit/support/recording_midi.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"

namespace tolven::testing {
namespace {

using Timed = std::vector<std::pair<uint32_t, uint32_t>>;   // time, value

class FakeSound : public SoundPlatform {
public:
    explicit FakeSound(RecordingHost& host) : host_(host) {}
    // One synthesizer, as most machines have: enough for the notes.
    unsigned devices = 1;
    bool can_open = true;
    std::vector<std::pair<std::string, uint32_t>> waves;
    Timed beeps, sent;   // MIDI messages with the host's clock
    int message_beeps = 0;
    std::string command;

    void play_wave(const std::string& file, uint32_t flags) override { waves.emplace_back(file, flags); }
    void message_beep() override { ++message_beeps; }
    void beep(uint32_t f, uint32_t ms) override { beeps.emplace_back(f, ms); }
    unsigned midi_device_count() override { return devices; }
    bool midi_open() override { return can_open; }
    void midi_send(uint32_t m) override { sent.emplace_back(host_.ticks, m); }
    void midi_close() override {}
    int32_t mci_send(const std::string& c, std::string&) override {
        command = c;
        return 263;
    }
    std::string mci_error_text(int32_t) override { return "Fehler"; }

private:
    RecordingHost& host_;
};

class SoundStatements : public RuntimeTest {
protected:
    FakeSound sound{rec};
    std::string held;

    void SetUp() override {
        RuntimeTest::SetUp();
        set_sound_platform(&sound);
        errors.error_mode = 1;
    }
    void TearDown() override {
        set_sound_platform(nullptr);
        RuntimeTest::TearDown();
    }
    void run(Cmd token, const std::string& args) {
        held = args;
        begin_arguments(held);
        statement_handler(code_of(token))();
    }
    std::string call(Fn token, const std::string& args) {
        held = std::string("@") + static_cast<char>(code_of(token)) + args;
        begin_arguments(held);
        read_arg(' ', kAny);
        return slots.s;
    }
    // MIDI messages with their time since the first.
    Timed messages() const {
        Timed out;
        for (const auto& [time, m] : sound.sent) out.emplace_back(time - sound.sent.front().first, m);
        return out;
    }
};

uint32_t note_on(int channel, int key, int velocity) {
    return static_cast<uint32_t>(0x90 | channel) | static_cast<uint32_t>(key) << 8 |
           static_cast<uint32_t>(velocity) << 16;
}

// Value n goes to channel n except that the fourth and the tenth trade
// channels; negative values end notes; mode 4 is 500 ms a unit, so length
// 2 holds the notes 500 + 2 x 250 ms.
TEST_F(SoundStatements, NotesGoToTheirChannelsAndEndAfterTheirTime) {
    run(Cmd::NOTES, "61;-62;0;40;0;0;0;0;0;50,4,2");
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(messages(), (Timed{{0, note_on(0, 60, 127)},
                             {0, note_on(1, 61, 0)},
                             {0, note_on(9, 39, 127)},
                             {0, note_on(3, 49, 127)},
                             {1000, note_on(0, 60, 0)},
                             {1000, note_on(9, 39, 0)},
                             {1000, note_on(3, 49, 0)}}));
}

TEST_F(SoundStatements, NotesTimeUnitsAreWholeMilliseconds) {
    // 2000 / 3 = 666 a unit, half a unit 333.
    run(Cmd::NOTES, "1,3,1");
    ASSERT_EQ(sound.sent.size(), 2u);
    EXPECT_EQ(messages()[1].first, 999u);
    sound.sent.clear();
    // Mode 0 leaves the notes sounding; keys beyond 127 are not sent.
    run(Cmd::NOTES, "20;200,0,5");
    EXPECT_EQ(messages(), (Timed{{0, note_on(0, 19, 127)}}));
}

TEST_F(SoundStatements, InstrumentsChangeOnEveryListedChannelButPercussion) {
    run(Cmd::NOTES, "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16,-1,0");
    std::map<int, int> program;
    for (const auto& [time, m] : sound.sent) {
        ASSERT_EQ(m & 0xF0, 0xC0u);
        program[m & 0x0F] = static_cast<int>(m >> 8);
    }
    EXPECT_EQ(program, (std::map<int, int>{{0, 1}, {1, 2}, {2, 3}, {3, 10}, {4, 5}, {5, 6}, {6, 7}, {7, 8},
                                           {8, 9}, {10, 11}, {11, 12}, {12, 13}, {13, 14}, {14, 15},
                                           {15, 16}}));
    sound.sent.clear();
    run(Cmd::NOTES, "5,-2,0");
    EXPECT_TRUE(sound.sent.empty());
}

TEST_F(SoundStatements, NotesWithoutMidiOutputWarn) {
    sound.devices = 0;
    run(Cmd::NOTES, "61,4,1");
    sound.devices = 1;
    sound.can_open = false;
    run(Cmd::NOTES, "61,4,1");
    ASSERT_EQ(rec.boxes.size(), 2u);
    EXPECT_EQ(rec.boxes[0].caption, "Fehler bei der Tonerzeugung!");
    EXPECT_TRUE(sound.sent.empty());
}

// Wave flags beyond the four the statement passes on are dropped; an empty
// name stops a playing sound; beep durations become milliseconds; media
// control commands keep their backslashes and leave their code.
TEST_F(SoundStatements, WavesBeepsTheSystemSoundAndMediaControl) {
    run(Cmd::PLAYWAVE, "\"C:\\snd\\ding.wav\",$FF");
    run(Cmd::PLAYWAVE, "\"\",9");
    run(Cmd::BEEP, "440,1000");
    run(Cmd::BEEP, "-5,-3");
    run(Cmd::MESSAGEBEEP, "");
    using W = std::vector<std::pair<std::string, uint32_t>>;
    EXPECT_EQ(sound.waves, (W{{"C:\\snd\\ding.wav", 0x1Bu}, {"", 9u}}));
    EXPECT_EQ(sound.beeps, (Timed{{440u, 380u}, {0u, 0u}}));
    EXPECT_EQ(sound.message_beeps, 1);
    EXPECT_EQ(call(Fn::MCI_S, "\"play c:\\n.mid\")"), "Fehler");
    EXPECT_EQ(sound.command, "play c:\\n.mid");
}

// ---- serial ports: what a pseudo-terminal cannot show ----

class FakeSerial : public SerialPlatform {
public:
    std::string in;
    uint32_t flags = 0;
    uint16_t xon = 10, xoff = 10;

    int32_t open(const std::string&) override { return 0x40; }
    void set_queues(int32_t, int32_t, int32_t) override {}
    bool set_mode(int32_t, const std::string&) override { return true; }
    bool set_state(int32_t, std::optional<uint32_t> f, std::optional<uint16_t> on,
                   std::optional<uint16_t> off) override {
        flags = f.value_or(flags);
        xon = on.value_or(xon);
        xoff = off.value_or(xoff);
        return true;
    }
    uint32_t write(int32_t, std::string_view bytes) override { return static_cast<uint32_t>(bytes.size()); }
    std::optional<uint32_t> waiting(int32_t) override { return static_cast<uint32_t>(in.size()); }
    std::optional<std::string> read(int32_t, uint32_t count) override { return in.substr(0, count); }
    std::optional<uint32_t> take_errors(int32_t) override { return 0; }
    bool close(int32_t) override { return true; }
};

// Reads stop at 32768 bytes (a pseudo-terminal never has that many
// waiting); the XON and XOFF limits are 16-bit, so 65535 and its 32-bit
// forms keep them, as -1 keeps the flags word.
TEST_F(SoundStatements, SerialReadLimitAndStateFields) {
    FakeSerial serial;
    set_serial_platform(&serial);
    call(Fn::COMOPEN, "\"COM1\",0,0)");
    serial.in = std::string(40000, 'r');
    EXPECT_EQ(call(Fn::COMREAD_S, "64,50000)").size(), 32768u);
    call(Fn::COMSTATE, "64,0,0,0,$1315,-1,131071)");
    EXPECT_EQ(slots.i, 0);
    EXPECT_EQ(serial.flags, 0x1315u);
    EXPECT_EQ(serial.xon, 10);
    EXPECT_EQ(serial.xoff, 10);
    call(Fn::COMSTATE, "64,0,0,0,-1,65536,70000)");
    EXPECT_EQ(serial.flags, 0x1315u);
    EXPECT_EQ(serial.xon, 0);
    EXPECT_EQ(serial.xoff, 70000 - 65536);
    set_serial_platform(nullptr);
}

}  // namespace
}  // namespace tolven::testing
