// The mixer's voices stream their files through a small ring instead of decoding them whole:
// what they play is still exactly the whole file's sound (checked against the whole-file
// decoders and against the output the whole-file mixer gave), loops cross the ring's refills,
// starting a voice decodes only a first piece, on a device only PLT_AudioUpdate decodes (never
// under the output's lock), and voices stop, restart and end while a device plays them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plt_audio.h"
#include "snd_fixture.h"
#include "snd_sample.h"
#include "tools_mp3.h"
#include "tools_wav.h"

namespace
{

const u32 RING = 16384;  // a voice's ring in frames; the fixtures below are longer

// Three voices of long files (longer than a voice's ring) at rates that resample, with loops,
// rendered in pieces that fall anywhere: the FNV-1a hash of the output bytes.
std::vector<s16> Noise(u32 _count, u32 _seed)
{
    std::vector<s16> out(_count);
    u32 state = _seed;
    for (s16& v : out) {
        state = state * 1103515245u + 12345u;
        v = (s16)((s32)(state >> 16) % 12000);
    }
    return out;
}

u64 RenderScenario(PLT_AudioPullOutput* _output, PLT_AudioDriver* _driver)
{
    struct Voice
    {
        std::string file;
        s32 rate, volume, pan, loops;
    };
    const Voice voices[] = {
        {TOOL_WavPcmBytes(2, 22050, 16, Noise(2 * 40000, 1)), 30011, 100, 40, 3},
        {TOOL_WavPcmBytes(1, 11025, 8, Noise(20000, 2)), 9000, 90, 64, 0},
        {TOOL_WavAdpcmBytes(2, 44100, 1024, Noise(2 * 50000, 3)), 44100, 80, 100, 2},
    };
    for (const Voice& v : voices) {
        PLT_AudioSample* s = PLT_AudioAllocateSampleHandle(_driver);
        PLT_AudioSetSampleFile(s, v.file.data(), (u32)v.file.size());
        PLT_AudioSetSamplePlaybackRate(s, v.rate);
        PLT_AudioSetSampleVolume(s, v.volume);
        PLT_AudioSetSamplePan(s, v.pan);
        PLT_AudioSetSampleLoopCount(s, v.loops);
        PLT_AudioStartSample(s);
    }
    u64 hash = 14695981039346656037ull;
    std::vector<u8> bytes(777 * 4);
    for (u32 piece = 0; piece < 260; ++piece) {
        _output->Render(bytes.data(), (u32)bytes.size());
        for (u8 b : bytes)
            hash = (hash ^ b) * 1099511628211ull;
    }
    return hash;
}

PLT_AudioWaveFormat Format(u32 _channels, u32 _rate)
{
    PLT_AudioWaveFormat f;
    f.channels = (u16)_channels;
    f.samplesPerSec = _rate;
    f.bitsPerSample = 16;
    f.blockAlign = (u16)(2 * _channels);
    f.avgBytesPerSec = f.blockAlign * _rate;
    return f;
}

// A pull output that may stand in for a device's callback: the mixer then must not decode.
// Notes any decoding done while its lock is held.
class SND_TestOutput : public PLT_AudioPullOutput
{
public:
    u32 MixerMayDecode() const override { return callback ? 0 : 1; }
    void Lock() override
    {
        ++locks;
        decodedAtLock = PLT_AudioDecodedFrames();
    }
    void Unlock() override { decodedUnderLock += PLT_AudioDecodedFrames() - decodedAtLock; }

    u32 callback = 0;  // set before the driver opens
    u32 locks = 0;
    u64 decodedAtLock = 0;
    u64 decodedUnderLock = 0;
};

// The library over a pull output: the mixer decodes on the test's thread, so every render
// is reproducible.
class SndMixerTest : public testing::Test
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
    void Open(u32 _channels, u32 _rate) { ASSERT_EQ(0, PLT_AudioWaveOutOpen(&m_driver, 0, Format(_channels, _rate))); }
    void Close() { PLT_AudioWaveOutClose(m_driver); }

