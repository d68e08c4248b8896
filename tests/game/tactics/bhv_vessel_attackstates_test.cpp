// The vessel attack's tactic states driven one by one on a vessel with a real motion model,
// hull and avoider, against a target with a sight sensor: the attack position (side draw,
// goals, reached band and sectors), resume against a new position, sit or wave, the escape
// and castrated goals, the terrain clearance, new escape legs, and each state's draws against
// a transcription of their order on a copy of the generator.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bhv_move_fixture.h"
#include "bhv_vessel_attack.h"
#include "cod_activeavoid.h"
#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "cos_obbs_tree.h"
#include "mat_random.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"

// The target: a vessel-kind owner whose sight sensor sees every visible emitter while it
// watches, and that answers a set velocity.
class AttackTarget : public TST_MoveOwner
{
public:
    explicit AttackTarget(const TST_TempDir& _dir) : TST_MoveOwner(TST_MOVE_VESSEL, _dir)
    {
        SetName("target");
        sight.m_flags = COD_SENSOR_ACTIVE | COD_SENSOR_SEEING;
        sight.m_seeingRange = 100000.0f;
        sight.m_coneCosine = -2.0f;  // all around, straight behind too
    }
    COD_Sensor* GetSensor() override
    {
        sight.m_transform = GetWorldTransform(SIM_GetSimulationClock().time);
        return watching ? &sight : nullptr;
    }
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override
    {
        *_velocity = velocity;
        return _velocity;
    }
    COD_Sensor sight;
    bool watching = false;
    MAT_Vector3 velocity;
};

// Key values of the attack and its states, as the description would give them.
struct AttackKeys
{
    f32 normalVelocity = 1.0f;
    f32 waveProb = 0.0f;
    f32 defensivity = 0.0f;
    f32 escapeMean = 100.0f;
    f32 escapeDeviation = 0.0f;
    f32 escRatio = 0.0f;
    f32 escStrikeTimeOut = 10.0f;
    f32 allStopDist = 20.0f;
    f32 escBackwardDistance = 0.0f;
    f32 alignMaxTime = 30.0f;
    f32 probs[3] = {0.25f, 0.25f, 0.25f};
    f32 minHeight = 0.0f;
    f32 maxHeight = 10.0f;
    f32 minDistance = 50.0f;
    f32 maxDistance = 100.0f;
    f32 sitMean = 5.0f;
    f32 sitDev = 1.0f;
    f32 waveTime = 10.0f;
    f32 waveStartDist = 60.0f;
    f32 castratedMin = 50.0f;
    f32 castratedMax = 150.0f;
};

class BhvVesselAttackStatesTest : public TST_MoveScene
{
protected:
    BhvVesselAttackStatesTest()
    {
        m_vessel = AddOwner(TST_MOVE_VESSEL);
        PlaceVessel({0, 0, 100});
        m_target = new AttackTarget(m_dir);
        m_root->AddSon(m_target);
        m_target->Place({0, 400, 100});
        m_vessel->actions.Register(&m_attack, &m_vessel->parts);
        m_attack.m_currentTarget.Set(m_target);
        Apply(AttackKeys());
    }

    void Apply(const AttackKeys& _k)
    {
        BHV_Vessel_A_Attack& a = m_attack;
        a.m_normalVelocity = _k.normalVelocity;
        a.m_waveProb = _k.waveProb;
        a.m_defensivity = _k.defensivity;
        a.m_escapeMean = _k.escapeMean;
        a.m_escapeDeviation = _k.escapeDeviation;
        a.m_escRatio = _k.escRatio;
        a.m_escStrikeTimeOut = _k.escStrikeTimeOut;
        a.m_allStopDist = _k.allStopDist;
        a.m_escBackwardDistance = _k.escBackwardDistance;
        a.m_align.m_alignMaxTime = _k.alignMaxTime;
        a.m_align.m_alignAheadProb = _k.probs[0];
        a.m_align.m_alignLeftProb = _k.probs[1];
        a.m_align.m_alignBackProb = _k.probs[2];
        a.m_align.m_alignMinHeight = _k.minHeight;
        a.m_align.m_alignMaxHeight = _k.maxHeight;
        a.m_align.m_alignMinDistance = _k.minDistance;
        a.m_align.m_alignMaxDistance = _k.maxDistance;
        a.m_sit.m_sitMeanTime = _k.sitMean;
        a.m_sit.m_sitDevTime = _k.sitDev;
        a.m_wave.m_waveTime = _k.waveTime;
        a.m_wave.m_waveStartDist = _k.waveStartDist;
        a.m_castrated.m_castratedMinRad = _k.castratedMin;
        a.m_castrated.m_castratedMaxRad = _k.castratedMax;
    }

