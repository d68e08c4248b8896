// Shielded bodies: contacts and shot hits of a step turned into shield damage by the physical
// type (torpedo, vessel, player against a generic object, a bullet from the front), the death
// test, the "Shield" subsection and the clone's shield.
#include <gtest/gtest.h>

#include <string>

#include "brisel_cache.h"
#include "cod_physical.h"
#include "contactaggregate.h"
#include "cos_obbs_treecache.h"
#include "des_file.h"
#include "display_fixture.h"
#include "mat_geometry.h"
#include "nod_bodyclasses.h"
#include "nod_shieldedbody.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_mesh.h"
#include "tools_obbs.h"
#include "tools_sections.h"

// A shielded body with a mass, as the vessel-like classes have: their makers ask for it.
class TST_MassyShieldedBody : public NOD_ShieldedBody
{
public:
    f32 GetMass() override { return 1.0f; }
};

// A projectile that names who fired it.
class TST_Projectile : public TST_MassyShieldedBody
{
public:
    NOD_Node* shooter = nullptr;
    NOD_Node* GetShooter() override { return shooter; }
};

namespace
{
MAT_Matrix34 Identity()
{
    MAT_Matrix34 m;
    m.r.SetDiagonal(1.0f);
    return m;
}

TOOL_ObbsTree Plate()
{
    TOOL_ObbsTree tree =
        TOOL_ObbsBuild({{0.0f, -1.0f, -1.0f}, {0.0f, 1.0f, -1.0f}, {0.0f, 1.0f, 1.0f}, {0.0f, -1.0f, 1.0f}},
                       {{0, 1, 2}, {0, 2, 3}}, 1);
    tree.maxDescend = 8;
    return tree;
}

class ShieldedBodyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        NOD_RegisterBodyClasses();
        m_cache.SetPath("col\\");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
        m_dir.Write("col/plate", TOOL_ObbsText(Plate()));
        m_owner = NOD_Node::CreateNode("NOD_Node", "owner");
    }
    void TearDown() override
    {
        NOD_Node::GC_Collect();
        delete m_owner;
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
        NOD_UnregisterBodyClasses();
        SIM_GetSimulationClock().Reset();
    }

    TST_MassyShieldedBody* Add(const char* _name)
    {
        TST_MassyShieldedBody* body = new TST_MassyShieldedBody;
        body->SetName(_name);
        m_owner->AddSon(body);
        return body;
    }

    // Runs the maker on a "Collision" section read by _reader, then the aggregate entry (no
    // world installed: nothing registers) at rest at the origin with _velocity.
    void Make(NOD_ShieldedBody* _body, TOOL_CollisionReader _reader, void (*_make)(ContactAggregate&, DES_Section*),
              const MAT_Vector3& _velocity = MAT_Vector3())
    {
        TOOL_CollisionSection keys;
        keys.collisionDescription = "plate";
        std::string text = TOOL_CollisionSectionText(keys, _reader);
        // The player's maker also reads its speed limit from the section.
        text.insert(text.rfind('}'), "    MaxVelocity = 10.0\n");
        m_dir.Write("obj.des", text);
        DES_File file;
        DES_Section root, section;
        ASSERT_EQ(1u, file.Open(&root, "obj.des"));
        ASSERT_EQ(1u, root.FindSection(&section, "Collision"));
        _make(_body->GetAggregate(), &section);
        _body->GetAggregate().EnterSimulation(Identity(), _velocity);
    }
    static void Box(SHL_Shield& _shield, s32 _in = 100)
    {
        _shield.SetPairs(1, 1, 1, {1.0f, 1.0f, 1.0f});
        for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
            _shield.SetFace(face, _in, 100);
    }
    static std::string Faces(SHL_Shield& _shield)
    {
        std::string text;
        for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
            text += (face ? " " : "") + std::to_string(_shield.GetFaceIn(face));
        return text;
    }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
    NOD_Node* m_owner = nullptr;
};