    PLT_AudioSample* Voice(const std::string& _file, s32 _rate, s32 _volume, s32 _pan, s32 _loops)
    {
        PLT_AudioSample* s = PLT_AudioAllocateSampleHandle(m_driver);
        EXPECT_EQ(1u, PLT_AudioSetSampleFile(s, _file.data(), (u32)_file.size()));
        PLT_AudioSetSamplePlaybackRate(s, _rate);
        PLT_AudioSetSampleVolume(s, _volume);
        PLT_AudioSetSamplePan(s, _pan);
        PLT_AudioSetSampleLoopCount(s, _loops);
        PLT_AudioStartSample(s);
        return s;
    }

    // 16-bit stereo output values, rendered in pieces of _piece frames.
    std::vector<s32> Render(u32 _frames, u32 _piece = 1001)
    {
        std::vector<s32> values;
        std::vector<u8> bytes;
        for (u32 done = 0; done < _frames; done += _piece) {
            const u32 count = _frames - done < _piece ? _frames - done : _piece;
            bytes.assign((size_t)count * m_output.Format().blockAlign, 0);
            m_output.Render(bytes.data(), (u32)bytes.size());
            for (size_t i = 0; i < bytes.size(); i += 2)
                values.push_back((s16)(bytes[i] | (bytes[i + 1] << 8)));
        }
        return values;
    }

    SND_TestOutput m_output;
    PLT_AudioDriver* m_driver = nullptr;
};

TEST_F(SndMixerTest, GivesTheOutputOfTheWholeFileMixer)
{
    // The hash the mixer gave when it decoded every file whole before playing it.
    Open(2, 22050);
    EXPECT_EQ(0xd3b123d72e14bec6ull, RenderScenario(&m_output, m_driver));
}

TEST_F(SndMixerTest, PlaysTheWholeFileDecodeFrameForFrame)
{
    // At the file's own rate, full volume and centre pan the output is the source itself,
    // twice over (the second play follows the last frame across a refill of the ring).
    const struct
    {
        const char* what;
        std::string file;
        u32 mp3;
    } cases[] = {
        {"PCM stereo", TOOL_WavPcmBytes(2, 22050, 16, Noise(2 * 40000, 7)), 0},
        {"PCM 8-bit mono", TOOL_WavPcmBytes(1, 11025, 8, Noise(RING + 3, 8)), 0},
        {"IMA ADPCM mono", TOOL_WavAdpcmBytes(1, 22050, 512, Noise(30001, 9)), 0},
        {"MP3 stereo", TOOL_Mp3Bytes(2, 40, 10), 1},
        {"MP3 mono", TOOL_Mp3Bytes(1, 17, 11), 1},
    };
    for (const auto& c : cases) {
        PLT_AudioPcm pcm;
        const u8* image = (const u8*)c.file.data();
        ASSERT_EQ(1u, c.mp3 ? PLT_AudioDecodeMp3(image, (u32)c.file.size(), &pcm)
                            : PLT_AudioDecodeWav(image, (u32)c.file.size(), &pcm))
            << c.what;
        ASSERT_GT(pcm.frameCount, RING) << c.what;
        Open(2, pcm.rate);
        PLT_AudioSample* s = Voice(c.file, (s32)pcm.rate, 127, 64, 2);
        const std::vector<s32> out = Render(2 * pcm.frameCount + 5);
        u32 mismatches = 0;
        for (u32 f = 0; f < 2 * pcm.frameCount; ++f) {
            const s16* source = pcm.frames + (size_t)(f % pcm.frameCount) * pcm.channels;
            mismatches += out[2 * f] != source[0] || out[2 * f + 1] != source[pcm.channels - 1];
        }
        EXPECT_EQ(0u, mismatches) << c.what;
        EXPECT_EQ(std::vector<s32>(10, 0), std::vector<s32>(out.end() - 10, out.end())) << c.what;
        EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s)) << c.what;
        bool silent = true;
        for (u32 i = 0; i < pcm.frameCount * pcm.channels; ++i)
            silent = silent && pcm.frames[i] == 0;
        EXPECT_FALSE(silent) << c.what;  // the fixture shows something
        PLT_AudioFreePcm(&pcm);
        Close();
    }
}

