#include "system/win32/sound_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include "system/sound.h"

namespace tolven {

namespace {

class Win32Sound : public SoundPlatform {
public:
    void play_wave(const std::string& file, uint32_t flags) override {
        sndPlaySoundA(file.empty() ? nullptr : file.c_str(), flags);
    }
    void message_beep() override { MessageBeep(0); }
    void beep(uint32_t frequency, uint32_t milliseconds) override { Beep(frequency, milliseconds); }

    unsigned midi_device_count() override { return midiOutGetNumDevs(); }
    bool midi_open() override {
        out_ = nullptr;
        return midiOutOpen(&out_, MIDI_MAPPER, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
    }
    void midi_send(uint32_t message) override {
        if (out_) midiOutShortMsg(out_, message);
    }
    void midi_close() override {
        if (out_) midiOutClose(out_);
        out_ = nullptr;
    }

    int32_t mci_send(const std::string& command, std::string& answer) override {
        char buffer[kAnswerSize + 1] = {};
        const MCIERROR code = mciSendStringA(command.c_str(), buffer, kAnswerSize, nullptr);
        buffer[kAnswerSize] = '\0';
        answer = buffer;
        return static_cast<int32_t>(code);
    }
    std::string mci_error_text(int32_t code) override {
        char buffer[kAnswerSize + 1] = {};
        if (!mciGetErrorStringA(static_cast<MCIERROR>(code), buffer, kAnswerSize)) return {};
        buffer[kAnswerSize] = '\0';
        return buffer;
    }

private:
    static constexpr UINT kAnswerSize = 255;
    HMIDIOUT out_ = nullptr;
};

Win32Sound win32_sound;

}  // namespace

SoundPlatform& win32_sound_platform() { return win32_sound; }

}  // namespace tolven
