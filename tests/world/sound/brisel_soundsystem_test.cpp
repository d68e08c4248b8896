#include "brisel_soundsystem.h"
#include "snd_sampleinfo.h"
#include "snd_sound_fixture.h"

namespace
{
// Notes, at each update, how many voice queries came before it.
class SND_UpdatedDevice : public SND_RecordingDevice
{
public:
    using SND_RecordingDevice::SND_RecordingDevice;
    void Update() override { queriesAtUpdate.push_back(playingQueries); }
    std::vector<s32> queriesAtUpdate;
};

class BriselSoundSystemTest : public SndSoundTest
{
protected:
    void SetUp() override
    {
        SndSoundTest::SetUp();
        m_music.Set("music.mp3", 22050, 0, 255, 0, 0, 0.0f, 0.0f);
        m_handle = m_music.GetSample();
    }
    void TearDown() override
    {
        m_music.Release();
        SndSoundTest::TearDown();
    }

    SND_SampleInfo m_music;
    s32 m_handle = 0;
};

TEST_F(BriselSoundSystemTest, EffectVoicesAreTheDeviceVoicesBeyondTheFirst)
{
    for (const auto& [voices, effects] : {std::pair{8, 7}, {2, 1}, {1, 0}, {0, 0}}) {
        SCOPED_TRACE(voices);
        SND_RecordingDevice device(voices);
        Brisel_SoundSystem sound(&device);
        ASSERT_EQ(effects, sound.GetEffectVoiceCount());
        EXPECT_EQ(-1, sound.GetMusicVoice().GetDeviceVoice());
        for (s32 i = 0; i < effects; ++i)
            EXPECT_EQ(-1, sound.GetEffectVoice(i)->GetDeviceVoice());
        EXPECT_EQ(nullptr, sound.GetEffectVoice(effects));
        EXPECT_EQ(nullptr, sound.GetEffectVoice(-1));
    }
}

// The music plays, holds its own reference while it plays, and gives it back at the first
// update after the device reports its end.
TEST_F(BriselSoundSystemTest, UpdateReclaimsFinishedVoices)
{
    SND_UpdatedDevice device(8, &m_table);
    Brisel_SoundSystem sound(&device);
    SND_SampleVoice& music = sound.GetMusicVoice();
    music.Play(m_music);
    ASSERT_EQ(1u, device.plays.size());
    EXPECT_EQ(m_table.Get(m_handle), device.plays[0].sample);
    EXPECT_EQ(0, music.GetDeviceVoice());
    EXPECT_EQ(m_handle, music.GetSample());
    EXPECT_EQ(2, m_table.References(m_handle));

    const s32 queries = device.playingQueries;
    sound.Update();
    EXPECT_EQ(std::vector<s32>{queries}, device.queriesAtUpdate);  // fed before any voice is asked
    EXPECT_EQ(0, music.GetDeviceVoice());
    EXPECT_EQ(2, m_table.References(m_handle));

    device.playing[0] = 0;  // the sound ended between two frames
    EXPECT_EQ(2, m_table.References(m_handle));
    sound.Update();
    EXPECT_EQ(-1, music.GetDeviceVoice());
    EXPECT_EQ(1, m_table.References(m_handle));
    sound.Update();
    EXPECT_EQ(1, m_table.References(m_handle));
    EXPECT_TRUE(device.stops.empty());
}

TEST_F(BriselSoundSystemTest, PlayingTwiceStopsTheFirstPlayBeforeTheSecond)
{
    SND_RecordingDevice device(8, &m_table);
    Brisel_SoundSystem sound(&device);
    sound.GetMusicVoice().Play(m_music);
    sound.GetMusicVoice().Play(m_music);
    ASSERT_EQ(2u, device.plays.size());
    EXPECT_EQ(std::vector<s32>{0}, device.stops);
    // Description 1 + the second play's 1: the first play's reference went before it started.
    EXPECT_EQ(std::vector<s32>({2, 2}), device.referencesAtPlay);
    EXPECT_EQ(0, sound.GetMusicVoice().GetDeviceVoice());
    EXPECT_EQ(2, m_table.References(m_handle));
}

// Nothing will ever report a play that got no device voice as ended: its reference is given
// back at once.
TEST_F(BriselSoundSystemTest, NoFreeDeviceVoiceKeepsNoReference)
{
    SND_RecordingDevice device(8, &m_table);
    device.full = true;
    {
        Brisel_SoundSystem sound(&device);
        sound.GetMusicVoice().Play(m_music);
        EXPECT_EQ(1u, device.plays.size());
        EXPECT_EQ(-1, sound.GetMusicVoice().GetDeviceVoice());
        EXPECT_EQ(1, m_table.References(m_handle));
        sound.Update();
        EXPECT_EQ(0, device.playingQueries);
        EXPECT_EQ(1, m_table.References(m_handle));

        // A voice freed later plays normally on the same manager voice.
        device.full = false;
        sound.GetMusicVoice().Play(m_music);
        EXPECT_TRUE(device.stops.empty()) << "an idle voice has nothing to stop";
        EXPECT_EQ(0, sound.GetMusicVoice().GetDeviceVoice());
        EXPECT_EQ(2, m_table.References(m_handle));
    }
    EXPECT_EQ(std::vector<s32>{0}, device.stops);
    EXPECT_EQ(1, m_table.References(m_handle));
}

TEST_F(BriselSoundSystemTest, DestructionStopsWhatPlaysAndGivesItBack)
{
    SND_RecordingDevice device(4, &m_table);
    Brisel_SoundSystem* sound = new Brisel_SoundSystem(&device);
    sound->GetMusicVoice().Play(m_music);
    device.playing = {0, 1, 0, 0};  // the music got voice 0; voice 1 belongs to nobody here
    delete sound;
    EXPECT_EQ(std::vector<s32>{0}, device.stops) << "only voices the manager plays are stopped";
    EXPECT_EQ(1, m_table.References(m_handle));
}

TEST_F(BriselSoundSystemTest, EffectsAreNotPlayed)
{
    SND_RecordingDevice device(8, &m_table);
    Brisel_SoundSystem sound(&device);
    const std::vector<s32> r = Draws(3, 1);
    sound.PlayEffect(1, &m_music);
    sound.PlayEffect(2, &m_music);
    EXPECT_TRUE(device.plays.empty());
    EXPECT_EQ(1, m_table.References(m_handle));
    EXPECT_EQ(r[0], CRT_Rand());
}

// With sound off the device is gone: nothing is played, counted or drawn.
TEST_F(BriselSoundSystemTest, SoundOffChangesNothing)
{
    const std::vector<s32> r = Draws(9, 1);
    {
        Brisel_SoundSystem sound(nullptr);
        EXPECT_EQ(0, sound.GetEffectVoiceCount());
        sound.Update();
        sound.GetMusicVoice().Play(m_music);
        sound.GetMusicVoice().Play(m_music);
        EXPECT_EQ(-1, sound.GetMusicVoice().GetDeviceVoice());
        sound.Update();
        sound.PlayEffect(1, &m_music);
    }
    SND_SampleVoice loose;
    loose.Play(m_music);
    loose.Stop();
    loose.Reclaim();
    EXPECT_EQ(-1, loose.GetDeviceVoice());
    EXPECT_EQ(1, m_table.References(m_handle));
    EXPECT_EQ(r[0], CRT_Rand());
}
}  // namespace
