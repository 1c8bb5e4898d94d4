// The music language against a fake clock: every note's channel, key,
// velocity, start and length, and the instrument changes, for tunes that
// together use every command of the language.
#include "system/music.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/support/recording_midi.h"

namespace tolven::testing {
namespace {

using Notes = std::vector<PlayedNote>;

class Music : public ::testing::Test {
protected:
    MusicState state;
    RecordingMidi midi;

    void play(std::string_view text) { play_music(text, state, midi); }
};

// Quarters at tempo 120 last 500 ms; "normal" sounds 7/8 of that (437)
// and keeps 1/8 (62) silent, so each note starts 499 ms after the last.
TEST_F(Music, AScaleAtTheStartSettings) {
    play("CDEFGAB>C");
    EXPECT_EQ(midi.notes(), (Notes{{0, 48, 100, 0, 437},
                                   {0, 50, 100, 499, 437},
                                   {0, 52, 100, 998, 437},
                                   {0, 53, 100, 1497, 437},
                                   {0, 55, 100, 1996, 437},
                                   {0, 57, 100, 2495, 437},
                                   {0, 59, 100, 2994, 437},
                                   {0, 60, 100, 3493, 437}}));
    EXPECT_EQ(midi.elapsed(), 3992u);
    // The mapper is opened for each note; the windows are served after
    // every command.
    EXPECT_EQ(midi.opens, 8);
    EXPECT_EQ(midi.closes, 8);
    EXPECT_EQ(midi.pumps, 9);
    EXPECT_EQ(state.octave, 5);
}

// Volume above 127, a channel, an instrument beyond 7 bits (not sent) and
// one within, legato (with a blank between
// "M" and its letter), sharps and flats, note lengths, a dotted note whose
// half millisecond rounds to even, staccato, a dotted pause, a new default
// length and back to normal.
TEST_F(Music, ArticulationsAccidentalsLengthsDotsAndPauses) {
    play("V200 K3 I128 I5 M L C#8 D-16. MS E+2 P4. MN L8 F");
    EXPECT_EQ(midi.program_changes(), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 3 << 8 | 5}}));
    EXPECT_EQ(midi.notes(), (Notes{{3, 49, 127, 0, 250},
                                   {3, 49, 127, 250, 188},
                                   {3, 53, 127, 438, 500},
                                   {3, 53, 127, 2188, 218}}));
    // Staccato keeps half the note silent (500 after 438), the pause lasts
    // 750, the last eighth keeps 31 of its 250 silent.
    EXPECT_EQ(midi.elapsed(), 2437u);
    EXPECT_EQ(state.volume, 127);
    EXPECT_EQ(state.channel, 3);
    EXPECT_EQ(state.length, 8);
    EXPECT_EQ(state.articulation, 'N');
}

// Lower case, octave 0 where C and C flat have no key, octave 6 with the
// highest key, octaves beyond the table, a channel out of range, a length
// of 3, a character that means nothing, an unknown articulation and
// velocity 0. Silent notes keep their time.
TEST_F(Music, OctaveEdgesTempoChannelAndVolume) {
    play("t60 o0 c c- k16 o6 b# > c < < a l3 t100 g x k15 mx v0 a");
    EXPECT_EQ(midi.notes(), (Notes{{0, 84, 100, 2000, 875},
                                   {0, 69, 100, 4000, 875},
                                   {0, 67, 100, 5000, 700}}));
    // Channel 15, key 69, velocity 0: on and off.
    ASSERT_EQ(midi.sent.size(), 8u);
    EXPECT_EQ(midi.sent[6], std::make_pair(5800u, 0x459Fu));
    EXPECT_EQ(midi.sent[7], std::make_pair(6500u, 0x459Fu));
    EXPECT_EQ(midi.elapsed(), 6600u);
    EXPECT_EQ(state.articulation, 'N');
    EXPECT_EQ(state.octave, 5);
}

// Length 0 makes a note of no time; a number has at most four digits, so
// the fifth is a character of its own; an exact half millisecond rounds to
// the even neighbour.
TEST_F(Music, NumbersZeroLengthsAndRounding) {
    play("L0 C T12345 L4 D");
    EXPECT_EQ(midi.notes(), (Notes{{0, 48, 100, 0, 0}, {0, 50, 100, 0, 42}}));
    EXPECT_EQ(midi.elapsed(), 48u);
    EXPECT_EQ(state.tempo, 1234);

    RecordingMidi again;
    MusicState fresh;
    play_music("ML T96 C8 T120 C16.", fresh, again);
    EXPECT_EQ(again.notes(), (Notes{{0, 48, 100, 0, 312}, {0, 48, 100, 312, 188}}));
}

TEST_F(Music, WithoutMidiOutputNothingSoundsAndNothingWaits) {
    midi.can_open = false;
    play("T60 I7 C D P2 E");
    EXPECT_TRUE(midi.sent.empty());
    EXPECT_EQ(midi.elapsed(), 0u);
    EXPECT_EQ(state.tempo, 60);
}

TEST_F(Music, WaitsCountAcrossTheClockWrapping) {
    midi.now = 0xFFFFFFF0u;
    wait_since(midi, midi.ticks(), 100);
    EXPECT_EQ(midi.now, 0x54u);
}

TEST(Beep, DurationsBecomeMillisecondsRoundedToTheNearest) {
    EXPECT_EQ(beep_milliseconds(1), 0u);
    EXPECT_EQ(beep_milliseconds(2), 1u);
    EXPECT_EQ(beep_milliseconds(3), 1u);
    EXPECT_EQ(beep_milliseconds(4), 2u);
    EXPECT_EQ(beep_milliseconds(1000), 380u);
    EXPECT_EQ(beep_milliseconds(1316), 500u);
    EXPECT_EQ(beep_milliseconds(2147483647), 816037258u);
    EXPECT_EQ(beep_milliseconds(0), 0u);
    EXPECT_EQ(beep_milliseconds(-5), 0u);
}

}  // namespace
}  // namespace tolven::testing
