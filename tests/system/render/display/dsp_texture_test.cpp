#include "dsp_texture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "os_file.h"
#include "test_dir.h"
#include "texture_files.h"
#include "tools_archive.h"

namespace
{

struct LoadInfo
{
    s32 type = -2;
    s32 level = -2;
    s32 width = -2;
    s32 height = -2;
    s32 size = -2;
};

LoadInfo GetLoad(const DSP_Texture& _texture)
{
    LoadInfo info;
    _texture.GetLoadInfo(&info.type, &info.level, &info.width, &info.height, &info.size);
    return info;
}

LoadInfo GetNext(const DSP_Texture& _texture)
{
    LoadInfo info;
    _texture.GetNextLevelInfo(&info.type, &info.level, &info.width, &info.height, &info.size);
    return info;
}

std::vector<s32> LevelTypes(const DSP_Texture& _texture)
{
    std::vector<s32> types;
    for (s32 level = 0; level < DSP_TEXTURE_NUM_LEVELS; ++level)
        types.push_back(_texture.GetLevelType(level));
    return types;
}

class DspTextureTest : public testing::Test
{
protected:
    // Names the texture and reads its files with every format and level allowed.
    u32 Collect(const char* _name = "t")
    {
        m_texture.SetName(_name);
        return m_texture.CollectInformation(m_allowed.formats, m_allowed.levels);
    }

    TST_TempDir m_dir;
    TST_AllAllowed m_allowed;
    DSP_Texture m_texture;
};

const s32 N = DSP_TEXTURE_NONE;

}  // namespace

TEST(DspTextureSizesTest, FollowTheTypeAndLevelTables)
{
    struct Case
    {
        s32 type;
        s32 level;
        s32 bytes;
    };
    const Case cases[] = {
        // Compressed levels below 4x4 still take one block.
        {DSP_TEXTURE_DXT1, 0, 8},     {DSP_TEXTURE_DXT1, 1, 8},        {DSP_TEXTURE_DXT1, 2, 8},
        {DSP_TEXTURE_DXT1, 5, 512},   {DSP_TEXTURE_DXT1, 11, 2097152}, {DSP_TEXTURE_DXT2, 0, 16},
        {DSP_TEXTURE_DXT2, 1, 16},    {DSP_TEXTURE_DXT2, 2, 16},       {DSP_TEXTURE_DXT3, 3, 64},
        {DSP_TEXTURE_DXT4, 8, 65536}, {DSP_TEXTURE_DXT5, 11, 4194304}, {DSP_TEXTURE_A1R5G5B5, 0, 2},
        {DSP_TEXTURE_R5G6B5, 1, 8},   {DSP_TEXTURE_A8R8G8B8, 0, 4},    {DSP_TEXTURE_A8R8G8B8, 11, 16777216},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.bytes, DSP_Texture::GetLevelSize(c.type, c.level)) << c.type << " " << c.level;
        if (c.type <= DSP_TEXTURE_DXT5) {  // the writer lays out the same sizes
            EXPECT_EQ((u32)c.bytes, TOOL_DxtLevelBytes((u32)c.type, 1u << c.level)) << c.type << " " << c.level;
        }
    }
    const s32 bits[] = {4, 8, 8, 8, 8, 16, 16, 32};
    for (s32 type = 0; type < 8; ++type)
        EXPECT_EQ(bits[type], DSP_Texture::GetTexelSize(type));
    EXPECT_EQ(4194304, DSP_Texture::GetTexelCount(11));
    EXPECT_EQ(2048, DSP_Texture::GetTextureWidth(11));
    EXPECT_EQ(1, DSP_Texture::GetTextureHeight(0));

    EXPECT_FATAL(DSP_Texture::GetTexelSize(DSP_TEXTURE_A4R4G4B4), "DSP_Texture::GetTexelSize()",
                 "illegal texture type");
    EXPECT_FATAL(DSP_Texture::GetTexelSize(-1), "DSP_Texture::GetTexelSize()", "illegal texture type");
    EXPECT_FATAL(DSP_Texture::GetTexelCount(12), "DSP_Texture::GetTexelCount()", "illegal level");
    EXPECT_FATAL(DSP_Texture::GetTextureWidth(-1), "DSP_Texture::GetTextureWidth()", "illegal level");
    EXPECT_FATAL(DSP_Texture::GetTextureHeight(12), "DSP_Texture::GetTextureHeight()", "illegal level");
}

