// The sound library's mixer, sample handles and file reads, rendered through a pull output
// so that the mixed samples can be compared exactly.
//
// Gains: stereo output scales a voice by volume x min(127 - pan, 63) on the left and
// volume x min(pan, 63) on the right, mono output by volume x 63, each over 127 x 63 and
// truncated toward zero; between source frames the value is interpolated linearly.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plt_audio.h"
#include "plt_audio_local.h"
#include "tools_bytes.h"

namespace
{

// A 16-bit PCM WAV image of interleaved samples.
std::string Wav16(u32 _channels, u32 _rate, const std::vector<s16>& _samples)
{
    std::string data;
    for (s16 s : _samples)
        data += TOOL_U16String((u16)s);
    const std::string fmt = TOOL_U16String(1) + TOOL_U16String(_channels) + TOOL_U32String(_rate) +
                            TOOL_U32String(_rate * 2 * _channels) + TOOL_U16String(2 * _channels) + TOOL_U16String(16);
    const std::string chunks = "fmt " + TOOL_U32String(16) + fmt + "data" + TOOL_U32String((u32)data.size()) + data;
    return "RIFF" + TOOL_U32String((u32)(4 + chunks.size())) + "WAVE" + chunks;
}

PLT_AudioWaveFormat Format(u32 _channels, u32 _rate, u32 _bits)
{
    PLT_AudioWaveFormat f;
    f.channels = (u16)_channels;
    f.samplesPerSec = _rate;
    f.bitsPerSample = (u16)_bits;
    f.blockAlign = (u16)(_bits / 8 * _channels);
    f.avgBytesPerSec = f.blockAlign * _rate;
    return f;
}

class PltAudioTest : public testing::Test
{
protected:
    void SetUp() override
    {
        PLT_SetAudioOutput(&m_output);
        PLT_AudioStartup();
    }
    void TearDown() override
    {
        PLT_AudioShutdown();
        PLT_SetAudioOutput(nullptr);
    }

    void Open(u32 _channels, u32 _rate, u32 _bits)
    {
        ASSERT_EQ(0, PLT_AudioWaveOutOpen(&m_driver, 0, Format(_channels, _rate, _bits)));
        ASSERT_NE(nullptr, m_driver);
    }

    PLT_AudioSample* Voice(const std::string& _file, s32 _rate, s32 _volume, s32 _pan, s32 _loops = 1)
    {
        PLT_AudioSample* s = PLT_AudioAllocateSampleHandle(m_driver);
        EXPECT_NE(nullptr, s);
        EXPECT_EQ(1u, PLT_AudioSetSampleFile(s, _file.data(), (u32)_file.size()));
        PLT_AudioSetSamplePlaybackRate(s, _rate);
        PLT_AudioSetSampleVolume(s, _volume);
        PLT_AudioSetSamplePan(s, _pan);
        PLT_AudioSetSampleLoopCount(s, _loops);
        PLT_AudioStartSample(s);
        return s;
    }

    // _frames output frames of a 16-bit output as sample values.
    std::vector<s32> Render16(u32 _frames)
    {
        const u32 channels = m_output.Format().channels;
        std::vector<u8> bytes(_frames * channels * 2, 0xEE);
        m_output.Render(bytes.data(), (u32)bytes.size());
        std::vector<s32> values;
        for (size_t i = 0; i < bytes.size(); i += 2)
            values.push_back((s16)(bytes[i] | (bytes[i + 1] << 8)));
        return values;
    }

