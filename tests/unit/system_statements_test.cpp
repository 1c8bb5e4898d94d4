// The sound statements and the serial port functions as programs reach
// them through the argument reader, with platforms that record what they
// are asked. The end-to-end tests cover what Wine can show; these cover
// MIDI output (there is no MIDI device under Wine), what the speaker and
// the media control interface are given, and the serial rules a
// pseudo-terminal cannot show.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/interp.h"
#include "system/serial.h"
#include "system/sound.h"
#include "system/sound_state.h"
#include "tests/unit/support/recording_midi.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"

namespace tolven::testing {
namespace {

class FakeSound : public SoundPlatform {
public:
    explicit FakeSound(RecordingHost& host) : host_(host) {}
    // One synthesizer, as most machines have: enough for the notes.
    unsigned devices = 1;
    bool can_open = true;
    std::vector<std::pair<std::string, uint32_t>> waves;
    std::vector<std::pair<uint32_t, uint32_t>> beeps;
    int message_beeps = 0;
    std::vector<SentMessage> sent;   // times of the host's clock
    std::vector<std::string> commands;

    void play_wave(const std::string& file, uint32_t flags) override { waves.emplace_back(file, flags); }
    void message_beep() override { ++message_beeps; }
    void beep(uint32_t f, uint32_t ms) override { beeps.emplace_back(f, ms); }
    unsigned midi_device_count() override { return devices; }
    bool midi_open() override { return can_open; }
    void midi_send(uint32_t m) override { sent.push_back({host_.ticks, m}); }
    void midi_close() override {}
    int32_t mci_send(const std::string& command, std::string& answer) override {
        commands.push_back(command);
        if (command == "status cd mode") {
            answer = "stopped";
            return 0;
        }
        answer = "partial";
        return 263;
    }
    std::string mci_error_text(int32_t code) override { return "Fehler " + std::to_string(code); }

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
        interp.handlers[code_of(token)]();
    }
    std::string call(Fn token, const std::string& args) {
        held = std::string("@") + static_cast<char>(code_of(token)) + args;
        begin_arguments(held);
        read_arg(' ', kAny);
        return slots.s;
    }
    // Messages as (time since the first, message).
    std::vector<std::pair<uint32_t, uint32_t>> messages() const {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (const SentMessage& s : sound.sent) out.emplace_back(s.time - sound.sent.front().time, s.message);
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
    using M = std::vector<std::pair<uint32_t, uint32_t>>;
    EXPECT_EQ(messages(), (M{{0, note_on(0, 60, 127)},
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
    EXPECT_EQ(sound.sent[1].time - sound.sent[0].time, 999u);
    sound.sent.clear();
    // Mode 0 leaves the notes sounding; keys beyond 127 are not sent.
    run(Cmd::NOTES, "20;200,0,5");
    EXPECT_EQ(messages(), (std::vector<std::pair<uint32_t, uint32_t>>{{0, note_on(0, 19, 127)}}));
}

TEST_F(SoundStatements, InstrumentsChangeOnEveryListedChannelButPercussion) {
    run(Cmd::NOTES, "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16,-1,0");
    std::map<int, int> program;
    for (const SentMessage& s : sound.sent) {
        ASSERT_EQ(s.message & 0xF0, 0xC0u);
        program[s.message & 0x0F] = static_cast<int>(s.message >> 8);
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

TEST_F(SoundStatements, PlayKeepsItsSettingsAcrossStatements) {
    run(Cmd::PLAY, "\"T240 K2\"");
    run(Cmd::PLAY, "\"O3 C\"");
    EXPECT_EQ(sound_state.music.tempo, 240);
    ASSERT_EQ(sound.sent.size(), 2u);
    EXPECT_EQ(sound.sent[0].message, note_on(2, 36, 100));
    EXPECT_EQ(sound.sent[1].time - sound.sent[0].time, 218u);
    EXPECT_GT(rec.pumps, 0);
}

TEST_F(SoundStatements, WavesBeepsAndTheSystemSound) {
    run(Cmd::PLAYWAVE, "\"C:\\snd\\ding.wav\",$FF");
    run(Cmd::PLAYWAVE, "\"\",9");
    run(Cmd::BEEP, "440,1000");
    run(Cmd::BEEP, "-5,-3");
    run(Cmd::MESSAGEBEEP, "");
    using W = std::vector<std::pair<std::string, uint32_t>>;
    EXPECT_EQ(sound.waves, (W{{"C:\\snd\\ding.wav", 0x1Bu}, {"", 9u}}));
    EXPECT_EQ(sound.beeps, (std::vector<std::pair<uint32_t, uint32_t>>{{440u, 380u}, {0u, 0u}}));
    EXPECT_EQ(sound.message_beeps, 1);
}

TEST_F(SoundStatements, MediaControlAnswersOrExplainsAndKeepsTheCode) {
    EXPECT_EQ(call(Fn::MCI_S, "\"status cd mode\")"), "stopped");
    EXPECT_EQ(sound_state.mci_error, 0);
    EXPECT_EQ(call(Fn::MCI_S, "\"play c:\\n.mid\")"), "Fehler 263");
    EXPECT_EQ(sound_state.mci_error, 263);
    // The command is passed without escape translation.
    EXPECT_EQ(sound.commands.back(), "play c:\\n.mid");
}

// ---- serial ports ----

class FakeSerial : public SerialPlatform {
public:
    struct Port {
        std::string name, in, out;
        uint32_t errors = 0;
        uint32_t flags = 0x1011;
        uint16_t xon = 10, xoff = 10;
        std::string mode;
        bool gone = false;
    };
    std::map<int32_t, Port> ports;
    int32_t next = 0x40;
    std::vector<int32_t> closed;

    int32_t open(const std::string& name) override {
        if (name.rfind("COM", 0) != 0) return serial::kInvalidHandle;
        ports[next].name = name;
        return (next += 4) - 4;
    }
    void set_queues(int32_t, int32_t, int32_t) override {}
    bool set_mode(int32_t h, const std::string& mode) override {
        ports[h].mode = mode;
        return !ports[h].gone;
    }
    bool set_state(int32_t h, std::optional<uint32_t> flags, std::optional<uint16_t> xon,
                   std::optional<uint16_t> xoff) override {
        Port& p = ports[h];
        if (flags) p.flags = *flags;
        if (xon) p.xon = *xon;
        if (xoff) p.xoff = *xoff;
        return true;
    }
    uint32_t write(int32_t h, std::string_view bytes) override {
        ports[h].out += bytes;
        return static_cast<uint32_t>(bytes.size());
    }
    std::optional<uint32_t> waiting(int32_t h) override {
        if (ports[h].gone) return std::nullopt;
        return static_cast<uint32_t>(ports[h].in.size());
    }
    std::optional<std::string> read(int32_t h, uint32_t count) override {
        std::string& in = ports[h].in;
        std::string got = in.substr(0, count);
        in.erase(0, got.size());
        return got;
    }
    std::optional<uint32_t> take_errors(int32_t h) override {
        if (ports[h].gone) return std::nullopt;
        return std::exchange(ports[h].errors, 0);
    }
    bool close(int32_t h) override {
        closed.push_back(h);
        return true;
    }
};

class SerialFunctions : public SoundStatements {
protected:
    FakeSerial serial;
    void SetUp() override {
        SoundStatements::SetUp();
        set_serial_platform(&serial);
    }
    void TearDown() override {
        set_serial_platform(nullptr);
        SoundStatements::TearDown();
    }
    int32_t number(Fn token, const std::string& args) {
        call(token, args);
        return slots.l;
    }
};

TEST_F(SerialFunctions, ReadsCountWhatWaitsAtThePortOpenedLast) {
    const int32_t a = number(Fn::COMOPEN, "\"COM1\",1024,1024)");
    const int32_t b = number(Fn::COMOPEN, "\"COM2\",1024,1024)");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    const std::string ha = std::to_string(a), hb = std::to_string(b);
    serial.ports[a].in = "abcdef";
    EXPECT_EQ(call(Fn::COMREAD_S, ha + ",10)"), "");
    serial.ports[b].in = "xyz";
    EXPECT_EQ(call(Fn::COMREAD_S, ha + ",10)"), "abc");
    EXPECT_EQ(number(Fn::COMMODE, "\"baud=1200\")"), 0);
    EXPECT_EQ(serial.ports[b].mode, "baud=1200");
    EXPECT_EQ(serial.ports[a].mode, "");

    // A failed open makes -1 the current port: nothing counts as waiting,
    // the mode cannot be set.
    EXPECT_EQ(number(Fn::COMOPEN, "\"LPT9\",0,0)"), -1);
    EXPECT_EQ(call(Fn::COMREAD_S, hb + ",10)"), "");
    EXPECT_EQ(number(Fn::COMMODE, "\"baud=1200\")"), -1);
}

TEST_F(SerialFunctions, TransferLimitsAndZeroBytes) {
    const int32_t h = number(Fn::COMOPEN, "\"COM1\",0,0)");
    const std::string hs = std::to_string(h);
    serial.ports[h].in = std::string(40000, 'r');
    EXPECT_EQ(call(Fn::COMREAD_S, hs + ",50000)").size(), 32768u);
    EXPECT_EQ(call(Fn::COMREAD_S, hs + ",0)"), "");
    EXPECT_EQ(call(Fn::COMREAD_S, hs + ",-4)"), "");
    EXPECT_EQ(call(Fn::COMREAD_S, hs + ",3)"), "rrr");
    serial.ports[h].in = std::string("a\0b", 3);
    EXPECT_EQ(call(Fn::COMREAD_S, hs + ",9)"), std::string("a\0b", 3));
    EXPECT_EQ(number(Fn::COMWRITE, hs + ",\"x\\zy\")"), 3);
    EXPECT_EQ(serial.ports[h].out, std::string("x\0y", 3));
}

TEST_F(SerialFunctions, StateFieldsGivenAsMinusOneStay) {
    const int32_t h = number(Fn::COMOPEN, "\"COM1\",0,0)");
    const std::string hs = std::to_string(h);
    EXPECT_EQ(number(Fn::COMSTATE, hs + ",7,8,9,-1,-1,-1)"), 0);
    EXPECT_EQ(serial.ports[h].flags, 0x1011u);
    EXPECT_EQ(serial.ports[h].xon, 10);
    EXPECT_EQ(number(Fn::COMSTATE, hs + ",0,0,0,$1315,-1,2048)"), 0);
    EXPECT_EQ(serial.ports[h].flags, 0x1315u);
    EXPECT_EQ(serial.ports[h].xon, 10);
    EXPECT_EQ(serial.ports[h].xoff, 2048);
    // The limits are 16-bit: 65535 and its 32-bit forms keep the field.
    EXPECT_EQ(number(Fn::COMSTATE, hs + ",0,0,0,-1,65535,131071)"), 0);
    EXPECT_EQ(serial.ports[h].xon, 10);
    EXPECT_EQ(serial.ports[h].xoff, 2048);
    EXPECT_EQ(number(Fn::COMSTATE, hs + ",0,0,0,-1,65536,70000)"), 0);
    EXPECT_EQ(serial.ports[h].xon, 0);
    EXPECT_EQ(serial.ports[h].xoff, 70000 - 65536);
}

TEST_F(SerialFunctions, OnlyOpenPortsReachTheSystem) {
    const int32_t h = number(Fn::COMOPEN, "\"COM1\",0,0)");
    const std::string hs = std::to_string(h);
    serial.ports[h].errors = 0x8;
    EXPECT_EQ(number(Fn::COMERROR, hs + ")"), 8);
    EXPECT_EQ(number(Fn::COMERROR, hs + ")"), 0);
    // Handles the program made up.
    EXPECT_EQ(number(Fn::COMWRITE, "4711,\"x\")"), 0);
    EXPECT_EQ(number(Fn::COMCLOSE, "4711)"), -1);
    EXPECT_EQ(number(Fn::COMERROR, "4711)"), -1);
    EXPECT_EQ(number(Fn::COMSTATE, "4711,0,0,0,-1,-1,-1)"), -1);
    EXPECT_TRUE(serial.ports.count(4711) == 0);
    // A port closed once is not closed again: the system may have given
    // its handle to something else meanwhile.
    serial.ports[h].in = "late";
    EXPECT_EQ(number(Fn::COMCLOSE, hs + ")"), 0);
    EXPECT_EQ(number(Fn::COMCLOSE, hs + ")"), -1);
    EXPECT_EQ(serial.closed, std::vector<int32_t>{h});
    EXPECT_EQ(call(Fn::COMREAD_S, hs + ",10)"), "");
    EXPECT_EQ(number(Fn::COMWRITE, hs + ",\"x\")"), 0);
    EXPECT_EQ(number(Fn::COMMODE, "\"baud=9600\")"), -1);
}

TEST_F(SerialFunctions, APortThatCannotBeAskedReportsEveryFlag) {
    const int32_t h = number(Fn::COMOPEN, "\"COM1\",0,0)");
    serial.ports[h].gone = true;
    EXPECT_EQ(number(Fn::COMERROR, std::to_string(h) + ")"), -1);
    EXPECT_EQ(call(Fn::COMREAD_S, std::to_string(h) + ",10)"), "");
}

}  // namespace
}  // namespace tolven::testing