    BHV_Vessel_AttackState& State(s32 _type)
    {
        BHV_Vessel_AttackState* const states[] = {
            &m_attack.m_align,    &m_attack.m_escape, &m_attack.m_sit, &m_attack.m_wave, &m_attack.m_escapeNewPosition,
            &m_attack.m_castrated};
        return *states[_type];
    }
    BHV_AlignPosition& Position() { return m_attack.m_align.m_position; }
    f32 EnterTime() const { return m_attack.m_align.m_enterTime; }
    s32& KeepAlign() { return m_attack.m_keepAlign; }
    s32& ConeTimeout() { return m_attack.m_coneTimeout; }
    f32 ArrivalRadius() const { return m_attack.m_arrivalRadius; }
    MAT_Vector3 EscapeGoal() const { return m_attack.m_escape.m_goal; }
    f32 EscapeTimer() const { return m_attack.m_escape.m_timer; }
    s32 Armed() const { return m_attack.m_escape.m_armed; }
    f32 SitDuration() const { return m_attack.m_sit.m_duration; }
    s32 WaveMode() const { return m_attack.m_wave.m_mode; }
    MAT_Vector3 CastratedGoal() const { return m_attack.m_castrated.m_goal; }

    // The vessel placed at rest (body and motion state), its emitter visible there.
    void PlaceVessel(const MAT_Vector3& _p)
    {
        m_vessel->Place(_p);
        COD_Emitter* emitter = m_vessel->parts.emitter;
        emitter->m_flags |= COD_EMITTER_VISIBLE;
        emitter->m_position[0] = _p.x;
        emitter->m_position[1] = _p.y;
        emitter->m_position[2] = _p.z;
    }
    // The clock one step on, the bodies left where they are.
    static void Tick()
    {
        SIM_Clock& clock = SIM_GetSimulationClock();
        clock.SetTime(clock.time + clock.dt);
    }
    MAT_Random& Random() { return m_simulation->random; }
    // Whether the generator is where the reference copy is.
    bool InStep(MAT_Random& _reference) { return MAT_Random(_reference).Next() == MAT_Random(Random()).Next(); }
    f32 SR() { return m_vessel->Physical().GetRootRadius(); }
    static f32 U(MAT_Random& _r) { return (f32)MAT_RandomUnit(_r.Next()); }
    static f32 V(MAT_Random& _r) { return (f32)(_r.Next() * MAT_RANDOM_SIGNED - 1.0); }

    TST_MoveOwner* m_vessel = nullptr;
    AttackTarget* m_target = nullptr;
    BHV_Vessel_A_Attack m_attack;
};

namespace
{
void ExpectNear(const MAT_Vector3& _expected, const MAT_Vector3& _actual, f32 _tolerance = 1e-3f)
{
    EXPECT_NEAR(_expected.x, _actual.x, _tolerance);
    EXPECT_NEAR(_expected.y, _actual.y, _tolerance);
    EXPECT_NEAR(_expected.z, _actual.z, _tolerance);
}
}  // namespace

TEST_F(BhvVesselAttackStatesTest, TheSideDrawTakesEachBoundInclusive)
{
    struct Case
    {
        f32 u;
        s32 side;
    };
    const std::vector<Case> cases = {{0.0f, 0}, {0.25f, 0}, {0.26f, 1}, {0.5f, 1}, {0.6f, 2}, {0.75f, 2}, {0.76f, 3}};
    for (const Case& k : cases)
        EXPECT_EQ(k.side, BHV_AlignPosition::SideOfDraw(k.u, 0.25f, 0.25f, 0.25f)) << k.u;
    // The right side takes the rest whatever its own key says.
    EXPECT_EQ(3, BHV_AlignPosition::SideOfDraw(0.1f, 0.0f, 0.0f, 0.0f));
}