TEST(DspTextureNamesTest, LevelNineToElevenCarryTwoDigits)
{
    const char* expected[12] = {"rock_l0.tga", "rock_l1.tga",  "rock_l2.tga",  "rock_l3.tga",
                                "rock_l4.tga", "rock_l5.tga",  "rock_l6.tga",  "rock_l7.tga",
                                "rock_l8.tga", "rock_l09.tga", "rock_l10.tga", "rock_l11.tga"};
    for (s32 level = 0; level < 12; ++level) {
        char buffer[32] = "rock";
        DSP_Texture::TGA_AppendTextureLevelNameExtension(buffer, sizeof(buffer), level);
        EXPECT_STREQ(expected[level], buffer);
    }
    char small[8] = "rock";  // cut, never overrun
    DSP_Texture::TGA_AppendTextureLevelNameExtension(small, sizeof(small), 10);
    EXPECT_STREQ("rock_l1", small);

    char buffer[32] = "rock";
    EXPECT_FATAL(DSP_Texture::TGA_AppendTextureLevelNameExtension(buffer, sizeof(buffer), 12),
                 "DSP_Texture::TGA_AppendTextureLevelNameExtension()", "illegal texture level");
    EXPECT_FATAL(DSP_Texture::TGA_AppendTextureLevelNameExtension(buffer, sizeof(buffer), -1),
                 "DSP_Texture::TGA_AppendTextureLevelNameExtension()", "illegal texture level");
}

TEST_F(DspTextureTest, ALevelNineFileIsOnlyFoundAsNumberOhNine)
{
    m_dir.Write("t_l9.tga", TOOL_TGABytes(TOOL_MakeTGA(512, 512, 16, 0)));
    Collect();
    EXPECT_EQ(N, m_texture.GetLevelType(9));
    EXPECT_EQ(N, GetLoad(m_texture).type);

    std::filesystem::rename("t_l9.tga", "t_l09.tga");
    Collect();
    EXPECT_EQ(DSP_TEXTURE_A1R5G5B5, m_texture.GetLevelType(9));
    EXPECT_EQ(9, GetLoad(m_texture).level);
}

TEST_F(DspTextureTest, CheckTGAGivesTheTypeOfASquareLevelOfTheRightSide)
{
    TST_WriteLevel(m_dir, "t", 0, 16);
    TST_WriteLevel(m_dir, "t", 1, 24);
    TST_WriteLevel(m_dir, "t", 2, 32);
    TST_WriteLevel(m_dir, "t", 3, 32, 0, 4);  // 4x4 where 8x8 belongs
    m_dir.Write(TST_LevelFileName("t", 4), TOOL_TGABytes(TOOL_MakeTGA(16, 8, 32, 0)));
    EXPECT_EQ(DSP_TEXTURE_A1R5G5B5, DSP_Texture::CheckTGA("t", 0));
    EXPECT_EQ(DSP_TEXTURE_R5G6B5, DSP_Texture::CheckTGA("t", 1));  // 24 bits load as 565
    EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, DSP_Texture::CheckTGA("t", 2));
    EXPECT_EQ(N, DSP_Texture::CheckTGA("t", 3));
    EXPECT_EQ(N, DSP_Texture::CheckTGA("t", 4));
    EXPECT_EQ(N, DSP_Texture::CheckTGA("t", 5));                     // no file
    EXPECT_EQ(DSP_TEXTURE_A1R5G5B5, DSP_Texture::CheckTGA("T", 0));  // disk names match without case
    EXPECT_FATAL(DSP_Texture::CheckTGA("t", 12), "DSP_Texture::CheckTGA()", "illegal texturelevel");
}

