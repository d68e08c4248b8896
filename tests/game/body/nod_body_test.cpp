// Bodies: the step outside the simulation, the Body_* position and shield messages, the local
// coordinate system of a description, the world-frame cache (one evaluation per time, and a
// teleport read at the same time), the fatal mass and the compound-body walks.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cod_owner.h"
#include "des_file.h"
#include "mat_fixture.h"
#include "mat_vector.h"
#include "mot_motionstate.h"
#include "nod_body.h"
#include "nod_bodyclasses.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_shieldedbody.h"
#include "os_fatal.h"
#include "rti_class.h"
#include "sim_clock.h"
#include "test_dir.h"

// Counts the HeartBeats it receives.
static s32 s_beats = 0;
class TST_BodyBeatNode : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_BodyBeatNode)

public:
    void HeartBeat() override { ++s_beats; }
};
RTI_IMPLEMENT_CLASS(TST_BodyBeatNode, "NOD_Node")

namespace
{
class BodyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        s_beats = 0;
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        NOD_RegisterBodyClasses();
        TST_BodyBeatNode::RegisterClassDefinition();
    }
    void TearDown() override
    {
        NOD_Node::GC_Collect();
        delete m_owner;
        TST_BodyBeatNode::UnregisterClassDefinition();
        NOD_UnregisterBodyClasses();
        SIM_GetSimulationClock().Reset();
    }

    template <class T>
    T* Make(const char* _className, const char* _name, NOD_Node* _father = nullptr)
    {
        NOD_Node* node = NOD_Node::CreateNode(_className, _name);
        EXPECT_NE(nullptr, node) << _className;
        if (m_owner == nullptr)
            m_owner = NOD_Node::CreateNode("NOD_Node", "owner");
        (_father != nullptr ? _father : m_owner)->AddSon(node);
        return static_cast<T*>(node);
    }
    NOD_Body* Body(const char* _name, NOD_Node* _father = nullptr)
    {
        return Make<NOD_Body>("NOD_Body", _name, _father);
    }
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    static MAT_Vector3 Position(NOD_Body* _body)
    {
        NOD_Message* reply = _body->ProcessMessage(NOD_Body_GetPosition::Create());
        MAT_Vector3 position;
        EXPECT_NE(nullptr, reply);
        if (reply != nullptr)
            NOD_Body_GetPosition::ReadReply(reply, &position);
        delete reply;
        return position;
    }
    static f32 ReadF32(NOD_Message* _reply)
    {
        f32 value = 0.0f;
        EXPECT_NE(nullptr, _reply);
        if (_reply != nullptr)
            NOD_Body_GetBioShield::ReadReply(_reply, &value);  // every shield reply is this one f32
        delete _reply;
        return value;
    }

    TST_TempDir m_dir;
    NOD_Node* m_owner = nullptr;
};

void ExpectNear(const MAT_Vector3& _expected, const MAT_Vector3& _actual, f32 _tolerance = 1e-5f)
{
    EXPECT_NEAR(_expected.x, _actual.x, _tolerance);
    EXPECT_NEAR(_expected.y, _actual.y, _tolerance);
    EXPECT_NEAR(_expected.z, _actual.z, _tolerance);
}

TEST_F(BodyTest, ConstructionAndDefaults)
{
    NOD_Body* body = Body("frame");
    EXPECT_EQ(NOD_Body::RENDER_BUCKET_NONE, body->renderBucket);
    EXPECT_EQ(nullptr, body->GetShield());
    EXPECT_EQ(nullptr, body->GetAttachedFrame());
    EXPECT_EQ(nullptr, body->GetShooter());
    EXPECT_EQ(nullptr, body->GetSensor());
    EXPECT_EQ(nullptr, body->Clone());
    EXPECT_EQ(NOD_Node::GC_DESTROY, body->GetGCMode());
    f32 box[6] = {};
    body->GetBoundingBox(box, 12.0f);
    EXPECT_EQ(-0.5f, box[0]);
    EXPECT_EQ(0.5f, box[5]);
    MAT_Vector3 velocity(1.0f, 2.0f, 3.0f);
    ExpectNear(MAT_Vector3(), *body->GetVelocity(&velocity));
    EXPECT_EQ(body, NOD_Body::DynamicCast(body));
    EXPECT_EQ(nullptr, NOD_Body::DynamicCast(m_owner));
    EXPECT_EQ(nullptr, NOD_Body::DynamicCast(static_cast<NOD_Node*>(nullptr)));
}

