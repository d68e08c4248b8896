// Generic bodies: mesh and no mesh, the pre-lit lookup and its walk over the sons, shared
// pre-lit entries, death only when attackable, and broken descriptions.
#include <string>
#include <vector>

#include "actor_fixture.h"
#include "bhv_attackerslots.h"
#include "brisel_cache.h"
#include "con_cache.h"
#include "nod_body.h"
#include "nod_generic.h"
#include "reb_mesh.h"

class NodGenericTest : public TST_ActorTest
{
protected:
    CON_Cache<REB_Mesh>* LightMeshes() const { return m_world->cache->GetLightMeshCache(); }
    void WriteFile(const std::pair<std::string, std::string>& _file) const { m_dir.Write(_file.first, _file.second); }
    // The light-mesh handle of _file, looked up without keeping a reference.
    s32 LightHandleOf(const char* _file) const
    {
        const s32 handle = LightMeshes()->Allocate(_file, 0);
        LightMeshes()->Release(handle);
        return handle;
    }
    // A generic son entry _index named _name, read from _file.
    static std::string Son(s32 _index, const char* _class, const char* _name, const char* _file)
    {
        TOOL_ChildSection child;
        child.index = _index;
        child.nameCLA = _class;
        child.nameSON = _name;
        child.nameOSD = _file;
        return TOOL_ChildSectionText(child);
    }
};

TEST_F(NodGenericTest, WithoutAMeshTheUnitBoxAndTheFrameStandIn)
{
    // A pre-lit mesh for the name changes nothing for a body without a lit mesh.
    WriteFile(TOOL_PrelitMeshFile("bare"));
    TOOL_GenericDescription bare;
    bare.nameMesh = "";
    NOD_Generic* body = LoadAs<NOD_Generic>("NOD_Generic", "bare", TOOL_GenericDescriptionText(bare));
    ASSERT_NE(nullptr, body);
    body->SetTransform(Now(), Frame(MAT_Vector3(10.0f, 20.0f, 30.0f), 1.5707964f));
    Enter(body);
    EXPECT_EQ(0, body->GetMeshHandle());
    EXPECT_NE(0, body->GetLightMeshHandle());
    MAT_Vector3 position;
    body->GetMatrixAtTime(&position, Now());
    EXPECT_NEAR(10.0f, position.x, 1e-4f);
    EXPECT_NEAR(20.0f, position.y, 1e-4f);
    EXPECT_NEAR(30.0f, position.z, 1e-4f);
    f32 box[6];
    body->GetBoundingBox(box, Now());
    const f32 expected[6] = {9.5f, 19.5f, 29.5f, 10.5f, 20.5f, 30.5f};
    for (s32 i = 0; i < 6; ++i)
        EXPECT_NEAR(expected[i], box[i], 1e-4f) << i;
    // Drawing needs a frame time; a body without a mesh draws nothing and does not fail.
    m_world->Render();

    // With the building's mesh: its box and its centre, turned a quarter.
    NOD_Generic* house = LoadAs<NOD_Generic>("NOD_Generic", "house", TOOL_GenericDescriptionText({}));
    ASSERT_NE(nullptr, house);
    house->SetTransform(Now(), Frame(MAT_Vector3(100.0f, 0.0f, 0.0f), 1.5707964f));
    Enter(house);
    EXPECT_NE(0, house->GetMeshHandle());
    house->GetBoundingBox(box, Now());
    EXPECT_NEAR(100.0f - 0.5f * TOOL_BUILDING_SIZE[1], box[0], 0.05f);
    EXPECT_NEAR(100.0f + 0.5f * TOOL_BUILDING_SIZE[1], box[3], 0.05f);
    EXPECT_NEAR(-0.5f * TOOL_BUILDING_SIZE[2], box[2], 0.05f);
    EXPECT_NEAR(0.5f * TOOL_BUILDING_SIZE[2], box[5], 0.05f);
    house->GetMatrixAtTime(&position, Now());
    EXPECT_NEAR(100.0f, position.x, 0.05f);
    m_world->Render();
}

