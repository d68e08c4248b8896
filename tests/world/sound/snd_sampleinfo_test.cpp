#include <cstdint>

#include "des_file.h"
#include "snd_sampleinfo.h"
#include "snd_sound_fixture.h"
#include "tools_sam.h"

namespace
{
const f32 STEP = 0.003921569f;

class SndSampleInfoTest : public SndSoundTest
{
protected:
    SND_PlayParams Play(const SND_SampleInfo& _info)
    {
        SND_PlayParams params;
        _info.MakePlayParams(&params);
        return params;
    }

    // Writes the description and reads it back through the file form.
    void Read(SND_SampleInfo& _info, const TOOL_SampleInfo& _file, const char* _name = "sfx/sample/test.sam")
    {
        m_dir.Write(_name, TOOL_SampleInfoText(_file));
        _info.ParseIniFile(_name);
    }
};

TEST_F(SndSampleInfoTest, RateStaysWithinTheSpreadAndReachesBothEnds)
{
    SND_SampleInfo info;
    info.Set("pb_07.wav", 22050, 2205, 255, 0, 1, 0.0f, 0.0f);
    s32 low = INT32_MAX;
    s32 high = INT32_MIN;
    for (s32 i = 0; i < 20000; ++i) {
        const s32 rate = Play(info).rate;
        low = rate < low ? rate : low;
        high = rate > high ? rate : high;
    }
    EXPECT_EQ(19845, low);
    EXPECT_EQ(24255, high);
    info.Release();
}

// Each play takes the rate from the first draw and the volume from the second; a spread of 0
// draws nothing, so the rest of the program's sequence is not disturbed.
TEST_F(SndSampleInfoTest, DrawsRateThenVolumeAndNothingForAZeroSpread)
{
    struct Case
    {
        s32 freqrnd;
        u8 volrnd;
        s32 draws;
    } cases[] = {{0, 0, 0}, {2205, 0, 1}, {0, 25, 1}, {2205, 25, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "freqrnd " << c.freqrnd << " volrnd " << (s32)c.volrnd);
        SND_SampleInfo info;
        info.Set("pb_07.wav", 22050, c.freqrnd, 200, c.volrnd, 1, 0.0f, 0.0f);
        const std::vector<s32> r = Draws(77, 3);
        const SND_PlayParams params = Play(info);
        EXPECT_EQ(r[c.draws], CRT_Rand()) << "draws used";
        s32 next = 0;
        const s32 rate = c.freqrnd == 0 ? 22050 : 22050 - c.freqrnd + r[next++] % (2 * c.freqrnd + 1);
        const s32 volume = c.volrnd == 0 ? 200 : 200 - c.volrnd + r[next++] % (2 * c.volrnd + 1);
        EXPECT_EQ(rate, params.rate);
        EXPECT_EQ((f32)volume * STEP, params.volume);
    }
}

TEST_F(SndSampleInfoTest, VolumeRangesAreClampedToZeroAndOne)
{
    struct Case
    {
        u8 vol;
        u8 volrnd;
        f32 low;
        f32 high;
    } cases[] = {
        {255, 0, 1.0f, 1.0f},            // 255 steps are a little above 1
        {255, 25, 230.0f * STEP, 1.0f},  // draws above 255 clamp
        {10, 20, 0.0f, 30.0f * STEP},    // draws below 10 clamp to 0
        {0, 0, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "vol " << (s32)c.vol << " volrnd " << (s32)c.volrnd);
        SND_SampleInfo info;
        info.Set("pb_07.wav", 22050, 0, c.vol, c.volrnd, 1, 0.0f, 0.0f);
        f32 low = 2.0f;
        f32 high = -1.0f;
        s32 atLow = 0;
        for (s32 i = 0; i < 3000; ++i) {
            const f32 volume = Play(info).volume;
            low = volume < low ? volume : low;
            high = volume > high ? volume : high;
            atLow += volume == c.low ? 1 : 0;
        }
        EXPECT_EQ(c.low, low);
        EXPECT_EQ(c.high, high);
        if (c.vol == 10) {  // the eleven draws -10..0 all give 0
            EXPECT_GT(atLow, 3000 * 9 / 41);
        }
        info.Release();
    }
}

// The rate is worked without overflow for any file values and pinned to the s32 range.
TEST_F(SndSampleInfoTest, RateSpreadNeverOverflows)
{
    struct Case
    {
        s32 freq;
        s32 freqrnd;
        s64 low;
        s64 high;
    } cases[] = {
        {INT32_MAX, INT32_MAX, 0, CRT_RAND_MAX},        // 2 × spread + 1 beyond s32
        {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX},   // pinned above
        {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MIN},   // pinned below
        {INT32_MIN, 1, INT32_MIN, (s64)INT32_MIN + 1},  // below the lowest rate
        {1000, -5, 1005, 1013},                         // a negative spread
        {0, INT32_MIN, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "freq " << c.freq << " freqrnd " << c.freqrnd);
        SND_SampleInfo info;
        info.Set("pb_07.wav", c.freq, c.freqrnd, 255, 0, 1, 0.0f, 0.0f);
        for (s32 i = 0; i < 200; ++i) {
            const s64 rate = Play(info).rate;
            EXPECT_LE(c.low, rate);
            EXPECT_GE(c.high, rate);
        }
        info.Release();
    }
    // Large spreads still follow the formula: INT32_MAX - INT32_MAX + r.
    SND_SampleInfo info;
    info.Set("pb_07.wav", INT32_MAX, INT32_MAX, 255, 0, 1, 0.0f, 0.0f);
    const s32 r = Draws(5, 1)[0];
    EXPECT_EQ(r, Play(info).rate);
    info.Release();
}

TEST_F(SndSampleInfoTest, PlayParamsCarryTheSampleLoopsAndRanges)
{
    SND_SampleInfo info;
    info.Set("pb_07.wav", 11025, 0, 255, 0, 3, 2.5f, 400.0f);
    const s32 handle = info.GetSample();
    ASSERT_NE(0, handle);
    EXPECT_EQ(1, m_table.References(handle));
    SND_PlayParams params;
    params.pan = 0.5f;
    info.MakePlayParams(&params);
    EXPECT_EQ(m_table.Get(handle), params.sample);
    EXPECT_EQ(11025, params.rate);
    EXPECT_EQ(0.0f, params.pan);
    EXPECT_EQ(3, params.loopCount);
    EXPECT_EQ(2.5f, params.minRange);
    EXPECT_EQ(400.0f, params.maxRange);
    EXPECT_EQ(2, m_table.References(handle)) << "the parameters' reference belongs to the voice";
    m_table.Release(handle);
    info.Release();
    EXPECT_EQ(0, m_table.TotalReferences());

    // A description without sample gives no sample and takes no reference.
    SND_SampleInfo empty;
    empty.MakePlayParams(&params);
    EXPECT_EQ(nullptr, params.sample);
    EXPECT_EQ(0, m_table.TotalReferences());
}

TEST_F(SndSampleInfoTest, ReadsTheFileAndKeepsLowBytes)
{
    TOOL_SampleInfo file;
    file.name = "PB_07.WAV";
    file.freq = 44100;
    file.freqrnd = -7;
    file.vol = 511;    // low byte 255
    file.volrnd = -1;  // low byte 255
    file.cnt = 257;    // low byte 1
    file.minr = 0.1f;
    file.maxr = -1234.5678f;
    SND_SampleInfo info;
    Read(info, file);
    EXPECT_EQ(44100, info.GetFreq());
    EXPECT_EQ(-7, info.GetFreqRnd());
    EXPECT_EQ(255, info.GetVol());
    EXPECT_EQ(255, info.GetVolRnd());
    EXPECT_EQ(1, info.GetCnt());
    EXPECT_EQ(0.1f, info.GetMinRange());
    EXPECT_EQ(-1234.5678f, info.GetMaxRange());
    ASSERT_EQ(1u, m_table.slots.size());
    EXPECT_EQ("PB_07.WAV", m_table.slots[0].name);
    EXPECT_EQ(std::vector<s32>{1}, m_table.mustExist);
    EXPECT_EQ(1, Play(info).loopCount);
    m_table.Release(info.GetSample());

    // Reading again gives the old sample back before taking the new one.
    file.name = "ef_01.wav";
    Read(info, file);
    EXPECT_EQ(0, m_table.References(1));
    EXPECT_EQ(1, m_table.References(info.GetSample()));
    EXPECT_EQ(std::string("ef_01.wav"), m_table.slots[info.GetSample() - 1].name);
}

TEST_F(SndSampleInfoTest, ReadsASectionOfANodeDescription)
{
    TOOL_SampleInfo fire;
    fire.name = "ef_01.wav";
    fire.freq = 8000;
    fire.volrnd = 12;
    m_dir.Write("gun.osd", "[Sound]\n{\n" + TOOL_SampleInfoSection("Fire", fire, "    ") + "}\n");
    DES_File file;
    DES_Section root;
    DES_Section sound;
    DES_Section section;
    file.Open(&root, "gun.osd");
    ASSERT_TRUE(root.FindSection(&sound, "Sound"));
    ASSERT_TRUE(sound.FindSection(&section, "Fire"));
    SND_SampleInfo info;
    info.ParseIniFile(&section);
    file.Close();
    EXPECT_EQ(8000, info.GetFreq());
    EXPECT_EQ(12, info.GetVolRnd());
    EXPECT_EQ(1, m_table.References(info.GetSample()));
}

TEST_F(SndSampleInfoTest, LoadReadsByFullPath)
{
    TOOL_SampleInfo file;
    file.name = "music.mp3";
    m_dir.Write("sfx/sample/brisel_agressive.sam", TOOL_SampleInfoText(file));
    SND_SampleInfo* info = new SND_SampleInfo;
    EXPECT_EQ(1u, info->Load("sfx\\sample\\brisel_agressive.sam"));
    EXPECT_EQ(1, m_table.TotalReferences());
    delete info;  // the clean-up of a cached description
    EXPECT_EQ(0, m_table.TotalReferences());
}

TEST_F(SndSampleInfoTest, CopyAndReleaseCountReferences)
{
    SND_SampleInfo a;
    a.Set("pb_07.wav", 22050, 2205, 255, 25, 1, 1.0f, 2.0f);
    const s32 handle = a.GetSample();
    {
        SND_SampleInfo b;
        b.Copy(a);
        EXPECT_EQ(2, m_table.References(handle));
        EXPECT_EQ(handle, b.GetSample());
        EXPECT_EQ(2205, b.GetFreqRnd());
        EXPECT_EQ(25, b.GetVolRnd());
        EXPECT_EQ(2.0f, b.GetMaxRange());
        b.Release();
        EXPECT_EQ(1, m_table.References(handle));
        b.Release();  // a second release has nothing left to give back
        EXPECT_EQ(1, m_table.References(handle));

        // Copying over a description that holds another sample gives that one back.
        b.Set("ef_01.wav", 1, 0, 0, 0, 0, 0.0f, 0.0f);
        const s32 other = b.GetSample();
        b.Copy(a);
        EXPECT_EQ(0, m_table.References(other));
        EXPECT_EQ(2, m_table.References(handle));
        b.Copy(b);
        EXPECT_EQ(2, m_table.References(handle));
    }  // b's destructor
    EXPECT_EQ(1, m_table.References(handle));
    a.Release();
    EXPECT_EQ(0, m_table.TotalReferences());
}

TEST_F(SndSampleInfoTest, WithoutTableNoSampleIsHeld)
{
    SND_SampleTable::SetCurrent(nullptr);
    SND_SampleInfo info;
    EXPECT_EQ(1, info.Set("pb_07.wav", 22050, 0, 255, 0, 1, 0.0f, 0.0f));
    EXPECT_EQ(0, info.GetSample());
    EXPECT_EQ(nullptr, Play(info).sample);
    info.Release();
}

TEST_F(SndSampleInfoTest, BrokenDescriptionsStopWithTheReadersTexts)
{
    SND_SampleInfo info;
    EXPECT_FATAL(info.ParseIniFile("sfx\\sample\\none.sam"), "DES_File::Open() file not found",
                 "sfx\\sample\\none.sam");

    m_dir.Write("other.sam", "[Other]\n{\n    name = \"pb_07.wav\"\n}\n");
    EXPECT_FATAL(info.ParseIniFile("other.sam"), "DES FILE ERROR",
                 "(SND_SampleInfo::ParseIniFile()): Get [\"SampleInfo\"] in file \"other.sam\" failed");

    for (const char* key : {"name", "freq", "freqrnd", "vol", "volrnd", "cnt", "minr", "maxr"}) {
        TOOL_SampleInfo file;
        file.name = "pb_07.wav";
        file.omit = key;
        m_dir.Write("broken.sam", TOOL_SampleInfoText(file));
        EXPECT_FATAL(info.ParseIniFile("broken.sam"), "DesFile Error",
                     (std::string("data \"") + key + "\" not found in file \"broken.sam\"").c_str());
    }
    m_dir.Write("typed.sam", "[SampleInfo]\n{\n    name = \"pb_07.wav\"\n    freq = 1\n    freqrnd = 0\n    vol = 1\n"
                             "    volrnd = 0\n    cnt = 1\n    minr = 0\n    maxr = 0.0\n}\n");
    EXPECT_FATAL(info.ParseIniFile("typed.sam"), "DesFile Error", "data \"minr\" in file \"typed.sam\" has wrong type");
    EXPECT_EQ(0, m_table.TotalReferences());
    EXPECT_TRUE(m_table.mustExist.empty()) << "no key error reaches the cache";
}

// A sample file that does not load stops in the cache; the old sample was given back first
// and is not given back again when the description goes.
TEST_F(SndSampleInfoTest, MissingSampleIsFatalInTheCacheAndLeavesNoHandle)
{
    SND_SampleInfo info;
    info.Set("pb_07.wav", 22050, 0, 255, 0, 1, 0.0f, 0.0f);
    SND_SampleInfo other;
    other.Copy(info);
    EXPECT_FATAL(info.Set("gone.wav", 22050, 0, 255, 0, 1, 0.0f, 0.0f), "CON_Cache::Allocate() file not found",
                 "sfx\\sample\\gone.wav");
    EXPECT_EQ(0, info.GetSample());
    EXPECT_EQ(1, m_table.References(other.GetSample()));
    info.Release();
    EXPECT_EQ(1, m_table.References(other.GetSample()));
}
}  // namespace
