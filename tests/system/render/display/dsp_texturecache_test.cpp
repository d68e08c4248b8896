#include "dsp_texturecache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_dir.h"
#include "texture_files.h"

namespace
{

// 16-bit level sizes: level 0 2 bytes, 1 8, 2 32, 3 128 ... (4^L x 2).
s32 Size16(s32 _level) { return DSP_Texture::GetLevelSize(DSP_TEXTURE_A1R5G5B5, _level); }

class DspTextureCacheTest : public testing::Test
{
protected:
    DspTextureCacheTest() : m_cache(8)
    {
        // What the display allows for a device with uncompressed textures up to 2048.
        for (s32 type : {DSP_TEXTURE_A1R5G5B5, DSP_TEXTURE_R5G6B5, DSP_TEXTURE_A8R8G8B8})
            m_cache.AllowFormat(type, 1);
        for (s32 level = 0; level < DSP_TEXTURE_NUM_LEVELS; ++level)
            m_cache.AllowLevel(level, 1);
    }

    // The chosen level of _id, 12 when the cache has no choice for it.
    s32 Level(s32 _id)
    {
        DSP_Texture* texture = nullptr;
        if (!m_cache.GetTextureLevel(_id, &texture))
            return DSP_TEXTURE_NO_LEVEL;
        s32 type = 0;
        s32 level = 0;
        texture->GetLoadInfo(&type, &level, nullptr, nullptr, nullptr);
        return level;
    }

    std::vector<s32> Levels(s32 _count)
    {
        std::vector<s32> levels;
        for (s32 id = 0; id < _count; ++id)
            levels.push_back(Level(id));
        return levels;
    }

    TST_TempDir m_dir;
    DSP_TextureCache m_cache;
};

}  // namespace

TEST_F(DspTextureCacheTest, ChecksTypesLevelsAndIds)
{
    EXPECT_EQ(8, m_cache.GetCount());
    EXPECT_FATAL(m_cache.AllowFormat(9, 1), "DSP_TextureCache::AllowFormat()", "illegal format specified");
    EXPECT_FATAL(m_cache.AllowFormat(-1, 1), "DSP_TextureCache::AllowFormat()", "illegal format specified");
    EXPECT_FATAL(m_cache.AllowLevel(12, 1), "DSP_TextureCache::AllowLevel()", "illegal level specified");
    EXPECT_FATAL(m_cache.AllowLevel(-1, 1), "DSP_TextureCache::AllowLevel()", "illegal level specified");
    EXPECT_FATAL(m_cache.RequestTexture("t", 8), "DSP_TextureCache::GetTextureLevel()", "texture id is out of range");
    EXPECT_FATAL(m_cache.RequestTexture("t", -1), "DSP_TextureCache::GetTextureLevel()", "texture id is out of range");
    DSP_Texture* texture = nullptr;
    EXPECT_FATAL(m_cache.GetTextureLevel(8, &texture), "DSP_TextureCache::GetTextureLevel()",
                 "texture id is out of range");
    DSP_TextureCache empty(0);
    EXPECT_FATAL(empty.GetTextureLevel(0, &texture), "DSP_TextureCache::GetTextureLevel()",
                 "texture id is out of range");
    EXPECT_EQ(1, empty.ChooseLevels(1000));
}

TEST_F(DspTextureCacheTest, ChoiceOnlyForNamedTexturesWithFiles)
{
    TST_WriteLevels(m_dir, "a", {3}, 32);
    m_cache.RequestTexture("a", 0);
    m_cache.RequestTexture("missing", 1);
    m_cache.RequestTexture("a", 2);
    m_cache.RequestTexture(nullptr, 2);  // cleared again
    EXPECT_EQ(1, m_cache.ChooseLevels(0));
    DSP_Texture* texture = reinterpret_cast<DSP_Texture*>(1);
    ASSERT_TRUE(m_cache.GetTextureLevel(0, &texture));
    ASSERT_NE(nullptr, texture);
    EXPECT_STREQ("a", texture->GetName());
    for (s32 id : {1, 2, 3}) {
        EXPECT_FALSE(m_cache.GetTextureLevel(id, &texture)) << id;
        EXPECT_EQ(nullptr, texture);
    }
    // Naming the id again forgets the choice until the next ChooseLevels.
    m_cache.RequestTexture("a", 0);
    EXPECT_FALSE(m_cache.GetTextureLevel(0, &texture));
}

