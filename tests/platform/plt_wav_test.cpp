// The sound library's readers: WAV chunks, PCM and IMA ADPCM decoding, MP3 through the
// decoder library, and the file type numbers. Files are built byte by byte here (only the
// little-endian byte builders come from tools/), so the expected values come from the formats,
// not from the WAV writer in tools/.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plt_audio.h"
#include "tools_bytes.h"

namespace
{

std::string Chunk(const char* _id, const std::string& _body)
{
    std::string out = std::string(_id, 4) + TOOL_U32String((u32)_body.size()) + _body;
    if (_body.size() & 1)
        out.push_back(0);
    return out;
}

std::string Riff(const std::string& _chunks)
{
    return "RIFF" + TOOL_U32String((u32)(4 + _chunks.size())) + "WAVE" + _chunks;
}

std::string Fmt(u32 _tag, u32 _channels, u32 _rate, u32 _blockAlign, u32 _bits, s32 _samplesPerBlock = -1)
{
    std::string body = TOOL_U16String(_tag) + TOOL_U16String(_channels) + TOOL_U32String(_rate) +
                       TOOL_U32String(_rate * _blockAlign) + TOOL_U16String(_blockAlign) + TOOL_U16String(_bits);
    if (_samplesPerBlock >= 0)
        body += TOOL_U16String(2) + TOOL_U16String((u32)_samplesPerBlock);
    return Chunk("fmt ", body);
}

std::string Bytes(std::initializer_list<int> _bytes)
{
    std::string out;
    for (int b : _bytes)
        out.push_back((char)b);
    return out;
}

std::vector<s16> Concat(std::vector<s16> _a, const std::vector<s16>& _b)
{
    _a.insert(_a.end(), _b.begin(), _b.end());
    return _a;
}

std::vector<s16> Decode(const std::string& _file, u32* _channels = nullptr, u32* _rate = nullptr)
{
    PLT_AudioPcm pcm;
    if (!PLT_AudioDecodeWav((const u8*)_file.data(), (u32)_file.size(), &pcm))
        return {};
    std::vector<s16> samples(pcm.frames, pcm.frames + pcm.frameCount * pcm.channels);
    if (_channels)
        *_channels = pcm.channels;
    if (_rate)
        *_rate = pcm.rate;
    PLT_AudioFreePcm(&pcm);
    return samples;
}

TEST(PltWav, DecodesKnownImaAdpcmBlocks)
{
    struct Case
    {
        const char* what;
        std::string file;
        std::vector<s16> expected;
    };
    const Case cases[] = {
        // Nibbles 7 0 8 3 F 4 C 1 from predictor 0, index 0 (worked through the step table).
        {"mono block",
         Riff(Fmt(0x11, 1, 22050, 8, 4, 9) + Chunk("data", Bytes({0, 0, 0, 0, 0x07, 0x38, 0x4F, 0x1C}))),
         {0, 11, 13, 12, 22, 0, 28, -6, 7}},
        // Clamping at both ends; an index byte above 88 counts as 88; "fact" cuts the padding.
        {"clamps and fact",
         Riff(Fmt(0x11, 1, 22050, 8, 4, 9) + Chunk("fact", TOOL_U32String(3)) +
              Chunk("data", Bytes({0xF8, 0x7F, 200, 0, 0xF7, 0, 0, 0}))),
         {32760, 32767, -28669}},
        // Stereo: both headers first, then 4 bytes of the left channel, 4 of the right.
        {"stereo block",
         Riff(Fmt(0x11, 2, 22050, 16, 4, 9) +
              Chunk("data", Bytes({100, 0, 0, 0, 0x9C, 0xFF, 0, 0, 0x07, 0, 0, 0, 0x0F, 0, 0, 0}))),
         {100, -100, 111, -111, 113, -109, 114, -108, 115, -107, 116, -106, 117, -105, 118, -104, 119, -103}},
        // A second, partial block: its header and one group give 1 + 8 frames. Nibble 0 at
        // step 7 adds 0, so each block holds its header's value.
        {"partial last block", Riff(Fmt(0x11, 1, 22050, 12, 4) + Chunk("data", Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                                      0, 0, 5, 0, 0, 0, 0, 0, 0, 0}))),
         Concat(std::vector<s16>(17, 0), std::vector<s16>(9, 5))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Decode(c.file)) << c.what;
}

TEST(PltWav, DecodesPcmAndSkipsOtherChunks)
{
    u32 channels = 0, rate = 0;
    // 8-bit is unsigned around 128; an odd-length chunk before the data is padded.
    EXPECT_EQ((std::vector<s16>{-32768, 0, 32512}),
              Decode(Riff(Fmt(1, 1, 11025, 1, 8) + Chunk("LIST", "odd") + Chunk("data", Bytes({0, 128, 255}))),
                     &channels, &rate));
    EXPECT_EQ(1u, channels);
    EXPECT_EQ(11025u, rate);
    EXPECT_EQ((std::vector<s16>{1000, -2000, 32767, -32768}),
              Decode(Riff(Fmt(1, 2, 44100, 4, 16) + Chunk("data", TOOL_U16String(1000) + TOOL_U16String((u16)-2000) +
                                                                      TOOL_U16String(32767) + TOOL_U16String(0x8000))),
                     &channels, &rate));
    EXPECT_EQ(2u, channels);
    EXPECT_EQ(44100u, rate);
    // A data chunk claiming more than the file holds gives the whole frames that exist.
    const std::string cut = Riff(Fmt(1, 1, 22050, 2, 16)) + "data" + TOOL_U32String(1000) + TOOL_U16String(7) +
                            TOOL_U16String(8) + Bytes({9});
    EXPECT_EQ((std::vector<s16>{7, 8}), Decode(cut));
}