TEST_F(BodyTest, NoStepOutsideTheSimulation)
{
    MOT_MotionState state;
    NOD_Body* body = new NOD_Body(&state);
    body->SetName("mover");
    if (m_owner == nullptr)
        m_owner = NOD_Node::CreateNode("NOD_Node", "owner");
    m_owner->AddSon(body);
    Make<NOD_Node>("TST_BodyBeatNode", "son", body);
    state.flags |= 1u;  // integrate the x translation
    state.SetVelocity(MAT_Vector3(20.0f, 0.0f, 0.0f));

    body->HeartBeat();
    EXPECT_EQ(0, s_beats);
    ExpectNear(MAT_Vector3(), state.frame.t);

    body->SetFlags(body->GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
    body->HeartBeat();
    EXPECT_EQ(1, s_beats);
    // One step at 20 units per second moves one unit, and the track has the sample at t + dt.
    ExpectNear(MAT_Vector3(1.0f, 0.0f, 0.0f), state.frame.t);
    MAT_Vector3 where;
    ExpectNear(MAT_Vector3(1.0f, 0.0f, 0.0f), *body->GetMatrixAtTime(&where, SIM_STEP));
    body->SetFlags(body->GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
}

TEST_F(BodyTest, PositionMessagesAreRelativeToTheParent)
{
    NOD_Body* father = Body("father");
    NOD_Body* son = Body("son", father);
    son->GetCS().SetParent(&father->GetCS());

    EXPECT_EQ(nullptr, father->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3(100.0f, 0.0f, 0.0f))));
    EXPECT_EQ(nullptr, son->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3(1.0f, 2.0f, 3.0f))));
    ExpectNear(MAT_Vector3(1.0f, 2.0f, 3.0f), Position(son));
    MAT_Vector3 world;
    ExpectNear(MAT_Vector3(101.0f, 2.0f, 3.0f), *son->GetMatrixAtTime(&world, 0.0f));
    ExpectNear(MAT_Vector3(101.0f, 2.0f, 3.0f), son->GetWorldPositionAtTime(0.0f));

    // Turning keeps the position; Body_SetCS replaces both.
    EXPECT_EQ(nullptr, son->ProcessMessage(NOD_Body_SetOrientation::Create(MAT_Vector3(0.0f, 0.0f, 90.0f))));
    ExpectNear(MAT_Vector3(1.0f, 2.0f, 3.0f), Position(son));
    EXPECT_EQ(nullptr, son->ProcessMessage(
                           NOD_Body_SetCS::Create(MAT_Vector3(-4.0f, 5.0f, 6.0f), MAT_Vector3(90.0f, 0.0f, 0.0f))));
    ExpectNear(MAT_Vector3(-4.0f, 5.0f, 6.0f), Position(son));
}

TEST_F(BodyTest, ATeleportIsSeenAtTheSameTime)
{
    MOT_MotionState state;
    NOD_Body* body = new NOD_Body(&state);
    m_owner = NOD_Node::CreateNode("NOD_Node", "owner");
    m_owner->AddSon(body);
    MAT_Vector3 where;
    ExpectNear(MAT_Vector3(), *body->GetMatrixAtTime(&where, 0.0f));

    using Send = NOD_Message* (*)(NOD_Body*);
    const Send teleports[] = {
        [](NOD_Body* _b) { return _b->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3(7.0f, 8.0f, 9.0f))); },
        [](NOD_Body* _b) {
            return _b->ProcessMessage(NOD_Body_SetCS::Create(MAT_Vector3(-1.0f, 0.0f, 2.0f), MAT_Vector3()));
        },
    };
    const MAT_Vector3 expected[] = {{7.0f, 8.0f, 9.0f}, {-1.0f, 0.0f, 2.0f}};
    for (s32 i = 0; i < 2; ++i) {
        EXPECT_EQ(nullptr, teleports[i](body));
        ExpectNear(expected[i], *body->GetMatrixAtTime(&where, 0.0f));
        ExpectNear(expected[i], state.frame.t);
    }
    // A turn at the same time is seen too.
    EXPECT_EQ(nullptr, body->ProcessMessage(NOD_Body_SetOrientation::Create(MAT_Vector3(0.0f, 0.0f, 90.0f))));
    const MAT_Matrix34* world = body->GetWorldTransform(0.0f);
    MAT_Matrix33 turned;
    turned.FromAngles(MAT_Angle(0.0f), MAT_Angle(0.0f), MAT_Angle(90.0f * 0.017453292f));
    for (s32 k = 0; k < 9; ++k)
        EXPECT_NEAR(turned.m[k], world->r.m[k], 1e-5f) << k;
}