TEST_F(DspTextureTest, CollectingLooksOnlyAtAllowedLevelsAndStartsAtTheSmallest)
{
    TST_WriteLevels(m_dir, "t", {1, 2, 3, 5}, 32);
    m_allowed.levels[1] = 0;
    ASSERT_EQ(1u, Collect());
    EXPECT_EQ((std::vector<s32>{N, N, 7, 7, N, 7, N, N, N, N, N, N}), LevelTypes(m_texture));
    const LoadInfo load = GetLoad(m_texture);
    EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, load.type);
    EXPECT_EQ(2, load.level);
    EXPECT_EQ(4, load.width);
    EXPECT_EQ(4, load.height);
    EXPECT_EQ(64, load.size);
    EXPECT_EQ(3, GetNext(m_texture).level);
    m_texture.SetLoadInfo(DSP_TEXTURE_A8R8G8B8, 3);
    const LoadInfo next = GetNext(m_texture);  // skips the missing level 4
    EXPECT_EQ(5, next.level);
    EXPECT_EQ(32, next.width);
    EXPECT_EQ(4096, next.size);
    m_texture.SetLoadInfo(DSP_TEXTURE_A8R8G8B8, 5);
    const LoadInfo none = GetNext(m_texture);
    EXPECT_EQ(N, none.type);
    EXPECT_EQ(12, none.level);
    EXPECT_EQ(-1, none.width);
    EXPECT_EQ(-1, none.size);

    // Collecting again forgets levels whose files went away.
    std::filesystem::remove(TST_LevelFileName("t", 2));
    Collect();
    EXPECT_EQ(3, GetLoad(m_texture).level);

    // Without any file nothing is chosen; without a name nothing is collected.
    ASSERT_EQ(1u, Collect("missing"));
    const LoadInfo nothing = GetLoad(m_texture);
    EXPECT_EQ(N, nothing.type);
    EXPECT_EQ(12, nothing.level);
    EXPECT_EQ(-1, nothing.width);
    EXPECT_EQ(-1, nothing.height);
    EXPECT_EQ(-1, nothing.size);
    DSP_Texture unnamed;
    EXPECT_EQ(0u, unnamed.CollectInformation(m_allowed.formats, m_allowed.levels));

    EXPECT_FATAL(m_texture.CollectInformation(nullptr, m_allowed.levels), "DSP_Texture::CollectInformation()",
                 "format array must not be NULL");
    EXPECT_FATAL(m_texture.CollectInformation(m_allowed.formats, nullptr), "DSP_Texture::CollectInformation()",
                 "level array must not be NULL");
}

TEST_F(DspTextureTest, SetLoadInfoAndMipCountCheckTheirRanges)
{
    EXPECT_FATAL(m_texture.SetLoadInfo(10, 0), "DSP_Texture::SetLoadInfo()", "illegal type");
    EXPECT_FATAL(m_texture.SetLoadInfo(-1, 0), "DSP_Texture::SetLoadInfo()", "illegal type");
    EXPECT_FATAL(m_texture.SetLoadInfo(0, 13), "DSP_Texture::SetLoadInfo()", "illegal level");
    EXPECT_FATAL(m_texture.SetLoadInfo(0, -1), "DSP_Texture::SetLoadInfo()", "illegal level");
    m_texture.SetLoadInfo(N, 12);
    EXPECT_FATAL(m_texture.GetNumOfMipLevels(), "DSP_Texture::GetNumOfMipLevels()", "loadtexturelevel is not valid");
}

TEST_F(DspTextureTest, MipCountStopsAtTheFirstMissingLevelBelowTheLoadLevel)
{
    struct Case
    {
        std::initializer_list<s32> levels;
        s32 load;
        s32 mips;
        s32 fromZero;
    };
    const Case cases[] = {
        {{0, 3, 5}, 5, 1, 1},  // a gap right below: no mip could be filled
        {{0, 3, 4, 5}, 5, 3, 1}, {{0, 1, 2, 3}, 3, 4, 4}, {{0, 1, 2, 3}, 1, 2, 4}, {{2, 3}, 2, 1, 0},
    };
    for (const Case& c : cases) {
        TST_TempDir dir;
        TST_WriteLevels(dir, "t", c.levels, 16);
        Collect();
        m_texture.SetLoadInfo(DSP_TEXTURE_A1R5G5B5, c.load);
        EXPECT_EQ(c.mips, m_texture.GetNumOfMipLevels()) << "load " << c.load;
        EXPECT_EQ(c.fromZero, m_texture.CountLevelsFromZero());
    }
}

