// Shared by the sound tests: a pull output that records (and may refuse) the formats the
// device tries and may stand in for a device's callback, the settings file, and 16-bit rendering of the mixed output.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plt_audio.h"
#include "snd_sounddevice.h"
#include "test_dir.h"

class SND_RecordingOutput : public PLT_AudioPullOutput
{
public:
    s32 Open(const PLT_AudioWaveFormat& _format, PLT_AudioDriver* _driver) override
    {
        attempts.push_back(_format);
        if (refuseAll || attempts.size() <= refusals)
            return -1;
        return PLT_AudioPullOutput::Open(_format, _driver);
    }
    // As a device's callback the mixer does not decode: only the device's Update feeds it.
    u32 MixerMayDecode() const override { return callback ? 0 : 1; }

    // _frames frames of a 16-bit output as sample values.
    std::vector<s32> Render16(u32 _frames)
    {
        std::vector<u8> bytes((size_t)_frames * Format().channels * 2);
        Render(bytes.data(), (u32)bytes.size());
        std::vector<s32> values;
        for (size_t i = 0; i < bytes.size(); i += 2)
            values.push_back((s16)(bytes[i] | (bytes[i + 1] << 8)));
        return values;
    }

    std::vector<PLT_AudioWaveFormat> attempts;
    size_t refusals = 0;  // refuse this many opens, then accept
    bool refuseAll = false;
    bool callback = false;  // set before the device opens
};

// A working directory with "ini\sound.des" and the recording output installed.
class SndTest : public testing::Test
{
protected:
    void SetUp() override { PLT_SetAudioOutput(&m_output); }
    void TearDown() override
    {
        delete m_device;
        m_device = nullptr;
        PLT_SetAudioOutput(nullptr);
    }

    void WriteSettings(s32 _on, s32 _channels, s32 _rate, s32 _bits)
    {
        m_dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = " + std::to_string(_on) + "\n    NumOfChannels = " +
                                         std::to_string(_channels) + "\n    Rate = " + std::to_string(_rate) +
                                         "\n    Bits = " + std::to_string(_bits) + "\n}\n");
    }

    SND_SoundDevice2D* Create(s32 _on = 1, s32 _channels = 2, s32 _rate = 22050, s32 _bits = 16)
    {
        WriteSettings(_on, _channels, _rate, _bits);
        m_device = new SND_SoundDevice2D("ini\\sound.des");
        return m_device;
    }

    std::string Log() const { return m_dir.Exists("log.txt") ? m_dir.Read("log.txt") : std::string(); }

    TST_TempDir m_dir;
    SND_RecordingOutput m_output;
    SND_SoundDevice2D* m_device = nullptr;
};
