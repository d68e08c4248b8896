// Shrapnel pieces: the burst's push, spin, damping, lift and life from the piece, its draws,
// the pieces it refuses, its life through the spawner and its drawing.
#include "nod_shrapnel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "brisel_mesh.h"
#include "contactaggregate.h"
#include "crt_fixture.h"
#include "mat_fixture.h"
#include "nod_message.h"
#include "nod_particleemitter.h"
#include "owner_fixture.h"
#include "rti_pointer.h"
#include "shrapnel_fixture.h"
#include "spawn_world_test.h"
#include "tools_ash.h"

namespace
{

// A cube-like piece, a flat one (no extent along z) and an oblong one.
const std::vector<TST_PieceShape> PIECES = {{1.0f, 1.0f, 1.0f}, {2.0f, 1.0f, 0.0f}, {4.0f, 2.0f, 1.0f}};

// u = rand() x 2 / 32767 - 1.
f32 Jitter(s32 _draw) { return (f32)_draw * 2.0f / 32767.0f - 1.0f; }

class ShrapnelTest : public TST_SpawnWorldTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TST_SpawnWorldTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(TST_WritePieces(m_dir, PIECES, "pieces.msh", "pieces.top", {0, 1, 2}));
        TOOL_Ash ash;
        ash.m0 = "pieces.msh";
        ash.d0 = 1000.0f;
        ash.shrapnel = TOOL_AshShrapnel{"pieces.msh", "vfx\\top\\pieces.top", 8};
        m_dir.Write("vfx/ash/pieces.ash", TOOL_AshText(ash));
        TOOL_Ash whole;
        whole.m0 = "pieces.msh";
        m_dir.Write("vfx/ash/whole.ash", TOOL_AshText(whole));
        m_visual = Visuals()->Allocate("pieces.ash", 1);
        ASSERT_EQ(3, Visuals()->Get(m_visual)->GetShrapnelCount());
    }
    void TearDown() override
    {
        if (m_world != nullptr) {
            // The pieces go with the tree before the visual is given back.
            delete m_world->scene;
            m_world->scene = nullptr;
            Visuals()->Release(m_visual);
        }
        TST_SpawnWorldTest::TearDown();
    }

    CON_Cache<Brisel_Mesh>* Visuals() const { return m_world->cache->GetVisualCache(); }
    // Where piece _piece sat in the body.
    MAT_Vector3 Offset(s32 _piece) const { return Visuals()->Get(m_visual)->GetShrapnelOffset(_piece); }

    s32 m_visual = 0;
};

// The push runs from the blast centre to the piece in the dying body's axes, 128 / max(d, 1)
// units per second long; the velocity adds the body's and a jitter of three draws.
TEST_F(ShrapnelTest, PushedAwayFromTheBlastCentre)
{
    struct Case
    {
        const char* label;
        MAT_Matrix34 frame;
        MAT_Vector3 away;  // from the centre to the piece, in the body's axes
        MAT_Vector3 push;  // in the body's axes
    };
    const Case cases[] = {
        {"half a unit", TST_TranslationFrame(0.0f, 0.0f, 0.0f), {0.5f, 0.0f, 0.0f}, {128.0f, 0.0f, 0.0f}},
        {"four units", TST_TranslationFrame(0.0f, 0.0f, 0.0f), {0.0f, 4.0f, 0.0f}, {0.0f, 32.0f, 0.0f}},
        {"at the centre", TST_TranslationFrame(0.0f, 0.0f, 0.0f), {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}},
        {"turned body", TST_QuarterTurnFrame(), {0.5f, 0.0f, 0.0f}, {128.0f, 0.0f, 0.0f}},
        {"turned, four units up", TST_QuarterTurnFrame(), {0.0f, 0.0f, -4.0f}, {0.0f, 0.0f, -32.0f}},
    };
    const MAT_Vector3 base = {1.0f, -2.0f, 3.0f};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const MAT_Vector3 offset = Offset(0);
        const MAT_Vector3 centre = c.frame.TransformPoint(offset - c.away);
        TST_CrtReference reference(1234);
        NOD_Shrapnel piece;
        ASSERT_EQ(1u, piece.BuildBurst(m_visual, 0, c.frame, base, centre, MAT_Vector3()));
        reference.Skip(3);
        const f32 u1 = Jitter(reference.Next());
        const f32 u2 = Jitter(reference.Next());
        const f32 u3 = Jitter(reference.Next());
        EXPECT_TRUE(reference.InStep()) << "six draws";
        const MAT_Vector3 expected = c.frame.RotateVector(c.push) + base + MAT_Vector3{u2, u1, u3};
        TST_ExpectNear(expected, piece.GetMotionState().GetVelocity(), 1e-3f, "velocity");
        // The piece starts where it sat in the body, turned as the body was.
        TST_ExpectNear(c.frame.TransformPoint(offset), piece.GetMotionState().frame.t, 1e-5f, "place");
        TST_ExpectNear(c.frame.r.GetX(), piece.GetMotionState().frame.r.GetX(), 0.0f, "axes");
    }
}