    PLT_AudioPullOutput m_output;
    PLT_AudioDriver* m_driver = nullptr;
};

const std::vector<s16> SOURCE = {1000, -2000, 3000, 4000};

TEST_F(PltAudioTest, MixesOneVoiceAtItsRateVolumeAndPan)
{
    struct Case
    {
        const char* what;
        s32 rate, volume, pan;
        std::vector<s32> expected;  // left, right per frame; zeros follow the end
    };
    const Case cases[] = {
        {"same rate, full volume, centre", 22050, 127, 64, {1000, 1000, -2000, -2000, 3000, 3000, 4000, 4000, 0, 0}},
        {"hard left", 22050, 127, 0, {1000, 0, -2000, 0, 3000, 0, 4000, 0, 0, 0}},
        {"hard right", 22050, 127, 127, {0, 1000, 0, -2000, 0, 3000, 0, 4000, 0, 0}},
        {"centre left of the middle", 22050, 127, 63, {1000, 1000, -2000, -2000, 3000, 3000, 4000, 4000, 0, 0}},
        // 1000 x 127 x 32 / 8001 = 507.9: truncated toward zero.
        {"pan 95", 22050, 127, 95, {507, 1000, -1015, -2000, 1523, 3000, 2031, 4000, 0, 0}},
        // 1000 x 63 x 27 / 8001 = 212.6 and 1000 x 63 x 63 / 8001 = 496.06.
        {"volume 63, pan 100", 22050, 63, 100, {212, 496, -425, -992, 637, 1488, 850, 1984, 0, 0}},
        {"double rate", 44100, 127, 64, {1000, 1000, 3000, 3000, 0, 0}},
        // Half rate: midpoints interpolated; past the last frame it holds its value.
        {"half rate",
         11025,
         127,
         64,
         {1000, 1000, -500, -500, -2000, -2000, 500, 500, 3000, 3000, 3500, 3500, 4000, 4000, 4000, 4000, 0, 0}},
    };
    for (const Case& c : cases) {
        Open(2, 22050, 16);
        PLT_AudioSample* s = Voice(Wav16(1, 22050, SOURCE), c.rate, c.volume, c.pan);
        EXPECT_EQ(c.expected, Render16((u32)c.expected.size() / 2)) << c.what;
        EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s)) << c.what;
        PLT_AudioWaveOutClose(m_driver);
    }
}

TEST_F(PltAudioTest, MixesIntoEveryOutputFormat)
{
    // Mono output ignores pan and averages a stereo source (rounding down).
    Open(1, 22050, 16);
    Voice(Wav16(2, 22050, {1000, 3001, -7, 0}), 22050, 127, 0);
    EXPECT_EQ((std::vector<s32>{2000, -4, 0}), Render16(3));
    PLT_AudioWaveOutClose(m_driver);

    // Stereo source on stereo output keeps its channels apart.
    Open(2, 11025, 16);
    Voice(Wav16(2, 11025, {100, -100, 200, -200}), 11025, 127, 64);
    EXPECT_EQ((std::vector<s32>{100, -100, 200, -200, 0, 0}), Render16(3));
    PLT_AudioWaveOutClose(m_driver);

    // 8-bit output: the 16-bit value shifted down by 8 (rounding down) around 128.
    Open(1, 22050, 8);
    Voice(Wav16(1, 22050, SOURCE), 22050, 127, 64);
    u8 bytes[6];
    memset(bytes, 0xEE, sizeof(bytes));
    m_output.Render(bytes, 5);
    EXPECT_EQ((std::vector<u8>{131, 120, 139, 143, 128, 0xEE}), std::vector<u8>(bytes, bytes + 6));
    PLT_AudioWaveOutClose(m_driver);

    // Two loud voices clip instead of wrapping; a byte left over after the last whole frame
    // is silence.
    Open(1, 22050, 16);
    Voice(Wav16(1, 22050, {30000, -30000}), 22050, 127, 64);
    Voice(Wav16(1, 22050, {30000, -30000}), 22050, 127, 64);
    u8 raw[5] = {1, 1, 1, 1, 1};
    m_output.Render(raw, 5);
    EXPECT_EQ((std::vector<u8>{0xFF, 0x7F, 0x00, 0x80, 0x00}), std::vector<u8>(raw, raw + 5));
}

TEST_F(PltAudioTest, LoopsAsManyTimesAsAsked)
{
    const std::string file = Wav16(1, 22050, {100, 200, 300});
    Open(1, 22050, 16);
    PLT_AudioSample* twice = Voice(file, 22050, 127, 64, 2);
    EXPECT_EQ((std::vector<s32>{100, 200, 300, 100, 200, 300, 0, 0}), Render16(8));
    EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(twice));

    // Loop count 0 repeats for ever; across the loop the interpolation reaches back to the
    // first frame.
    PLT_AudioSample* forever = Voice(file, 11025, 127, 64, 0);
    EXPECT_EQ((std::vector<s32>{100, 150, 200, 250, 300, 200, 100, 150}), Render16(8));
    Render16(10000);
    EXPECT_EQ(PLT_AUDIO_SAMPLE_PLAYING, PLT_AudioSampleStatus(forever));
    PLT_AudioEndSample(forever);
    EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(forever));
    EXPECT_EQ((std::vector<s32>{0, 0}), Render16(2));
}