TEST_F(DspTextureTest, LoadsEachMipBottomUpAtThePitch)
{
    // Level 2: top row red, bottom row blue; level 1 and 0 other colours.
    TOOL_TGA top = TOOL_MakeTGA(4, 4, 32, 0x80008000u);
    for (s32 x = 0; x < 4; ++x) {
        top.pixels[x] = 0xFFFF0000u;
        top.pixels[12 + x] = 0xFF0000FFu;
    }
    m_dir.Write(TST_LevelFileName("t", 2), TOOL_TGABytes(top));
    TST_WriteLevel(m_dir, "t", 1, 32, 0x11223344u);
    TST_WriteLevel(m_dir, "t", 0, 32, 0x55667788u);
    Collect();
    m_texture.SetLoadInfo(DSP_TEXTURE_A8R8G8B8, 2);
    ASSERT_EQ(3, m_texture.GetNumOfMipLevels());

    const s32 pitch = 20;  // 4 bytes of padding after each row
    std::vector<u8> mip0(3 * pitch + 16, 0xCD);
    ASSERT_EQ(1u, m_texture.LoadFromFile(mip0.data(), pitch, (s32)mip0.size(), DSP_TEXTURE_A8R8G8B8, 0));
    EXPECT_EQ(0xFF0000FFu, OS_ReadU32LE(&mip0[0]));          // row 0: the bottom row
    EXPECT_EQ(0xFFFF0000u, OS_ReadU32LE(&mip0[3 * pitch]));  // row 3: the top row
    EXPECT_EQ(0xCDCDCDCDu, OS_ReadU32LE(&mip0[16]));         // the padding stays
    std::vector<u8> mip1(16, 0);  // 2x2; the size passed is the load level's, as the display passes it
    ASSERT_EQ(1u, m_texture.LoadFromFile(mip1.data(), 8, 64, DSP_TEXTURE_A8R8G8B8, 1));
    EXPECT_EQ(0x11223344u, OS_ReadU32LE(&mip1[0]));
    std::vector<u8> mip2(4, 0);
    ASSERT_EQ(1u, m_texture.LoadFromFile(mip2.data(), 4, 64, DSP_TEXTURE_A8R8G8B8, 2));
    EXPECT_EQ(0x55667788u, OS_ReadU32LE(&mip2[0]));
}

TEST_F(DspTextureTest, LoadsTwentyFourBitLevelsAs565AndSixteenBitLevelsAs1555)
{
    TST_WriteLevel(m_dir, "t", 1, 24, 0x00FF8040u);
    Collect();
    ASSERT_EQ(DSP_TEXTURE_R5G6B5, GetLoad(m_texture).type);
    u16 texels[4] = {};
    ASSERT_EQ(1u, m_texture.LoadFromFile(texels, 4, 8, DSP_TEXTURE_R5G6B5, 0));
    EXPECT_EQ((u16)(0xF800 | (0x80 << 3) | (0x40 >> 3)), texels[3]);

    TST_WriteLevel(m_dir, "u", 0, 16, TOOL_Color555(255, 0, 0));
    Collect("u");
    ASSERT_EQ(DSP_TEXTURE_A1R5G5B5, GetLoad(m_texture).type);
    u16 texel = 0;
    ASSERT_EQ(1u, m_texture.LoadFromFile(&texel, 2, 2, DSP_TEXTURE_A1R5G5B5, 0));
    EXPECT_EQ(0xFC00, texel);
}

