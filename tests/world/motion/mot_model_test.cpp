#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <string>

#include "des_file.h"
#include "mot_oldone.h"
#include "mot_turn.h"
#include "mot_vehicle.h"
#include "mot_vessel.h"
#include "mrt_terrain_fixture.h"
#include "sim_clock.h"
#include "test_dir.h"

namespace
{

constexpr s32 H = MOT_MotionState::HEADING;
constexpr s32 P = MOT_MotionState::PITCH;
constexpr s32 R = MOT_MotionState::ROLL;

SIM_Clock StepClock()
{
    SIM_Clock clock;
    clock.Set(0.0f, 0.05f);
    return clock;
}

std::string ControlSection(const std::string& _name, const std::string& _keys)
{
    return "[" + _name + "]\n{\n" + _keys + "}\n";
}

// Every key the models read, with values the tests can recognise.
std::string Keys(f32 _movePV = 10.0f, f32 _moveT = 2.0f, f32 _turnPV = 90.0f, f32 _turnT = 2.0f, f32 _swingT = 1.0f,
                 f32 _swingA = 0.1f)
{
    return "    MovePV = " + std::to_string(_movePV) + "\n    MoveNV = 4.0\n    MoveT = " + std::to_string(_moveT) +
           "\n    TurnPV = " + std::to_string(_turnPV) + "\n    TurnNV = 90.0\n    TurnT = " + std::to_string(_turnT) +
           "\n    TurnR = 0.5\n    SwingT = " + std::to_string(_swingT) + "\n    SwingA = " + std::to_string(_swingA) +
           "\n    MoveFriction = 0.5, 0.0, -1.0\n    TurnFriction = 0.25, 0.0, 2.0\n";
}

// Opens one description text and hands its section to the test.
class ControlFile
{
public:
    explicit ControlFile(const std::string& _text)
    {
        m_dir.Write("control.des", _text);
        m_opened = m_file.Open(&m_root, "control.des") == 1;
    }
    ~ControlFile() { m_file.Close(); }
    DES_Section* Section(const char* _name)
    {
        EXPECT_TRUE(m_opened);
        EXPECT_EQ(1u, m_root.FindSection(&m_section, _name));
        return &m_section;
    }

private:
    TST_TempDir m_dir;
    DES_File m_file;
    DES_Section m_root;
    DES_Section m_section;
    bool m_opened = false;
};

TEST(MotModel, ParseConvertsUnitsAndConfiguresEachClassItsOwnWay)
{
    ControlFile file(ControlSection("Control", Keys()));
    MOT_Vessel vessel;
    MOT_Vehicle vehicle;
    MOT_OldOne oldOne;
    MOT_Turn turn;
    // Bits the friction keys do not own survive; the world-axis bits are cleared.
    for (MOT_Friction* friction : {&vessel.Friction, &vehicle.Friction, &oldOne.Friction, &turn.Friction})
        friction->flags = 0x1FF;
    vessel.Parse(file.Section("Control"));
    vehicle.Parse(file.Section("Control"));
    oldOne.Parse(file.Section("Control"));
    turn.Parse(file.Section("Control"));

    for (MOT_Model* model : std::initializer_list<MOT_Model*>{&vessel, &vehicle, &oldOne}) {
        EXPECT_EQ(10.0f, model->GetMaxForwardSpeed());
        EXPECT_EQ(-4.0f, model->GetMaxReverseSpeed());
        EXPECT_EQ(5.0f, model->MoveT);
        for (u32 k = 0; k < 3; ++k) {
            EXPECT_EQ(5.0f, model->Translation.PositionLimit[k].Accel);
            EXPECT_EQ(10.0f, model->Translation.VelocityLimit[k].MaxVelocity);
            EXPECT_EQ(-4.0f, model->Translation.VelocityLimit[k].MinVelocity);
            EXPECT_EQ(1u, model->Translation.UseLimit[k]);
        }
        EXPECT_FLOAT_EQ(1.5707963f, model->TurnPV);
        EXPECT_FLOAT_EQ(-1.5707963f, model->TurnNV);
        EXPECT_FLOAT_EQ(0.78539815f, model->TurnT);
        EXPECT_EQ(MOT_Friction::BODY_X, model->Friction.flags & 0x1C7);
        EXPECT_EQ(0.5f, model->Friction.c[3]);
        EXPECT_EQ(-1.0f, model->Friction.c[5]);
    }
    EXPECT_EQ(0.5f, vessel.TurnR);
    EXPECT_EQ(0.5f, oldOne.TurnR);

    // Limiters on the steered axes, swing gains (T 1, A 0.1) on the others.
    struct Case
    {
        const char* name;
        const PHY_RotationControl* rotation;
        u32 useLimit[3];
        const MOT_Friction* friction;
    };
    const Case cases[] = {
        {"vessel", &vessel.Rotation, {1, 1, 0}, &vessel.Friction},
        {"vehicle", &vehicle.Rotation, {1, 0, 0}, &vehicle.Friction},
        {"old one", &oldOne.Rotation, {1, 0, 0}, &oldOne.Friction},
        {"turn", &turn.Rotation, {1, 1, 0}, &turn.Friction},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (u32 n = 0; n < 3; ++n) {
            EXPECT_EQ(c.useLimit[n], c.rotation->UseLimit[n]);
            if (c.useLimit[n] == 1) {
                EXPECT_FLOAT_EQ(1.5707963f, c.rotation->AngleLimit[n].MaxVelocity);
                EXPECT_FLOAT_EQ(0.78539815f, c.rotation->RateLimit[n].Accel);
            } else {
                EXPECT_NEAR(60.686010f, c.rotation->AnglePID[n].P, 1e-4f);
                EXPECT_NEAR(4.6051702f, c.rotation->RatePID[n].P, 1e-6f);
            }
        }
        EXPECT_EQ(MOT_Friction::HEADING | MOT_Friction::ROLL, c.friction->flags & 0x38);
        EXPECT_EQ(0.25f, c.friction->c[6]);
        EXPECT_EQ(0.0f, c.friction->c[7]);
        EXPECT_EQ(2.0f, c.friction->c[8]);
    }
    EXPECT_FLOAT_EQ(1.5707963f, turn.TurnPV);
}

TEST(MotModel, ZeroLimitsReachedInNoTimeGiveNoAcceleration)
{
    struct Case
    {
        f32 limit, time, move, turn;
    };
    // 0 / 0 is no acceleration; a time of 0 alone stays an instant limiter.
    const Case cases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f},
        {0.0f, 2.0f, 0.0f, 0.0f},
        {10.0f, 0.0f, INFINITY, INFINITY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        ControlFile file(ControlSection("Control", Keys(c.limit, c.time, c.limit, c.time)));
        MOT_Vessel vessel;
        vessel.Parse(file.Section("Control"));
        EXPECT_EQ(c.move, vessel.MoveT);
        EXPECT_EQ(c.move, vessel.Translation.VelocityLimit[1].Accel);
        EXPECT_EQ(c.turn, vessel.TurnT);
        EXPECT_EQ(c.turn, vessel.Rotation.RateLimit[0].Accel);
        MOT_Turn turn;
        turn.Parse(file.Section("Control"));
        EXPECT_EQ(c.turn, turn.TurnT);
    }
}

