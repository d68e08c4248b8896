// Gun parts: the frame read from the gun's child entry, the mesh reference, the per-step record
// with damping and integration, the father's frame and the freeze on leaving.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gun_fixture.h"
#include "mot_friction.h"
#include "reb_mesh.h"

namespace
{

class GunPartTest : public GunTest
{
protected:
    // A bare gun (no class) whose one part "barrel" stands at _translation with the given turns.
    NOD_Gun_Part* ReadPart(const f32 _translation[3], const f32 _rotation[3][3])
    {
        TOOL_Gun description;
        description.writeFire = description.writeWindDown = false;
        TOOL_ChildSection child =
            TOOL_GunPartChild("barrel", "osd/weapon/gunpart.osd", _translation[0], _translation[1], _translation[2]);
        for (s32 row = 0; row < 3; ++row)
            for (s32 k = 0; k < 3; ++k)
                child.rotation[row][k] = _rotation[row][k];
        description.children.push_back(child);
        m_gun = ReadGun("NOD_Gun", TOOL_GunText(description));
        m_owner->AddSon(m_gun);
        return NOD_Gun_Part::DynamicCast(m_gun->Find(SIM_Path("barrel")));
    }
    void Enter(NOD_Node* _node) { delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create()); }
    void Leave(NOD_Node* _node) { delete _node->ProcessMessage(NOD_Node_LeaveSimulation::Create()); }

    NOD_Gun* m_gun = nullptr;
};