TEST_F(DspTextureTest, RefusesALevelFileOfAnotherSideInsteadOfOverrunningTheMip)
{
    TST_WriteLevel(m_dir, "t", 3, 32);
    TST_WriteLevel(m_dir, "t", 2, 32, 0, 8);  // 8x8 under the name of the 4x4 level
    Collect();
    m_texture.SetLoadInfo(DSP_TEXTURE_A8R8G8B8, 3);
    EXPECT_EQ(1, m_texture.GetNumOfMipLevels());
    // Asked anyway, as the display would with the load level's size for every mip: the mip
    // holds 4x4 texels, and nothing may be written to it.
    std::vector<u8> mip(4 * 4 * 4, 0xCD);
    EXPECT_EQ(0u, m_texture.LoadFromFile(mip.data(), 16, 8 * 8 * 4, DSP_TEXTURE_A8R8G8B8, 1));
    EXPECT_EQ(std::vector<u8>(64, 0xCD), mip);

    // The same when the file is replaced after the levels were collected.
    TST_WriteLevel(m_dir, "t", 2, 32);
    Collect();
    m_texture.SetLoadInfo(DSP_TEXTURE_A8R8G8B8, 3);
    ASSERT_EQ(2, m_texture.GetNumOfMipLevels());
    TST_WriteLevel(m_dir, "t", 2, 32, 0, 8);
    EXPECT_EQ(0u, m_texture.LoadFromFile(mip.data(), 16, 8 * 8 * 4, DSP_TEXTURE_A8R8G8B8, 1));
    EXPECT_EQ(std::vector<u8>(64, 0xCD), mip);
    EXPECT_NE(std::string::npos, m_dir.Read("log.txt").find("t_l2.tga is 8x8 instead of 4x4"));
}

TEST_F(DspTextureTest, LoadRefusalsAndFatalErrors)
{
    TST_WriteLevel(m_dir, "t", 2, 32);
    Collect();
    std::vector<u8> buffer(256, 0xCD);
    // Smaller than the level, or a pitch that would overrun it.
    EXPECT_EQ(0u, m_texture.LoadFromFile(buffer.data(), 16, 63, DSP_TEXTURE_A8R8G8B8, 0));
    EXPECT_EQ(0u, m_texture.LoadFromFile(buffer.data(), 32, 64, DSP_TEXTURE_A8R8G8B8, 0));
    EXPECT_EQ(0u, m_texture.LoadFromFile(buffer.data(), 12, 256, DSP_TEXTURE_A8R8G8B8, 0));
    EXPECT_EQ(std::vector<u8>(256, 0xCD), buffer);
    EXPECT_EQ(0u, m_texture.LoadFromFile(buffer.data(), 8, 256, DSP_TEXTURE_A8R8G8B8, 1));  // no level 1 file
    EXPECT_FATAL(m_texture.LoadFromFile(buffer.data(), 16, 256, DSP_TEXTURE_A4R4G4B4, 0), "DSP_Texture::LoadFromFile()",
                 "illegal type specified");
    // The smaller destination formats fit the same bytes.
    EXPECT_EQ(1u, m_texture.LoadFromFile(buffer.data(), 8, 64, DSP_TEXTURE_A1R5G5B5, 0));

    m_dir.Write(TST_LevelFileName("t", 2), TOOL_TGABytes(TOOL_MakeTGA(4, 2, 32, 0)));
    EXPECT_FATAL(m_texture.LoadFromFile(buffer.data(), 16, 256, DSP_TEXTURE_A8R8G8B8, 0), "DSP_Texture::LoadFromFile()",
                 "unequal width and height");
    m_dir.Write(TST_LevelFileName("t", 2), TOOL_TGABytes(TOOL_MakeTGA(3, 3, 32, 0)));
    EXPECT_FATAL(m_texture.LoadFromFile(buffer.data(), 16, 256, DSP_TEXTURE_A8R8G8B8, 0), "DSP_Texture::LoadFromFile()",
                 "illegal dimension");
    std::filesystem::remove(TST_LevelFileName("t", 2));
    EXPECT_EQ(0u, m_texture.LoadFromFile(buffer.data(), 16, 256, DSP_TEXTURE_A8R8G8B8, 0));

    DSP_Texture unnamed;
    EXPECT_EQ(0u, unnamed.LoadFromFile(buffer.data(), 16, 256, DSP_TEXTURE_A8R8G8B8, 0));
}

