// The sound device: its settings checks, the output open retries, voices and their limits,
// the volume and pan conversions and the pause on deactivation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "snd_fixture.h"
#include "snd_sample.h"
#include "tools_wav.h"

namespace
{

class SndSoundDeviceTest : public SndTest
{
protected:
    // A sample on disk, loaded through the device's file callbacks.
    SND_Sample* Load(const char* _name, const std::string& _bytes)
    {
        m_dir.Write(_name, _bytes);
        SND_Sample* sample = new SND_Sample;
        EXPECT_EQ(1u, sample->Load(_name)) << _name;
        m_samples.push_back(sample);
        return sample;
    }
    SND_Sample* Constant(s16 _value, u32 _frames)
    {
        return Load(("c" + std::to_string(m_samples.size()) + ".wav").c_str(),
                    TOOL_WavPcmBytes(1, 22050, 16, std::vector<s16>(_frames, _value)));
    }
    void TearDown() override
    {
        SndTest::TearDown();
        for (SND_Sample* sample : m_samples)
            delete sample;
    }

    static SND_PlayParams Params(SND_Sample* _sample, s32 _loops = 1, f32 _volume = 1.0f, f32 _pan = 0.0f)
    {
        SND_PlayParams params;
        params.sample = _sample;
        params.rate = 22050;
        params.pan = _pan;
        params.loopCount = _loops;
        params.volume = _volume;
        return params;
    }

