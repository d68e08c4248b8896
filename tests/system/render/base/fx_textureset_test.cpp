#include "fx_textureset.h"

#include <gtest/gtest.h>

#include <limits>

#include "reb_texturecache.h"
#include "test_dir.h"
#include "tools_tse.h"

namespace
{

// The resource cache's part, played by the fixture: the global registry and a table of four
// slots reached by 1-based handles.
FX_TextureSet* s_table[4] = {};

FX_TextureSet* Resolve(s32 _handle) { return _handle >= 1 && _handle <= 4 ? s_table[_handle - 1] : nullptr; }

class TextureSetTest : public ::testing::Test
{
protected:
    TST_TempDir m_dir;
    REB_TextureCache m_registry{REB_GLOBAL_TEXTURE_CAPACITY, REB_GLOBAL_TEXTURE_FIRST_ID};
    FX_TextureSet m_set;
    FX_TextureSet m_empty;

    void SetUp() override
    {
        FX_TextureSet::SetRegistry(&m_registry);
        FX_TextureSet::SetTable(Resolve);
        s_table[0] = &m_set;
        s_table[1] = &m_empty;
    }
    void TearDown() override
    {
        s_table[0] = s_table[1] = nullptr;
        FX_TextureSet::SetRegistry(nullptr);
        FX_TextureSet::SetTable(nullptr);
    }

    u32 Load(FX_TextureSet& _set, const char* _name, s32 _count)
    {
        EXPECT_EQ(1u, TOOL_WriteTextureSet("set.tse", _name, _count));
        return _set.Load("set.tse");
    }

    static FX_TextureAnim Animation(s32 _type, s32 _handle, f32 _frames)
    {
        FX_TextureAnim animation;
        animation.type = _type;
        animation.textureSet = _handle;
        animation.frames = _frames;
        return animation;
    }
};

TEST_F(TextureSetTest, LoadRegistersNumberedFrameNames)
{
    ASSERT_EQ(1u, Load(m_set, "caustic", 3));
    EXPECT_EQ(3, m_set.GetCount());
    EXPECT_EQ(512, m_set.GetID(0));
    EXPECT_EQ(514, m_set.GetID(2));
    EXPECT_EQ(1, m_registry.GetReferenceCount("caustic001"));
    EXPECT_EQ(1, m_registry.GetReferenceCount("caustic003"));
    EXPECT_EQ(-1, m_set.GetID(-1));
    EXPECT_EQ(-1, m_set.GetID(3));

    // Frame numbers have three digits; reloading replaces the ids (the names stay registered).
    ASSERT_EQ(1u, Load(m_set, "fx\\spark", 120));
    EXPECT_EQ(m_set.GetID(9), m_registry.RegisterTextureName("fx\\spark010", 32));
    EXPECT_EQ(m_set.GetID(119), m_registry.RegisterTextureName("FX\\SPARK120.tga", 32));
    EXPECT_EQ(0, m_registry.GetReferenceCount("fx\\spark121"));

    ASSERT_EQ(0u, Load(m_set, "caustic", 0));
    EXPECT_EQ(0, m_set.GetCount());
    EXPECT_EQ(-1, m_set.GetID(0));
}

TEST_F(TextureSetTest, CountsOutsideZeroTo999AreFatalWithTheFileName)
{
    REB_TextureCache large(1000, 0);
    FX_TextureSet::SetRegistry(&large);
    EXPECT_EQ(1u, Load(m_set, "t", 999));
    EXPECT_EQ(998, m_set.GetID(998));
    for (s32 count : {1000, -1, std::numeric_limits<s32>::min()}) {
        TOOL_WriteTextureSet("set.tse", "t", count);
        EXPECT_FATAL(m_set.Load("set.tse"), "FX_TextureSet::Load() - illegal number of textures", "set.tse");
        EXPECT_EQ(0, m_set.GetCount());
    }
    m_dir.Write("set.tse", "[Other]\n{\n    NumT = 1\n}\n");
    EXPECT_FATAL(m_set.Load("set.tse"), "DES FILE ERROR",
                 "(FX_TextureSet::Load): Get [\"TextureSet\"] in file \"set.tse\" failed");
}

TEST_F(TextureSetTest, FrameChoiceForOneShotAndLoop)
{
    ASSERT_EQ(1u, Load(m_set, "anim", 8));  // frame f has id 512 + f
    struct Case
    {
        s32 type;
        f32 frames;
        f32 a;
        s32 frame;
    };
    const Case cases[] = {
        {FX_TEXTUREANIM_ONESHOT, 8.0f, -0.5f, 0},   {FX_TEXTUREANIM_ONESHOT, 8.0f, 0.0f, 0},
        {FX_TEXTUREANIM_ONESHOT, 8.0f, 0.5f, 4},    {FX_TEXTUREANIM_ONESHOT, 8.0f, 0.999f, 7},
        {FX_TEXTUREANIM_ONESHOT, 8.0f, 1.0f, 7},    {FX_TEXTUREANIM_ONESHOT, 8.0f, 3.0f, 7},
        {FX_TEXTUREANIM_ONESHOT, 16.0f, 0.75f, -1},  // frame 12 lies outside the set
        {FX_TEXTUREANIM_LOOP, 16.0f, 0.25f, 4},     {FX_TEXTUREANIM_LOOP, 16.0f, 0.75f, 4},
        {FX_TEXTUREANIM_LOOP, 16.0f, 1.25f, 4},     {FX_TEXTUREANIM_LOOP, 16.0f, 0.5f, 0},
        {FX_TEXTUREANIM_LOOP, 16.0f, 0.0f, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.frame < 0 ? -1 : 512 + c.frame, FX_TextureSet::GetTextureID(Animation(c.type, 1, c.frames), c.a))
            << "type " << c.type << " a " << c.a;
}

TEST_F(TextureSetTest, MissingAndEmptySetsGiveNoTexture)
{
    ASSERT_EQ(1u, Load(m_set, "anim", 8));
    for (s32 type : {FX_TEXTUREANIM_ONESHOT, FX_TEXTUREANIM_LOOP}) {
        for (s32 handle : {0, 3, 5, -1})  // outside the table or an empty slot
            EXPECT_EQ(-1, FX_TextureSet::GetTextureID(Animation(type, handle, 8.0f), 0.5f));
        // The loop case used to take the frame modulo the empty set's zero count.
        EXPECT_EQ(-1, FX_TextureSet::GetTextureID(Animation(type, 2, 8.0f), 0.5f));
        EXPECT_EQ(-1, FX_TextureSet::GetTextureID(Animation(type, 2, 8.0f), 1.5f));
    }
    EXPECT_FATAL(FX_TextureSet::GetTextureID(Animation(FX_TEXTUREANIM_NONE, 1, 8.0f), 0.5f),
                 "FX_TextureSet::GetTextureID()", "illegal animation type");
}

}  // namespace