TEST_F(PltAudioTest, PausesResumesEndsAndRestarts)
{
    Open(1, 22050, 16);
    PLT_AudioSample* s = Voice(Wav16(1, 22050, SOURCE), 22050, 127, 64);
    EXPECT_EQ((std::vector<s32>{1000}), Render16(1));
    PLT_AudioStopSample(s);
    EXPECT_EQ(PLT_AUDIO_SAMPLE_STOPPED, PLT_AudioSampleStatus(s));
    EXPECT_EQ((std::vector<s32>{0, 0}), Render16(2));
    PLT_AudioResumeSample(s);
    EXPECT_EQ(PLT_AUDIO_SAMPLE_PLAYING, PLT_AudioSampleStatus(s));
    EXPECT_EQ((std::vector<s32>{-2000, 3000}), Render16(2));
    PLT_AudioEndSample(s);
    PLT_AudioResumeSample(s);  // only a paused sample resumes
    EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s));
    PLT_AudioStartSample(s);
    EXPECT_EQ((std::vector<s32>{1000, -2000}), Render16(2));

    // Without data (never given, or not decodable) a sample does not start.
    PLT_AudioInitSample(s);
    PLT_AudioStartSample(s);
    EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s));
    EXPECT_EQ(0u, PLT_AudioSetSampleFile(s, "garbage", 7));
    PLT_AudioStartSample(s);
    EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s));
}

TEST_F(PltAudioTest, KeepsSettingsInRangeAndTakesTheFileRate)
{
    Open(2, 44100, 16);
    PLT_AudioSample* s = PLT_AudioAllocateSampleHandle(m_driver);
    EXPECT_EQ(127, PLT_AudioSampleVolume(s));
    const std::string file = Wav16(1, 11025, SOURCE);
    ASSERT_EQ(1u, PLT_AudioSetSampleFile(s, file.data(), (u32)file.size()));
    EXPECT_EQ(11025, PLT_AudioSamplePlaybackRate(s));
    PLT_AudioSetSampleVolume(s, 300);
    EXPECT_EQ(127, PLT_AudioSampleVolume(s));
    PLT_AudioSetSampleVolume(s, -5);
    EXPECT_EQ(0, PLT_AudioSampleVolume(s));
    PLT_AudioSetSamplePlaybackRate(s, -1);
    EXPECT_EQ(0, PLT_AudioSamplePlaybackRate(s));
}

// _frames silent MPEG-1 layer III frames at 32 kbit/s (stereo or mono, 44100 or 48000 Hz):
// header, then side information and main data all zero.
std::string SilentMp3(u32 _channels, u32 _rate, u32 _frames)
{
    const u32 bytes = 144 * 32000 / _rate;
    std::string frame(bytes, '\0');
    frame[0] = (char)0xFF;
    frame[1] = (char)0xFB;
    frame[2] = (char)(_rate == 48000 ? 0x14 : 0x10);
    frame[3] = (char)(_channels == 1 ? 0xC0 : 0x00);
    std::string out;
    for (u32 i = 0; i < _frames; ++i)
        out += frame;
    return out;
}

TEST_F(PltAudioTest, OpeningTheDriverPreparesAnMp3DecoderThatEveryDecoderReuses)
{
    PLT_AudioShutdown();
    PLT_AudioStartup();
    EXPECT_EQ(0u, PLT_Mp3SpareDecoders());  // starting the library alone prepares nothing
    Open(2, 44100, 16);
    EXPECT_EQ(1u, PLT_Mp3SpareDecoders());

    // A voice takes the prepared handle, a second one makes its own; both come back.
    const std::string music = SilentMp3(2, 44100, 8);
    PLT_AudioSample* voices[2];
    for (PLT_AudioSample*& v : voices) {
        v = Voice(music, 44100, 100, 64);
        EXPECT_EQ(PLT_AUDIO_SAMPLE_PLAYING, PLT_AudioSampleStatus(v));
    }
    EXPECT_EQ(0u, PLT_Mp3SpareDecoders());
    PLT_AudioInitSample(voices[0]);
    PLT_AudioReleaseSampleHandle(voices[1]);
    EXPECT_EQ(2u, PLT_Mp3SpareDecoders());
    PLT_AudioShutdown();
    EXPECT_EQ(0u, PLT_Mp3SpareDecoders());
}