TEST_F(BhvVesselAttackStatesTest, EachSideGivesItsGoalInTheTargetsFrameAndIsReachedThere)
{
    // The target turned a quarter left: its right axis is +y, its forward axis -x.
    MAT_Matrix34 turned;
    turned.SetPositionAngles({0, 400, 100}, MAT_Angle(1.5707964f), MAT_Angle(), MAT_Angle());
    m_target->SetTransform(SIM_GetSimulationClock().time, turned);
    const f32 r = 0.5f * 2.0f * m_vessel->Physical().GetCollisionTree()->nodes[0].halfExtents.Length();
    for (s32 side = 0; side < 4; ++side) {
        SCOPED_TRACE(side);
        AttackKeys keys;
        keys.probs[0] = side == 0 ? 1.0f : 0.0f;
        keys.probs[1] = side == 1 ? 1.0f : 0.0f;
        keys.probs[2] = side == 2 ? 1.0f : 0.0f;
        Apply(keys);
        MAT_Random reference(Random());
        U(reference);
        const f32 u2 = U(reference);
        KeepAlign() = 0;
        State(0).Enter(&m_attack);
        EXPECT_TRUE(InStep(reference));
        EXPECT_EQ(side, Position().side);
        const f32 d = r + 75.0f;
        const MAT_Vector3 local[4] = {{0, d, 0}, {-d, 0, 0}, {0, -d, 0}, {d, 0, 0}};
        const f32 height = u2 * 0.0f + (1.0f - u2) * 10.0f;
        const MAT_Vector3 expected =
            turned.t + turned.r.GetX() * local[side].x + turned.r.GetY() * local[side].y + turned.r.GetZ() * height;
        ExpectNear(expected, Position().GetGoal());
        PlaceVessel(Position().GetGoal());
        EXPECT_EQ(1, Position().IsReached(m_vessel));
    }
}

TEST_F(BhvVesselAttackStatesTest, ReachedHoldsOnTheBandAndSectorEdges)
{
    // The target at the origin facing +y: local and world axes agree.
    m_target->Place({0, 0, 0});
    BHV_AlignPosition& p = Position();
    p.target = m_target;
    p.minDistance = 50.0f;
    p.maxDistance = 100.0f;
    p.minHeight = -5.0f;
    p.maxHeight = 5.0f;
    struct Case
    {
        s32 side;
        MAT_Vector3 at;
        s32 reached;
    };
    const std::vector<Case> cases = {
        {0, {0, 50, 0}, 1},       {0, {0, 49.9f, 0}, 0}, {0, {0, 100, 0}, 1},    {0, {0, 100.1f, 0}, 0},
        {0, {60, 60, 0}, 1},      {3, {60, 60, 0}, 0},   {3, {60, 59.9f, 0}, 1}, {2, {-60, -60, 0}, 1},
        {1, {-60, -59.9f, 0}, 1}, {0, {0, 70, 5}, 1},    {0, {0, 70, 5.1f}, 0},  {0, {0, 70, -5.1f}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.side) + " " + std::to_string(k.at.x) + " " + std::to_string(k.at.y));
        p.side = k.side;
        PlaceVessel(k.at);
        EXPECT_EQ(k.reached, p.IsReached(m_vessel));
    }
}

TEST_F(BhvVesselAttackStatesTest, AlignResumesAfterEscapeAndChoosesAnewAfterEscapeWithNewPosition)
{
    State(0).Enter(&m_attack);
    const BHV_AlignPosition first = Position();
    const f32 entered = EnterTime();
    Tick();
    // Escape (1) sets the keep-align flag: the same position, the count from the first entry.
    State(1).Enter(&m_attack);
    EXPECT_EQ(1, KeepAlign());
    State(1).Leave();
    MAT_Random reference(Random());
    State(0).Enter(&m_attack);
    EXPECT_TRUE(InStep(reference));  // no draw
    EXPECT_EQ(0, KeepAlign());
    EXPECT_EQ(entered, EnterTime());
    EXPECT_EQ(first.offsetX, Position().offsetX);
    EXPECT_EQ(first.height, Position().height);
    // Escape (4) clears it: two draws of a new position, the count restarted.
    Tick();
    State(4).Enter(&m_attack);
    EXPECT_EQ(0, KeepAlign());
    State(4).Leave();
    MAT_Random again(Random());
    U(again);
    U(again);
    State(0).Enter(&m_attack);
    EXPECT_TRUE(InStep(again));
    EXPECT_EQ(SIM_GetSimulationClock().time, EnterTime());
}