TEST_F(NodGenericTest, PrelitMeshFromItsTextOrItsImageAlone)
{
    WriteFile(TOOL_PrelitMeshFile("text"));
    WriteFile(TOOL_PrelitMeshImageFile("image"));
    const struct
    {
        const char* name;
        bool found;
    } cases[] = {{"text", true}, {"image", true}, {"nothing", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NOD_Generic* body = LoadAs<NOD_Generic>("NOD_Generic", c.name, TOOL_GenericDescriptionText({}));
        ASSERT_NE(nullptr, body);
        EXPECT_EQ(c.found, body->GetLightMeshHandle() != 0);
        if (c.found) {
            // Allocated under the text's name, whichever file the reader took.
            EXPECT_EQ(body->GetLightMeshHandle(), LightHandleOf((std::string(c.name) + ".msh").c_str()));
            EXPECT_NE(nullptr, LightMeshes()->Get(body->GetLightMeshHandle()));
        }
    }
}

TEST_F(NodGenericTest, TheWalkNamesTheSonsAndStopsAtTheFirstThatIsNoGeneric)
{
    m_dir.Write("vfx/part.osd", TOOL_GenericDescriptionText({}));
    m_dir.Write("vfx/plain.osd", "[Nothing]\n{\n}\n");
    for (const char* name : {"house", "house_child0", "house_child1", "house_child3", "house_child0_child0", "annex"})
        WriteFile(TOOL_PrelitMeshFile(name));
    // The first son ("annex") has a son of its own; a plain body stands third.
    m_dir.Write("vfx/annex.osd", TOOL_GenericDescriptionText({}) + Son(0, "NOD_Generic", "shed", "part.osd"));
    TOOL_GenericDescription house;
    house.children = Son(0, "NOD_Generic", "annex", "annex.osd") + Son(1, "NOD_Generic", "wing", "part.osd") +
                     Son(2, "NOD_Body", "trigger", "") + Son(3, "NOD_Generic", "tower", "part.osd");
    NOD_Generic* body = LoadAs<NOD_Generic>("NOD_Generic", "house", TOOL_GenericDescriptionText(house));
    ASSERT_NE(nullptr, body);
    ASSERT_EQ(4, body->GetNumOfSons());
    const auto handle = [&](NOD_Node* _node) { return NOD_Generic::DynamicCast(_node)->GetLightMeshHandle(); };
    EXPECT_EQ(LightHandleOf("house.msh"), handle(body));
    // A generic son is named after its place, never after its own node name.
    EXPECT_EQ(LightHandleOf("house_child0.msh"), handle(body->GetSon(0)));
    EXPECT_NE(LightHandleOf("annex.msh"), handle(body->GetSon(0)));
    EXPECT_EQ(LightHandleOf("house_child0_child0.msh"), handle(body->GetSon(0)->GetSon(0)));
    EXPECT_EQ(LightHandleOf("house_child1.msh"), handle(body->GetSon(1)));
    EXPECT_EQ(0, handle(body->GetSon(3)));
}

TEST_F(NodGenericTest, BodiesOfOneNameShareOnePrelitEntry)
{
    WriteFile(TOOL_PrelitMeshFile("tower"));
    NOD_Generic* first = LoadAs<NOD_Generic>("NOD_Generic", "tower", TOOL_GenericDescriptionText({}));
    NOD_Generic* second = LoadAs<NOD_Generic>("NOD_Generic", "tower", TOOL_GenericDescriptionText({}));
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    const s32 handle = first->GetLightMeshHandle();
    ASSERT_NE(0, handle);
    EXPECT_EQ(handle, second->GetLightMeshHandle());
    EXPECT_EQ(2, LightMeshes()->GetReferenceCount(handle));
    delete m_world->root->SubSon(second);
    EXPECT_EQ(1, LightMeshes()->GetReferenceCount(handle));
    delete m_world->root->SubSon(first);
    EXPECT_EQ(nullptr, LightMeshes()->Get(handle));
}

TEST_F(NodGenericTest, OnlyAnAttackableBodyDiesOfAnExhaustedShield)
{
    for (const bool attackable : {false, true}) {
        SCOPED_TRACE(attackable);
        TOOL_GenericDescription description;
        description.attackable = attackable;
        NOD_Generic* body = LoadAs<NOD_Generic>("NOD_Generic", "house", TOOL_GenericDescriptionText(description));
        ASSERT_NE(nullptr, body);
        Enter(body);
        EXPECT_EQ(attackable ? 1u : 0u, body->IsAttackable());
        BHV_AttackerSlots* attackers = body->GetAttackerSlots();
        BHV_AttackerSlots* torpedoes = body->GetTorpedoSlots();
        EXPECT_EQ(attackable, attackers != nullptr);
        EXPECT_EQ(attackable, torpedoes != nullptr);
        if (attackable) {
            EXPECT_EQ(6, attackers->GetCapacity());
            EXPECT_EQ(2, torpedoes->GetCapacity());
        }
        const TST_ActorWatch watch(body);
        for (s32 face = 0; face < 6; ++face)
            body->GetShieldRef().SetFaceRatio(0.0f, face);
        ASSERT_EQ(1u, body->GetShieldRef().IsExhausted());
        Steps(2);
        EXPECT_EQ(!attackable, watch.Alive());
        if (watch.Alive()) {
            NOD_Node::GC_AddNode(body);
            Steps(1);
        }
    }
}

TEST_F(NodGenericTest, BrokenDescriptionsStopWithTheirTexts)
{
    const std::string file = "\"vfx\\obj.osd\"";
    for (const char* name : {"Visual", "Collision", "Avoidance", "Emitter"}) {
        SCOPED_TRACE(name);
        TOOL_GenericDescription d;
        d.omitSection = name;
        const std::string text =
            std::string("(NOD_Generic::ParseIniFile()): Get [\"") + name + "\"] in file " + file + " failed";
        EXPECT_FATAL(Load("NOD_Generic", "house", TOOL_GenericDescriptionText(d)), "DES FILE ERROR", text.c_str());
    }
    TOOL_GenericDescription noMeshKey;
    noMeshKey.omitKey = "NameMesh";
    EXPECT_FATAL(Load("NOD_Generic", "house", TOOL_GenericDescriptionText(noMeshKey)), "DesFile Error",
                 ("data \"NameMesh\" not found in file " + file).c_str());
    TOOL_GenericDescription missingMesh;
    missingMesh.nameMesh = "nowhere.msh";
    EXPECT_FATAL(Load("NOD_Generic", "house", TOOL_GenericDescriptionText(missingMesh)),
                 "CON_Cache::Allocate() file not found", "vfx\\msh\\nowhere.msh");
}