TEST_F(BodyTest, OneEvaluationPerTime)
{
    NOD_Body* body = Body("frame");
    MAT_Vector3 where;
    body->GetMatrixAtTime(&where, 0.5f);
    const MAT_Matrix34* first = body->GetWorldTransform(0.5f);
    const f32 trackTime = body->GetCS().GetTrack().GetCacheTime();
    EXPECT_EQ(0.5f, body->GetWorldCacheTime());
    EXPECT_EQ(0.5f, trackTime);
    // A second read at the same time is the cached frame, not a new evaluation: the cache of
    // the track would otherwise follow a time poked in between.
    body->GetCS().GetTrack().GetAt(0.75f, nullptr);
    body->GetMatrixAtTime(&where, 0.5f);
    EXPECT_EQ(0.75f, body->GetCS().GetTrack().GetCacheTime());
    EXPECT_EQ(first, body->GetWorldTransform(0.5f));
}

TEST_F(BodyTest, ShieldMessagesFacesAndTheBodyWithoutShield)
{
    NOD_ShieldedBody* shielded = Make<NOD_ShieldedBody>("NOD_ShieldedBody", "shielded");
    SHL_Shield& shield = *shielded->GetShield();
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        shield.SetFace(face, 100, 100);
    shield.SetEmp(0, 10, 10);
    shield.SetBio(0, 40, 40);

    // -1 (255 as a byte) sets all six faces, 0..5 one face, 6 and 7 nothing.
    EXPECT_EQ(nullptr, shielded->ProcessMessage(NOD_Body_SetKineticShield::Create((s8)-1, 0.5f)));
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        EXPECT_EQ(50, shield.GetFaceIn(face)) << face;
    EXPECT_EQ(nullptr, shielded->ProcessMessage(NOD_Body_SetKineticShield::Create((s8)0, 0.25f)));
    EXPECT_EQ(nullptr, shielded->ProcessMessage(NOD_Body_SetKineticShield::Create((s8)5, 1.0f)));
    EXPECT_EQ(nullptr, shielded->ProcessMessage(NOD_Body_SetKineticShield::Create((s8)6, 0.0f)));
    EXPECT_EQ(nullptr, shielded->ProcessMessage(NOD_Body_SetKineticShield::Create((s8)7, 0.0f)));
    const s32 expected[SHL_FACE_COUNT] = {25, 50, 50, 50, 50, 100};
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        EXPECT_EQ(expected[face], shield.GetFaceIn(face)) << face;
    EXPECT_FLOAT_EQ(0.25f, ReadF32(shielded->ProcessMessage(NOD_Body_GetKineticShield::Create((s8)0))));
    EXPECT_FLOAT_EQ(1.0f, ReadF32(shielded->ProcessMessage(NOD_Body_GetKineticShield::Create((s8)5))));
    EXPECT_EQ(-1.0f, ReadF32(shielded->ProcessMessage(NOD_Body_GetKineticShield::Create((s8)6))));
    EXPECT_EQ(-1.0f, ReadF32(shielded->ProcessMessage(NOD_Body_GetKineticShield::Create((s8)-1))));

    EXPECT_EQ(nullptr, shielded->ProcessMessage(NOD_Body_SetBioShield::Create(0.5f)));
    EXPECT_EQ(20, shield.GetBioIn());
    EXPECT_FLOAT_EQ(0.5f, ReadF32(shielded->ProcessMessage(NOD_Body_GetBioShield::Create())));
    EXPECT_EQ(nullptr, shielded->ProcessMessage(NOD_Body_SetEmpShield::Create(0.3f)));
    EXPECT_EQ(3, shield.GetEmpIn());
    EXPECT_FLOAT_EQ(0.3f, ReadF32(shielded->ProcessMessage(NOD_Body_GetEmpShield::Create())));

    NOD_Body* plain = Body("plain");
    EXPECT_EQ(nullptr, plain->ProcessMessage(NOD_Body_SetKineticShield::Create((s8)-1, 0.5f)));
    EXPECT_EQ(nullptr, plain->ProcessMessage(NOD_Body_SetEmpShield::Create(0.5f)));
    EXPECT_EQ(-1.0f, ReadF32(plain->ProcessMessage(NOD_Body_GetKineticShield::Create((s8)0))));
    EXPECT_EQ(-1.0f, ReadF32(plain->ProcessMessage(NOD_Body_GetBioShield::Create())));
    EXPECT_EQ(-1.0f, ReadF32(plain->ProcessMessage(NOD_Body_GetEmpShield::Create())));
}