void MakeVessel(ContactAggregate& _a, DES_Section* _s) { _a.GeneratePhysicalVessel(_s, 1, nullptr); }
void MakePlayer(ContactAggregate& _a, DES_Section* _s) { _a.GeneratePhysicalPlayer(_s); }
void MakeGeneric(ContactAggregate& _a, DES_Section* _s) { _a.GeneratePhysicalGeneric(_s); }
void MakeBullet(ContactAggregate& _a, DES_Section* _s) { _a.GeneratePhysicalBullet(_s); }
void MakeTorpedo(ContactAggregate& _a, DES_Section* _s) { _a.GeneratePhysicalTorpedo(_s); }

TEST_F(ShieldedBodyTest, ATorpedoIsExhaustedOnContactAndQueued)
{
    TST_MassyShieldedBody* torpedo = Add("torpedo");
    Make(torpedo, TOOL_COLLISION_TORPEDO, MakeTorpedo);
    torpedo->GetShieldRef().SetFace(SHL_FACE_RIGHT, 10, 10);
    auto* physical = static_cast<COD_PhysicalTorpedo*>(torpedo->GetAggregate().GetPhysical());

    // Nothing touched: the torpedo lives on.
    torpedo->ApplyContactsToShield();
    torpedo->CheckShield();
    NOD_Node::GC_Collect();
    ASSERT_EQ(1, m_owner->GetNumOfSons());
    EXPECT_EQ(10, torpedo->GetShieldRef().GetFaceIn(SHL_FACE_RIGHT));

    physical->m_bodyHit = 1;
    torpedo->ApplyContactsToShield();
    EXPECT_EQ(0, torpedo->GetShieldRef().GetFaceIn(SHL_FACE_RIGHT));
    EXPECT_EQ(1u, torpedo->GetShieldRef().IsExhausted());
    torpedo->HeartBeat();  // the death test
    NOD_Node::GC_Collect();
    EXPECT_EQ(0, m_owner->GetNumOfSons());
}

TEST_F(ShieldedBodyTest, ABulletFromTheFrontHitsTheFront)
{
    TST_MassyShieldedBody* vessel = Add("vessel");
    Make(vessel, TOOL_COLLISION_VESSEL, MakeVessel);
    Box(vessel->GetShieldRef());
    TST_MassyShieldedBody* bullet = Add("bullet");
    Make(bullet, TOOL_COLLISION_BULLET, MakeBullet);
    bullet->GetShieldRef().SetKineticOut(30);
    // Moving along the vessel's -Y axis, towards its front.
    static_cast<COD_Physical_Bullet*>(bullet->GetAggregate().GetPhysical())
        ->SetSegment(MAT_Vector3(0.0f, 5.0f, 0.0f), MAT_Vector3(0.0f, 4.0f, 0.0f));

    COD_PhysicalShotHits* hits = vessel->GetAggregate().GetPhysical()->GetShotHits();
    ASSERT_NE(nullptr, hits);
    EXPECT_EQ(1, hits->Record(0.5f, bullet, MAT_Vector3(0.0f, 1.0f, 0.0f), 0));
    vessel->ApplyContactsToShield();
    EXPECT_EQ("100 100 70 100 100 100", Faces(vessel->GetShieldRef()));
}

TEST_F(ShieldedBodyTest, AVesselTakesNothingFromAGenericObjectAPlayerTakesItsOwnFace)
{
    TST_MassyShieldedBody* generic = Add("rock");
    Make(generic, TOOL_COLLISION_GENERIC, MakeGeneric);
    generic->GetShieldRef().SetKineticOut(40);

    TST_MassyShieldedBody* vessel = Add("vessel");
    Make(vessel, TOOL_COLLISION_VESSEL, MakeVessel, MAT_Vector3(5.0f, 0.0f, 0.0f));
    Box(vessel->GetShieldRef());
    vessel->GetAggregate().GetPhysical()->GetContacts()->Append(generic);
    vessel->ApplyContactsToShield();
    EXPECT_EQ("100 100 100 100 100 100", Faces(vessel->GetShieldRef()));

    // The player moving along +X into the object loses on its Right face.
    TST_MassyShieldedBody* player = Add("player");
    Make(player, TOOL_COLLISION_VESSEL, MakePlayer, MAT_Vector3(5.0f, 0.0f, 0.0f));
    Box(player->GetShieldRef());
    player->GetAggregate().GetPhysical()->GetContacts()->Append(generic);
    player->ApplyContactsToShield();
    EXPECT_EQ("60 100 100 100 100 100", Faces(player->GetShieldRef()));

    // A partner without shield description is skipped.
    NOD_Body* plain = new NOD_Body;
    m_owner->AddSon(plain);
    player->GetAggregate().GetPhysical()->GetContacts()->Append(plain);
    player->ApplyContactsToShield();
    EXPECT_EQ("20 100 100 100 100 100", Faces(player->GetShieldRef()));
}

