// The animation set's load behind the program's stop (LoadSet): the mesh from the run's mesh
// table, the skin and the animations, every check of the set file, and what a failed load
// leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "anim_fixture.h"
#include "brisel_cache.h"
#include "display_fixture.h"
#include "sim_name.h"
#include "vca_animdata.h"
#include "vca_cache.h"
#include "vca_skin.h"
#include "vec_mesh.h"

namespace
{

class VcaCacheTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SITO_DISPLAY = Open();
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        TST_WriteAnimationFixture(m_dir, m_fixture);
    }
    void TearDown() override
    {
        delete m_cache;
        Brisel_TheCache = nullptr;
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }
    void WriteSet(const TOOL_AnimationSet& _set) const
    {
        m_dir.Write("dat/animation/bad.des", "[Other]\n{\n    A = 1\n}\n" + TOOL_AnimationSetText(_set));
    }

    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
    TOOL_AnimationFixture m_fixture = TOOL_MakeAnimationFixture();
};

TEST_F(VcaCacheTest, ASetHoldsItsMeshSkinAndNamedAnimations)
{
    VCA_Cache* set = new VCA_Cache();
    ASSERT_NE(nullptr, set->skin);
    EXPECT_EQ(1u, set->LoadSet("dat\\animation\\walker.des"));
    EXPECT_STREQ("animation\\walker.msh", set->path);
    CON_Cache<VEC_Mesh>* meshes = m_cache->GetMeshCache();
    ASSERT_NE(0, set->meshHandle);
    EXPECT_EQ(meshes->Get(set->meshHandle), set->skin->GetMesh());
    EXPECT_EQ(8, set->skin->vertexCount);
    ASSERT_EQ(2, set->NumOfAnimation);
    EXPECT_STREQ("Walk", set->names[0].GetName());
    EXPECT_STREQ("Wave", set->names[1].GetName());
    EXPECT_EQ(3, set->animations[0].count);
    EXPECT_NE(nullptr, set->animations[1].GetTrack(2));
    EXPECT_EQ(1, set->FindAnimation("WAVE"));
    EXPECT_EQ(0, set->FindAnimation("walk"));
    EXPECT_EQ(-1, set->FindAnimation("Jump"));

    // In the table as if it had loaded there; the last release gives the mesh back.
    CON_Cache<VCA_Cache>* sets = m_cache->GetAnimationCache();
    const s32 handle = sets->Insert("walker.des", set);
    EXPECT_EQ(handle, sets->Allocate("WALKER.des", 1));
    sets->Release(handle);
    EXPECT_EQ(1, meshes->GetCount());
    sets->Release(handle);
    EXPECT_EQ(0, sets->GetCount());
    EXPECT_EQ(0, meshes->GetCount());
}

TEST_F(VcaCacheTest, EveryLoadCheckStopsAndLeavesNothingBehind)
{
    struct Case
    {
        TOOL_AnimationSet set;
        std::string caption;
        std::string message;
    };
    std::vector<Case> cases;
    auto add = [&](auto _change, const std::string& _caption, const std::string& _message) {
        TOOL_AnimationSet set = m_fixture.set;
        _change(set);
        cases.push_back({set, _caption, _message});
    };
    const std::string file = "dat\\animation\\bad.des";
    add([](TOOL_AnimationSet& _s) { _s.omitSection = "TotalAnimation"; }, "DES FILE ERROR",
        "(VCA_Cache::Load()): Get [\"TotalAnimation\"] in file \"" + file + "\" failed");
    add([](TOOL_AnimationSet& _s) { _s.omitSection = "Animation1"; }, "DES FILE ERROR",
        "(NOD_Character::ParseIniFile()): Get [\"Animation1\"] in file \"" + file + "\" failed");
    add([](TOOL_AnimationSet& _s) { _s.numOfAnimation = 2147483647; }, "DES FILE ERROR",
        "(NOD_Character::ParseIniFile()): Get [\"Animation2\"] in file \"" + file + "\" failed");
    add([](TOOL_AnimationSet& _s) { _s.numOfAnimation = -3; }, "VCA_Cache::LoadSet()",
        "negative NumOfAnimation -3 in file \"" + file + "\"");
    add([](TOOL_AnimationSet& _s) { _s.animations[1].name = "FifteenLetters!"; }, "SIM_Name::SetName() : name too long",
        "FifteenLetters!");
    add([](TOOL_AnimationSet& _s) { _s.mesh = std::string(246, 'm'); }, "VCA_Cache::LoadSet()",
        "\"animation\\" + std::string(246, 'm') + "\" is longer than 255 characters in file \"" + file + "\"");
    add([](TOOL_AnimationSet& _s) { _s.mesh = "nothere.msh"; }, "CON_Cache::Allocate() file not found",
        "vfx\\msh\\nothere.msh");
    add([](TOOL_AnimationSet& _s) { _s.animations[0].file = "nothere.des"; }, "DES_File::Open() file not found",
        "animation\\nothere.des");
    add([](TOOL_AnimationSet& _s) { _s.mistypedKey = "NumOfAnimation"; }, "DesFile Error",
        "data \"NumOfAnimation\" in file \"" + file + "\" has wrong type");
    // An animation of more bones than the skeleton.
    TOOL_AnimData big = m_fixture.walk;
    big.bones.push_back(big.bones[0]);
    m_dir.Write("animation/big.des", TOOL_AnimDataText(big));
    add([](TOOL_AnimationSet& _s) { _s.animations[1].file = "big.des"; }, "VCA_AnimData::Load()",
        "animation file \"animation\\big.des\" has 4 bones, its skeleton \"animation\\walker.msh\" 3");

    for (const Case& c : cases) {
        WriteSet(c.set);
        VCA_Cache* set = new VCA_Cache();
        bool thrown = false;
        try {
            set->LoadSet(file.c_str());
        } catch (const OS_FatalError& _error) {
            thrown = true;
            EXPECT_EQ(c.caption, _error.Caption());
            EXPECT_EQ(c.message, _error.Message());
        }
        EXPECT_TRUE(thrown) << c.message;
        delete set;
        EXPECT_EQ(0, m_cache->GetMeshCache()->GetCount()) << c.message;
    }
}

}  // namespace