TEST_F(BodyTest, SetMeshIsALostMessage)
{
    NOD_Body* body = Body("plain");
    EXPECT_EQ(nullptr, body->ProcessMessage(NOD_Body_SetMesh::Create(SIM_ClassName("x.msh"))));
    EXPECT_TRUE(Logged("node \"plain\" received lost message of type 1003"));
}

TEST_F(BodyTest, GetMassIsFatal)
{
    NOD_Body* body = Body("lump");
    EXPECT_FATAL(body->GetMass(), "NOD_Body::GetMass() - getmass not implemented", "name: lump");
    NOD_Body* son = Body("son", body);
    EXPECT_FATAL(son->GetRootMass(), "NOD_Body::GetMass() - getmass not implemented", "name: lump");
}

TEST_F(BodyTest, RootAndAncestorWalksStopAtANonBody)
{
    NOD_Body* top = Body("top");
    NOD_Body* middle = Body("middle", top);
    NOD_Node* gap = Make<NOD_Node>("NOD_Node", "gap", middle);
    NOD_Body* below = Body("below", gap);
    NOD_Body* leaf = Body("leaf", below);

    EXPECT_EQ(top, middle->GetRootBody());
    EXPECT_EQ(below, leaf->GetRootBody());
    EXPECT_EQ(1u, middle->HasBodyAncestor(middle));
    EXPECT_EQ(1u, middle->HasBodyAncestor(top));
    EXPECT_EQ(0u, top->HasBodyAncestor(middle));
    EXPECT_EQ(0u, leaf->HasBodyAncestor(top));
    EXPECT_EQ(0u, leaf->HasBodyAncestor(nullptr));
    // Fathers without a physical description leave every body a collision root.
    EXPECT_EQ(1u, middle->IsCollisionRoot());
    EXPECT_EQ(nullptr, middle->GetHitShooter());

    // The collision layer sees the same walk once the classes are registered, and only then.
    EXPECT_TRUE(COD_HasBodyAncestor(middle, top));
    EXPECT_FALSE(COD_HasBodyAncestor(leaf, top));
    NOD_Body::InstallHasBodyAncestorTest(false);
    EXPECT_FALSE(COD_HasBodyAncestor(middle, top));
    NOD_Body::InstallHasBodyAncestorTest(true);
}

// A body with a second frame hung on its own, turned independently, as a turret's turning frame.
class TST_TurningBody : public NOD_Body
{
public:
    TST_TurningBody() { turning.SetParent(&GetCS()); }
    NOD_CS* GetMountFrame() override { return &turning; }

    NOD_CS turning;
};