TEST_F(ShieldedBodyTest, HitShooterTakesTheFirstNamedShooterThenTheSonsDepthFirst)
{
    TST_MassyShieldedBody* vessel = Add("vessel");
    Make(vessel, TOOL_COLLISION_VESSEL, MakeVessel);
    NOD_Node* gunner = NOD_Node::CreateNode("NOD_Node", "gunner");
    NOD_Node* sniper = NOD_Node::CreateNode("NOD_Node", "sniper");
    m_owner->AddSon(gunner);
    m_owner->AddSon(sniper);
    auto projectile = [&](const char* _name, NOD_Node* _shooter) {
        TST_Projectile* p = new TST_Projectile;
        p->SetName(_name);
        p->shooter = _shooter;
        m_owner->AddSon(p);
        return p;
    };
    EXPECT_EQ(nullptr, vessel->GetHitShooter());

    // Sons: the first son's son is searched before the second son.
    TST_MassyShieldedBody* first = new TST_MassyShieldedBody;
    TST_MassyShieldedBody* deep = new TST_MassyShieldedBody;
    TST_MassyShieldedBody* second = new TST_MassyShieldedBody;
    vessel->AddSon(first);
    first->AddSon(deep);
    vessel->AddSon(second);
    for (TST_MassyShieldedBody* son : {first, deep, second})
        Make(son, TOOL_COLLISION_VESSEL, MakeVessel);
    second->GetAggregate().GetPhysical()->GetShotHits()->Record(0.1f, projectile("p2", sniper), MAT_Vector3(), 0);
    deep->GetAggregate().GetPhysical()->GetShotHits()->Record(0.1f, projectile("p1", gunner), MAT_Vector3(), 0);
    EXPECT_EQ(gunner, vessel->GetHitShooter());

    // Own hits come first; an entry without a shooter is passed over.
    COD_PhysicalShotHits* hits = vessel->GetAggregate().GetPhysical()->GetShotHits();
    hits->Record(0.2f, projectile("stray", nullptr), MAT_Vector3(), 0);
    hits->Record(0.3f, projectile("p3", sniper), MAT_Vector3(), 0);
    EXPECT_EQ(sniper, vessel->GetHitShooter());

    // A son without a physical description answers null at once: its sons are not searched.
    TST_MassyShieldedBody* bare = new TST_MassyShieldedBody;
    TST_MassyShieldedBody* below = new TST_MassyShieldedBody;
    m_owner->AddSon(bare);
    bare->AddSon(below);
    Make(below, TOOL_COLLISION_VESSEL, MakeVessel);
    below->GetAggregate().GetPhysical()->GetShotHits()->Record(0.1f, projectile("p4", gunner), MAT_Vector3(), 0);
    EXPECT_EQ(gunner, below->GetHitShooter());
    EXPECT_EQ(nullptr, bare->GetHitShooter());
}

