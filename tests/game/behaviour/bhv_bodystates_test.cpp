// The state behaviours on a test owner in the real collision system: the sensor's enter and
// leave notifications per sensing step, its settings and interest names; the shield guard's
// requests, barriers and destroyed report; shot hits on the owner and its son bodies; the two
// enemy watches with their self-stop and the attack-sensor conflict; and a script node that
// receives hundreds of notifications of one step in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "bhv_state_fixture.h"
#include "lua_state.h"
#include "nod_patrolarea.h"
#include "nod_script.h"
#include "os_fatal.h"
#include "tools_sample_data.h"

namespace
{
TST_Texts Sorted(TST_Texts _texts)
{
    std::sort(_texts.begin(), _texts.end());
    return _texts;
}

TOOL_EmitterSection Loud(const char* _level)
{
    TOOL_EmitterSection keys;
    keys.soundEmissionLevel = _level;
    return keys;
}

const SIM_Name NONE;

class StateBehaviourTest : public TST_StateWorld
{
protected:
    static NOD_Message* Interest(const char* _name)
    {
        return NOD_Trigger_SetInterestList::Create(SIM_Name(_name), NONE, NONE, NONE);
    }
    // The owner's sensor on for the kinds, everything in range, interest names as given.
    void Activate(TST_StateOwner* _owner, u8 _presence, u8 _acoustic, u8 _visible, const char* _name = "boat")
    {
        _owner->Send(NOD_Trigger_SetPresenceSphere::Create(100.0f));
        _owner->Send(NOD_Trigger_SetAcousticSphere::Create(100.0f));
        _owner->Send(NOD_Trigger_SetVisibilityConeRelative::Create(180.0f, 100.0f));
        _owner->Send(NOD_Trigger_ActivateSensor::Create(_presence, _acoustic, _visible));
        _owner->Send(Interest(_name));
    }
    COD_Sensor* Perception(TST_StateOwner* _owner) { return _owner->GetAggregate().GetSensor1(); }
    COD_Sensor* Targets(TST_StateOwner* _owner) { return _owner->GetAggregate().GetSensor2(); }
};

// --- Sensor ---

TEST_F(StateBehaviourTest, SensorReportsEntersAndLeavesOnSensingSteps)
{
    TST_StateOwner* owner = MakeOwner();
    TST_Thing* boat1 = Make("boat1", {0.0f, 40.0f, 0.0f}, nullptr, true, Loud("medium"));
    Make("boat2", {0.0f, -60.0f, 0.0f}, nullptr, true, Loud("silent"));
    Make("rock1", {0.0f, 30.0f, 0.0f}, nullptr, true, Loud("loud"));
    EnterAll();
    Activate(owner, 1, 1, 1);
    owner->Send(NOD_Trigger_SetAcousticSensibility::Create(SIM_Name("medium")));

    StepToSensing();
    const TST_Sent first = owner->sent.front();
    EXPECT_EQ(1u, first.queued);
    // Presence, then acoustic, then visibility; the silent boat is not heard.
    EXPECT_EQ((TST_Texts{"Trigger_EnterPresence(boat1)", "Trigger_EnterPresence(boat2)"}),
              Sorted({owner->sent[0].text, owner->sent[1].text}));
    EXPECT_EQ((TST_Texts{"Trigger_EnterAcoustic(boat1)"}), TST_Texts{owner->sent[2].text});
    EXPECT_EQ((TST_Texts{"Trigger_EnterVisible(boat1)", "Trigger_EnterVisible(boat2)"}),
              Sorted({owner->sent[3].text, owner->sent[4].text}));
    EXPECT_EQ(5u, owner->Take().size());

    // Staying in range reports nothing more, between and on sensing steps.
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());

    // Leaving: one leave per kind at the next sensing step, none before it.
    boat1->PlaceAt(0.0f, 500.0f, 0.0f);
    Step();
    EXPECT_EQ(TST_Texts{}, owner->Take());
    StepToSensing();
    EXPECT_EQ(
        (TST_Texts{"Trigger_LeavePresence(boat1)", "Trigger_LeaveAcoustic(boat1)", "Trigger_LeaveVisible(boat1)"}),
        owner->Take());
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());

    // Coming back enters again; a node deleted while reported leaves without a notification.
    boat1->PlaceAt(0.0f, 40.0f, 0.0f);
    StepToSensing();
    EXPECT_EQ(3u, owner->Take().size());
    boat1->Leave();
    delete boat1;
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());
}

