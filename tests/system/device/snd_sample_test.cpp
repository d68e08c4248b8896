// Sound files: loading through the device's file callbacks (disk or archive), the callbacks
// themselves, the WAV writers against the library's decoders, and the named sample table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "os_file.h"
#include "snd_fixture.h"
#include "snd_local.h"
#include "snd_sample.h"
#include "snd_samplecache.h"
#include "tools_archive.h"
#include "tools_wav.h"

namespace
{

// The device is there for its file callbacks.
class SndSampleTest : public SndTest
{
protected:
    void SetUp() override
    {
        SndTest::SetUp();
        Create(1, 1, 22050, 16);
    }
};

std::vector<s16> DecodeWav(const std::string& _bytes, u32* _channels = nullptr)
{
    PLT_AudioPcm pcm;
    if (!PLT_AudioDecodeWav((const u8*)_bytes.data(), (u32)_bytes.size(), &pcm))
        return {};
    std::vector<s16> samples(pcm.frames, pcm.frames + pcm.frameCount * pcm.channels);
    if (_channels)
        *_channels = pcm.channels;
    PLT_AudioFreePcm(&pcm);
    return samples;
}

TEST_F(SndSampleTest, LoadsWholeFilesAndTellsTheirType)
{
    const std::vector<s16> tone = TOOL_WavTone(1, 22050, 300, 440.0, 12000);
    const struct
    {
        const char* name;
        std::string bytes;
        s32 type;
    } cases[] = {
        {"sfx/a16.wav", TOOL_WavPcmBytes(1, 22050, 16, tone), 1},
        {"sfx/a8.wav", TOOL_WavPcmBytes(2, 11025, 8, TOOL_WavTone(2, 11025, 50, 300.0, 9000)), 1},
        {"sfx/ima.wav", TOOL_WavAdpcmBytes(1, 22050, 256, tone), 2},
        {"sfx/other.bin", "not a sound", 0},
    };
    for (const auto& c : cases) {
        m_dir.Write(c.name, c.bytes);
        SND_Sample sample;
        ASSERT_EQ(1u, sample.Load(c.name)) << c.name;
        EXPECT_EQ(c.type, sample.GetType()) << c.name;
        ASSERT_EQ((u32)c.bytes.size(), sample.GetSize()) << c.name;
        EXPECT_EQ(c.bytes, std::string((const char*)sample.GetData(), sample.GetSize())) << c.name;
    }

    // A failed load leaves the sample empty, also after an earlier success.
    SND_Sample sample;
    ASSERT_EQ(1u, sample.Load("SFX\\A16.WAV"));  // names resolve without regard to case
    EXPECT_EQ(0u, sample.Load("sfx\\missing.wav"));
    EXPECT_EQ(nullptr, sample.GetData());
    EXPECT_EQ(0u, sample.GetSize());
    EXPECT_EQ(0, sample.GetType());
}

TEST_F(SndSampleTest, PlaysASampleThatOnlyTheArchiveHolds)
{
    const std::vector<s16> samples = {500, -500, 1500, -1500};
    ASSERT_EQ(1u, TOOL_WriteArchive(".", {{"sfx\\sound\\packed.wav", TOOL_WavPcmBytes(1, 22050, 16, samples)}}));
    OS_Archive::Open();
    SND_Sample sample;
    EXPECT_EQ(1u, sample.Load("sfx\\sound\\packed.wav"));
    OS_Archive::Close();
    ASSERT_EQ(1, sample.GetType());

    SND_PlayParams params;
    params.sample = &sample;
    params.rate = 22050;
    params.volume = 1.0f;
    params.loopCount = 1;
    ASSERT_EQ(0, m_device->Play(params));
    EXPECT_EQ((std::vector<s32>{500, -500, 1500, -1500, 0}), m_output.Render16(5));
}

TEST_F(SndSampleTest, FileCallbacksGoThroughOsFile)
{
    m_dir.Write("ten.bin", "0123456789");
    void* handle = (void*)1;
    EXPECT_EQ(0u, SND_FileOpen("nothing.bin", &handle));
    EXPECT_EQ(nullptr, handle);
    ASSERT_EQ(1u, SND_FileOpen("TEN.BIN", &handle));
    EXPECT_EQ(10, SND_FileSeek(handle, 0, 2));
    EXPECT_EQ(4, SND_FileSeek(handle, 4, 0));
    EXPECT_EQ(6, SND_FileSeek(handle, 2, 1));
    char buffer[32] = {};
    // What was read, not what was asked for.
    EXPECT_EQ(4u, SND_FileRead(handle, buffer, sizeof(buffer)));
    EXPECT_EQ("6789", std::string(buffer));
    EXPECT_EQ(0u, SND_FileRead(handle, buffer, sizeof(buffer)));
    EXPECT_FATAL(SND_FileSeek(handle, 0, 3), "AIL_file_seek_callback", "illegal type");
    SND_FileClose(handle);
}

TEST(SndWavWriterTest, WritesWhatTheDecodersRead)
{
    const std::vector<s16> stereo = TOOL_WavTone(2, 22050, 1000, 440.0, 20000);
    u32 channels = 0;
    EXPECT_EQ(stereo, DecodeWav(TOOL_WavPcmBytes(2, 22050, 16, stereo), &channels));
    EXPECT_EQ(2u, channels);

    std::vector<s16> truncated;
    for (s16 s : stereo)
        truncated.push_back((s16)((s >> 8) * 256));
    EXPECT_EQ(truncated, DecodeWav(TOOL_WavPcmBytes(2, 22050, 8, stereo)));

    // ADPCM is lossy: once its step has grown from the smallest (a dozen frames), the decoded
    // tone follows the source closely; the frame count is exact (the "fact" chunk drops the
    // padding of the last block).
    for (u32 c : {1u, 2u}) {
        const std::vector<s16> tone = TOOL_WavTone(c, 22050, 2000, 440.0, 20000);
        const std::string file = TOOL_WavAdpcmBytes(c, 22050, c * 512, tone);
        ASSERT_FALSE(file.empty());
        const std::vector<s16> decoded = DecodeWav(file, &channels);
        EXPECT_EQ(c, channels);
        ASSERT_EQ(tone.size(), decoded.size());
        s32 worst = 0;
        for (size_t i = 16 * c; i < tone.size(); ++i)
            worst = std::max(worst, std::abs(tone[i] - decoded[i]));
        EXPECT_LT(worst, 1200) << c;
    }
    EXPECT_EQ(1017u, TOOL_WavAdpcmFramesPerBlock(1, 512));
    EXPECT_TRUE(TOOL_WavAdpcmBytes(1, 22050, 6, {1, 2}).empty());
    EXPECT_TRUE(TOOL_WavPcmBytes(3, 22050, 16, {1, 2, 3}).empty());
}

TEST_F(SndSampleTest, CacheSharesSamplesByName)
{
    SND_SampleCache cache;
    cache.SetPath("c:\\sfx\\sound\\ignored.wav");
    EXPECT_STREQ("c:\\sfx\\sound\\", cache.GetPath());
    cache.SetPath("sfx\\sound\\");
    EXPECT_STREQ("sfx\\sound\\", cache.GetPath());

    const std::string wav = TOOL_WavPcmBytes(1, 22050, 16, {1, 2, 3});
    const std::string longName = std::string(50, 'x') + ".wav";
    m_dir.Write("sfx/sound/boom.wav", wav);
    m_dir.Write("sfx/sound/" + longName, wav);

    SND_Sample* boom = cache.Allocate("boom.wav");
    ASSERT_NE(nullptr, boom);
    EXPECT_EQ(boom, cache.Allocate("BOOM.WAV"));
    EXPECT_EQ(nullptr, cache.Allocate("missing.wav"));
    EXPECT_EQ(1u, cache.GetCount());

    // A name longer than an entry holds loads by its full name and is kept cut.
    SND_Sample* longOne = cache.Allocate(longName.c_str());
    ASSERT_NE(nullptr, longOne);
    EXPECT_EQ(longOne, cache.Allocate(longName.c_str()));
    EXPECT_EQ(2u, cache.GetCount());

    cache.Release(boom);
    EXPECT_EQ(2u, cache.GetCount());
    cache.Release(boom);
    EXPECT_EQ(1u, cache.GetCount());
    cache.Release(boom);  // no longer known: ignored
    cache.FreeAll();
    EXPECT_EQ(0u, cache.GetCount());
}

TEST_F(SndSampleTest, CacheHoldsAHundredAndTwentyEightFiles)
{
    SND_SampleCache cache;
    const std::string wav = TOOL_WavPcmBytes(1, 22050, 16, {1});
    for (u32 i = 0; i <= SND_SampleCache::CAPACITY; ++i)
        m_dir.Write("s" + std::to_string(i) + ".wav", wav);
    for (u32 i = 0; i < SND_SampleCache::CAPACITY; ++i)
        ASSERT_NE(nullptr, cache.Allocate(("s" + std::to_string(i) + ".wav").c_str())) << i;
    EXPECT_EQ(nullptr, cache.Allocate("s128.wav"));
    EXPECT_NE(nullptr, cache.Allocate("s7.wav"));  // a known name still counts up
    EXPECT_EQ(128u, cache.GetCount());
}

}  // namespace