TEST_F(ShieldedBodyTest, CollisionSwitchesAndTheNonCollideNodeReachEveryBodySon)
{
    TST_MassyShieldedBody* vessel = Add("vessel");
    Make(vessel, TOOL_COLLISION_VESSEL, MakeVessel);
    NOD_Node* gap = NOD_Node::CreateNode("NOD_Node", "gap");
    TST_MassyShieldedBody* bare = new TST_MassyShieldedBody;
    TST_MassyShieldedBody* son = new TST_MassyShieldedBody;
    TST_MassyShieldedBody* hidden = new TST_MassyShieldedBody;
    vessel->AddSon(bare);
    bare->AddSon(son);
    vessel->AddSon(gap);
    gap->AddSon(hidden);
    Make(son, TOOL_COLLISION_VESSEL, MakeVessel);
    Make(hidden, TOOL_COLLISION_VESSEL, MakeVessel);
    COD_Physical* top = vessel->GetAggregate().GetPhysical();
    COD_Physical* below = son->GetAggregate().GetPhysical();
    COD_Physical* behindNode = hidden->GetAggregate().GetPhysical();

    vessel->SetCollision(0, 0);
    vessel->SetCollision(1, 7);
    EXPECT_EQ(0, top->m_active);
    EXPECT_EQ(0, below->m_active);  // through a body without description
    EXPECT_EQ(7, below->m_activeFlag);
    EXPECT_EQ(1, behindNode->m_active);  // not through a plain node
    vessel->SetCollision(0, 9);
    EXPECT_EQ(1, below->m_active);

    vessel->SetNonCollideNode(gap);
    EXPECT_EQ(gap, top->GetVessel()->m_ignore.Get());
    EXPECT_EQ(gap, below->GetVessel()->m_ignore.Get());
    EXPECT_EQ(nullptr, behindNode->GetVessel()->m_ignore.Get());
    // Only a father with a physical description makes a body no collision root.
    EXPECT_EQ(1u, vessel->IsCollisionRoot());
    EXPECT_EQ(1u, son->IsCollisionRoot());
    EXPECT_EQ(0u, bare->IsCollisionRoot());
}

TEST_F(ShieldedBodyTest, ContactBoxesMergeOnlyDescriptionsThatTouchedSomething)
{
    TST_MassyShieldedBody* vessel = Add("vessel");
    TST_MassyShieldedBody* son = new TST_MassyShieldedBody;
    TST_MassyShieldedBody* idle = new TST_MassyShieldedBody;
    vessel->AddSon(son);
    vessel->AddSon(idle);
    for (TST_MassyShieldedBody* body : {vessel, son, idle})
        Make(body, TOOL_COLLISION_VESSEL, MakeVessel);
    auto* top = vessel->GetAggregate().GetPhysical()->GetVessel();
    auto* below = son->GetAggregate().GetPhysical()->GetVessel();
    auto* quiet = idle->GetAggregate().GetPhysical()->GetVessel();
    MAT_AABox a;
    MAT_AABox b;
    u32 found = 0;
    vessel->CollectContactBoxes(&a, &b, &found);
    EXPECT_EQ(0u, found);

    top->m_contactFlag = 1;
    top->m_contacts.Append(son);
    top->m_velocityBox.SetFromCorners(MAT_Vector3(-1.0f, 0.0f, 0.0f), MAT_Vector3(0.0f, 2.0f, 0.0f));
    below->m_contactFlag = 1;
    below->m_terrainContact = 1;
    below->m_displacementBox.SetFromCorners(MAT_Vector3(0.0f, 0.0f, -3.0f), MAT_Vector3());
    // Flagged but with neither contacts nor terrain: left out.
    quiet->m_contactFlag = 1;
    quiet->m_velocityBox.SetFromCorners(MAT_Vector3(-50.0f, 0.0f, 0.0f), MAT_Vector3());
    vessel->CollectContactBoxes(&a, &b, &found);
    EXPECT_EQ(1u, found);
    EXPECT_EQ(-1.0f, a.m_min.x);
    EXPECT_EQ(2.0f, a.m_max.y);
    EXPECT_EQ(-3.0f, b.m_min.z);
    EXPECT_EQ(0.0f, b.m_max.z);
}

TEST_F(ShieldedBodyTest, AFaceAtMinusOneNeverKills)
{
    TST_MassyShieldedBody* body = Add("hulk");
    Box(body->GetShieldRef());
    body->GetShieldRef().SetFace(SHL_FACE_TOP, -1, 100);
    body->CheckShield();
    NOD_Node::GC_Collect();
    EXPECT_EQ(1, m_owner->GetNumOfSons());
}