TEST_F(StateBehaviourTest, InterestNamesArePrefixesWithCase)
{
    TST_StateOwner* owner = MakeOwner();
    const char* const things[] = {"boat", "boat1", "Boat2", "ship_a", "sub"};
    for (s32 i = 0; i < 5; ++i)
        Make(things[i], {(f32)(i * 10 - 20), 50.0f, 0.0f});
    EnterAll();
    // Rows: the four interest names (null: no list sent after the start), what enters.
    const struct
    {
        std::vector<const char*> names;
        TST_Texts entered;
    } rows[] = {
        {{"boat", "", "", ""}, {"boat1"}},
        {{"", "Boat", "", ""}, {"Boat2"}},
        {{"b", "", "", ""}, {"boat", "boat1"}},
        {{"ship", "", "", "boat"}, {"boat1", "ship_a"}},
        {{"s", "", "su", ""}, {"ship_a", "sub"}},
        {{"", "", "", ""}, {}},
        {{}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.names.empty() ? "no list" : row.names[0]);
        owner->Send(NOD_Trigger_SetPresenceSphere::Create(100.0f));
        owner->Send(NOD_Trigger_ActivateSensor::Create((u8)1, (u8)0, (u8)0));
        if (!row.names.empty())
            owner->Send(NOD_Trigger_SetInterestList::Create(SIM_Name(row.names[0]), SIM_Name(row.names[1]),
                                                            SIM_Name(row.names[2]), SIM_Name(row.names[3])));
        StepToSensing();
        TST_Texts entered;
        for (const std::string& text : owner->Take())
            entered.push_back(text.substr(text.find('(') + 1, text.size() - text.find('(') - 2));
        EXPECT_EQ(row.entered, Sorted(entered));
        owner->Send(NOD_Trigger_StopSensor::Create());
    }
}

TEST_F(StateBehaviourTest, StopSwitchesSensingOffWithoutLeavesAndAStartEmptiesItsKinds)
{
    TST_StateOwner* owner = MakeOwner();
    Make("boat1", {0.0f, 40.0f, 0.0f});
    EnterAll();
    Activate(owner, 1, 0, 1);
    StepToSensing();
    EXPECT_EQ(2u, owner->Take().size());

    owner->Send(NOD_Trigger_StopSensor::Create());
    EXPECT_EQ(0, owner->states.GetCode(1));
    EXPECT_EQ(0u, Perception(owner)->m_flags & (COD_SENSOR_ACTIVE | COD_SENSOR_SEEING | COD_SENSOR_PRESENCE));
    EXPECT_EQ(0, Perception(owner)->m_filterCount);
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());
    // A stop while inactive reaches no behaviour and is logged as lost.
    owner->Send(NOD_Trigger_StopSensor::Create());
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 20007"));

    // The settings outlived the stop; the restart empties the presence set only, so the boat
    // enters again as present, and visibility stays off.
    EXPECT_EQ(100.0f, Perception(owner)->m_presenceRange);
    owner->Send(NOD_Trigger_ActivateSensor::Create((u8)1, (u8)0, (u8)0));
    owner->Send(Interest("boat"));
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Trigger_EnterPresence(boat1)"}, owner->Take());
    // A second start while active interrupts first: sensing restarts with the new kinds.
    owner->Send(NOD_Trigger_ActivateSensor::Create((u8)0, (u8)0, (u8)1));
    owner->Send(Interest("boat"));
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Trigger_EnterVisible(boat1)"}, owner->Take());
}