TEST_F(SndMixerTest, ResamplesMp3AsTheWavOfItsWholeDecode)
{
    const std::string mp3 = TOOL_Mp3Bytes(2, 30, 12);
    PLT_AudioPcm pcm;
    ASSERT_EQ(1u, PLT_AudioDecodeMp3((const u8*)mp3.data(), (u32)mp3.size(), &pcm));
    const std::string wav =
        TOOL_WavPcmBytes(2, pcm.rate, 16, std::vector<s16>(pcm.frames, pcm.frames + 2 * pcm.frameCount));
    PLT_AudioFreePcm(&pcm);
    std::vector<s32> outputs[2];
    for (int i = 0; i < 2; ++i) {
        Open(2, 22050);
        Voice(i == 0 ? mp3 : wav, 30011, 100, 30, 3);
        outputs[i] = Render(70000, 333);
        Close();
    }
    EXPECT_TRUE(outputs[0] == outputs[1]);
}

TEST_F(SndMixerTest, ManyVoicesMixAsTheSumOfEachAlone)
{
    // Eight voices of long files at eight rates, quiet enough never to clip: together they
    // give the sum of what each gives alone.
    std::vector<std::string> files;
    for (u32 v = 0; v < 8; ++v)
        files.push_back(v % 3 == 0 ? TOOL_Mp3Bytes(1 + v % 2, 20, v)
                                   : TOOL_WavPcmBytes(1 + v % 2, 22050, 16, Noise((1 + v % 2) * (RING + 999 * v), v)));
    const s32 rates[8] = {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000};
    const u32 frames = 3 * RING;
    std::vector<s32> sum(2 * frames, 0);
    for (u32 v = 0; v < 8; ++v) {
        Open(2, 22050);
        Voice(files[v], rates[v], 15, (s32)(v * 18), 0);
        const std::vector<s32> alone = Render(frames);
        for (size_t i = 0; i < sum.size(); ++i)
            sum[i] += alone[i];
        Close();
    }
    Open(2, 22050);
    for (u32 v = 0; v < 8; ++v)
        Voice(files[v], rates[v], 15, (s32)(v * 18), 0);
    EXPECT_TRUE(sum == Render(frames));
}

TEST_F(SndMixerTest, OnADeviceOnlyTheUpdateDecodesAndADryVoiceWaitsWhereItIs)
{
    // Rendered as a device's callback: a started voice has its first piece, then silence
    // where it stands until the update tops its ring up; fed once per "frame" it then plays
    // the whole file twice, frame for frame, with no gap.
    const struct
    {
        const char* what;
        std::string file;
        u32 mp3;
    } cases[] = {
        {"PCM stereo", TOOL_WavPcmBytes(2, 44100, 16, Noise(2 * (3 * RING + 111), 21)), 0},
        {"MP3 stereo", TOOL_Mp3Bytes(2, 45, 22), 1},
    };
    m_output.callback = 1;
    for (const auto& c : cases) {
        PLT_AudioPcm pcm;
        const u8* image = (const u8*)c.file.data();
        ASSERT_EQ(1u, c.mp3 ? PLT_AudioDecodeMp3(image, (u32)c.file.size(), &pcm)
                            : PLT_AudioDecodeWav(image, (u32)c.file.size(), &pcm))
            << c.what;
        ASSERT_GT(pcm.frameCount, 3 * RING) << c.what;  // several rings
        Open(2, pcm.rate);
        u64 decoded = PLT_AudioDecodedFrames();
        PLT_AudioSample* s = Voice(c.file, (s32)pcm.rate, 127, 64, 2);
        const u64 primed = PLT_AudioDecodedFrames() - decoded;
        ASSERT_GT(primed, 1000u) << c.what;
        ASSERT_LT(primed, (u64)RING) << c.what;

        std::vector<s32> heard = Render(RING);
        EXPECT_EQ(decoded + primed, PLT_AudioDecodedFrames()) << c.what;  // the mixer decodes nothing
        EXPECT_EQ(std::vector<s32>(heard.begin() + 2 * (primed - 1), heard.end()),
                  std::vector<s32>(2 * (RING - primed + 1), 0))
            << c.what;
        EXPECT_EQ(PLT_AUDIO_SAMPLE_PLAYING, PLT_AudioSampleStatus(s)) << c.what;
        heard.resize(2 * (primed - 1));
        for (u32 frame = 0; frame < 40 && PLT_AudioSampleStatus(s) == PLT_AUDIO_SAMPLE_PLAYING; ++frame) {
            decoded = PLT_AudioDecodedFrames();
            PLT_AudioUpdate(m_driver);
            EXPECT_LE(PLT_AudioDecodedFrames() - decoded, (u64)RING) << c.what;  // a ring ahead, no more
            const std::vector<s32> piece = Render(4096, 4096);
            heard.insert(heard.end(), piece.begin(), piece.end());
        }
        EXPECT_EQ(PLT_AUDIO_SAMPLE_DONE, PLT_AudioSampleStatus(s)) << c.what;
        ASSERT_GE(heard.size(), 2 * 2 * (size_t)pcm.frameCount) << c.what;
        u32 mismatches = 0;
        for (u32 f = 0; f < 2 * pcm.frameCount; ++f) {
            const s16* source = pcm.frames + (size_t)(f % pcm.frameCount) * pcm.channels;
            mismatches += heard[2 * f] != source[0] || heard[2 * f + 1] != source[1];
        }
        EXPECT_EQ(0u, mismatches) << c.what;
        PLT_AudioFreePcm(&pcm);
        Close();
    }
    EXPECT_GT(m_output.locks, 0u);
    EXPECT_EQ(0u, m_output.decodedUnderLock);  // the callback is never kept waiting on a decoder
}