TEST_F(PltAudioTest, ReusedMp3DecodersTellEveryFilesFormat)
{
    // One kept handle decodes these in turn: a handle announces a format only when it differs
    // from its last, so the repeats are the cases that must still be read right.
    Open(2, 44100, 16);
    const struct
    {
        u32 channels, rate, frames;
    } files[] = {{2, 44100, 5}, {2, 44100, 7}, {1, 44100, 6}, {1, 44100, 3}, {2, 48000, 4}, {2, 44100, 5}};
    for (u32 wholeFile = 0; wholeFile < 2; ++wholeFile)
        for (const auto& f : files) {
            SCOPED_TRACE(testing::Message() << f.channels << " " << f.rate << " " << f.frames << " " << wholeFile);
            const std::string file = SilentMp3(f.channels, f.rate, f.frames);
            if (wholeFile) {
                PLT_AudioPcm pcm;
                ASSERT_EQ(1u, PLT_AudioDecodeMp3((const u8*)file.data(), (u32)file.size(), &pcm));
                EXPECT_EQ(f.channels, pcm.channels);
                EXPECT_EQ(f.rate, pcm.rate);
                EXPECT_EQ(f.frames * 1152u, pcm.frameCount);
                PLT_AudioFreePcm(&pcm);
            } else {
                // Played at the output's rate, the voice lasts exactly the file's frames.
                PLT_AudioSample* s = PLT_AudioAllocateSampleHandle(m_driver);
                ASSERT_EQ(1u, PLT_AudioSetSampleFile(s, file.data(), (u32)file.size()));
                EXPECT_EQ((s32)f.rate, PLT_AudioSamplePlaybackRate(s));
                PLT_AudioSetSamplePlaybackRate(s, 44100);
                PLT_AudioStartSample(s);
                Render16(f.frames * 1152 - 1);
                EXPECT_EQ(PLT_AUDIO_SAMPLE_PLAYING, PLT_AudioSampleStatus(s));
                Render16(2);
                EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s));
                PLT_AudioReleaseSampleHandle(s);
            }
            EXPECT_EQ(1u, PLT_Mp3SpareDecoders());
        }
}

TEST_F(PltAudioTest, HandsOutHandlesUpToItsPreference)
{
    EXPECT_EQ(16, PLT_AudioSetPreference(PLT_AUDIO_PREF_SAMPLE_HANDLES, 3));
    Open(2, 22050, 16);
    PLT_AudioSample* handles[3];
    for (PLT_AudioSample*& h : handles) {
        h = PLT_AudioAllocateSampleHandle(m_driver);
        ASSERT_NE(nullptr, h);
        EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(h));
    }
    EXPECT_EQ(nullptr, PLT_AudioAllocateSampleHandle(m_driver));
    PLT_AudioReleaseSampleHandle(handles[1]);
    EXPECT_EQ(PLT_AUDIO_SAMPLE_FREE, PLT_AudioSampleStatus(handles[1]));
    EXPECT_EQ(handles[1], PLT_AudioAllocateSampleHandle(m_driver));
    EXPECT_EQ(3, PLT_AudioSetPreference(PLT_AUDIO_PREF_SAMPLE_HANDLES, 16));
    EXPECT_EQ(0, PLT_AudioSetPreference(PLT_AUDIO_PREF_COUNT, 1));  // outside the table
}

TEST_F(PltAudioTest, OpensOneDriverForAValidFormatAfterStartUp)
{
    PLT_AudioDriver* driver = nullptr;
    const PLT_AudioWaveFormat bad[] = {Format(3, 22050, 16), Format(2, 22050, 24), Format(2, 500, 16)};
    for (const PLT_AudioWaveFormat& f : bad) {
        EXPECT_NE(0, PLT_AudioWaveOutOpen(&driver, 0, f));
        EXPECT_EQ(nullptr, driver);
    }
    PLT_AudioWaveFormat inconsistent = Format(2, 22050, 16);
    inconsistent.avgBytesPerSec += 1;
    EXPECT_NE(0, PLT_AudioWaveOutOpen(&driver, 0, inconsistent));

    Open(2, 22050, 16);
    EXPECT_NE(0, PLT_AudioWaveOutOpen(&driver, 0, Format(2, 22050, 16)));
    EXPECT_TRUE(m_output.IsOpen());
    PLT_AudioShutdown();
    EXPECT_FALSE(m_output.IsOpen());
    EXPECT_NE(0, PLT_AudioWaveOutOpen(&driver, 0, Format(2, 22050, 16)));  // not started
}