// The piece's box sets its spin (roll, pitch, heading drawn in that order), its damping, its
// fall on all three world axes and its life; a flat piece counts as 0.001 thick.
TEST_F(ShrapnelTest, TheSizeSetsSpinDampingLiftAndLife)
{
    struct Case
    {
        s32 piece;
        f32 dx, dy, dz;
    };
    const Case cases[] = {{0, 1.0f, 1.0f, 1.0f}, {1, 2.0f, 1.0f, NOD_Shrapnel::MIN_EXTENT}, {2, 4.0f, 2.0f, 1.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.piece);
        const f32 a = 0.1f * std::sqrt(c.dx * c.dz);
        const f32 b = 0.1f * std::sqrt(c.dx * c.dy);
        const f32 cc = 0.1f * std::sqrt(c.dy * c.dz);
        const f32 v = 0.1f * std::cbrt(c.dx * c.dy * c.dz);
        TST_CrtReference reference(99);
        NOD_Shrapnel piece;
        ASSERT_EQ(1u, piece.BuildBurst(m_visual, c.piece, TST_QuarterTurnFrame(), MAT_Vector3(), MAT_Vector3(),
                                       MAT_Vector3()));
        auto spin = [&](f32 _reach) {
            return MAT_TWO_PI * (-_reach + (f32)reference.Next() * 2.0f * _reach / 32767.0f);
        };
        const MOT_MotionState& state = piece.GetMotionState();
        EXPECT_NEAR(spin(1.0f / cc), state.rotation[MOT_MotionState::ROLL].rate, 2e-3f);
        EXPECT_NEAR(spin(1.0f / b), state.rotation[MOT_MotionState::PITCH].rate, 2e-3f);
        EXPECT_NEAR(spin(1.0f / a), state.rotation[MOT_MotionState::HEADING].rate, 2e-3f);
        reference.Skip(3);
        EXPECT_TRUE(reference.InStep());

        const MOT_Friction& friction = piece.GetFriction();
        EXPECT_EQ(0x3Fu, friction.flags);
        EXPECT_NEAR(0.04f / cc, friction.c[0], 1e-4f);
        EXPECT_NEAR(0.04f / a, friction.c[1], 1e-4f);
        EXPECT_NEAR(0.04f / b, friction.c[2], 1e-4f);
        EXPECT_NEAR(0.1f * b, friction.c[6], 1e-6f);
        EXPECT_NEAR(0.1f * cc, friction.c[7], 1e-6f);
        EXPECT_NEAR(0.1f * a, friction.c[8], 1e-6f);
        TST_ExpectNear({-9.81f * v, -9.81f * v, -9.81f * v}, piece.GetLift(), 1e-5f, "lift");
        EXPECT_NEAR(10.0f * v, piece.GetLifeTime(), 1e-5f);
        EXPECT_TRUE(std::isfinite(state.rotation[MOT_MotionState::ROLL].rate));
    }
}

// A visual the piece cannot show is refused before anything is drawn or held.
TEST_F(ShrapnelTest, PiecesItCannotShowAreRefused)
{
    const s32 whole = Visuals()->Allocate("whole.ash", 1);
    struct Case
    {
        const char* label;
        s32 visual;
        s32 piece;
    };
    const Case cases[] = {
        {"no visual", 0, 0},
        {"unknown handle", 77, 0},
        {"handle past the table", 100000, 0},
        {"no pieces", whole, 0},
        {"negative piece", m_visual, -1},
        {"past the count", m_visual, 3},
        {"past the eight", m_visual, 8},
    };
    Brisel_Spawn* spawn = m_world->Spawn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const s32 references = Visuals()->GetReferenceCount(m_visual);
        const s32 sons = m_world->root->GetNumOfSons();
        const s32 counter = spawn->GetDebrisCounter();
        TST_CrtReference reference(5);
        NOD_Shrapnel piece;
        EXPECT_EQ(0u, piece.BuildBurst(c.visual, c.piece, TST_QuarterTurnFrame(), MAT_Vector3(), MAT_Vector3(),
                                       MAT_Vector3()));
        EXPECT_EQ(0, piece.GetVisual());
        EXPECT_EQ(nullptr, spawn->SpawnShrapnel(c.visual, c.piece, TST_QuarterTurnFrame(), MAT_Vector3(), MAT_Vector3(),
                                                MAT_Vector3()));
        EXPECT_TRUE(reference.InStep()) << "no draw";
        EXPECT_EQ(references, Visuals()->GetReferenceCount(m_visual));
        EXPECT_EQ(sons, m_world->root->GetNumOfSons());
        EXPECT_EQ(counter, spawn->GetDebrisCounter());
    }
    Visuals()->Release(whole);
}