TEST_F(DspTextureCacheTest, RaisedLevelsCostTheirSizesAndTheStartingLevelIsFree)
{
    TST_WriteLevels(m_dir, "t", {0, 1, 2, 3, 4, 5, 6, 7, 8}, 16);
    m_cache.RequestTexture("t", 0);
    s32 cost = 0;
    for (s32 level = 1; level <= 8; ++level)
        cost += Size16(level);
    m_cache.ChooseLevels(cost + 1);
    EXPECT_EQ(8, Level(0));
    m_cache.ChooseLevels(cost);  // the compare is strict
    EXPECT_EQ(7, Level(0));
    m_cache.ChooseLevels(0);  // every choice starts afresh
    EXPECT_EQ(0, Level(0));
}

TEST_F(DspTextureCacheTest, ASingleLevelTextureKeepsItWhateverTheBudget)
{
    TST_WriteLevels(m_dir, "one", {8}, 16);
    TST_WriteLevels(m_dir, "two", {2, 5}, 16);
    m_cache.RequestTexture("one", 0);
    m_cache.RequestTexture("two", 1);
    m_cache.ChooseLevels(0);
    EXPECT_EQ((std::vector<s32>{8, 2}), Levels(2));
    m_cache.ChooseLevels(Size16(5));  // not below the budget
    EXPECT_EQ((std::vector<s32>{8, 2}), Levels(2));
    m_cache.ChooseLevels(Size16(5) + 1);  // the missing levels 3 and 4 are skipped
    EXPECT_EQ((std::vector<s32>{8, 5}), Levels(2));
}

TEST_F(DspTextureCacheTest, ALevelZeroOnlyTextureIsChargedInEveryPass)
{
    // Id 0 has levels 0 and 3 but no level 1: it stays at level 0 and its 2 bytes count
    // again in each pass. Id 1 grows 0 -> 1 (8 bytes) in pass 1, and 1 -> 2 (32 bytes) in
    // pass 2 only while 32 + 2 (this pass) + 10 (pass 1: 2 + 8) stays below the budget.
    TST_WriteLevels(m_dir, "zero", {0, 3}, 16);
    TST_WriteLevels(m_dir, "grow", {0, 1, 2}, 16);
    m_cache.RequestTexture("zero", 0);
    m_cache.RequestTexture("grow", 1);
    m_cache.ChooseLevels(44);
    EXPECT_EQ((std::vector<s32>{0, 1}), Levels(2));
    m_cache.ChooseLevels(45);
    EXPECT_EQ((std::vector<s32>{0, 2}), Levels(2));
    m_cache.ChooseLevels(1 << 30);
    EXPECT_EQ(0, Level(0));
}

TEST_F(DspTextureCacheTest, CompetingTexturesGrowOneLevelPerPassLowerIdsFirst)
{
    TST_WriteLevels(m_dir, "big", {0, 1, 2}, 16);
    TST_WriteLevels(m_dir, "small", {0, 1}, 16);
    // Named in reverse order: the id decides, not the order of the requests.
    m_cache.RequestTexture("small", 4);
    m_cache.RequestTexture("big", 3);
    struct Case
    {
        s32 budget;
        s32 big;
        s32 small;
    };
    const Case cases[] = {
        {0, 0, 0},  {9, 1, 0},   // 8 for the lower id, the next 8 would reach the budget
        {17, 1, 1}, {45, 1, 1},  // pass 2 would need 16 + 32: both grew in pass 1 first
        {49, 2, 1},
    };
    for (const Case& c : cases) {
        m_cache.ChooseLevels(c.budget);
        EXPECT_EQ(c.big, Level(3)) << c.budget;
        EXPECT_EQ(c.small, Level(4)) << c.budget;
    }
}