TEST_F(StateBehaviourTest, SensorSettings)
{
    TST_StateOwner* owner = MakeOwner();
    COD_Sensor* sensor = Perception(owner);
    // Init: filter on, nothing sensed, silent, no names.
    EXPECT_EQ(COD_SENSOR_NAME_FILTER, sensor->m_flags);
    EXPECT_EQ(COD_SOUND_SILENT, sensor->m_minSoundLevel);

    // Settings reach the inactive sensor.
    owner->Send(NOD_Trigger_SetPresenceSphere::Create(12.5f));
    owner->Send(NOD_Trigger_SetAcousticSphere::Create(7.0f));
    EXPECT_EQ(12.5f, sensor->m_presenceRange);
    EXPECT_EQ(7.0f, sensor->m_hearingRange);
    EXPECT_EQ(0, owner->states.GetCode(1));

    // The absolute cone: angles, range, angle. The relative one: angle first, range second.
    owner->Send(NOD_Trigger_SetVisibilityCone::Create(MAT_Vector3(90.0f, 0.0f, 0.0f), 40.0f, 60.0f));
    EXPECT_EQ(40.0f, sensor->m_seeingRange);
    EXPECT_NEAR(0.5f, sensor->m_coneCosine, 1e-6f);
    EXPECT_EQ(1, sensor->m_orientationFlag);
    COD_Sensor reference;
    reference.SetOrientationDegrees(90.0f, 0.0f, 0.0f);
    EXPECT_EQ(reference.m_orientation.x, sensor->m_orientation.x);
    EXPECT_EQ(reference.m_orientation.y, sensor->m_orientation.y);
    EXPECT_EQ(reference.m_orientation.z, sensor->m_orientation.z);
    owner->Send(NOD_Trigger_SetVisibilityConeRelative::Create(90.0f, 70.0f));
    EXPECT_EQ(70.0f, sensor->m_seeingRange);
    EXPECT_NEAR(0.0f, sensor->m_coneCosine, 1e-6f);
    EXPECT_EQ(0, sensor->m_orientationFlag);

    // Blocking: exactly 1 sets the line-of-sight test, anything else clears it.
    const struct
    {
        u8 value;
        u32 bit;
    } blocking[] = {{1, COD_SENSOR_OCCLUSION}, {2, 0u}, {1, COD_SENSOR_OCCLUSION}, {0, 0u}};
    for (const auto& row : blocking) {
        sensor->m_flags |= COD_SENSOR_VISIBILITY_TESTED;
        owner->Send(NOD_Trigger_SetVisibilityBlockingStatus::Create(row.value));
        EXPECT_EQ(row.bit, sensor->m_flags & COD_SENSOR_OCCLUSION) << (s32)row.value;
        EXPECT_EQ(0u, sensor->m_flags & COD_SENSOR_VISIBILITY_TESTED);  // stale evaluation
    }

    // Sensibility names without regard to case; another is logged and changes nothing.
    const struct
    {
        const char* name;
        s32 level;
    } levels[] = {{"LOUD", 3}, {"Medium", 2}, {"silent", 1}, {"deafening", 1}, {"loud", 3}, {"", 3}};
    for (const auto& row : levels) {
        owner->Send(NOD_Trigger_SetAcousticSensibility::Create(SIM_Name(row.name)));
        EXPECT_EQ(row.level, sensor->m_minSoundLevel) << row.name;
    }
    EXPECT_TRUE(Logged("Unknown acousitic sensibility deafening in Trigger_SetCousticSensibility"));

    // The interest list packs the names given; the start resets its count.
    owner->Send(NOD_Trigger_SetInterestList::Create(NONE, SIM_Name("b"), NONE, SIM_Name("d")));
    ASSERT_EQ(2, sensor->m_filterCount);
    EXPECT_TRUE(sensor->m_filter[0] == "b");
    EXPECT_TRUE(sensor->m_filter[1] == "d");
    owner->Send(NOD_Trigger_ActivateSensor::Create((u8)1, (u8)1, (u8)1));
    EXPECT_EQ(0, sensor->m_filterCount);
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE,
              sensor->m_flags);
}

TEST_F(StateBehaviourTest, RelativeConeLooksWhereTheOwnerLooks)
{
    TST_StateOwner* owner = MakeOwner();
    Make("boat_ahead", {0.0f, 50.0f, 0.0f});
    Make("boat_behind", {0.0f, -50.0f, 0.0f});
    Make("boat_side", {50.0f, 10.0f, 0.0f});
    EnterAll();
    owner->Send(NOD_Trigger_SetVisibilityConeRelative::Create(60.0f, 100.0f));
    owner->Send(NOD_Trigger_ActivateSensor::Create((u8)0, (u8)0, (u8)1));
    owner->Send(Interest("boat"));
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Trigger_EnterVisible(boat_ahead)"}, owner->Take());
    // A half space: 90 degrees takes the side too.
    owner->Send(NOD_Trigger_SetVisibilityConeRelative::Create(90.0f, 100.0f));
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Trigger_EnterVisible(boat_side)"}, owner->Take());
}