TEST_F(BhvVesselAttackStatesTest, SitOrWaveWavesBelowAllStopDistWithoutADraw)
{
    AttackKeys keys;
    keys.allStopDist = 30.0f;
    keys.waveProb = 0.0f;
    Apply(keys);
    // The hulls' centres 40 apart: surface distance 40 - 2 x half the extent length.
    const f32 e = m_vessel->Physical().GetCollisionTree()->nodes[0].halfExtents.Length();
    PlaceVessel({0, 400 - (e + 20.0f), 100});
    MAT_Random reference(Random());
    EXPECT_EQ(BHV_Vessel_AttackState::WAVE, m_attack.ChooseSitOrWave());
    EXPECT_TRUE(InStep(reference));
    PlaceVessel({0, 400 - (e + 40.0f), 100});
    EXPECT_EQ(BHV_Vessel_AttackState::SIT, m_attack.ChooseSitOrWave());
    U(reference);
    EXPECT_TRUE(InStep(reference));
    keys.waveProb = 1.0f;
    Apply(keys);
    EXPECT_EQ(BHV_Vessel_AttackState::WAVE, m_attack.ChooseSitOrWave());
}

TEST_F(BhvVesselAttackStatesTest, EscapeGoalFollowsItsRatioAndDrawOrder)
{
    // Near the target (surface distance within AllStopDist) the direction is purely aside.
    PlaceVessel({0, 390, 100});
    for (f32 ratio : {0.0f, 0.99f, -0.99f}) {
        SCOPED_TRACE(ratio);
        AttackKeys keys;
        keys.escRatio = ratio;
        keys.escapeDeviation = 10.0f;
        Apply(keys);
        for (s32 i = 0; i < 20; ++i) {
            MAT_Random reference(Random());
            const f32 s = std::fmax(reference.Gaussian(100.0f, 10.0f), 0.0f);
            f32 a = V(reference);
            f32 b = V(reference);
            if (ratio > 0.0f)
                a *= 1.0f - ratio;
            else
                b *= 1.0f + ratio;
            const f32 n = std::sqrt(a * a + b * b);
            const MAT_Vector3 goal = m_attack.ComputeEscapeGoal();
            EXPECT_TRUE(InStep(reference));
            // Target axes: X = +x, Z = +z.
            ExpectNear(MAT_Vector3(0, 390, 100) + MAT_Vector3(a / n, 0, b / n) * s, goal, 1e-2f);
            if (ratio > 0.5f) {
                EXPECT_LE(std::fabs(goal.x) * std::fabs(b), 0.0101f * std::fabs(goal.z - 100.0f) + 1e-2f);
            }
            if (ratio < -0.5f) {
                EXPECT_LE(std::fabs(goal.z - 100.0f) * std::fabs(a), 0.0101f * std::fabs(goal.x) + 1e-2f);
            }
        }
    }
    EXPECT_EQ(std::fmax(2.0f * SR(), 15.0f), ArrivalRadius());
    // Far from the target half of the direction goes on through it.
    PlaceVessel({0, 0, 100});
    MAT_Random reference(Random());
    const f32 s = reference.Gaussian(100.0f, 0.0f);
    f32 a = V(reference);
    f32 b = V(reference);
    const f32 n = std::sqrt(a * a + b * b);
    const MAT_Vector3 expected =
        MAT_Vector3(0, 0, 100) + (MAT_Vector3(a / n, 0, b / n) * 0.5f + MAT_Vector3(0, 0.5f, 0)).GetNormalized() * s;
    Apply(AttackKeys());
    ExpectNear(expected, m_attack.ComputeEscapeGoal(), 1e-2f);
}

TEST_F(BhvVesselAttackStatesTest, CastratedGoalsStayWithinTheRadii)
{
    AttackKeys keys;
    keys.escapeDeviation = 150.0f;
    keys.castratedMin = 80.0f;
    keys.castratedMax = 120.0f;
    Apply(keys);
    const MAT_Vector3 t(0, 400, 100);
    for (s32 i = 0; i < 100; ++i) {
        const MAT_Vector3 goal = m_attack.ComputeCastratedGoal();
        const f32 l = (goal - t).Length();
        EXPECT_GE(l, 80.0f - 1e-2f);
        EXPECT_LE(l, 120.0f + 1e-2f);
    }
    // Entering draws a goal (Gaussian, then two signed draws) and gives it to the avoider; the
    // goal renews after EscStrikeTimeOut.
    keys.escStrikeTimeOut = 0.12f;
    Apply(keys);
    MAT_Random reference(Random());
    reference.Gaussian(100.0f, 150.0f);
    V(reference);
    V(reference);
    State(5).Enter(&m_attack);
    EXPECT_TRUE(InStep(reference));
    EXPECT_EQ(CastratedGoal(), m_vessel->parts.avoider->m_goal);
    const MAT_Vector3 first = CastratedGoal();
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(5).Handle());
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(5).Handle());
    EXPECT_TRUE(InStep(reference));
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(5).Handle());  // 0.15 > 0.12
    reference.Gaussian(100.0f, 150.0f);
    V(reference);
    V(reference);
    EXPECT_TRUE(InStep(reference));
    EXPECT_NE(first.x, CastratedGoal().x);
}