TEST(MotModel, SwingValuesWithoutFiniteGainsStopTheParse)
{
    struct Case
    {
        f32 swingT, swingA;
        const char* message;  // null: accepted
    };
    const Case cases[] = {
        {0.0f, 0.1f, "\"SwingT\" in file \"control.des\" must be above 0"},
        {-1.0f, 0.1f, "\"SwingT\" in file \"control.des\" must be above 0"},
        {1.0f, 1.0f, "\"SwingA\" in file \"control.des\" must be 0 or positive and not 1"},
        {1.0f, -0.5f, "\"SwingA\" in file \"control.des\" must be 0 or positive and not 1"},
        {1.0f, 0.0f, nullptr},
        {1.0f, 2.0f, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.swingT) + " " + std::to_string(c.swingA));
        ControlFile file(ControlSection("Control", Keys(10.0f, 2.0f, 90.0f, 2.0f, c.swingT, c.swingA)));
        MOT_Vessel vessel;
        MOT_Vehicle vehicle;
        MOT_OldOne oldOne;
        MOT_Turn turn;
        if (c.message == nullptr) {
            vessel.Parse(file.Section("Control"));
            EXPECT_TRUE(std::isfinite(vessel.Rotation.AnglePID[2].P));
            EXPECT_TRUE(std::isfinite(vessel.Rotation.AnglePID[2].D));
            continue;
        }
        EXPECT_FATAL(vessel.Parse(file.Section("Control")), "MOT_Vessel::Parse()", c.message);
        EXPECT_FATAL(vehicle.Parse(file.Section("Control")), "MOT_Vehicle::Parse()", c.message);
        EXPECT_FATAL(oldOne.Parse(file.Section("Control")), "MOT_OldOne::Parse()", c.message);
        EXPECT_FATAL(turn.Parse(file.Section("Control")), "MOT_Turn::Parse()", c.message);
    }
}