// --- Shield guard ---

TEST_F(StateBehaviourTest, GuardReportsEachFallBelowABarrierOnce)
{
    // The same ratios for each kind, barrier 0.5: at the barrier nothing (and it re-arms),
    // below it one report, again only after a rise to the barrier.
    const f32 ratios[] = {0.75f, 0.5f, 0.25f, 0.125f, 0.5f, 0.375f, 1.0f};
    const TST_Texts reported = {"0.25", "0.375"};
    for (s32 kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        TST_StateOwner* owner = MakeOwner();
        SHL_Shield& shield = owner->GetShieldRef();
        shield.SetPairs(1, 0, 0, MAT_Vector3(1.0f, 1.0f, 1.0f));
        shield.SetFace(SHL_FACE_RIGHT, 1000, 1000);
        shield.SetFace(SHL_FACE_LEFT, 1000, 1000);
        shield.SetEmp(0, 1000, 1000);
        shield.SetBio(0, 1000, 1000);
        EnterAll();
        NOD_Message* const requests[] = {NOD_Body_RequestKinInfo::Create(0.5f), NOD_Body_RequestEmpInfo::Create(0.5f),
                                         NOD_Body_RequestBioInfo::Create(0.5f)};
        // Before the activation a request is forgotten.
        owner->Send(NOD_Body_RequestKinInfo::Create(0.9f));
        owner->Send(NOD_Body_RequestEmpInfo::Create(0.9f));
        owner->Send(NOD_Body_RequestBioInfo::Create(0.9f));
        owner->Send(NOD_Body_ActivateShieldGuard::Create());
        EXPECT_EQ(2, owner->states.GetCode(2));
        owner->Send(requests[kind]);
        for (s32 other = 0; other < 3; ++other)
            if (other != kind)
                delete requests[other];
        const char* const names[] = {"Body_KinShieldBarrierReached", "Body_EmpShieldBarrierReached",
                                     "Body_BioShieldBarrierReached"};
        TST_Texts texts;
        for (f32 ratio : ratios) {
            if (kind == 0)
                shield.SetFaceRatio(ratio, SHL_FACE_LEFT);
            else if (kind == 1)
                shield.SetEmpRatio(ratio);
            else
                shield.SetBioRatio(ratio);
            Step();
            for (const TST_Sent& sent : owner->sent) {
                EXPECT_EQ(1u, sent.queued);
                EXPECT_EQ(0u, sent.text.find(names[kind])) << sent.text;
                texts.push_back(sent.text.substr(sent.text.find('(') + 1, sent.text.size() - sent.text.find('(') - 2));
            }
            owner->sent.clear();
        }
        EXPECT_EQ(reported, texts);
        // Rejected: no more reports.
        owner->Send(kind == 0   ? NOD_Body_RejectKinInfo::Create()
                    : kind == 1 ? NOD_Body_RejectEmpInfo::Create()
                                : NOD_Body_RejectBioInfo::Create());
        shield.SetFaceRatio(0.0625f, SHL_FACE_LEFT);
        shield.SetEmpRatio(0.0625f);
        shield.SetBioRatio(0.0625f);
        shield.SetFaceRatio(1.0f, SHL_FACE_LEFT);  // not exhausted: no destroyed report either
        Step();
        EXPECT_EQ(TST_Texts{}, owner->Take());
        owner->Leave();
        delete owner;
    }
}