class SndMixerDeviceTest : public SndTest
{
protected:
    void TearDown() override
    {
        SndTest::TearDown();
        delete m_sample;
    }
    SND_Sample* m_sample = nullptr;
};

TEST_F(SndMixerDeviceTest, StartingDecodesOnlyAFirstPieceAndKeepsTheFileAlive)
{
    const struct
    {
        const char* name;
        std::string bytes;
    } files[] = {
        {"music.mp3", TOOL_Mp3Bytes(2, TOOL_Mp3FramesFor(60.0), 13)},
        {"effect.wav", TOOL_WavPcmBytes(2, 44100, 16, Noise(2 * 5 * 44100, 14))},
    };
    Create(1, 2, 44100, 16);
    for (const auto& f : files) {
        m_dir.Write(f.name, f.bytes);
        m_sample = new SND_Sample;
        ASSERT_EQ(1u, m_sample->Load(f.name));
        SND_PlayParams params;
        params.sample = m_sample;
        params.rate = 44100;
        params.volume = 1.0f;
        params.loopCount = 0;
        const u64 before = PLT_AudioDecodedFrames();
        const s32 voice = m_device->Play(params);
        ASSERT_EQ(0, voice) << f.name;
        const u64 started = PLT_AudioDecodedFrames() - before;
        EXPECT_GT(started, 0u) << f.name;
        EXPECT_LT(started, (u64)RING) << f.name;  // of 2.6 million (MP3) or 220500 (WAV)

        // The sample's file goes while its voice plays: the voice keeps what it streams from.
        delete m_sample;
        m_sample = nullptr;
        m_output.Render16(44100);
        EXPECT_EQ(1, m_device->IsPlaying(voice)) << f.name;
        // Decoding keeps at most a ring ahead of the second played.
        EXPECT_LE(PLT_AudioDecodedFrames() - before, 44100u + RING + 8192u) << f.name;
        m_device->Stop(voice);
    }
}

TEST_F(SndMixerTest, StartsAgainFromTheFirstFrameAfterAStopOrEndMidFile)
{
    const std::string mp3 = TOOL_Mp3Bytes(2, 30, 15);
    PLT_AudioPcm pcm;
    ASSERT_EQ(1u, PLT_AudioDecodeMp3((const u8*)mp3.data(), (u32)mp3.size(), &pcm));
    const std::vector<s32> opening(pcm.frames, pcm.frames + 2 * (RING + 10));
    PLT_AudioFreePcm(&pcm);
    Open(2, 44100);
    PLT_AudioSample* s = Voice(mp3, 44100, 127, 64, 1);
    for (int end = 0; end < 2; ++end) {
        Render(RING + 1234);  // past the first refill of the ring
        if (end)
            PLT_AudioEndSample(s);
        else
            PLT_AudioStopSample(s);
        EXPECT_EQ(std::vector<s32>(4, 0), Render(2));
        PLT_AudioStartSample(s);
        EXPECT_TRUE(opening == Render(RING + 10, 777)) << end;
    }
}