TEST(MotModel, MissingKeyStopsInTheReader)
{
    ControlFile file(ControlSection("Turret",
                                    "    TurnPV = 90.0\n    TurnNV = 90.0\n    TurnT = 2.0\n"
                                    "    SwingT = 1.0\n    SwingA = 0.1\n    TurnFriction = 1.0, 1.0, 1.0\n"));
    MOT_Turn turn;
    turn.Parse(file.Section("Turret"));
    MOT_Vessel vessel;
    EXPECT_FATAL(vessel.Parse(file.Section("Turret")), "DesFile Error",
                 "data \"MovePV\" not found in file \"control.des\"");
}

TEST(MotModel, FrictionSparesEveryAxisAControllerDrivesEvenWithOverlappingMasks)
{
    const SIM_Clock clock = StepClock();
    MOT_Vessel vessel;
    vessel.Friction.flags = 0x3F;  // c = 1: a velocity of 1 is damped by 20 per second
    vessel.State.SetVelocity({1.0f, 1.0f, 1.0f});
    for (MOT_RotationAxis& axis : vessel.State.rotation)
        axis.rate = 1.0f;
    // The same axis in two masks: added up they would name the next axis instead.
    vessel.Translation.PositionModeMask = 0x2;
    vessel.Translation.VelocityModeMask = 0x2;
    vessel.Rotation.AngleTargetMask = 0x8;
    vessel.Rotation.PointTargetMask = 0x8;
    vessel.ApplyFrictionOnFreeAxes(clock);
    EXPECT_EQ(-20.0f, vessel.State.translation[0].acceleration);
    EXPECT_EQ(0.0f, vessel.State.translation[1].acceleration);
    EXPECT_EQ(-20.0f, vessel.State.translation[2].acceleration);
    EXPECT_EQ(0.0f, vessel.State.rotation[H].acceleration);
    EXPECT_EQ(-20.0f, vessel.State.rotation[P].acceleration);
    EXPECT_EQ(-20.0f, vessel.State.rotation[R].acceleration);
    EXPECT_EQ(0x3Fu, vessel.Friction.flags);

    MOT_Turn turn;
    turn.Friction.flags = 0x38;
    for (MOT_RotationAxis& axis : turn.State.rotation)
        axis.rate = 1.0f;
    turn.Rotation.RateTargetMask = 0x10;
    turn.Rotation.PointTargetMask = 0x10;
    turn.ApplyFrictionOnFreeAxes(clock);
    EXPECT_EQ(-20.0f, turn.State.rotation[H].acceleration);
    EXPECT_EQ(0.0f, turn.State.rotation[P].acceleration);
    EXPECT_EQ(-20.0f, turn.State.rotation[R].acceleration);
}

TEST(MotModel, ControlStepDampsOnlyTheAxesNotDriven)
{
    const SIM_Clock clock = StepClock();
    // Sideways and vertical slip damped, as a hull would.
    std::string keys = Keys();
    keys.replace(keys.find("MoveFriction = 0.5, 0.0, -1.0"), 29, "MoveFriction = 0.5, 0.0, 0.5");
    ControlFile file(ControlSection("Control", keys));
    MOT_Vessel vessel;
    vessel.Parse(file.Section("Control"));
    vessel.Friction.flags = MOT_Friction::BODY_X | MOT_Friction::BODY_Y;
    vessel.Friction.c[0] = vessel.Friction.c[1] = 1.0f;
    vessel.State.SetVelocity({1.0f, 5.0f, 0.0f});
    // Straight ahead at half speed: already at the target velocity along the forward axis.
    vessel.MoveTo(clock, {0.0f, 100.0f, 0.0f}, 0.5f, 0.5f);
    vessel.ControlStep(clock);
    EXPECT_EQ(-20.0f, vessel.State.translation[0].acceleration);
    EXPECT_EQ(0.0f, vessel.State.translation[1].acceleration);
}

// Steering from (1, 2, 3), facing +y, with MovePV 10 and MoveNV -4, min 0.2 and max 1.
struct SteerCase
{
    const char* name;
    MAT_Vector3 offset;  // target - position
    f32 speed;           // expected TargetVelocity[1]
    MAT_Vector3 aim;     // expected TargetPoint
};

