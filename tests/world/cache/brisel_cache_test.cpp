// The run's resource caches with real resources written by the tools: their tables and
// folders, the hooks they install and take back, and their destruction with everything held.
#include <gtest/gtest.h>

#include <string>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "display_fixture.h"
#include "fx_textureset.h"
#include "mto_patch.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "snd_samplecache.h"
#include "snd_sampletable.h"
#include "test_dir.h"
#include "tools_ash.h"
#include "tools_mesh.h"
#include "tools_obbs.h"
#include "tools_patch.h"
#include "tools_tse.h"
#include "vca_cache.h"
#include "vec_mesh.h"

namespace
{

class BriselCacheTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SITO_DISPLAY = Open();
        m_fake.Forget();
    }
    // The caches go before the display, as a run tears them down.
    void TearDown() override
    {
        Destroy();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    void Create()
    {
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
    }
    void Destroy()
    {
        delete m_cache;
        m_cache = nullptr;
        Brisel_TheCache = nullptr;
    }

    void WriteMesh(const std::string& _name) const
    {
        m_dir.Write("vfx/msh/" + _name, TOOL_MeshText(TOOL_MeshGrid(1, 1, 1)));
    }

    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
};

TEST_F(BriselCacheTest, TablesHaveTheirCapacitiesAndFolders)
{
    Create();
    struct Case
    {
        s32 capacity;
        const char* directory;
        s32 expectedCapacity;
        const char* expectedDirectory;
    } cases[] = {
        {m_cache->GetMeshCache()->GetCapacity(), m_cache->GetMeshCache()->GetDirectory(), 128, "vfx\\msh\\"},
        {m_cache->GetRenderMeshCache()->GetCapacity(), m_cache->GetRenderMeshCache()->GetDirectory(), 256,
         "vfx\\msh\\"},
        {m_cache->GetLightMeshCache()->GetCapacity(), m_cache->GetLightMeshCache()->GetDirectory(), 256,
         "dat\\lmesh\\"},
        {m_cache->GetVisualCache()->GetCapacity(), m_cache->GetVisualCache()->GetDirectory(), 128, "vfx\\ash\\"},
        {m_cache->GetSampleCache()->GetCapacity(), m_cache->GetSampleCache()->GetDirectory(), 128, "sfx\\sample\\"},
        {m_cache->GetTextureSetCache()->GetCapacity(), m_cache->GetTextureSetCache()->GetDirectory(), 64, "vfx\\tex\\"},
        {m_cache->GetAnimationCache()->GetCapacity(), m_cache->GetAnimationCache()->GetDirectory(), 64,
         "dat\\animation\\"},
        {m_cache->GetTopologyCache()->GetCapacity(), m_cache->GetTopologyCache()->GetDirectory(), 128, "vfx\\top\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expectedCapacity, c.capacity) << c.expectedDirectory;
        EXPECT_STREQ(c.expectedDirectory, c.directory);
    }
    EXPECT_STREQ("vfx\\col\\", m_cache->GetTreeCache()->GetDirectory());
    EXPECT_STREQ("sfx\\sound\\", m_cache->GetSoundFiles()->GetPath());
    EXPECT_EQ(192, m_cache->GetTextureNames()->GetCapacity());
    EXPECT_EQ(512, m_cache->GetTextureNames()->RegisterTextureName("tex\\first", 32));

    // The renderer's view walks the same tables.
    EXPECT_EQ(128, m_cache->GetCapacity(BRISEL_TABLE_MESHES));
    EXPECT_EQ(256, m_cache->GetCapacity(BRISEL_TABLE_RENDER_MESHES));
    EXPECT_EQ(128, m_cache->GetCapacity(BRISEL_TABLE_DETAILED_MESHES));
    EXPECT_EQ(256, m_cache->GetCapacity(BRISEL_TABLE_LIGHT_MESHES));

    m_cache->SetLightMeshFolder("c:\\map\\kovra1\\lmesh\\ignored");
    EXPECT_STREQ("c:", m_cache->GetLightMeshCache()->GetDrive());
    EXPECT_STREQ("\\map\\kovra1\\lmesh\\", m_cache->GetLightMeshCache()->GetDirectory());
}

TEST_F(BriselCacheTest, The129thMeshNameStopsTheProgram)
{
    Create();
    CON_Cache<VEC_Mesh>* meshes = m_cache->GetMeshCache();
    for (s32 i = 0; i < 128; ++i) {
        const std::string name = "m" + std::to_string(i) + ".msh";
        WriteMesh(name);
        ASSERT_EQ(i + 1, meshes->Allocate(name.c_str(), 1));
    }
    for (s32 slot = 0; slot < 128; ++slot)
        EXPECT_NE(nullptr, m_cache->GetMesh(slot)) << slot;
    EXPECT_FATAL(meshes->Allocate("m128.msh", 1), "CON_Cache<T>::Allocate() - cache overflow", "m128.msh");
    EXPECT_EQ(128, meshes->GetCount());
}

TEST_F(BriselCacheTest, HooksAreInstalledForItsLifetimeAndTakenBack)
{
    m_dir.Write("vfx/tex/fire.tse", TOOL_TextureSetText("fx\\fire", 3));
    EXPECT_EQ(nullptr, COS_OBBS_Tree_Cache::GetCurrent());
    EXPECT_EQ(nullptr, SND_SampleTable::GetCurrent());
    EXPECT_EQ(nullptr, Brisel_Scene::GetResources());

    Create();
    EXPECT_EQ(m_cache->GetTreeCache(), COS_OBBS_Tree_Cache::GetCurrent());
    EXPECT_EQ(m_cache, Brisel_Scene::GetResources());

    // The samples table of the sample descriptions is this cache's (samples load only with a
    // sound device, so the table answers for a missing one here).
    SND_SampleTable* samples = SND_SampleTable::GetCurrent();
    ASSERT_NE(nullptr, samples);
    EXPECT_EQ(0, samples->Allocate("none.wav", 0));
    EXPECT_NE(std::string::npos,
              m_dir.Read("log.txt").find("CON_Cache::Allocate() file \"sfx\\sample\\none.wav\" not found"));
    EXPECT_FATAL(samples->Allocate("none.wav", 1), "CON_Cache::Allocate() file not found", "sfx\\sample\\none.wav");

    // A texture set registers its frames in this cache's names and resolves through its table.
    const s32 fire = m_cache->AllocateTextureSet("fire.tse");
    ASSERT_EQ(1, fire);
    EXPECT_EQ(3, m_cache->GetTextureNames()->GetCount());
    FX_TextureAnim animation;
    animation.type = FX_TEXTUREANIM_ONESHOT;
    animation.textureSet = fire;
    animation.frames = 3.0f;
    EXPECT_EQ(512, FX_TextureSet::GetTextureID(animation, 0.0f));
    EXPECT_EQ(514, FX_TextureSet::GetTextureID(animation, 1.0f));
    EXPECT_EQ(m_cache->GetTextureSetCache()->Get(fire), m_cache->GetTextureSet(fire));

    // A second cache installs itself over the first; going, it gives the renderer the first back.
    Brisel_Cache* inner = new Brisel_Cache();
    EXPECT_EQ(inner, Brisel_Scene::GetResources());
    delete inner;
    EXPECT_EQ(m_cache, Brisel_Scene::GetResources());

    Destroy();
    EXPECT_EQ(nullptr, COS_OBBS_Tree_Cache::GetCurrent());
    EXPECT_EQ(nullptr, SND_SampleTable::GetCurrent());
    EXPECT_EQ(nullptr, Brisel_Scene::GetResources());
    // No table to resolve the handle, no registry to name frames in.
    EXPECT_EQ(-1, FX_TextureSet::GetTextureID(animation, 1.0f));
    FX_TextureSet set;
    EXPECT_FATAL(set.Load("vfx\\tex\\fire.tse"), "FX_TextureSet::Load()", "no texture-name registry");
}

TEST_F(BriselCacheTest, AnAnimationSetStopsTheProgramAndLeavesNothing)
{
    m_dir.Write("dat/animation/walker.des", "");
    Create();
    CON_Cache<VCA_Cache>* sets = m_cache->GetAnimationCache();
    EXPECT_FATAL(sets->Allocate("walker.des", 1), "VCA_Cache::Load()", "not correctly implemented");
    EXPECT_EQ(0, sets->GetCount());
    EXPECT_EQ(nullptr, sets->Get(1));
    EXPECT_EQ(nullptr, sets->GetName(1));

    // What a set would hold goes back to the mesh table when it is released.
    WriteMesh("walker.msh");
    VCA_Cache* set = new VCA_Cache();
    set->meshHandle = m_cache->GetMeshCache()->Allocate("walker.msh", 1);
    ASSERT_NE(0, set->meshHandle);
    set->Release();
    EXPECT_EQ(0, set->meshHandle);
    EXPECT_EQ(0, m_cache->GetMeshCache()->GetCount());
    set->Release();
    delete set;
}

TEST_F(BriselCacheTest, DestroyingItDestroysEverythingStillHeld)
{
    WriteMesh("body.msh");
    WriteMesh("far.msh");
    WriteMesh("hull.msh");
    TOOL_Ash ash;
    ash.m1 = "far.msh";
    ash.d1 = 500.0f;
    ash.cMesh = "hull.msh";
    m_dir.Write("vfx/ash/ship.ash", TOOL_AshText(ash));
    m_dir.Write("vfx/tex/fire.tse", TOOL_TextureSetText("fx\\fire", 2));
    TOOL_Patch patch;
    patch.triangles.push_back(TOOL_PatchTriangle());
    TOOL_PatchRecord record;
    record.count = 1;
    patch.patches.push_back(record);
    m_dir.Write("vfx/top/ship.top", TOOL_PatchText(patch));
    m_dir.Write("vfx/col/ship", TOOL_ObbsText(TOOL_ObbsBuild(
                                    {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}}, {{0, 1, 2}}, 1)));

    Create();
    // Two bodies share one visual, which holds its meshes in the lower tables.
    const s32 ship = m_cache->GetVisualCache()->Allocate("ship.ash", 1);
    ASSERT_EQ(1, ship);
    EXPECT_EQ(ship, m_cache->GetVisualCache()->Allocate("Ship.ash", 1));
    EXPECT_EQ(2, m_cache->GetRenderMeshCache()->GetCount());
    EXPECT_EQ(static_cast<Brisel_DetailedMesh*>(m_cache->GetVisualCache()->Get(ship)), m_cache->GetDetailedMesh(0));
    EXPECT_NE(0, m_cache->GetMeshCache()->GetCount());
    EXPECT_NE(0, m_cache->GetRenderMeshCache()->Allocate("body.msh", 1));
    EXPECT_NE(0, m_cache->AllocateTextureSet("fire.tse"));
    EXPECT_NE(0, m_cache->GetTopologyCache()->Allocate("ship.top", 1));
    EXPECT_NE(nullptr, m_cache->GetTreeCache()->AllocateTree("ship"));

    // Nothing given back: the leak check and the address checks see the rest.
    Destroy();
}

}  // namespace