TEST_F(StateBehaviourTest, GuardReportsTheDestructionAtOnceInsideTheStep)
{
    TST_StateOwner* owner = MakeOwner();
    SHL_Shield& shield = owner->GetShieldRef();
    shield.SetFace(SHL_FACE_RIGHT, 100, 100);
    EnterAll();
    owner->Send(NOD_Body_ActivateShieldGuard::Create());
    owner->Send(NOD_Body_RequestKinInfo::Create(0.5f));
    Step();
    EXPECT_EQ(TST_Texts{}, owner->Take());
    shield.SetFace(SHL_FACE_RIGHT, 0, 100);
    Step();
    // Destroyed first, unqueued and inside the step, then the barrier at ratio 0.
    ASSERT_EQ(2u, owner->sent.size());
    EXPECT_EQ("Body_ObjectDestroyed()", owner->sent[0].text);
    EXPECT_EQ(0u, owner->sent[0].queued);
    EXPECT_EQ("Body_KinShieldBarrierReached(0)", owner->sent[1].text);
    owner->sent.clear();
    // Every step while exhausted (the engine's bodies go at the end of the first).
    Step();
    EXPECT_EQ(TST_Texts{"Body_ObjectDestroyed()"}, owner->Take());

    // Deactivated: nothing runs; the flags stay. A new activation forgets the request.
    owner->Send(NOD_Body_DeactivateShieldGuard::Create());
    Step();
    EXPECT_EQ(TST_Texts{}, owner->Take());
    owner->Send(NOD_Body_ActivateShieldGuard::Create());
    owner->Send(NOD_Body_ActivateShieldGuard::Create());  // restarts through the empty Interrupt
    shield.SetFace(SHL_FACE_RIGHT, 10, 100);
    Step();
    EXPECT_EQ(TST_Texts{}, owner->Take());
}

TEST_F(StateBehaviourTest, AGuardOnAShieldlessBodyLogsAndNeverReports)
{
    TST_StateOwner* owner = MakeOwner();
    owner->shieldless = true;
    EnterAll();
    owner->Send(NOD_Body_ActivateShieldGuard::Create());
    EXPECT_TRUE(Logged("Body owner does nopt have a shield in  BHV_Body_S_ShieldGuard::PM_ActivateShieldGuard"));
    EXPECT_EQ(2, owner->states.GetCode(2));  // active, but unarmed
    owner->Send(NOD_Body_RequestKinInfo::Create(2.0f));
    owner->GetShieldRef().SetFace(SHL_FACE_RIGHT, 0, 100);
    Step();
    EXPECT_EQ(TST_Texts{}, owner->Take());
}

// --- Shot hits ---

TEST_F(StateBehaviourTest, ShotHitsReportTheOwnersAndItsSonBodiesHits)
{
    // The owner carries a turret 30 above it, which carries a gun without a physical
    // description, and a decoy 30 below it whose bullet-kind description keeps no shot-hit list.
    TST_StateOwner* owner = MakeOwner();
    TST_Thing* turret = Make("turret", {0.0f, 0.0f, 30.0f}, owner);
    Make("gun", {0.0f, 0.0f, 2.0f}, turret, false);
    TST_Thing* decoy = Make("decoy", {0.0f, 0.0f, -30.0f}, owner, false);
    TST_WithSection(m_dir, TOOL_CollisionSectionText(TOOL_CollisionSection(), TOOL_COLLISION_BULLET), "Collision",
                    [&](DES_Section* _s) { decoy->GetAggregate().GeneratePhysicalBullet(_s); });
    ASSERT_EQ(nullptr, decoy->GetAggregate().GetPhysical()->GetShotHits());
    TST_Thing* enemy = Make("enemy1", {-300.0f, 0.0f, 0.0f});
    EnterAll();
    owner->Send(NOD_Body_RequestShotHits::Create());
    EXPECT_EQ(1, owner->states.GetCode(0));

    // Two shots in one step: at the owner and at the turret; a third without a shooter.
    Fire("bul1", enemy, {-30.0f, 0.0f, 0.0f}, {400.0f, 0.0f, 0.0f});
    Fire("bul2", enemy, {-30.0f, 0.0f, 30.0f}, {400.0f, 0.0f, 0.0f});
    Fire("bul3", nullptr, {0.0f, -60.0f, 30.0f}, {0.0f, 400.0f, 0.0f});
    TST_Texts texts;
    for (s32 i = 0; i < 6; ++i) {
        Step();
        for (const TST_Sent& sent : owner->sent)
            EXPECT_EQ(1u, sent.queued);
        const TST_Texts step = owner->Take();
        texts.insert(texts.end(), step.begin(), step.end());
        if (!step.empty())
            texts.push_back("|");
    }
    // Each hit once; in a step, the sons' hits before the owner's.
    EXPECT_EQ((TST_Texts{"Body_InformShotHit(enemy1, bul2)", "Body_InformShotHit(enemy1, bul1)", "|",
                         "Body_InformShotHit(nil, bul3)", "|"}),
              texts);

    // Rejected: hits go unreported.
    owner->Send(NOD_Body_RejectShotHits::Create());
    Fire("bul4", enemy, {-30.0f, 0.0f, 0.0f}, {400.0f, 0.0f, 0.0f});
    for (s32 i = 0; i < 4; ++i)
        Step();
    EXPECT_EQ(TST_Texts{}, owner->Take());
}