TEST_F(SndMixerDeviceTest, StopsAVoiceWhileItsFileIsStillDecoding)
{
    Create(1, 2, 44100, 16);
    m_dir.Write("music.mp3", TOOL_Mp3Bytes(2, 100, 16));
    m_sample = new SND_Sample;
    ASSERT_EQ(1u, m_sample->Load("music.mp3"));
    SND_PlayParams params;
    params.sample = m_sample;
    params.rate = 44100;
    params.volume = 1.0f;
    params.loopCount = 1;
    ASSERT_EQ(0, m_device->Play(params));
    m_output.Render16(1000);
    m_device->Stop(0);
    EXPECT_EQ(0, m_device->IsPlaying(0));
    const u64 stopped = PLT_AudioDecodedFrames();
    EXPECT_EQ(std::vector<s32>(200, 0), m_output.Render16(100));
    EXPECT_EQ(stopped, PLT_AudioDecodedFrames());  // nothing more is decoded for it
    // The voice is free for the next sound at once.
    ASSERT_EQ(0, m_device->Play(params));
    EXPECT_EQ(1, m_device->IsPlaying(0));
}

TEST_F(SndMixerDeviceTest, UpdateFeedsTheVoicesOfACallback)
{
    m_output.callback = true;
    Create(1, 2, 44100, 16);
    m_dir.Write("effect.wav", TOOL_WavPcmBytes(2, 44100, 16, Noise(2 * 12000, 23)));
    m_sample = new SND_Sample;
    ASSERT_EQ(1u, m_sample->Load("effect.wav"));
    SND_PlayParams params;
    params.sample = m_sample;
    params.rate = 44100;
    params.volume = 1.0f;
    params.loopCount = 1;
    ASSERT_EQ(0, m_device->Play(params));
    m_output.Render16(12000);
    EXPECT_EQ(1, m_device->IsPlaying(0));  // what starting decoded is used up: it waits
    m_device->Update();
    m_output.Render16(12000);
    EXPECT_EQ(0, m_device->IsPlaying(0));  // and then plays to its end
}

TEST(SndMixerSdlTest, TheUpdateFeedsEveryVoiceOfTheDevice)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    PLT_AudioStartup();
    PLT_AudioDriver* driver = nullptr;
    ASSERT_EQ(0, PLT_AudioWaveOutOpen(&driver, 0, Format(2, 44100)));
    // Eight voices of longer sounds than a ring holds, at rates that drain it fast: each
    // plays to its end, which it reaches only if the updates kept refilling it.
    const std::string wav = TOOL_WavPcmBytes(1, 44100, 16, Noise(2 * RING, 16));
    const std::string mp3 = TOOL_Mp3Bytes(2, 29, 17);  // 33408 frames
    PLT_AudioSample* voices[8];
    for (u32 v = 0; v < 8; ++v) {
        voices[v] = PLT_AudioAllocateSampleHandle(driver);
        ASSERT_NE(nullptr, voices[v]);
        const std::string& file = v % 2 ? mp3 : wav;
        ASSERT_EQ(1u, PLT_AudioSetSampleFile(voices[v], file.data(), (u32)file.size()));
        PLT_AudioSetSamplePlaybackRate(voices[v], 176400);  // four times the output's rate
        PLT_AudioStartSample(voices[v]);
    }
    // Stopped and restarted while the device plays them: no harm done.
    PLT_AudioStopSample(voices[1]);
    PLT_AudioStartSample(voices[1]);
    PLT_AudioEndSample(voices[2]);
    PLT_AudioStartSample(voices[2]);
    u32 playing = 8;
    // The bound only stops a device that never finishes: a busy machine can hold its mixing
    // thread back for many times the voices' length.
    for (int i = 0; i < 6000 && playing > 0; ++i) {
        SDL_Delay(10);
        PLT_AudioUpdate(driver);
        playing = 0;
        for (PLT_AudioSample* v : voices)
            playing += PLT_AudioSampleStatus(v) == PLT_AUDIO_SAMPLE_PLAYING;
    }
    EXPECT_EQ(0u, playing);

    // Closing while voices play ends everything cleanly.
    for (PLT_AudioSample* v : voices) {
        PLT_AudioSetSampleLoopCount(v, 0);
        PLT_AudioStartSample(v);
    }
    SDL_Delay(30);
    PLT_AudioUpdate(driver);
    PLT_AudioShutdown();
}

}  // namespace