TEST_F(BhvVesselAttackStatesTest, TerrainClearanceLiftsToFourRadiiAboveGroundOnly)
{
    MAT_Vector3 point(0, 0, -50);
    m_attack.KeepAboveTerrain(point);  // no terrain loaded: unchanged
    EXPECT_EQ(-50.0f, point.z);
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 4, 17, {-640.0f, -640.0f, 10.0f}, {80.0f, 80.0f, 1.0f}, [](s32, s32) { return (u16)0; });
    m_simulation->terrainCell->terrain = &terrain;
    const f32 ground = terrain.GetHeightAt(0.0f, 0.0f);
    struct Case
    {
        MAT_Vector3 in;
        f32 z;
    };
    const std::vector<Case> cases = {
        {{0, 0, -50}, ground + 4.0f * SR()}, {{0, 0, 500}, 500.0f}, {{5000, 0, -50}, -50.0f},  // off the grid
    };
    for (const Case& k : cases) {
        MAT_Vector3 p = k.in;
        m_attack.KeepAboveTerrain(p);
        EXPECT_FLOAT_EQ(k.z, p.z) << k.in.x;
        EXPECT_EQ(k.in.x, p.x);
    }
    // Goals of zero length from a vessel under the ground come up with the same clearance.
    AttackKeys keys;
    keys.escapeMean = 0.0f;
    keys.castratedMin = 0.0f;
    Apply(keys);
    PlaceVessel({0, 0, -50});
    EXPECT_FLOAT_EQ(ground + 4.0f * SR(), m_attack.ComputeEscapeGoal().z);
    m_target->Place({0, 0, -60});
    EXPECT_FLOAT_EQ(ground + 4.0f * SR(), m_attack.ComputeCastratedGoal().z);
    m_simulation->terrainCell->terrain = nullptr;
}

TEST_F(BhvVesselAttackStatesTest, ZeroVectorsStayZeroInTheCastratedGoal)
{
    // On the target with EscRatio -1: the sideways part has no length and the up part is
    // flattened away; the goal is the target itself, not NaN.
    AttackKeys keys;
    keys.escRatio = -1.0f;
    keys.castratedMin = 50.0f;
    Apply(keys);
    PlaceVessel({0, 400, 100});
    const MAT_Vector3 goal = m_attack.ComputeCastratedGoal();
    EXPECT_EQ(MAT_Vector3(0, 400, 100), goal);
    EXPECT_EQ(std::fmax(2.0f * SR(), 15.0f), ArrivalRadius());
}

TEST_F(BhvVesselAttackStatesTest, EscapeStartsANewLegWhenSeenAgain)
{
    PlaceVessel({0, 0, 100});
    m_target->watching = false;
    State(1).Enter(&m_attack);
    EXPECT_EQ(m_target, m_vessel->parts.avoider->m_ignore.Get());
    const MAT_Vector3 first = EscapeGoal();
    // Unseen: armed, no draw (the break-away test is not reached while the leg goes on).
    MAT_Random reference(Random());
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(1).Handle());
    EXPECT_EQ(1, Armed());
    EXPECT_TRUE(InStep(reference));
    // Seen again: a new leg, its draws in order.
    m_target->watching = true;
    reference.Gaussian(100.0f, 0.0f);
    V(reference);
    V(reference);
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(1).Handle());
    EXPECT_TRUE(InStep(reference));
    EXPECT_EQ(0, Armed());
    EXPECT_EQ(0.0f, EscapeTimer());
    EXPECT_NE(first.x, EscapeGoal().x);
    EXPECT_EQ(EscapeGoal(), m_vessel->parts.avoider->m_goal);
    State(1).Leave();
    EXPECT_EQ(nullptr, m_vessel->parts.avoider->m_ignore.Get());
}