template <class MODEL>
MODEL SteeringModel()
{
    MODEL model;
    model.MovePV = 10.0f;
    model.MoveNV = -4.0f;
    model.State.SetPosition({1.0f, 2.0f, 3.0f});
    model.Rotation.AngleTargetMask = 0x38;
    model.Rotation.RateTargetMask = 0x38;
    model.Translation.PositionModeMask = 0x7;
    return model;
}

void CheckSteering(const SteerCase* _cases, size_t _count, u32 _bits,
                   const std::function<void(const MAT_Vector3&, PHY_TranslationControl&, PHY_RotationControl&)>& _steer)
{
    for (size_t i = 0; i < _count; ++i) {
        const SteerCase& c = _cases[i];
        SCOPED_TRACE(c.name);
        PHY_TranslationControl translation;
        PHY_RotationControl rotation;
        _steer(MAT_Vector3(1.0f, 2.0f, 3.0f) + c.offset, translation, rotation);
        EXPECT_FLOAT_EQ(c.speed, translation.TargetVelocity[1]);
        EXPECT_EQ(0x2u, translation.VelocityModeMask);
        EXPECT_EQ(0x5u, translation.PositionModeMask);
        EXPECT_EQ(_bits, rotation.PointTargetMask);
        EXPECT_EQ(0x38u & ~_bits, rotation.AngleTargetMask);
        EXPECT_EQ(0x38u & ~_bits, rotation.RateTargetMask);
        EXPECT_FLOAT_EQ(c.aim.x, rotation.TargetPoint.x);
        EXPECT_FLOAT_EQ(c.aim.y, rotation.TargetPoint.y);
        EXPECT_FLOAT_EQ(c.aim.z, rotation.TargetPoint.z);
    }
}

template <class MODEL, class ROUTINE>
std::function<void(const MAT_Vector3&, PHY_TranslationControl&, PHY_RotationControl&)> Steer(ROUTINE _routine)
{
    return
        [_routine](const MAT_Vector3& _target, PHY_TranslationControl& _translation, PHY_RotationControl& _rotation) {
            const SIM_Clock clock = StepClock();
            MODEL model = SteeringModel<MODEL>();
            (model.*_routine)(clock, _target, 0.2f, 1.0f);
            _translation = model.Translation;
            _rotation = model.Rotation;
        };
}

TEST(MotModel, VesselSteeringSpeedsAheadBehindAndAbeam)
{
    const MAT_Vector3 ahead(0.0f, 10.0f, 5.0f), behind(0.0f, -10.0f, 5.0f), abeam(10.0f, 0.0f, 5.0f);
    const MAT_Vector3 p(1.0f, 2.0f, 3.0f);
    const SteerCase moveTo[] = {
        {"ahead", ahead, 10.0f, p + ahead},
        {"behind", behind, 2.0f, p + behind},
        {"abeam", abeam, 4.0f, p + abeam},
    };
    CheckSteering(moveTo, 3, 0x18, Steer<MOT_Vessel>(&MOT_Vessel::MoveTo));
    // Behind: backwards at full reverse speed with the nose on the mirrored point; abeam (c = 0)
    // still takes the forward branch.
    const SteerCase attackRun[] = {
        {"ahead", ahead, 10.0f, p + ahead},
        {"behind", behind, -4.0f, p - behind},
        {"abeam", abeam, 4.0f, p + abeam},
    };
    CheckSteering(attackRun, 3, 0x18, Steer<MOT_Vessel>(&MOT_Vessel::AttackRun));
    const SteerCase attackTurn[] = {
        {"ahead", ahead, -0.8f, p - ahead},
        {"behind", behind, -4.0f, p - behind},
        {"abeam", abeam, -1.6f, p - abeam},
    };
    CheckSteering(attackTurn, 3, 0x18, Steer<MOT_Vessel>(&MOT_Vessel::AttackTurn));
}

TEST(MotModel, VehicleSteeringStaysOnTheGround)
{
    const MAT_Vector3 ahead(0.0f, 10.0f, 5.0f), behind(0.0f, -10.0f, 5.0f), abeam(10.0f, 0.0f, 5.0f);
    const SteerCase gotoPosition[] = {
        {"ahead", ahead, 10.0f, {1.0f, 12.0f, 0.0f}},
        {"behind", behind, 2.0f, {1.0f, -8.0f, 0.0f}},
        {"abeam", abeam, 4.0f, {11.0f, 2.0f, 0.0f}},
    };
    CheckSteering(gotoPosition, 3, 0x8, Steer<MOT_Vehicle>(&MOT_Vehicle::GotoPosition));
    const SteerCase reverse[] = {
        {"ahead", ahead, 10.0f, {1.0f, 12.0f, 0.0f}},
        {"behind", behind, -4.0f, {1.0f, 12.0f, 6.0f}},
        {"abeam", abeam, 4.0f, {11.0f, 2.0f, 0.0f}},
    };
    CheckSteering(reverse, 3, 0x8, Steer<MOT_Vehicle>(&MOT_Vehicle::GotoPositionReverse));
}