// --- Enemy watches ---

TEST_F(StateBehaviourTest, PatrolWatchReportsOnceAndStopsItself)
{
    TST_StateOwner* owner = MakeOwner();
    TST_Thing* ship = MakeEnemy("ship1", {0.0f, 300.0f, 0.0f});
    Make("ship_noslots", {0.0f, 20.0f, 0.0f});  // no attacker slots: never an enemy
    EnterAll();
    owner->Send(NOD_Body_InformEnemyPatrol::Create(100.0f, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path()));
    COD_Sensor* sensor = Targets(owner);
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE, sensor->m_flags);
    EXPECT_EQ(100.0f, sensor->m_presenceRange);
    EXPECT_EQ(1, sensor->m_filterCount);
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());

    // Full slots still make an enemy; it is reported once, and the watch is off.
    for (s32 i = 0; i < 6; ++i)
        ship->attackers.Add(m_root);
    ship->PlaceAt(0.0f, 50.0f, 0.0f);
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Body_EnemyArrivalPatrol()"}, owner->Take());
    EXPECT_EQ(0, owner->states.GetCode(3));
    EXPECT_EQ(0u, sensor->m_flags & (COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE));
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());
    owner->Send(NOD_Body_RejectEnemyPatrol::Create());
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 1030"));

    // A restart after the self-stop: the bits are free again; an enemy already present is
    // reported at the first sensing step.
    owner->Send(NOD_Body_InformEnemyPatrol::Create(100.0f, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path()));
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Body_EnemyArrivalPatrol()"}, owner->Take());
}

TEST_F(StateBehaviourTest, PatrolWatchCountsOnlyEnemiesInsideItsArea)
{
    TST_StateOwner* owner = MakeOwner();
    NOD_PatrolArea* area = static_cast<NOD_PatrolArea*>(NOD_Node::CreateNode("NOD_PatrolArea", "zone1"));
    m_root->AddSon(area);
    delete area->ProcessMessage(NOD_PatrolArea_SetPosition::Create(MAT_Vector3(0.0f, 80.0f, 0.0f)));
    delete area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(30.0f));
    delete area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(-10.0f));
    delete area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(10.0f));
    TST_Thing* ship = MakeEnemy("ship1", {0.0f, 30.0f, 0.0f});
    EnterAll();

    // A path that leads to no patrol area is logged; the watch then covers its whole range.
    owner->Send(NOD_Body_InformEnemyPatrol::Create(150.0f, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path("/nowhere")));
    EXPECT_TRUE(Logged("PatrolArea /nowhere is invalid"));
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Body_EnemyArrivalPatrol()"}, owner->Take());

    owner->Send(NOD_Body_InformEnemyPatrol::Create(150.0f, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path("/zone1")));
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());  // present, but outside the area
    ship->PlaceAt(0.0f, 90.0f, 0.0f);
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Body_EnemyArrivalPatrol()"}, owner->Take());
    EXPECT_FALSE(Logged("PatrolArea /zone1 is invalid"));
}