TEST(PltAudioSdlTest, PlaysThroughTheDummyDevice)
{
    // With the dummy driver the SDL output opens and its thread mixes; the sound is longer
    // than what starting decodes, so it ends only if the updates feed it.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    PLT_AudioStartup();
    PLT_AudioDriver* driver = nullptr;
    ASSERT_EQ(0, PLT_AudioWaveOutOpen(&driver, 0, Format(2, 22050, 16)));
    PLT_AudioSample* s = PLT_AudioAllocateSampleHandle(driver);
    const std::string file = Wav16(1, 22050, std::vector<s16>(2205, 1000));
    ASSERT_EQ(1u, PLT_AudioSetSampleFile(s, file.data(), (u32)file.size()));
    PLT_AudioStartSample(s);
    // The bound only stops a device that never finishes: a busy machine can hold its mixing
    // thread back for many times the sound's length.
    for (int i = 0; i < 6000 && PLT_AudioSampleStatus(s) == PLT_AUDIO_SAMPLE_PLAYING; ++i) {
        SDL_Delay(10);
        PLT_AudioUpdate(driver);
    }
    EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s));
    PLT_AudioShutdown();
}

// In-memory files for the file callbacks.
struct MemoryFile
{
    std::string bytes;
    u32 position = 0;
    u32 shortBy = 0;  // the read answers this many bytes fewer than the file holds
};
MemoryFile s_file;
u32 s_opens = 0, s_closes = 0;

u32 MemOpen(const char* _name, void** _handle)
{
    ++s_opens;
    if (std::string(_name) != "a.wav") {
        *_handle = nullptr;
        return 0;
    }
    s_file.position = 0;
    *_handle = &s_file;
    return 1;
}
void MemClose(void*) { ++s_closes; }
s32 MemSeek(void* _handle, s32 _offset, u32 _type)
{
    MemoryFile* f = (MemoryFile*)_handle;
    f->position = (u32)(_offset + (_type == 2 ? (s32)f->bytes.size() : _type == 1 ? (s32)f->position : 0));
    return (s32)f->position;
}
u32 MemRead(void* _handle, void* _buffer, u32 _bytes)
{
    MemoryFile* f = (MemoryFile*)_handle;
    u32 count = std::min<u32>(_bytes, (u32)f->bytes.size() - f->position);
    count -= std::min(count, f->shortBy);
    memcpy(_buffer, f->bytes.data() + f->position, count);
    f->position += count;
    return count;
}

TEST(PltAudioFilesTest, ReadsWholeFilesThroughTheCallbacks)
{
    PLT_AudioSetFileCallbacks(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(nullptr, PLT_AudioFileRead("a.wav"));

    PLT_AudioSetFileCallbacks(MemOpen, MemClose, MemSeek, MemRead);
    s_file = MemoryFile();
    s_file.bytes = "0123456789";
    s_opens = s_closes = 0;
    u8* block = (u8*)PLT_AudioFileRead("a.wav");
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(10u, (u32)(block[0] | block[1] << 8 | block[2] << 16 | block[3] << 24));
    EXPECT_EQ("0123456789", std::string((const char*)block + 4, 10));
    PLT_AudioMemFreeLock(block);
    EXPECT_EQ(1u, s_closes);

    // The size kept is what the read delivered, not what was asked for.
    s_file.shortBy = 3;
    block = (u8*)PLT_AudioFileRead("a.wav");
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(7u, (u32)block[0]);
    PLT_AudioMemFreeLock(block);

    EXPECT_EQ(nullptr, PLT_AudioFileRead("missing.wav"));
    EXPECT_EQ(3u, s_opens);
    EXPECT_EQ(2u, s_closes);  // a file that did not open is not closed
    PLT_AudioSetFileCallbacks(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