TEST_F(ShrapnelTest, APieceSmokesFallsAndIsCollected)
{
    Brisel_Spawn* spawn = m_world->Spawn();
    const s32 references = Visuals()->GetReferenceCount(m_visual);
    MAT_Matrix34 frame = TST_TranslationFrame(0.0f, 30.0f, 0.0f);
    NOD_Shrapnel* piece =
        spawn->SpawnShrapnel(m_visual, 0, frame, MAT_Vector3(), frame.TransformPoint(Offset(0)), MAT_Vector3());
    ASSERT_NE(nullptr, piece);
    EXPECT_EQ(piece, m_world->root->GetSon(m_world->root->GetNumOfSons() - 1));
    EXPECT_STREQ(("deb" + std::to_string(spawn->GetDebrisCounter())).c_str(), piece->GetName().GetName());
    EXPECT_TRUE(piece->IsInSimulation());
    EXPECT_EQ(references + 1, Visuals()->GetReferenceCount(m_visual));
    // Seen by the camera, colliding with nothing.
    EXPECT_EQ(NOD_PART_REGISTERED, piece->GetAggregate().GetState(NOD_PART_VISIBLE));
    EXPECT_EQ(nullptr, piece->GetAggregate().GetPhysical());
    // Two smoke emitters of the first shrapnel kind ride on it.
    ASSERT_EQ(2, piece->GetNumOfSons());
    NOD_ParticleEmitter* smoke[2];
    RTI_Pointer smokeAlive[2];
    for (s32 i = 0; i < 2; ++i) {
        smoke[i] = NOD_ParticleEmitter::DynamicCast(piece->GetSon(i));
        ASSERT_NE(nullptr, smoke[i]);
        EXPECT_TRUE(smoke[i]->IsStarted());
        smokeAlive[i].Set(smoke[i]);
    }

    // A cube of one unit lives 10 x 0.1 seconds: it goes in the first step past that.
    EXPECT_NEAR(1.0f, piece->GetLifeTime(), 1e-6f);
    const f32 end = m_world->Now() + piece->GetLifeTime();
    RTI_Pointer alive;
    alive.Set(piece);
    const f32 start = m_world->Now();
    f32 lastAlive = start;
    for (s32 step = 0; step < 40 && alive.Get() != nullptr; ++step) {
        lastAlive = m_world->Now();
        m_world->Step();
    }
    ASSERT_EQ(nullptr, alive.Get());
    EXPECT_GT(lastAlive, end);
    EXPECT_LE(lastAlive - SIM_STEP, end);
    EXPECT_EQ(references, Visuals()->GetReferenceCount(m_visual));
    for (s32 i = 0; i < 2; ++i) {
        ASSERT_NE(nullptr, smokeAlive[i].Get()) << i;
        EXPECT_EQ(m_world->garbage, smoke[i]->GetFather());
        EXPECT_TRUE(smoke[i]->IsFading());
    }
}

TEST_F(ShrapnelTest, FallsOnEveryAxisAndSpinsDown)
{
    NOD_Shrapnel* piece = m_world->Spawn()->SpawnShrapnel(m_visual, 2, TST_TranslationFrame(0.0f, 30.0f, 0.0f),
                                                          MAT_Vector3(), MAT_Vector3(), MAT_Vector3());
    ASSERT_NE(nullptr, piece);
    const MAT_Vector3 start = piece->GetMotionState().GetVelocity();
    const f32 spin = std::fabs(piece->GetMotionState().rotation[MOT_MotionState::ROLL].rate);
    m_world->Steps(5);
    const MAT_Vector3 now = piece->GetMotionState().GetVelocity();
    // The lift pulls every axis the same way; the damping slows the spin.
    EXPECT_LT(now.x, start.x);
    EXPECT_LT(now.y, start.y);
    EXPECT_LT(now.z, start.z);
    EXPECT_LT(std::fabs(piece->GetMotionState().rotation[MOT_MotionState::ROLL].rate), spin);
}

// A piece draws its own mesh; one made by class name holds no visual and draws nothing.
TEST_F(ShrapnelTest, DrawsItsPieceOrNothing)
{
    m_world->Render();
    const u32 empty = m_world->renderer->GetStatistics().polygonsThisFrame;

    NOD_Node* bare = NOD_Node::CreateNode("NOD_Shrapnel", "bare");
    ASSERT_NE(nullptr, NOD_Shrapnel::DynamicCast(bare));
    // Without emitters: only the piece itself is drawn.
    Brisel_Spawn* spawn = Brisel_TheSpawn;
    Brisel_TheSpawn = nullptr;
    NOD_Body::DynamicCast(bare)->SetTransform(m_world->Now(), TST_TranslationFrame(0.0f, 20.0f, 0.0f));
    m_world->root->AddSon(bare);
    delete bare->ProcessMessage(NOD_Node_EnterSimulation::Create());
    m_world->Step();
    m_world->Render();
    EXPECT_EQ(empty, m_world->renderer->GetStatistics().polygonsThisFrame);

    const MAT_Matrix34 frame = TST_TranslationFrame(-Offset(0).x, 20.0f, -Offset(0).z);
    NOD_Shrapnel* piece =
        spawn->SpawnShrapnel(m_visual, 0, frame, MAT_Vector3(), frame.TransformPoint(Offset(0)), MAT_Vector3());
    Brisel_TheSpawn = spawn;
    ASSERT_NE(nullptr, piece);
    EXPECT_EQ(0, piece->GetNumOfSons());
    m_world->Step();
    m_world->Render();
    EXPECT_GT(m_world->renderer->GetStatistics().polygonsThisFrame, empty);
}

}  // namespace