    std::vector<SND_Sample*> m_samples;
};

TEST_F(SndSoundDeviceTest, StopsOnBadSettingsWithTheirTexts)
{
    EXPECT_FATAL(Create(1, 3, 22050, 16), "illegal numofchannels", "SND_SoundDevice2D::Init");
    EXPECT_FATAL(Create(1, 0, 22050, 16), "illegal numofchannels", "SND_SoundDevice2D::Init");
    EXPECT_FATAL(Create(1, 2, 48000, 16), "illegal rate", "SND_SoundDevice2D::Init");
    EXPECT_FATAL(Create(1, 2, 22050, 24), "illegal bits", "SND_SoundDevice2D::Init");
    // The checks run in that order, and before any output is tried.
    EXPECT_FATAL(Create(1, 5, 8000, 12), "illegal numofchannels", "SND_SoundDevice2D::Init");
    EXPECT_FATAL(Create(1, 1, 8000, 12), "illegal rate", "SND_SoundDevice2D::Init");
    EXPECT_TRUE(m_output.attempts.empty());

    m_dir.Write("ini/sound.des", "[Display]\n{\n    Width = 640\n}\n");
    EXPECT_FATAL(new SND_SoundDevice2D("ini\\sound.des"), "DES FILE ERROR",
                 "(SND_SoundDevice2D::Init): Get [\"Sound\"] in file \"ini\\sound.des\" failed");
}

TEST_F(SndSoundDeviceTest, SoundOffOpensNothing)
{
    Create(0, 2, 44100, 16);
    EXPECT_EQ(0, m_device->GetNumChannels());
    EXPECT_TRUE(m_output.attempts.empty());
    EXPECT_EQ(-1, m_device->Play(Params(nullptr)));
    // Sample files still load through the game's file system: a run with sound off reads its
    // sample descriptions' files all the same.
    EXPECT_NE(nullptr, Constant(100, 64));
}

TEST_F(SndSoundDeviceTest, RetriesTheOutputAtLowerRatesThenAt8Bits)
{
    struct Attempt
    {
        u32 rate, bits;
    };
    struct Case
    {
        s32 channels, rate, bits;
        size_t refusals;
        std::vector<Attempt> attempts;
        s32 voices;
    };
    const Case cases[] = {
        {2, 44100, 16, 99, {{44100, 16}, {22050, 16}, {11025, 16}, {44100, 8}, {22050, 8}, {11025, 8}}, 0},
        {1, 22050, 16, 99, {{22050, 16}, {11025, 16}, {22050, 8}, {11025, 8}}, 0},
        {2, 11025, 8, 99, {{11025, 8}}, 0},
        {2, 22050, 16, 3, {{22050, 16}, {11025, 16}, {22050, 8}, {11025, 8}}, 8},
        {1, 44100, 16, 0, {{44100, 16}}, 8},
    };
    for (const Case& c : cases) {
        m_output.attempts.clear();
        m_output.refusals = c.refusals;
        Create(1, c.channels, c.rate, c.bits);
        ASSERT_EQ(c.attempts.size(), m_output.attempts.size()) << c.rate;
        for (size_t i = 0; i < c.attempts.size(); ++i) {
            const PLT_AudioWaveFormat& f = m_output.attempts[i];
            EXPECT_EQ(1u, f.formatTag);
            EXPECT_EQ((u32)c.channels, f.channels);
            EXPECT_EQ(c.attempts[i].rate, f.samplesPerSec) << i;
            EXPECT_EQ(c.attempts[i].bits, f.bitsPerSample) << i;
            EXPECT_EQ(c.attempts[i].bits / 8 * c.channels, f.blockAlign) << i;
            EXPECT_EQ(c.attempts[i].bits / 8 * c.attempts[i].rate * c.channels, f.avgBytesPerSec) << i;
        }
        EXPECT_EQ(c.voices, m_device->GetNumChannels());
        delete m_device;
        m_device = nullptr;
        EXPECT_FALSE(m_output.IsOpen());
    }
}

TEST_F(SndSoundDeviceTest, TakesFewerVoicesWhenTheLibraryHasFewer)
{
    PLT_AudioSetPreference(PLT_AUDIO_PREF_SAMPLE_HANDLES, 3);
    Create();
    PLT_AudioSetPreference(PLT_AUDIO_PREF_SAMPLE_HANDLES, 16);
    EXPECT_EQ(3, m_device->GetNumChannels());
    SND_Sample* tone = Constant(1000, 100);
    for (s32 i = 0; i < 3; ++i)
        EXPECT_EQ(i, m_device->Play(Params(tone, 0)));
    EXPECT_EQ(-1, m_device->Play(Params(tone, 0)));
    // Index 5 is within eight but outside this device: ignored like -1.
    m_device->SetVolume(5, 10);
    m_device->Stop(5);
    EXPECT_EQ(0, m_device->GetVolume(5));
    EXPECT_EQ(1, m_device->GetRate(5));
    EXPECT_EQ(0, m_device->IsPlaying(5));
}

TEST_F(SndSoundDeviceTest, TheNinthSoundWaitsForAFreeVoice)
{
    Create();
    ASSERT_EQ(8, m_device->GetNumChannels());
    SND_Sample* endless = Constant(100, 100);
    SND_Sample* brief = Constant(100, 10);
    for (s32 i = 0; i < 8; ++i)
        EXPECT_EQ(i, m_device->Play(Params(i == 5 ? brief : endless, i == 5 ? 1 : 0)));
    EXPECT_EQ(-1, m_device->Play(Params(endless)));
    m_output.Render16(10);  // the brief one plays out
    EXPECT_EQ(0, m_device->IsPlaying(5));
    EXPECT_EQ(5, m_device->Play(Params(endless)));
    EXPECT_EQ(-1, m_device->Play(Params(endless)));
    m_device->Stop(2);
    EXPECT_EQ(0, m_device->IsPlaying(2));
    EXPECT_EQ(2, m_device->Play(Params(endless)));
}

TEST_F(SndSoundDeviceTest, IgnoresVoicesOutsideItsRangeAndPlaysNothingWithoutASample)
{
    Create();
    SND_Sample* tone = Constant(100, 100);
    ASSERT_EQ(0, m_device->Play(Params(tone, 0, 0.5f)));
    for (s32 voice : {-1, -2, 8, 9, 1000}) {
        m_device->Stop(voice);
        m_device->SetVolume(voice, 1);
        m_device->SetRate(voice, 1);
        EXPECT_EQ(0, m_device->IsPlaying(voice)) << voice;
        EXPECT_EQ(0, m_device->GetVolume(voice)) << voice;
        EXPECT_EQ(1, m_device->GetRate(voice)) << voice;
    }
    EXPECT_EQ(1, m_device->IsPlaying(0));
    EXPECT_EQ(63, m_device->GetVolume(0));
    EXPECT_EQ(22050, m_device->GetRate(0));

    SND_Sample empty;
    SND_Sample missing;
    EXPECT_EQ(0u, missing.Load("missing.wav"));
    EXPECT_EQ(-1, m_device->Play(Params(nullptr)));
    EXPECT_EQ(-1, m_device->Play(Params(&empty)));
    EXPECT_EQ(-1, m_device->Play(Params(&missing)));
    EXPECT_EQ(1, m_device->Play(Params(tone)));  // no voice was used up

    m_device->SetVolume(1, 20);
    m_device->SetRate(1, 11025);
    EXPECT_EQ(20, m_device->GetVolume(1));
    EXPECT_EQ(11025, m_device->GetRate(1));
    m_device->SetPosition(1.0f, 2.0f, 3.0f);  // positional sound does nothing
}

TEST_F(SndSoundDeviceTest, ConvertsVolumeAndPanForTheMixer)
{
    // A constant 8001 at volume 127 mixes to 127 x the pan weight of each side
    // (left min(127 - pan, 63), right min(pan, 63)), which shows the pan value sent.
    struct Case
    {
        f32 pan;
        s32 left, right;  // pan value sent
    };
    const Case cases[] = {
        {-1.0f, 8001, 0},     // 0
        {-0.5f, 8001, 3937},  // 31
        {0.0f, 8001, 8001},   // 63
        {0.5f, 4064, 8001},   // 95
        {1.0f, 0, 8001},      // 127
    };
    Create();
    SND_Sample* constant = Constant(8001, 4);
    for (const Case& c : cases) {
        ASSERT_EQ(0, m_device->Play(Params(constant, 1, 1.0f, c.pan)));
        EXPECT_EQ((std::vector<s32>{c.left, c.right}), m_output.Render16(1)) << c.pan;
        m_device->Stop(0);
    }
    const struct
    {
        f32 volume;
        s32 sent;
    } volumes[] = {{0.0f, 0}, {0.5f, 63}, {0.999f, 126}, {1.0f, 127}};
    for (const auto& v : volumes) {
        ASSERT_EQ(0, m_device->Play(Params(constant, 1, v.volume)));
        EXPECT_EQ(v.sent, m_device->GetVolume(0)) << v.volume;
        m_device->Stop(0);
    }
}

TEST_F(SndSoundDeviceTest, ReacquireResumesOnlyWhatReleasePaused)
{
    Create(1, 1, 22050, 16);
    SND_Sample* ramp = Load("ramp.wav", TOOL_WavPcmBytes(1, 22050, 16, {10, 20, 30, 40, 50, 60}));
    SND_Sample* brief = Constant(1, 1);
    EXPECT_EQ(0, m_device->Play(Params(ramp, 0)));
    EXPECT_EQ(1, m_device->Play(Params(ramp, 0)));
    EXPECT_EQ(2, m_device->Play(Params(brief)));
    m_device->Stop(1);
    EXPECT_EQ((std::vector<s32>{11, 20}), m_output.Render16(2));  // voice 2 plays out

    m_device->Release();
    for (s32 voice = 0; voice < 8; ++voice)
        EXPECT_EQ(0, m_device->IsPlaying(voice)) << voice;
    EXPECT_EQ((std::vector<s32>{0, 0}), m_output.Render16(2));
    m_device->Reacquire();
    EXPECT_EQ(1, m_device->IsPlaying(0));
    EXPECT_EQ(0, m_device->IsPlaying(1));
    EXPECT_EQ(0, m_device->IsPlaying(2));
    EXPECT_EQ((std::vector<s32>{30, 40}), m_output.Render16(2));  // where it paused

    const std::string log = Log();
    const size_t released = log.find("ail released");
    ASSERT_NE(std::string::npos, released);
    EXPECT_NE(std::string::npos, log.find("ail reacquired", released));
}

TEST_F(SndSoundDeviceTest, RefusesAnUnknownFileTypeAndPlaysMp3)
{
    Create();
    SND_Sample* junk = Load("junk.bin", "not a sound file");
    EXPECT_EQ(0, junk->GetType());
    EXPECT_FATAL(m_device->Play(Params(junk)), "SND_SoundDevice2D::Play()", "illegal sample filetype");

    std::string mp3;
    for (int i = 0; i < 4; ++i) {
        std::string frame(417, '\0');
        frame.replace(0, 4, "\xFF\xFB\x90\x64", 4);
        mp3 += frame;
    }
    SND_Sample* music = Load("music.mp3", mp3);
    EXPECT_EQ(13, music->GetType());
    const s32 voice = m_device->Play(Params(music));
    ASSERT_GE(voice, 0);
    EXPECT_EQ(1, m_device->IsPlaying(voice));
    m_output.Render16(2 * 4 * 1152);  // 4 frames of 1152 at 44100 Hz played at 22050 Hz
    EXPECT_EQ(0, m_device->IsPlaying(voice));
}

TEST(SndSoundDeviceSdlTest, OpensTheDummyDeviceAndRunsSilentWithoutOne)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    TST_TempDir dir;
    dir.Write("ini/sound.des", "[Sound]\n{\n SoundOn = 1\n NumOfChannels = 2\n Rate = 44100\n Bits = 16\n}\n");
    SND_SoundDevice2D* device = new SND_SoundDevice2D("ini\\sound.des");
    EXPECT_EQ(8, device->GetNumChannels());
    delete device;

    const char* previous = getenv("SDL_AUDIODRIVER");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    device = new SND_SoundDevice2D("ini\\sound.des");
    EXPECT_EQ(0, device->GetNumChannels());
    delete device;
    if (previous != nullptr)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