TEST_F(ShieldedBodyTest, MissingShieldSectionIsFatal)
{
    m_dir.Write("obj.des", "[Body]\n{\n    Name = 1\n}\n");
    DES_File file;
    DES_Section root, body;
    ASSERT_EQ(1u, file.Open(&root, "obj.des"));
    ASSERT_EQ(1u, root.FindSection(&body, "Body"));
    TST_MassyShieldedBody* shielded = Add("x");
    EXPECT_FATAL(shielded->ParseIniFile_Des(body), "DES FILE ERROR",
                 "(NOD_ShieldedBody::ParseIniFile()): Get [\"Shield\"] in file \"obj.des\" failed");

    TOOL_ShieldSection section;
    section.terrainOutPoints = 7;
    m_dir.Write("full.des", "[Body]\n{\n" + TOOL_ShieldSectionText(section) + "}\n");
    DES_File full;
    ASSERT_EQ(1u, full.Open(&root, "full.des"));
    ASSERT_EQ(1u, root.FindSection(&body, "Body"));
    shielded->ParseIniFile_Des(body);
    EXPECT_EQ(7, shielded->GetShieldRef().GetTerrainOutPoints());
}

TEST_F(ShieldedBodyTest, ACloneCopiesTheShieldNotTheBody)
{
    TST_MassyShieldedBody* father = Add("father");
    TST_MassyShieldedBody* prototype = Add("proto");
    Box(prototype->GetShieldRef(), 80);
    prototype->GetShieldRef().SetKineticOut(12);
    prototype->GetShieldRef().SetNextShield(father->GetShield());
    NOD_Node* copy = prototype->Clone();
    ASSERT_NE(nullptr, copy);
    NOD_ShieldedBody* clone = static_cast<NOD_ShieldedBody*>(copy);
    EXPECT_EQ("80 80 80 80 80 80", Faces(clone->GetShieldRef()));
    EXPECT_EQ(12, clone->GetShieldRef().GetKineticOut());
    EXPECT_EQ(father->GetShield(), clone->GetShieldRef().GetNextShield());
    EXPECT_EQ(nullptr, clone->GetAttachedFrame());
    EXPECT_STRNE("proto", clone->GetName().GetName());
    delete clone;
}

// ShowShield makes the shield hold "box.msh" in the run's render-mesh cache.
class ShieldedBodyMeshTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SITO_DISPLAY = Open();
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
    }
    void TearDown() override
    {
        delete m_cache;
        Brisel_TheCache = nullptr;
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
};

TEST_F(ShieldedBodyMeshTest, ACloneHoldsItsOwnReferenceOnTheShieldMesh)
{
    m_dir.Write("vfx/msh/box.msh", TOOL_MeshText(TOOL_MeshGrid(1, 1, 1)));
    TOOL_ShieldSection section;
    section.showShield = 1;
    m_dir.Write("obj.des", "[Body]\n{\n" + TOOL_ShieldSectionText(section) + "}\n");
    DES_File file;
    DES_Section root, body;
    ASSERT_EQ(1u, file.Open(&root, "obj.des"));
    ASSERT_EQ(1u, root.FindSection(&body, "Body"));

    NOD_ShieldedBody* prototype = new NOD_ShieldedBody;
    prototype->ParseIniFile(body);
    const s32 handle = prototype->GetShieldRef().GetMeshHandle();
    ASSERT_NE(0, handle);
    NOD_ShieldedBody* clone = static_cast<NOD_ShieldedBody*>(prototype->Clone());
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(handle, clone->GetShieldRef().GetMeshHandle());
    EXPECT_EQ(2, m_cache->GetRenderMeshCache()->GetReferenceCount(handle));
    delete prototype;
    EXPECT_EQ(1, m_cache->GetRenderMeshCache()->GetReferenceCount(handle));
    delete clone;
    EXPECT_EQ(0, m_cache->GetRenderMeshCache()->GetReferenceCount(handle));
    EXPECT_EQ(0, m_cache->GetRenderMeshCache()->GetCount());
}

}  // namespace