TEST_F(GunPartTest, RotationRowsTurnAboutTheFirstSecondAndThirdAxisInOrder)
{
    const struct
    {
        const char* what;
        f32 rotation[3][3];
        MAT_Vector3 x, y, z;
    } cases[] = {
        {"no turns", {}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {"first axis", {{90, 0, 0}}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
        {"second axis", {{0, 90, 0}}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
        {"first then third in one row", {{90, 0, 90}}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}},
        {"Rotation0 before Rotation1", {{90, 0, 0}, {0, 0, 90}}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}},
        {"the other way round", {{0, 0, 90}, {90, 0, 0}}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {"Rotation2 last", {{0, 0, 0}, {0, 0, 90}, {90, 0, 0}}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
    };
    const f32 translation[3] = {0.25f, 1.5f, -2.0f};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NOD_Gun_Part* part = ReadPart(translation, c.rotation);
        ASSERT_NE(nullptr, part);
        const MAT_Matrix34& frame = part->GetFrame();
        EXPECT_VEC_NEAR(c.x, frame.r.GetX(), 1e-6f);
        EXPECT_VEC_NEAR(c.y, frame.r.GetY(), 1e-6f);
        EXPECT_VEC_NEAR(c.z, frame.r.GetZ(), 1e-6f);
        EXPECT_VEC_NEAR(MAT_Vector3(0.25f, 1.5f, -2.0f), frame.t, 0.0f);
        // The kinematic state matches its frame, and the track holds the frame at the reading's time.
        const MOT_MotionState& state = part->GetState();
        EXPECT_EQ(1.5f, state.translation[1].position);
        MAT_Matrix33 rebuilt;
        rebuilt.FromAngles(state.rotation[MOT_MotionState::HEADING].angle, state.rotation[MOT_MotionState::PITCH].angle,
                           state.rotation[MOT_MotionState::ROLL].angle);
        for (s32 i = 0; i < 9; ++i)
            EXPECT_NEAR(frame.r.m[i], rebuilt.m[i], 1e-6f) << i;
        const MAT_Matrix34* recorded = part->GetTrack().GetAt(Now(), nullptr);
        EXPECT_VEC_NEAR(frame.t, recorded->t, 0.0f);
        EXPECT_VEC_NEAR(c.y, recorded->r.GetY(), 1e-6f);
        delete m_gun;
    }
}

TEST_F(GunPartTest, BrokenDescriptionsStop)
{
    const struct
    {
        const char* what;
        TOOL_GunPart part;
        const char* omitChildKey;
        const char* caption;
        const char* message;
    } cases[] = {
        {"no Visual",
         [] {
             TOOL_GunPart p;
             p.writeVisual = false;
             return p;
         }(),
         "", "DES FILE ERROR",
         "(NOD_Gun_Part::ParseIniFile()): Get [\"Visual\"] in file \"vfx\\osd/weapon/broken.osd\" failed"},
        {"no NameMesh",
         [] {
             TOOL_GunPart p;
             p.omitKey = "NameMesh";
             return p;
         }(),
         "", "DesFile Error", "data \"NameMesh\" not found in file \"vfx\\osd/weapon/broken.osd\""},
        {"NameMesh a number",
         [] {
             TOOL_GunPart p;
             p.mistypedKey = "NameMesh";
             return p;
         }(),
         "", "DesFile Error", "data \"NameMesh\" in file \"vfx\\osd/weapon/broken.osd\" has wrong type"},
        {"no Rotation1 in the child entry", TOOL_GunPart(), "Rotation1", "DesFile Error",
         "data \"Rotation1\" not found in file \"vfx\\gun.osd\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_dir.Write("vfx/osd/weapon/broken.osd", TOOL_GunPartText(c.part));
        TOOL_Gun description;
        description.writeFire = description.writeWindDown = false;
        description.children.push_back(TOOL_GunPartChild("barrel", "osd/weapon/broken.osd", 0.0f, 0.0f, 0.0f));
        description.children[0].omitKey = c.omitChildKey;
        EXPECT_FATAL(ReadGun("NOD_Gun", TOOL_GunText(description)), c.caption, c.message);
    }
    // Every reference the broken readings took went back with their guns.
    EXPECT_EQ(0, m_cache->GetRenderMeshCache()->GetCount());
}

TEST_F(GunPartTest, EachPartHoldsOneReferenceOnItsMeshUntilItGoes)
{
    NOD_Gun* gun = AddGun("vendetta2");
    NOD_Gun_Part* barrel1 = NOD_Gun_Part::DynamicCast(gun->Find(SIM_Path("barrel1")));
    NOD_Gun_Part* barrel2 = NOD_Gun_Part::DynamicCast(gun->Find(SIM_Path("barrel2")));
    ASSERT_NE(nullptr, barrel1);
    ASSERT_NE(nullptr, barrel2);
    const s32 handle = barrel1->GetMeshHandle();
    ASSERT_NE(0, handle);
    EXPECT_EQ(handle, barrel2->GetMeshHandle());
    EXPECT_EQ(2, m_cache->GetRenderMeshCache()->GetReferenceCount(handle));
    delete barrel2;
    EXPECT_EQ(1, m_cache->GetRenderMeshCache()->GetReferenceCount(handle));
    delete gun;
    EXPECT_EQ(0, m_cache->GetRenderMeshCache()->GetCount());
}

TEST_F(GunPartTest, EachStepDampsIntegratesWhenFlaggedAndRecordsOneStepAhead)
{
    const f32 origin[3] = {};
    const f32 none[3][3] = {};
    const struct
    {
        const char* what;
        u32 integrate;
        u32 damping;
        f32 roll;      // after one step
        f32 x;         // after one step
        f32 velocity;  // recorded
        bool inside;   // entered into the simulation
    } cases[] = {
        {"integrated", 1, 0, 3.1415927f * 0.05f, 2.0f * 0.05f, 2.0f, true},
        // The damping takes some of the roll rate, never all of it, within the step.
        {"integrated and damped", 1, MOT_Friction::ROLL, -1.0f, 2.0f * 0.05f, 2.0f, true},
        {"not integrated", 0, 0, 0.0f, 0.0f, 2.0f, true},
        {"not in the simulation", 1, 0, 0.0f, 0.0f, 0.0f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SIM_GetSimulationClock().SetTime(3.0f);
        NOD_Gun_Part* part = ReadPart(origin, none);
        ASSERT_NE(nullptr, part);
        EXPECT_EQ(1u, part->GetIntegrate()) << "integrated from the start";
        if (c.inside)
            Enter(part);
        MOT_MotionState& state = part->GetState();
        state.flags = 0x58 | MOT_MotionState::FLAG_X;
        state.rotation[MOT_MotionState::ROLL].rate = 3.1415927f;
        state.translation[0].velocity = 2.0f;
        part->GetDamping().flags = c.damping;
        part->GetDamping().c[8] = 0.1f;
        part->SetIntegrate(c.integrate);
        part->HeartBeat();
        MAT_Vector3 velocity;
        const MAT_Matrix34* recorded = part->GetTrack().GetAt(3.05f, &velocity);
        if (c.roll >= 0.0f) {
            EXPECT_NEAR(c.roll, state.rotation[MOT_MotionState::ROLL].angle.Get(), 1e-6f);
        } else {
            EXPECT_GT(state.rotation[MOT_MotionState::ROLL].angle.Get(), 0.0f);
            EXPECT_LT(state.rotation[MOT_MotionState::ROLL].angle.Get(), 3.1415927f * 0.05f);
        }
        EXPECT_NEAR(c.x, recorded->t.x, 1e-6f);
        EXPECT_NEAR(c.velocity, velocity.x, 1e-6f);
        // The recorded axes are the state's frame: turned about the forward axis by the roll.
        EXPECT_NEAR(std::cos(state.rotation[MOT_MotionState::ROLL].angle.Get()), recorded->r.m[0], 1e-5f);
        delete m_gun;
    }
}

TEST_F(GunPartTest, TheWorldFrameIsTheFatherBodysFrameComposedWithTheTrack)
{
    const f32 translation[3] = {1.0f, 2.0f, 3.0f};
    const f32 none[3][3] = {};
    NOD_Gun_Part* part = ReadPart(translation, none);
    ASSERT_NE(nullptr, part);
    // Before entering, the part knows no father frame.
    EXPECT_VEC_NEAR(MAT_Vector3(1.0f, 2.0f, 3.0f), part->GetWorldFrame(Now())->t, 0.0f);
    Enter(m_gun);
    EXPECT_EQ(&m_gun->GetCS(), part->GetParentCS());
    const MAT_Matrix34 expected = m_gun->GetWorldTransform(Now())->Compose(part->GetFrame());
    EXPECT_VEC_NEAR(expected.t, part->GetWorldFrame(Now())->t, 1e-4f);

    // Under a node that is no body, the part's own frame is its world frame.
    NOD_Gun_Part* loose = NOD_Gun_Part::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Gun_Part", "loose")));
    ASSERT_NE(nullptr, loose);
    loose->SetFrame(TST_TranslationFrame(5.0f, 6.0f, 7.0f));
    Enter(loose);
    loose->HeartBeat();
    EXPECT_EQ(nullptr, loose->GetParentCS());
    EXPECT_EQ(0, loose->GetMeshHandle());
    EXPECT_VEC_NEAR(MAT_Vector3(5.0f, 6.0f, 7.0f), loose->GetWorldFrame(Now() + 0.05f)->t, 0.0f);
}

TEST_F(GunPartTest, LeavingFreezesThePartWhereItIsAtThatMoment)
{
    const f32 origin[3] = {};
    const f32 none[3][3] = {};
    NOD_Gun_Part* part = ReadPart(origin, none);
    ASSERT_NE(nullptr, part);
    Enter(part);
    MOT_MotionState& state = part->GetState();
    state.flags = MOT_MotionState::FLAG_Y;
    state.translation[1].velocity = 4.0f;
    Step(part, 3);
    // Half a step past the last record the track would run on with the velocity.
    const f32 leaving = Now() - 0.025f;
    const f32 y = part->GetTrack().GetAt(leaving, nullptr)->t.y;
    EXPECT_GT(y, 0.4f);
    SIM_GetSimulationClock().SetTime(leaving);
    Leave(part);
    EXPECT_FALSE(part->IsInSimulation());
    EXPECT_NEAR(y, part->GetFrame().t.y, 1e-6f);
    for (f32 later : {leaving, leaving + 0.05f, leaving + 10.0f})
        EXPECT_NEAR(y, part->GetTrack().GetAt(later, nullptr)->t.y, 1e-6f) << later;
    // Out of the simulation the step records nothing.
    part->HeartBeat();
    EXPECT_NEAR(y, part->GetTrack().GetAt(leaving + 10.0f, nullptr)->t.y, 1e-6f);
}

}  // namespace