TEST_F(StateBehaviourTest, PatrolWatchConflictsOnlyWithAnAttacksSensor)
{
    TST_StateOwner* owner = MakeOwner();
    EnterAll();
    COD_Sensor* sensor = Targets(owner);
    auto inform = [&](f32 _range) {
        owner->Send(NOD_Body_InformEnemyPatrol::Create(_range, SIM_Name("ship"), NONE, NONE, NONE, SIM_Path()));
    };
    // A second start while the watch runs finds its own bits: a restart with the new range.
    inform(100.0f);
    inform(250.0f);
    EXPECT_EQ(250.0f, sensor->m_presenceRange);
    EXPECT_EQ(1, owner->states.GetCode(3));
    owner->Send(NOD_Body_RejectEnemyPatrol::Create());

    // From rest, any of the bits an attack sets is a conflict; the blocking and filter bits
    // are not.
    const u32 attackBits[] = {COD_SENSOR_ACTIVE, COD_SENSOR_SEEING, COD_SENSOR_HEARING, COD_SENSOR_PRESENCE};
    for (u32 bit : attackBits) {
        sensor->m_flags = bit | COD_SENSOR_OCCLUSION;
        EXPECT_FATAL(inform(100.0f), "BHV_Body_S_WatchEnemiePatrol::PM_InformEnemyPatrol(void)",
                     "Attack sensor conflict.");
    }
    sensor->m_flags = COD_SENSOR_OCCLUSION | COD_SENSOR_NAME_FILTER;
    inform(100.0f);
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_NAME_FILTER | COD_SENSOR_PRESENCE, sensor->m_flags);
}

TEST_F(StateBehaviourTest, EnemyWatchFindsAttackersWhateverTheirNames)
{
    TST_StateOwner* owner = MakeOwner();
    TST_Thing* raider = MakeEnemy("raider", {0.0f, 60.0f, 0.0f});
    MakeEnemy("ship1", {0.0f, -60.0f, 0.0f});
    EnterAll();
    COD_Sensor* sensor = Targets(owner);
    sensor->m_coneCosine = -1.0f;
    // No names: nothing in sight passes the filter.
    owner->Send(NOD_Body_InformEnemies::Create(100.0f, NONE, NONE, NONE, NONE));
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_OCCLUSION | COD_SENSOR_NAME_FILTER | COD_SENSOR_SEEING, sensor->m_flags);
    EXPECT_EQ(100.0f, sensor->m_seeingRange);
    StepToSensing();
    StepToSensing();
    EXPECT_EQ(TST_Texts{}, owner->Take());

    // An attacker of the owner counts at the next step, without waiting for a sensing step.
    owner->attackers.Add(raider);
    Step();
    EXPECT_EQ(TST_Texts{"Body_EnemyArrival()"}, owner->Take());
    EXPECT_EQ(0, owner->states.GetCode(4));
    EXPECT_EQ(COD_SENSOR_OCCLUSION, sensor->m_flags);  // the blocking test stays
    owner->Send(NOD_Body_RejectEnemies::Create());
    EXPECT_TRUE(Logged("node \"owner\" received lost message of type 1027"));

    // With a name, one in sight is found at the sensing step.
    owner->attackers.Remove(raider);
    owner->Send(NOD_Body_InformEnemies::Create(100.0f, NONE, SIM_Name("ship"), NONE, NONE));
    EXPECT_EQ(1, sensor->m_filterCount);
    StepToSensing();
    EXPECT_EQ(TST_Texts{"Body_EnemyArrival()"}, owner->Take());
}

// --- One script node, many notifications in one step ---

// The test program registers the script node's class with the lower layers' classes.
class ScriptDeliveryTest : public StateBehaviourTest
{
protected:
    void SetUp() override
    {
        for (const auto& file : TOOL_EmbeddedData())
            m_dir.Write(file.first, file.second);
    }
    s32 Run(NOD_Script* _script, const std::string& _code)
    {
        return _script->RunChunk((const u8*)_code.data(), (u32)_code.size(), "=test");
    }
    std::string Global(NOD_Script* _script, const char* _name)
    {
        lua_State* state = _script->GetLuaState();
        lua_getglobal(state, _name);
        std::string value = lua_isstring(state, -1) ? lua_tostring(state, -1) : "";
        lua_pop(state, 1);
        return value;
    }
};