TEST_F(BodyTest, AGunHangsOnItsMountsFrame)
{
    // A gun frame hung on a plain body's mount frame rides on the body frame.
    NOD_Body* carrier = Body("carrier");
    ASSERT_EQ(&carrier->GetCS(), carrier->GetMountFrame());
    NOD_CS gun;
    gun.SetParent(carrier->GetMountFrame());
    gun.SetTransform(0.0f, TST_TranslationFrame(0.0f, 0.0f, 1.0f));
    carrier->SetTransform(0.0f, TST_TranslationFrame(5.0f, 0.0f, 0.0f));
    ExpectNear(MAT_Vector3(5.0f, 0.0f, 1.0f), gun.GetWorldTransform(0.0f)->t);

    // A body that answers another frame carries its gun there: the gun follows that frame's
    // turn as well as the body.
    TST_TurningBody turret;
    ASSERT_EQ(&turret.turning, turret.GetMountFrame());
    NOD_CS turretGun;
    turretGun.SetParent(turret.GetMountFrame());
    turretGun.SetTransform(0.0f, TST_TranslationFrame(0.0f, 0.0f, 1.0f));
    turret.SetTransform(0.0f, TST_TranslationFrame(5.0f, 0.0f, 0.0f));
    turret.turning.SetTransform(0.0f, TST_TranslationFrame(0.0f, 3.0f, 0.0f));
    ExpectNear(MAT_Vector3(5.0f, 3.0f, 1.0f), turretGun.GetWorldTransform(0.0f)->t);
    ExpectNear(MAT_Vector3(5.0f, 0.0f, 0.0f), turret.GetWorldTransform(0.0f)->t);
}

// ParseLCS from a "Child" context.
class BodyLcsTest : public BodyTest
{
protected:
    void Parse(NOD_Body* _body, const std::string& _keys)
    {
        m_dir.Write("child.des", "[Child]\n{\n" + _keys + "}\n");
        DES_File file;
        DES_Section root, child;
        ASSERT_EQ(1u, file.Open(&root, "child.des"));
        ASSERT_EQ(1u, root.FindSection(&child, "Child"));
        _body->ParseLCS(child);
    }
    static std::string Keys(const char* _translation, const char* _r0, const char* _r1, const char* _r2)
    {
        return std::string("Translation = ") + _translation + "\nRotation0 = " + _r0 + "\nRotation1 = " + _r1 +
               "\nRotation2 = " + _r2 + "\n";
    }
};

TEST_F(BodyLcsTest, TurnsAboutTheThirdAxisAndFullTurnsEqualNone)
{
    MOT_MotionState state;
    NOD_Body* body = new NOD_Body(&state);
    m_owner = NOD_Node::CreateNode("NOD_Node", "owner");
    m_owner->AddSon(body);
    Parse(body, Keys("1.0, 2.0, 3.0", "0.0, 0.0, 90.0", "0.0, 0.0, 0.0", "0.0, 0.0, 0.0"));
    const MAT_Matrix34* frame = body->GetCS().GetTrack().GetAt(0.0f, nullptr);
    ExpectNear(MAT_Vector3(1.0f, 2.0f, 3.0f), frame->t);
    // 90 degrees about Z: X becomes +Y, Y becomes -X.
    ExpectNear(MAT_Vector3(0.0f, 1.0f, 0.0f), frame->r.GetX());
    ExpectNear(MAT_Vector3(-1.0f, 0.0f, 0.0f), frame->r.GetY());
    ExpectNear(MAT_Vector3(0.0f, 0.0f, 1.0f), frame->r.GetZ());
    ExpectNear(MAT_Vector3(1.0f, 2.0f, 3.0f), state.frame.t);
    ExpectNear(MAT_Vector3(0.0f, 1.0f, 0.0f), state.frame.r.GetX());

    NOD_Body* full = Body("full");
    NOD_Body* none = Body("none");
    Parse(full, Keys("0.0, 0.0, 0.0", "360.0, 360.0, 360.0", "0.0, 360.0, 0.0", "0.0, 0.0, 360.0"));
    Parse(none, Keys("0.0, 0.0, 0.0", "0.0, 0.0, 0.0", "0.0, 0.0, 0.0", "0.0, 0.0, 0.0"));
    const MAT_Matrix34 a = *full->GetCS().GetTrack().GetAt(0.0f, nullptr);
    const MAT_Matrix34 b = *none->GetCS().GetTrack().GetAt(0.0f, nullptr);
    for (s32 k = 0; k < 9; ++k)
        EXPECT_NEAR(b.r.m[k], a.r.m[k], 1e-5f) << k;
}

TEST_F(BodyLcsTest, MissingKeysAreFatal)
{
    NOD_Body* body = Body("child");
    EXPECT_FATAL(Parse(body, "Translation = 0.0, 0.0, 0.0\nRotation0 = 0.0, 0.0, 0.0\n"
                             "Rotation2 = 0.0, 0.0, 0.0\n"),
                 "DesFile Error", "data \"Rotation1\" not found in file \"child.des\"");
}

}  // namespace
