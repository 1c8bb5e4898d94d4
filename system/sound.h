// The sound statements: wave files, the default system sound, the speaker
// beep, MIDI notes per channel, the music language and media control
// commands. The handlers are portable; the sounds themselves are made by
// the SoundPlatform the Win32 build installs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/registry.h"

namespace tolven {

// Flags of the wave statement that reach the platform: asynchronous, no
// default sound, loop, do not stop a playing sound.
namespace snd {
constexpr uint32_t kAsync = 0x01, kNoDefault = 0x02, kLoop = 0x08, kNoStop = 0x10;
constexpr uint32_t kAllowed = kAsync | kNoDefault | kLoop | kNoStop;
}  // namespace snd

class SoundPlatform {
public:
    virtual ~SoundPlatform() = default;
    // An empty name stops a sound that is playing.
    virtual void play_wave(const std::string& file, uint32_t flags) = 0;
    virtual void message_beep() = 0;
    virtual void beep(uint32_t frequency, uint32_t milliseconds) = 0;

    virtual unsigned midi_device_count() = 0;
    virtual bool midi_open() = 0;
    virtual void midi_send(uint32_t message) = 0;
    virtual void midi_close() = 0;

    // Sends a media control command; returns the error code (0: success)
    // and leaves the command's answer in `answer`.
    virtual int32_t mci_send(const std::string& command, std::string& answer) = 0;
    // The text of a media control error code; empty when there is none.
    virtual std::string mci_error_text(int32_t code) = 0;
};

// The platform in use; set_sound_platform(nullptr) restores the default,
// a machine without any sound device.
SoundPlatform& sound_platform();
void set_sound_platform(SoundPlatform* p);

void play_wave_statement();
void message_beep_statement();
void beep_statement();
void notes_statement();
void play_statement();
void mci_function();

// The handlers and the reset to the start values of the music settings.
extern const Module kSoundModule;

}  // namespace tolven