TEST_F(DspTextureTest, ADdsFileReplacesTheTgaLevelsFromFourByFourToItsSide)
{
    TST_WriteLevels(m_dir, "t", {0, 1, 2, 3, 4, 5, 6, 7, 8}, 16);
    ASSERT_TRUE(TOOL_WriteDDS("t.dds", TOOL_MakeDDS(2, 256, 9, 0xFF808080u)));
    Collect();
    EXPECT_EQ((std::vector<s32>{5, 5, 2, 2, 2, 2, 2, 2, 2, N, N, N}), LevelTypes(m_texture));
    EXPECT_EQ(DSP_TEXTURE_A1R5G5B5, GetLoad(m_texture).type);

    // Compressed textures off: the file is not looked at.
    m_allowed.formats[DSP_TEXTURE_DXT3] = 0;
    Collect();
    EXPECT_EQ((std::vector<s32>{5, 5, 5, 5, 5, 5, 5, 5, 5, N, N, N}), LevelTypes(m_texture));

    // Nor when its level flags are off: the DDS levels do not depend on them.
    m_allowed.formats[DSP_TEXTURE_DXT3] = 1;
    for (s32& allowed : m_allowed.levels)
        allowed = 0;
    Collect();
    EXPECT_EQ((std::vector<s32>{N, N, 2, 2, 2, 2, 2, 2, 2, N, N, N}), LevelTypes(m_texture));
    EXPECT_EQ(2, GetLoad(m_texture).type);
    EXPECT_EQ(2, GetLoad(m_texture).level);
}

TEST_F(DspTextureTest, DdsFilesThatDoNotQualifyChangeNothing)
{
    TST_WriteLevels(m_dir, "t", {2, 3}, 32);
    const std::vector<s32> tgaOnly = {N, N, 7, 7, N, N, N, N, N, N, N, N};
    struct Case
    {
        const char* what;
        std::vector<std::pair<u32, u32>> fields;  // file offset, new value
        size_t keep;                              // bytes kept, 0 for all
    };
    const Case cases[] = {
        {"wrong magic", {{0, 0x20534464u}}, 0},
        {"no width flag", {{8, 0x000A1003u}}, 0},
        {"not a DXT code", {{84, 0x31545944u}}, 0},
        {"DXT6", {{84, 0x36545844u}}, 0},
        {"not square", {{12, 8}}, 0},
        {"shorter than its header", {}, 100},
        {"a level cut short", {}, 128 + 128 + 32 + 8 - 1},
        {"too few mips stored", {{28, 2}}, 0},  // 16x16 must hold 16, 8 and 4
    };
    for (const Case& c : cases) {
        std::string bytes = TOOL_DDSBytes(TOOL_MakeDDS(0, 16, 3, 0xFFFFFFFFu));
        for (const auto& field : c.fields)
            OS_WriteU32LE((u8*)bytes.data() + field.first, field.second);
        if (c.keep != 0)
            bytes.resize(c.keep);
        m_dir.Write("t.dds", bytes);
        Collect();
        EXPECT_EQ(tgaOnly, LevelTypes(m_texture)) << c.what;
    }
    const std::string log = m_dir.Read("log.txt");
    EXPECT_NE(std::string::npos, log.find("t.dds is shorter than its header, ignored"));
    EXPECT_NE(std::string::npos, log.find("t.dds is shorter than its levels, ignored"));
    EXPECT_NE(std::string::npos, log.find("t.dds stores 2 of 3 levels, ignored"));

    // A mip count of 0 stands for one level: enough for a 4x4 file.
    TOOL_DDS single = TOOL_MakeDDS(4, 4, 1, 0xFFFFFFFFu);
    single.mipCount = 0;
    ASSERT_TRUE(TOOL_WriteDDS("t.dds", single));
    Collect();
    EXPECT_EQ(4, m_texture.GetLevelType(2));
}