TEST_F(ScriptDeliveryTest, TwoHundredNotificationsOfOneStepArriveInOrder)
{
    // Four owners each perceive 16 boats in three ways (48 enters each), a fifth only the 8
    // present within its smaller sphere: 200 events queued in one step for one script node.
    const char* const ownerNames[] = {"ownerA", "ownerB", "ownerC", "ownerD", "ownerE"};
    std::vector<TST_StateOwner*> owners;
    for (s32 i = 0; i < 5; ++i) {
        TST_StateOwner* owner = Make<TST_StateOwner>(ownerNames[i], {(f32)i * 2.0f, 0.0f, -100.0f});
        owner->SetUp();
        owner->recording = false;
        owners.push_back(owner);
    }
    for (s32 i = 0; i < 16; ++i) {
        const std::string name = "boat" + std::to_string(i);
        Make(name.c_str(), {(f32)(i % 4) * 30.0f, (f32)(i / 4) * 30.0f, 0.0f}, nullptr, true, Loud("loud"));
    }
    NOD_Script* script = static_cast<NOD_Script*>(NOD_Node::CreateNode("nod_script", "script"));
    m_root->AddSon(script);
    EnterAll();

    ASSERT_EQ(0,
              Run(script, "log = '' destroyed = ''\n"
                          "function Recorder(tag)\n"
                          "  local state = {}\n"
                          "  local function note(kind) return function(s, node) log = log .. tag .. ' ' .. kind .. ' ' "
                          ".. Node_GetName(node) .. ';' end end\n"
                          "  state.Trigger_EnterPresence = note('P')\n"
                          "  state.Trigger_EnterAcoustic = note('A')\n"
                          "  state.Trigger_EnterVisible = note('V')\n"
                          "  state.Body_ObjectDestroyed = function(s) destroyed = destroyed .. tag .. ';' end\n"
                          "  return state\n"
                          "end\n"
                          "for _, name in ipairs({'ownerA', 'ownerB', 'ownerC', 'ownerD', 'ownerE'}) do\n"
                          "  Thread_Bind(Node_Find(nil, '/' .. name), Recorder(name))\n"
                          "end"));
    for (s32 i = 0; i < 5; ++i) {
        const bool small = i == 4;
        owners[(size_t)i]->Send(NOD_Trigger_SetPresenceSphere::Create(small ? 125.0f : 500.0f));
        owners[(size_t)i]->Send(NOD_Trigger_SetAcousticSphere::Create(500.0f));
        owners[(size_t)i]->Send(NOD_Trigger_SetVisibilityConeRelative::Create(180.0f, 500.0f));
        owners[(size_t)i]->Send(NOD_Trigger_ActivateSensor::Create((u8)1, (u8)!small, (u8)!small));
        owners[(size_t)i]->Send(Interest("boat"));
    }
    // The step before the sensing step: __BeginPlay has run, nothing queued.
    do
        Step();
    while (sensors.GetCounter() != 0);
    EXPECT_EQ(0u, script->GetQueuedEventCount());

    // The sensing step by hand: the pass, the owners, then the count, then the script.
    system.Process(SIM_GetSimulationClock());
    for (TST_StateOwner* owner : owners)
        owner->HeartBeat();
    EXPECT_EQ(200u, script->GetQueuedEventCount());
    EXPECT_EQ("", Global(script, "log"));
    // The expected order: owners in turn; per owner presence, acoustic, visibility; each in
    // the order of its sensor's list.
    std::string expected;
    for (s32 i = 0; i < 5; ++i) {
        const COD_Sensor* sensor = Perception(owners[(size_t)i]);
        const struct
        {
            const char* kind;
            const RTI_Pointer* list;
            s32 count;
        } kinds[] = {{"P", sensor->m_present, sensor->m_presentCount},
                     {"A", sensor->m_heard, sensor->m_heardCount},
                     {"V", sensor->m_seen, sensor->m_seenCount}};
        for (const auto& kind : kinds)
            for (s32 j = 0; j < kind.count; ++j) {
                const COD_Emitter* emitter = static_cast<const COD_Emitter*>(kind.list[j].Get());
                expected += std::string(ownerNames[i]) + " " + kind.kind + " " + emitter->m_name.GetName() + ";";
            }
    }
    script->HeartBeat();
    EXPECT_EQ(expected, Global(script, "log"));
    EXPECT_EQ(0u, script->GetQueuedEventCount());
    EXPECT_EQ(256u, script->GetEventCapacity());

    // The destroyed report runs the script inside the owner's step, before the script's own.
    TST_StateOwner* doomed = owners[2];
    doomed->GetShieldRef().SetFace(SHL_FACE_RIGHT, 0, 10);
    doomed->Send(NOD_Body_ActivateShieldGuard::Create());
    doomed->HeartBeat();
    EXPECT_EQ("ownerC;", Global(script, "destroyed"));
}
}  // namespace