TEST_F(DspTextureCacheTest, CompressedFilesCountWhenTheDisplayAllowsThem)
{
    TST_WriteLevels(m_dir, "t", {0, 1, 2, 3, 4}, 32);
    ASSERT_TRUE(TOOL_WriteDDS("t.dds", TOOL_MakeDDS(0, 16, 3, 0xFF00FF00u)));
    m_cache.RequestTexture("t", 0);
    m_cache.ChooseLevels(1 << 20);
    DSP_Texture* texture = nullptr;
    ASSERT_TRUE(m_cache.GetTextureLevel(0, &texture));
    s32 type = 0;
    texture->GetLoadInfo(&type, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, type);

    m_cache.AllowFormat(DSP_TEXTURE_DXT1, 1);
    m_cache.ChooseLevels(1 << 20);
    ASSERT_TRUE(m_cache.GetTextureLevel(0, &texture));
    texture->GetLoadInfo(&type, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(DSP_TEXTURE_DXT1, type);
    EXPECT_EQ(4, Level(0));

    // Levels the device cannot take are not looked for as TGA files.
    m_cache.AllowFormat(DSP_TEXTURE_DXT1, 0);
    m_cache.AllowLevel(4, 0);
    m_cache.ChooseLevels(1 << 20);
    EXPECT_EQ(3, Level(0));
}

TEST_F(DspTextureCacheTest, EveryChosenMipLoadsAsTheDisplayAsksForIt)
{
    TST_WriteLevels(m_dir, "a", {0, 1, 2, 3}, 24);
    TST_WriteLevels(m_dir, "b", {1, 2, 4, 5}, 32);  // level 3 missing: mips stop at the gap
    ASSERT_TRUE(TOOL_WriteDDS("c.dds", TOOL_MakeDDS(4, 32, 6, 0x80FFFFFFu)));
    // A DDS load reads every mip from the DDS: the TGA levels 0 and 1 below what it stores
    // (levels 4 to 2) are no mips of it.
    TST_WriteLevels(m_dir, "d", {0, 1}, 32);
    ASSERT_TRUE(TOOL_WriteDDS("d.dds", TOOL_MakeDDS(0, 16, 3, 0xFF00FF00u)));
    m_cache.AllowFormat(DSP_TEXTURE_DXT1, 1);
    m_cache.AllowFormat(DSP_TEXTURE_DXT5, 1);
    m_cache.RequestTexture("a", 0);
    m_cache.RequestTexture("b", 1);
    m_cache.RequestTexture("c", 2);
    m_cache.RequestTexture("d", 3);
    m_cache.ChooseLevels(1 << 20);
    EXPECT_EQ((std::vector<s32>{3, 5, 5, 4}), Levels(4));

    const s32 expectedMips[] = {4, 2, 4, 3};
    for (s32 id = 0; id < 4; ++id) {
        DSP_Texture* texture = nullptr;
        ASSERT_TRUE(m_cache.GetTextureLevel(id, &texture));
        s32 type = 0, level = 0, width = 0, height = 0, size = 0;
        texture->GetLoadInfo(&type, &level, &width, &height, &size);
        EXPECT_EQ(expectedMips[id], texture->GetNumOfMipLevels()) << id;
        for (s32 mip = 0; mip < texture->GetNumOfMipLevels(); ++mip) {
            // Each mip gets memory of exactly its own size; the size passed is the load level's.
            const s32 side = width >> mip;
            const s32 bytes = DSP_Texture::GetLevelSize(type, level - mip);
            std::vector<u8> memory((size_t)bytes);
            const s32 pitch = type <= DSP_TEXTURE_DXT5 ? 0 : side * DSP_Texture::GetTexelSize(type) / 8;
            EXPECT_EQ(1u, texture->LoadFromFile(memory.data(), pitch, size, type, mip)) << id << " " << mip;
        }
    }
}