TEST_F(DspTextureTest, DdsFilesBelowFourByFourOrOfOddSidesAreFatal)
{
    m_dir.Write("dat/small.dds", TOOL_DDSBytes(TOOL_MakeDDS(0, 2, 2, 0)));
    EXPECT_FATAL(Collect("dat/small"),
                 "DSP_Texture::DDS_CollectInformation() - dxt compressed texture have to be 4x4 or bigger, this one "
                 "is 2x2",
                 "dat/small");
    m_dir.Write("dat/tiny.dds", TOOL_DDSBytes(TOOL_MakeDDS(1, 1, 1, 0)));
    EXPECT_FATAL(Collect("dat/tiny"),
                 "DSP_Texture::DDS_CollectInformation() - dxt compressed texture have to be 4x4 or bigger, this one "
                 "is 1x1",
                 "dat/tiny");
    for (u32 side : {0u, 12u, 4096u}) {
        m_dir.Write("odd.dds", TOOL_DDSBytes(TOOL_MakeDDS(0, side, 1, 0)));
        EXPECT_FATAL(Collect("odd"), "DSP_Texture::DDS_CollectInformation()", "illegal texture width");
    }
}

TEST_F(DspTextureTest, EveryDxtFormatLoadsEachStoredLevelWhole)
{
    for (u32 dxt = 0; dxt < 5; ++dxt) {
        SCOPED_TRACE(dxt);
        const TOOL_DDS dds = TST_MarkedDDS(dxt, 16, 5);  // levels 4, 3, 2, 1, 0
        ASSERT_TRUE(TOOL_WriteDDS("t.dds", dds));
        Collect();
        const LoadInfo smallest = GetLoad(m_texture);
        EXPECT_EQ((s32)dxt, smallest.type);
        EXPECT_EQ(2, smallest.level);
        EXPECT_EQ(dxt == 0 ? 8 : 16, smallest.size);

        m_texture.SetLoadInfo((s32)dxt, 4);
        ASSERT_EQ(3, m_texture.GetNumOfMipLevels());  // the levels 0 and 1 are not marked
        const s32 size = GetLoad(m_texture).size;
        ASSERT_EQ((s32)dds.levels[0].size(), size);
        for (s32 mip = 0; mip < 5; ++mip) {
            std::string destination((size_t)size + 1, '\xCD');
            ASSERT_EQ(1u, m_texture.LoadFromFile(destination.data(), 0, size, DSP_TEXTURE_NONE, mip)) << mip;
            const std::string& level = dds.levels[(size_t)mip];
            EXPECT_EQ(level, destination.substr(0, level.size())) << mip;
            EXPECT_EQ(std::string(destination.size() - level.size(), '\xCD'), destination.substr(level.size()));
        }
    }
}