TEST(MotModel, SteeringWithoutAHorizontalAngleCarriesOnAhead)
{
    const SIM_Clock clock = StepClock();
    // The target straight above or below, or the body pointing straight up: no horizontal
    // angle exists, and the speed must not become NaN.
    struct Case
    {
        const char* name;
        MAT_Vector3 offset;
        bool upright;
    };
    const Case cases[] = {
        {"target above", {0.0f, 0.0f, 10.0f}, false},
        {"target below", {0.0f, 0.0f, -10.0f}, false},
        {"target at the position", {0.0f, 0.0f, 0.0f}, false},
        {"nose up", {3.0f, -4.0f, 0.0f}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MOT_Vessel vessel = SteeringModel<MOT_Vessel>();
        MOT_Vehicle vehicle = SteeringModel<MOT_Vehicle>();
        if (c.upright) {
            MAT_Matrix34 frame = vessel.State.frame;
            frame.r.SetFromRows({1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f});
            vessel.State.frame = frame;
            vehicle.State.frame = frame;
        }
        const MAT_Vector3 target = vessel.State.frame.t + c.offset;
        vessel.MoveTo(clock, target, 0.2f, 1.0f);
        EXPECT_EQ(10.0f, vessel.Translation.TargetVelocity[1]);
        vessel.AttackTurn(clock, target, 0.2f, 1.0f);
        EXPECT_FLOAT_EQ(-0.8f, vessel.Translation.TargetVelocity[1]);
        vehicle.GotoPositionReverse(clock, target, 0.2f, 1.0f);
        EXPECT_EQ(10.0f, vehicle.Translation.TargetVelocity[1]);
    }
}

TEST(MotModel, BankLeansIntoTheTurnScaledByTurnR)
{
    struct Case
    {
        f32 forward, turnRate, turnR, roll;
    };
    const Case cases[] = {
        {0.0f, 1.0f, 1.0f, 0.0f},
        {10.0f, 0.0f, 1.0f, 0.0f},
        {10.0f, 1.0f, 0.0f, 0.0f},
        {10.0f, 1.0f, 1.0f, (f32)std::atan(-10.0 / 9.81)},
        {-10.0f, 1.0f, 0.5f, 0.5f * (f32)std::atan(10.0 / 9.81)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.forward * c.turnRate * c.turnR);
        MOT_Vessel vessel;
        vessel.TurnR = c.turnR;
        // Facing -x: the forward speed is measured along the body's second axis, not world y.
        MAT_Matrix34 frame;
        frame.SetPositionAngles({}, MAT_Angle(1.5707964f), MAT_Angle(0.0f), MAT_Angle(0.0f));
        vessel.State.SetMatrix(frame);
        vessel.State.SetVelocity(vessel.State.frame.r.GetAxis(1) * c.forward + MAT_Vector3(0.0f, 0.0f, 3.0f));
        vessel.State.rotation[H].rate = c.turnRate;
        vessel.Rotation.PointTargetMask = 0x38;
        vessel.Rotation.RateTargetMask = 0x38;
        vessel.Bank();
        EXPECT_NEAR(c.roll, vessel.Rotation.TargetAngle[2], 1e-6f);
        EXPECT_EQ(0x20u, vessel.Rotation.AngleTargetMask);
        EXPECT_EQ(0x18u, vessel.Rotation.PointTargetMask);
        EXPECT_EQ(0x18u, vessel.Rotation.RateTargetMask);
    }
}

TEST(MotModel, StopHaltsAndFacePointTurnsWithoutMoving)
{
    const SIM_Clock clock = StepClock();
    MOT_Vehicle vehicle = SteeringModel<MOT_Vehicle>();
    vehicle.GotoPosition(clock, {20.0f, 20.0f, 0.0f}, 0.2f, 1.0f);
    vehicle.Rotation.RateTargetMask = 0x8;
    vehicle.Stop();
    EXPECT_EQ(0x7u, vehicle.Translation.VelocityModeMask);
    EXPECT_EQ(0u, vehicle.Translation.PositionModeMask);
    for (u32 k = 0; k < 3; ++k)
        EXPECT_EQ(0.0f, vehicle.Translation.TargetVelocity[k]);
    EXPECT_EQ(0u,
              (vehicle.Rotation.PointTargetMask | vehicle.Rotation.AngleTargetMask | vehicle.Rotation.RateTargetMask) &
                  0x8u);
    EXPECT_EQ(0x30u, vehicle.Rotation.AngleTargetMask);  // pitch and roll stay on the ground

    vehicle.FacePoint({-5.0f, 2.0f, 0.0f});
    EXPECT_EQ(0x8u, vehicle.Rotation.PointTargetMask);
    EXPECT_EQ(MAT_Vector3(-5.0f, 2.0f, 0.0f), vehicle.Rotation.TargetPoint);
    EXPECT_EQ(0x7u, vehicle.Translation.VelocityModeMask);
    EXPECT_EQ(0.0f, vehicle.Translation.TargetVelocity[1]);
}

TEST(MotModel, OldOneGotoPositionTipsItsThirdAxisTowardsTheTarget)
{
    const SIM_Clock clock = StepClock();
    MOT_OldOne oldOne = SteeringModel<MOT_OldOne>();
    oldOne.GotoPosition(clock, {1.0f, 12.0f, 3.0f}, 0.5f);
    EXPECT_EQ(0x8u, oldOne.Rotation.PointTargetMask);
    EXPECT_EQ(0x10u, oldOne.Rotation.AngleTargetMask & 0x18u);
    EXPECT_FLOAT_EQ(-1.5707964f, oldOne.Rotation.TargetAngle[1]);
    EXPECT_EQ(0x4u, oldOne.Translation.VelocityModeMask);
    EXPECT_EQ(5.0f, oldOne.Translation.TargetVelocity[2]);
    // Straight above: the third axis already points there.
    oldOne.GotoPosition(clock, {1.0f, 2.0f, 13.0f}, 0.5f);
    EXPECT_NEAR(0.0f, oldOne.Rotation.TargetAngle[1], 1e-6f);
}

TEST(MotModel, OldOneArrivesWithAWorldVelocityAndTiltsWithItsSpeed)
{
    const SIM_Clock clock = StepClock();
    MOT_OldOne oldOne = SteeringModel<MOT_OldOne>();
    oldOne.TurnR = 0.5f;
    oldOne.State.SetVelocity({0.0f, 2.0f, 0.0f});  // tilt factor -|v| x TurnR = -1
    oldOne.GotoPositionArrive(clock, {1.0f + 0.0f, 2.0f + 6.0f, 3.0f + 8.0f}, 0.5f);
    EXPECT_EQ(0x38u, oldOne.Rotation.AngleTargetMask);
    EXPECT_EQ(0u, oldOne.Rotation.PointTargetMask);
    EXPECT_EQ(0x1C0u, oldOne.Translation.VelocityModeMask & 0x1C0u);
    EXPECT_EQ(0u, oldOne.Translation.PositionModeMask & 0x1C0u);
    EXPECT_FLOAT_EQ(0.0f, oldOne.Translation.TargetVelocity[0]);
    EXPECT_FLOAT_EQ(3.0f, oldOne.Translation.TargetVelocity[1]);
    EXPECT_FLOAT_EQ(4.0f, oldOne.Translation.TargetVelocity[2]);
    EXPECT_EQ(0.0f, oldOne.Rotation.TargetAngle[0]);
    EXPECT_FLOAT_EQ(-(f32)std::atan2(3.0, 4.0), oldOne.Rotation.TargetAngle[1]);
    EXPECT_EQ(0.0f, oldOne.Rotation.TargetAngle[2]);

    // At the target: no direction to scale, a zero velocity and no NaN.
    oldOne.GotoPositionArrive(clock, {1.0f, 2.0f, 3.0f}, 0.5f);
    for (u32 k = 0; k < 3; ++k) {
        EXPECT_EQ(0.0f, oldOne.Translation.TargetVelocity[k]);
        EXPECT_FALSE(std::isnan(oldOne.Rotation.TargetAngle[k]));
    }
}

// A 32 m square of ground, one cell, centred on the origin; _height(x, y) in metres at the
// sample (x, y), one sample per metre.
void BuildGround(MRT_Terrain& _terrain, const std::function<f32(s32, s32)>& _height)
{
    TST_BuildTerrain(_terrain, 1, 33, {-16.0f, -16.0f, 0.0f}, {1.0f, 1.0f, 0.01f},
                     [&](s32 _x, s32 _y) { return (u16)std::lround(_height(_x, _y) * 100.0f); });
}

MOT_Vehicle GroundVehicle(MRT_Terrain* _terrain, f32 _heading, const MAT_Vector3& _position)
{
    MOT_Vehicle vehicle;
    const f32 box[6] = {-1.0f, -2.0f, -0.5f, 1.0f, 2.0f, 1.0f};
    for (s32 i = 0; i < 6; ++i)
        vehicle.FollowBox[i] = box[i];
    vehicle.HeightOffset = 0.25f;
    vehicle.Terrain = _terrain;
    MAT_Matrix34 frame;
    frame.SetPositionAngles(_position, MAT_Angle(_heading), MAT_Angle(0.0f), MAT_Angle(0.0f));
    vehicle.State.SetMatrix(frame);
    return vehicle;
}

TEST(MotModel, FollowTerrainRestsTheBoxOnTheGround)
{
    MRT_Terrain flat, slope, sideSlope, tilted;
    BuildGround(flat, [](s32, s32) { return 3.0f; });
    // Rising by 1 m in 4, 4 m above the origin.
    BuildGround(slope, [](s32, s32 _y) { return 0.25f * (f32)_y; });
    BuildGround(sideSlope, [](s32 _x, s32) { return 0.25f * (f32)_x; });
    // Rising along both axes, 1 m in 4 along x and 1 in 2 along y, 12 m above the origin.
    BuildGround(tilted, [](s32 _x, s32 _y) { return 0.25f * (f32)_x + 0.5f * (f32)_y; });
    // The box is 2 m wide and 4 m long: 0.5 m across its width, 1 m along its length.
    const f32 alongLength = (f32)std::asin(0.25);
    const f32 acrossWidth = (f32)std::asin(-0.25);
    // A box off its origin: 4 m wide from x -1, 3 m long from y -1. The corners' weights are 6,
    // 3, 1 and 2 twelfths, so on a plane only the bilinear weighting finds the ground under
    // the origin.
    const f32 centred[6] = {-1.0f, -2.0f, -0.5f, 1.0f, 2.0f, 1.0f};
    const f32 offCentre[6] = {-1.0f, -1.0f, -0.5f, 3.0f, 2.0f, 1.0f};
    struct Case
    {
        const char* name;
        MRT_Terrain* terrain;
        f32 heading;
        f32 pitch, roll, z;
        const f32* box = nullptr;
    };
    const Case cases[] = {
        {"flat", &flat, 0.0f, 0.0f, 0.0f, 3.0f + 0.25f + 0.5f},
        {"slope ahead", &slope, 0.0f, alongLength, 0.0f, 4.0f + 0.75f},
        // Rising towards the body's first axis: the minimum-x side is the low one.
        {"slope to the side", &sideSlope, 0.0f, 0.0f, acrossWidth, 4.0f + 0.75f},
        // Facing -x, the y slope rises towards the body's first axis too.
        {"turned on the slope", &slope, 1.5707964f, 0.0f, acrossWidth, 4.0f + 0.75f},
        {"off-centre box on the flat", &flat, 0.0f, 0.0f, 0.0f, 3.0f + 0.75f, offCentre},
        {"off-centre box on a tilted plane", &tilted, 0.0f, (f32)std::asin(0.5), acrossWidth, 12.0f + 0.75f, offCentre},
        // Facing -x: x rises along the body's second axis backwards, y along its first.
        {"off-centre box turned on a tilted plane", &tilted, 1.5707964f, (f32)std::asin(-0.25), (f32)std::asin(-0.5),
         12.0f + 0.75f, offCentre},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MOT_Vehicle vehicle = GroundVehicle(c.terrain, c.heading, {0.0f, 0.0f, 10.0f});
        for (s32 i = 0; i < 6; ++i)
            vehicle.FollowBox[i] = (c.box != nullptr ? c.box : centred)[i];
        vehicle.Rotation.PointTargetMask = 0x38;
        vehicle.FollowTerrain();
        EXPECT_NEAR(c.pitch, vehicle.Rotation.TargetAngle[1], 1e-5f);
        EXPECT_NEAR(c.roll, vehicle.Rotation.TargetAngle[2], 1e-5f);
        EXPECT_EQ(0x30u, vehicle.Rotation.AngleTargetMask);
        EXPECT_EQ(0x8u, vehicle.Rotation.PointTargetMask);
        EXPECT_NEAR(c.z, vehicle.State.frame.t.z, 1e-5f);
        EXPECT_EQ(vehicle.State.frame.t.z, vehicle.State.translation[2].position);
        EXPECT_EQ(0.0f, vehicle.State.frame.t.x);
        EXPECT_EQ(0.0f, vehicle.State.frame.t.y);
    }
}

TEST(MotModel, FollowTerrainWithoutUsableGroundLeavesTheVehicleAsItIs)
{
    MRT_Terrain flat;
    BuildGround(flat, [](s32, s32) { return 3.0f; });
    struct Case
    {
        const char* name;
        MRT_Terrain* terrain;
        MAT_Vector3 position;
        f32 width, length;
    };
    const Case cases[] = {
        {"no terrain", nullptr, {0.0f, 0.0f, 7.0f}, 2.0f, 4.0f},
        {"corner off the grid", &flat, {15.5f, 0.0f, 7.0f}, 2.0f, 4.0f},
        {"wholly off the grid", &flat, {100.0f, 100.0f, 7.0f}, 2.0f, 4.0f},
        {"no width", &flat, {0.0f, 0.0f, 7.0f}, 0.0f, 4.0f},
        {"no length", &flat, {0.0f, 0.0f, 7.0f}, 2.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MOT_Vehicle vehicle = GroundVehicle(c.terrain, 0.0f, c.position);
        vehicle.FollowBox[0] = -0.5f * c.width;
        vehicle.FollowBox[3] = 0.5f * c.width;
        vehicle.FollowBox[1] = -0.5f * c.length;
        vehicle.FollowBox[4] = 0.5f * c.length;
        vehicle.Rotation.TargetAngle[1] = 0.125f;
        vehicle.Rotation.TargetAngle[2] = -0.125f;
        vehicle.FollowTerrain();
        EXPECT_EQ(0u, vehicle.Rotation.AngleTargetMask);
        EXPECT_EQ(0.125f, vehicle.Rotation.TargetAngle[1]);
        EXPECT_EQ(-0.125f, vehicle.Rotation.TargetAngle[2]);
        EXPECT_EQ(c.position, vehicle.State.frame.t);
        EXPECT_EQ(7.0f, vehicle.State.translation[2].position);
    }
}

TEST(MotModel, VesselReachesATargetBehindItAndVehicleDrivesOverTheGround)
{
    const SIM_Clock clock = StepClock();
    // Sideways and vertical slip damped, as a hull would.
    std::string keys = Keys();
    keys.replace(keys.find("MoveFriction = 0.5, 0.0, -1.0"), 29, "MoveFriction = 0.5, 0.0, 0.5");
    ControlFile file(ControlSection("Control", keys));
    MOT_Vessel vessel;
    vessel.Parse(file.Section("Control"));
    vessel.State.flags = 0x27;
    const MAT_Vector3 target(-30.0f, -30.0f, 10.0f);
    f32 closest = FLT_MAX;
    for (s32 step = 0; step < 600; ++step) {
        vessel.ControlStep(clock);
        vessel.MoveTo(clock, target, 0.1f, 1.0f);
        vessel.State.Integrate(clock, 1);
        closest = std::fmin(closest, (vessel.State.frame.t - target).Length());
    }
    EXPECT_LT(closest, 3.0f);

    MRT_Terrain slope;
    BuildGround(slope, [](s32, s32 _y) { return 0.25f * (f32)_y; });
    MOT_Vehicle vehicle = GroundVehicle(&slope, 0.0f, {0.0f, -8.0f, 0.0f});
    vehicle.Parse(file.Section("Control"));
    vehicle.State.flags = 0x23;  // x and y integrated, the height set by the ground
    const MAT_Vector3 goal(8.0f, 8.0f, 0.0f);
    closest = FLT_MAX;
    for (s32 step = 0; step < 400; ++step) {
        vehicle.ControlStep(clock);
        vehicle.GotoPosition(clock, goal, 0.2f, 0.5f);
        vehicle.State.Integrate(clock, 1);
        const MAT_Vector3 p = vehicle.State.frame.t;
        closest = std::fmin(closest, std::hypot(p.x - goal.x, p.y - goal.y));
    }
    EXPECT_LT(closest, 2.0f);
    // The ground under the box's origin, one step behind the move, plus the box's depth and offset.
    EXPECT_NEAR(0.25f * (vehicle.State.frame.t.y + 16.0f), vehicle.State.frame.t.z - 0.75f, 0.3f);
}

}  // namespace