TEST_F(BhvVesselAttackStatesTest, EachStateDrawsInItsOrder)
{
    AttackKeys keys;
    keys.defensivity = 1.0f;
    keys.escStrikeTimeOut = 0.0f;
    Apply(keys);
    PlaceVessel({0, 0, 100});
    State(0).Enter(&m_attack);
    // Align, seen, defensivity 1: one draw and escape.
    m_target->watching = true;
    MAT_Random reference(Random());
    U(reference);
    EXPECT_EQ(BHV_Vessel_AttackState::ESCAPE, State(0).Handle());
    EXPECT_TRUE(InStep(reference));
    // With the cone-timeout flag set there is no draw; unseen, the position not reached, the
    // target moving: the align drives on.
    ConeTimeout() = 1;
    m_target->velocity = MAT_Vector3(0, 5, 0);
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(0).Handle());
    EXPECT_TRUE(InStep(reference));
    ConeTimeout() = 0;
    // Escape with the leg over at once (timeout 0): break-away draw, seen, a new leg.
    State(1).Enter(&m_attack);
    reference = MAT_Random(Random());
    U(reference);
    reference.Gaussian(100.0f, 0.0f);
    V(reference);
    V(reference);
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(1).Handle());
    EXPECT_TRUE(InStep(reference));
    m_target->watching = false;
    reference = MAT_Random(Random());
    U(reference);
    EXPECT_EQ(BHV_Vessel_AttackState::ALIGN, State(1).Handle());
    EXPECT_TRUE(InStep(reference));
    State(1).Leave();
    // Sit: the duration is drawn on entry; each step a break-away draw.
    reference = MAT_Random(Random());
    const f32 duration = reference.Gaussian(5.0f, 1.0f);
    State(2).Enter(&m_attack);
    EXPECT_EQ(duration, SitDuration());
    EXPECT_TRUE(InStep(reference));
    U(reference);
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(2).Handle());
    EXPECT_TRUE(InStep(reference));
    m_target->watching = true;
    EXPECT_EQ(BHV_Vessel_AttackState::ESCAPE_NEW_POSITION, State(2).Handle());
    U(reference);
    EXPECT_TRUE(InStep(reference));
    // Wave: no draw on entry; closes in from afar (mode 1), time over first.
    m_target->watching = false;
    State(3).Enter(&m_attack);
    EXPECT_EQ(m_target, m_vessel->parts.avoider->m_ignore.Get());
    EXPECT_TRUE(InStep(reference));
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(3).Handle());
    U(reference);
    EXPECT_TRUE(InStep(reference));
    EXPECT_EQ(1, WaveMode());
    keys.waveTime = 0.0f;
    Apply(keys);
    ConeTimeout() = 1;
    EXPECT_EQ(BHV_Vessel_AttackState::ALIGN, State(3).Handle());
    EXPECT_EQ(0, ConeTimeout());
    EXPECT_TRUE(InStep(reference));
    State(3).Leave();
    EXPECT_EQ(nullptr, m_vessel->parts.avoider->m_ignore.Get());
}

TEST_F(BhvVesselAttackStatesTest, SitHaltsAndFacesTheTargetWavingBelowAllStopDist)
{
    PlaceVessel({0, 300, 100});
    MOT_Vessel& motion = m_vessel->vessel;
    State(2).Enter(&m_attack);
    EXPECT_EQ(0u, motion.Translation.PositionModeMask);
    EXPECT_EQ(0x1C0u, motion.Translation.VelocityModeMask);
    EXPECT_EQ(0u, motion.Rotation.PointTargetMask | motion.Rotation.AngleTargetMask | motion.Rotation.RateTargetMask);
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(2).Handle());
    ExpectNear(MAT_Vector3(0, 400, 100), motion.Rotation.TargetPoint);
    EXPECT_EQ(0x18u, motion.Rotation.PointTargetMask);
    EXPECT_EQ(0x20u, motion.Rotation.AngleTargetMask);
    EXPECT_EQ(0.0f, motion.Rotation.TargetAngle[2]);
    PlaceVessel({0, 385, 100});
    EXPECT_EQ(BHV_Vessel_AttackState::WAVE, State(2).Handle());
    // The wave close below AllStopDist backs off: its goal the target mirrored about the vessel.
    State(3).Enter(&m_attack);
    EXPECT_EQ(BHV_Vessel_AttackState::STAY, State(3).Handle());
    EXPECT_EQ(0, WaveMode());
    ExpectNear(MAT_Vector3(0, 370, 100), m_vessel->parts.avoider->m_goal);
}