TEST_F(DspTextureTest, ADdsLevelIsReadOnlyWhenTheFileStillHoldsIt)
{
    TOOL_DDS dds = TST_MarkedDDS(0, 16, 3);  // levels 4, 3, 2 only
    ASSERT_TRUE(TOOL_WriteDDS("t.dds", dds));
    Collect();
    m_texture.SetLoadInfo(DSP_TEXTURE_DXT1, 4);
    std::string destination(128, '\xCD');
    const std::string untouched = destination;
    ASSERT_EQ(1u, m_texture.LoadFromFile(destination.data(), 0, 128, DSP_TEXTURE_NONE, 2));
    destination = untouched;
    EXPECT_EQ(0u, m_texture.LoadFromFile(destination.data(), 0, 128, DSP_TEXTURE_NONE, 3));  // level 1 not stored
    EXPECT_EQ(0u, m_texture.LoadFromFile(destination.data(), 0, 128, DSP_TEXTURE_NONE, 5));  // below level 0
    EXPECT_EQ(0u, m_texture.LoadFromFile(destination.data(), 0, 127, DSP_TEXTURE_NONE, 0));  // too small
    EXPECT_EQ(untouched, destination);

    struct Case
    {
        const char* what;
        std::vector<std::pair<u32, u32>> fields;  // file offset, new value
        size_t keep;                              // bytes kept, 0 for all
        s32 mip;
    };
    const Case cases[] = {
        {"cut inside level 2", {}, 128 + 128 + 32 + 4, 2},
        {"cut inside level 4", {}, 128 + 100, 0},
        {"header only", {}, 128, 0},
        {"shorter than the header", {}, 64, 0},
        {"mip count lowered", {{28, 2}}, 0, 2},
        {"another DXT type", {{84, 0x35545844u}}, 0, 0},
        {"now 8x8: no level 4 in it", {{12, 8}, {16, 8}}, 0, 0},
        {"not square", {{12, 8}}, 0, 0},
        {"wrong magic", {{0, 0}}, 0, 0},
    };
    for (const Case& c : cases) {
        std::string bytes = TOOL_DDSBytes(dds);
        for (const auto& field : c.fields)
            OS_WriteU32LE((u8*)bytes.data() + field.first, field.second);
        if (c.keep != 0)
            bytes.resize(c.keep);
        m_dir.Write("t.dds", bytes);
        EXPECT_EQ(0u, m_texture.LoadFromFile(destination.data(), 0, 128, DSP_TEXTURE_NONE, c.mip)) << c.what;
        EXPECT_EQ(untouched, destination) << c.what;
    }
    std::filesystem::remove("t.dds");
    EXPECT_EQ(0u, m_texture.LoadFromFile(destination.data(), 0, 128, DSP_TEXTURE_NONE, 0));
    EXPECT_NE(std::string::npos, m_dir.Read("log.txt").find("t.dds stores too few levels, mip 3 not loaded"));

    m_dir.Write("t.dds", TOOL_DDSBytes(TOOL_MakeDDS(0, 24, 1, 0)));
    EXPECT_FATAL(m_texture.LoadFromFile(destination.data(), 0, 128, DSP_TEXTURE_NONE, 0),
                 "DSP_Texture::DDS_CollectInformation()", "illegal texture width");
}

TEST_F(DspTextureTest, ArchiveOnlyFilesAreFoundThroughOsFile)
{
    ASSERT_EQ(1u,
              TOOL_WriteArchive(".", {
                                         {"dat\\tex\\Rock_l0.tga", TOOL_TGABytes(TOOL_MakeTGA(1, 1, 32, 0xFF010203u))},
                                         {"dat\\tex\\Rock_l1.tga", TOOL_TGABytes(TOOL_MakeTGA(2, 2, 32, 0xFF040506u))},
                                         {"dat\\tex\\bark.dds", TOOL_DDSBytes(TST_MarkedDDS(4, 8, 2))},
                                     }));
    OS_Archive::Open();
    ASSERT_EQ(1u, OS_Archive::IsOpen());

    Collect("dat/tex/rock");
    EXPECT_EQ((std::vector<s32>{7, 7, N, N, N, N, N, N, N, N, N, N}), LevelTypes(m_texture));
    m_texture.SetLoadInfo(DSP_TEXTURE_A8R8G8B8, 1);
    u8 texels[16] = {};
    EXPECT_EQ(1u, m_texture.LoadFromFile(texels, 8, 16, DSP_TEXTURE_A8R8G8B8, 0));
    EXPECT_EQ(0xFF040506u, OS_ReadU32LE(texels));
    EXPECT_EQ(1u, m_texture.LoadFromFile(texels, 4, 16, DSP_TEXTURE_A8R8G8B8, 1));
    EXPECT_EQ(0xFF010203u, OS_ReadU32LE(texels));

    Collect("dat\\tex\\bark");
    EXPECT_EQ((std::vector<s32>{N, N, 4, 4, N, N, N, N, N, N, N, N}), LevelTypes(m_texture));
    m_texture.SetLoadInfo(DSP_TEXTURE_DXT5, 3);
    std::string level(64, '\0');
    EXPECT_EQ(1u, m_texture.LoadFromFile(level.data(), 0, 64, DSP_TEXTURE_NONE, 0));
    EXPECT_EQ(std::string(64, '\x10'), level);
    EXPECT_EQ(1u, m_texture.LoadFromFile(level.data(), 0, 64, DSP_TEXTURE_NONE, 1));
    EXPECT_EQ(std::string(16, '\x11'), level.substr(0, 16));
    OS_Archive::Close();
}