TEST(PltWav, RefusesMalformedFiles)
{
    const std::string data = Chunk("data", TOOL_U16String(1) + TOOL_U16String(2));
    const struct
    {
        const char* what;
        std::string file;
    } cases[] = {
        {"empty", ""},
        {"short header", "RIFF"},
        {"not WAVE", "RIFF" + TOOL_U32String(4) + "AVI " + Fmt(1, 1, 22050, 2, 16) + data},
        {"no format", Riff(data)},
        {"no data", Riff(Fmt(1, 1, 22050, 2, 16))},
        {"format chunk too short", Riff(Chunk("fmt ", std::string(14, '\1')) + data)},
        {"three channels", Riff(Fmt(1, 3, 22050, 6, 16) + data)},
        {"rate 0", Riff(Fmt(1, 1, 0, 2, 16) + data)},
        {"24-bit PCM", Riff(Fmt(1, 1, 22050, 3, 24) + Chunk("data", std::string(6, '\0')))},
        {"less than one frame", Riff(Fmt(1, 2, 22050, 4, 16) + Chunk("data", "ab"))},
        {"ADPCM block without room for a group", Riff(Fmt(0x11, 1, 22050, 4, 4) + data)},
        {"ADPCM data shorter than a header", Riff(Fmt(0x11, 1, 22050, 8, 4) + Chunk("data", "abc"))},
        {"huge chunk length", Riff("JUNK" + TOOL_U32String(0xFFFFFFF0u) + Fmt(1, 1, 22050, 2, 16) + data)},
    };
    for (const auto& c : cases) {
        PLT_AudioPcm pcm;
        EXPECT_EQ(0u, PLT_AudioDecodeWav((const u8*)c.file.data(), (u32)c.file.size(), &pcm)) << c.what;
        EXPECT_EQ(nullptr, pcm.frames) << c.what;
        EXPECT_EQ(0u, pcm.frameCount) << c.what;
    }
}

// Ten silent MPEG-1 layer III frames: 128 kbit/s, 44100 Hz, joint stereo, 417 bytes each,
// side information all zero.
std::string SilentMp3()
{
    std::string out;
    for (int i = 0; i < 10; ++i) {
        std::string frame(417, '\0');
        frame[0] = (char)0xFF;
        frame[1] = (char)0xFB;
        frame[2] = (char)0x90;
        frame[3] = (char)0x64;
        out += frame;
    }
    return out;
}

TEST(PltWav, TellsFileTypes)
{
    const std::string data = Chunk("data", TOOL_U16String(1) + TOOL_U16String(2));
    const struct
    {
        const char* what;
        std::string file;
        s32 type;
    } cases[] = {
        {"PCM 16", Riff(Fmt(1, 1, 22050, 2, 16) + data), PLT_AUDIO_FILE_PCM_WAV},
        {"PCM 8", Riff(Fmt(1, 2, 22050, 2, 8) + data), PLT_AUDIO_FILE_PCM_WAV},
        {"IMA ADPCM", Riff(Fmt(0x11, 1, 22050, 36, 4) + data), PLT_AUDIO_FILE_ADPCM_WAV},
        {"24-bit PCM", Riff(Fmt(1, 1, 22050, 3, 24) + data), PLT_AUDIO_FILE_OTHER_WAV},
        {"another codec", Riff(Fmt(2, 1, 22050, 256, 4) + data), PLT_AUDIO_FILE_OTHER_WAV},
        {"WAV without data", Riff(Fmt(1, 1, 22050, 2, 16)), PLT_AUDIO_FILE_UNKNOWN},
        {"ID3 tag", "ID3\3\0\0\0\0\0\0", PLT_AUDIO_FILE_MP3},
        {"layer III frame", SilentMp3(), PLT_AUDIO_FILE_MP3},
        {"layer II frame", Bytes({0xFF, 0xFD, 0x90, 0x64}), PLT_AUDIO_FILE_UNKNOWN},
        {"text", "hello world", PLT_AUDIO_FILE_UNKNOWN},
        {"empty", "", PLT_AUDIO_FILE_UNKNOWN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.type, PLT_AudioFileType(c.file.data(), (u32)c.file.size())) << c.what;
}

TEST(PltWav, DecodesMp3AndRefusesGarbage)
{
    const std::string mp3 = SilentMp3();
    PLT_AudioPcm pcm;
    ASSERT_EQ(1u, PLT_AudioDecodeMp3((const u8*)mp3.data(), (u32)mp3.size(), &pcm));
    EXPECT_EQ(44100u, pcm.rate);
    EXPECT_EQ(2u, pcm.channels);
    EXPECT_EQ(10u * 1152u, pcm.frameCount);
    bool silent = true;
    for (u32 i = 0; i < pcm.frameCount * 2; ++i)
        silent = silent && pcm.frames[i] == 0;
    EXPECT_TRUE(silent);
    PLT_AudioFreePcm(&pcm);

    const std::string garbage(5000, 'x');
    EXPECT_EQ(0u, PLT_AudioDecodeMp3((const u8*)garbage.data(), (u32)garbage.size(), &pcm));
    EXPECT_EQ(nullptr, pcm.frames);
}

}  // namespace
