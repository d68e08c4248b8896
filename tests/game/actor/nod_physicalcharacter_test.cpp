// The physical character with the fixture's animation set: its description read in order with
// every refusal, the sector reports, the sons on bones, the spring segments' messages, and its
// behaviours (go-to, look-to, animations) reached through its own messages and steps.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "character_fixture.h"
#include "cod_emitter.h"
#include "cod_sensor.h"
#include "crt_rand.h"
#include "mat_angle.h"
#include "nod_path.h"
#include "nod_player.h"
#include "nod_position.h"
#include "pcs_visibleobject.h"
#include "vca_skeleton.h"

namespace
{
using Strings = std::vector<std::string>;

class NodPhysicalCharacterTest : public TST_CharacterScene
{
protected:
    // A body under the root at _position that the character's sector sensor has in its
    // presence list (the list is the sensor's own between sensing passes).
    template <class T>
    T* Sensed(NOD_PhysicalCharacter* _character, const MAT_Vector3& _position)
    {
        T* body = new T();
        m_root->AddSon(body);
        MAT_Matrix34 frame = TST_IdentityFrame();
        frame.t = _position;
        body->SetTransform(SIM_GetSimulationClock().time, frame);
        COD_Emitter* emitter = new COD_Emitter();
        m_emitters.emplace_back(emitter);
        emitter->SetOwner(body, nullptr, nullptr);
        COD_Sensor* sensor = _character->GetAggregate().GetSensor2();
        sensor->m_present[sensor->m_presentCount++].Set(emitter);
        return body;
    }

    std::vector<std::unique_ptr<COD_Emitter>> m_emitters;
};

TEST_F(NodPhysicalCharacterTest, ReadsItsDescriptionInOrder)
{
    TOOL_CharacterDescription description;
    description.rolling = 0.25f;
    description.numOfSensorSectors = 15;
    description.sensorDelay = 1.5f;
    description.allSectorsDifferent = 5;
    description.sensorRange = 40.0f;
    description.control.movePV = 3.0f;
    NOD_Node* node = NOD_Node::CreateNode("nod_physicalcharacter", "walker");
    ASSERT_NE(nullptr, node);
    m_root->AddSon(node);
    m_dir.Write("vfx/chr/walker.des", TOOL_PhysicalCharacterText(description));
    delete node->ProcessMessage(NOD_Body_SetCS::Create(MAT_Vector3(1.0f, 2.0f, 3.0f), MAT_Vector3(90.0f, 0.0f, 0.0f)));
    node->ParseIniFile_File("chr\\walker.des");
    NOD_PhysicalCharacter* character = NOD_PhysicalCharacter::DynamicCast(node);
    ASSERT_NE(nullptr, character);

    EXPECT_FLOAT_EQ(0.25f, character->Rolling);
    EXPECT_FLOAT_EQ(1.5f, character->SensorDelay);
    EXPECT_EQ(1, character->AllSectorsDifferent);
    EXPECT_EQ(15, character->NumOfSensorSectors);
    for (f32 time : character->sectorTimes)
        EXPECT_EQ(1.17549435e-38f, time);
    // The set shared through the table: the insertion's reference and the character's.
    NOD_CharacterSet& set = character->GetAnimationSet();
    EXPECT_EQ(m_set, set.GetSetHandle());
    EXPECT_EQ(2, Sets()->GetReferenceCount(m_set));
    EXPECT_EQ(Sets()->Get(m_set)->skin, set.skin);
    EXPECT_EQ(3, set.skeleton.count);
    EXPECT_EQ(&set.skeleton, set.controller.skeleton);
    ASSERT_EQ(2, set.GetAnimationCount());
    EXPECT_EQ(0, set.GetHandles()[0]);
    EXPECT_EQ(1, set.GetHandles()[1]);
    EXPECT_EQ(2, set.controller.addedCount);
    EXPECT_FLOAT_EQ(3.0f, character->GetMotion().MovePV);
    EXPECT_EQ(1, character->GetPhysicalAnimation().GetNumOfSegment());
    EXPECT_EQ(3, character->GetPhysicalAnimation().GetBoneCount());

    const COD_Sensor* sensor = character->GetAggregate().GetSensor2();
    ASSERT_NE(nullptr, sensor);
    EXPECT_FLOAT_EQ(40.0f, sensor->m_presenceRange);
    EXPECT_EQ(COD_SENSOR_ACTIVE | COD_SENSOR_PRESENCE, sensor->m_flags);
    EXPECT_EQ(64, sensor->m_presentCapacity);
    EXPECT_EQ(0, sensor->m_seenCapacity + sensor->m_heardCapacity + sensor->m_blockingCapacity);
    EXPECT_NE(nullptr, character->GetAggregate().GetVisibleObject());
    EXPECT_EQ(0, character->GetNumOfChild());
    EXPECT_EQ(10, character->GetRenderBucket());

    // The motion model starts on the character's frame, integrating x, y, z and angles.
    const MOT_MotionState& state = character->GetMotion().State;
    EXPECT_EQ(0x27u, state.flags);
    EXPECT_EQ(MAT_Vector3(1.0f, 2.0f, 3.0f), state.frame.t);
    EXPECT_NEAR(1.0f, state.frame.r.GetAxis(0).y, 1e-6f);
    // Go-to, look-to, animation, in that order.
    BHV_ActionBehaviourSlot& actions = character->GetActions();
    ASSERT_EQ(3, actions.GetCount());
    EXPECT_NE(nullptr, dynamic_cast<BHV_PhysicalCharacter_A_Goto*>(actions.GetBehaviour(0)));
    EXPECT_NE(nullptr, dynamic_cast<BHV_PhysicalCharacter_A_LookTo*>(actions.GetBehaviour(1)));
    EXPECT_EQ(&character->GetAnimationBehaviour(), actions.GetBehaviour(2));

    // The box: the unit box about the character, turned a quarter about z.
    f32 box[6] = {};
    character->GetBoundingBox(box, 0.0f);
    const f32 expected[6] = {0.5f, 1.5f, 2.5f, 1.5f, 2.5f, 3.5f};
    for (s32 i = 0; i < 6; ++i)
        EXPECT_NEAR(expected[i], box[i], 1e-5f) << i;
    // The renderer would stop the program: the physical mesh is not there.
    EXPECT_FATAL(character->Render(), "FX_PhysicalAnimationController::GetMesh()", "not implemented correctly");
}

TEST_F(NodPhysicalCharacterTest, RefusesBrokenDescriptionsAndKeepsTheSetCountRight)
{
    const std::string file = "vfx\\chr\\bad.des";
    const auto missing = [&](const char* _section) {
        return std::string("(NOD_PhysicalCharacter::ParseIniFile()): Get [\"") + _section + "\"] in file \"" + file +
               "\" failed";
    };
    struct Case
    {
        const char* what;
        void (*broken)(TOOL_CharacterDescription&);
        std::string caption;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"no Animation", [](TOOL_CharacterDescription& _d) { _d.omitSection = "Animation"; }, "DES FILE ERROR",
         missing("Animation")},
        {"no Control", [](TOOL_CharacterDescription& _d) { _d.omitSection = "Control"; }, "DES FILE ERROR",
         missing("Control")},
        {"no Sensor", [](TOOL_CharacterDescription& _d) { _d.omitSection = "Sensor"; }, "DES FILE ERROR",
         missing("Sensor")},
        {"no PhysicalAnimation", [](TOOL_CharacterDescription& _d) { _d.omitSection = "PhysicalAnimation"; },
         "DES FILE ERROR", missing("PhysicalAnimation")},
        {"16 sectors", [](TOOL_CharacterDescription& _d) { _d.numOfSensorSectors = 16; },
         "NOD_PhysicalCharacter::ParseIniFile()", "illegal NumOfSensorSectors"},
        {"-1 sectors", [](TOOL_CharacterDescription& _d) { _d.numOfSensorSectors = -1; },
         "NOD_PhysicalCharacter::ParseIniFile()", "illegal NumOfSensorSectors"},
        {"no Child1",
         [](TOOL_CharacterDescription& _d) {
             _d.hasTransformations = true;
             _d.transformations = {{0, 0}, {0, 1}};
             _d.omitSection = "Child1";
         },
         "DES FILE ERROR", missing("Child1")},
        {"negative NumOfChild",
         [](TOOL_CharacterDescription& _d) {
             _d.hasTransformations = true;
             _d.numOfChild = -1;
         },
         "NOD_PhysicalCharacter::ParseIniFile()", "illegal NumOfChild -1 in file \"" + file + "\""},
        {"bone past the skeleton",
         [](TOOL_CharacterDescription& _d) {
             _d.hasTransformations = true;
             _d.transformations = {{0, 2}, {0, 3}};
         },
         "NOD_PhysicalCharacter::ParseIniFile()", "illegal ConnectBoneIndex 3 in file \"" + file + "\""},
        {"negative bone",
         [](TOOL_CharacterDescription& _d) {
             _d.hasTransformations = true;
             _d.transformations = {{0, -1}};
         },
         "NOD_PhysicalCharacter::ParseIniFile()", "illegal ConnectBoneIndex -1 in file \"" + file + "\""},
        // A set the table does not hold loads through the program's own load, which stops.
        {"another set", [](TOOL_CharacterDescription& _d) { _d.animationFile = "runner.des"; }, "VCA_Cache::Load()",
         "not correctly implemented"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOOL_CharacterDescription description;
        c.broken(description);
        EXPECT_FATAL(MakePhysical(description, "bad"), c.caption.c_str(), c.text.c_str());
        delete m_root->GetSon(0);
        EXPECT_EQ(1, Sets()->GetReferenceCount(m_set));
        EXPECT_EQ(1, Sets()->GetCount());
    }
    // A missing key stops in the reader.
    TOOL_CharacterDescription description;
    description.omitKey = "SensorRange";
    try {
        MakePhysical(description, "bad");
        ADD_FAILURE() << "a missing key was read";
    } catch (const OS_FatalError& _error) {
        EXPECT_NE(std::string::npos, std::string(_error.Message()).find("SensorRange"));
    }
}

TEST_F(NodPhysicalCharacterTest, ReportsTheSectorsItSensesAVesselOrThePlayerIn)
{
    // The character at the origin facing y: a player ahead lies in sector 2 of 4, one
    // behind in sector 3 (the far end clamps), one to the right (+x) in 3, one to the left in 1.
    struct Case
    {
        const char* what;
        s32 sectors;
        f32 delay;
        s32 different;
        std::vector<MAT_Vector3> players;
        bool plainBody;  // a body that is no vessel or player, in front
        Strings first;   // the reports once the delay has passed since the clock's start
        Strings second;  // and once it has passed again
    };
    const MAT_Vector3 ahead(0.0f, 10.0f, 0.0f);
    const MAT_Vector3 behind(0.0f, -10.0f, 0.0f);
    const MAT_Vector3 left(-10.0f, 0.0f, 0.0f);
    const MAT_Vector3 right(10.0f, 0.0f, 0.0f);
    // With two sectors due, the one reported is the listed one that one draw picks.
    CRT_SRand(7);
    const std::string firstPick = CRT_Rand() % 2 == 0 ? "23011 1" : "23011 2";
    const std::string secondPick = CRT_Rand() % 2 == 0 ? "23011 1" : "23011 2";
    const std::vector<Case> cases = {
        {"one sector", 1, 2.0f, 0, {left, right}, false, {"23011 0"}, {"23011 0"}},
        {"no delay", 1, 0.0f, 0, {ahead}, false, {}, {}},
        {"no sectors", 0, 2.0f, 1, {ahead, left}, false, {}, {}},
        {"a plain body", 4, 2.0f, 0, {}, true, {}, {}},
        {"two due, one drawn", 4, 2.0f, 0, {left, ahead}, false, {firstPick}, {secondPick}},
        {"all different", 4, 2.0f, 1, {behind, left, right}, true, {"23011 3", "23011 1"}, {"23011 3", "23011 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Steps of 1/16 s: every clock time is exact, so "after the delay" is one step.
        SIM_GetSimulationClock().Set(0.0f, 0.0625f);
        TOOL_CharacterDescription description;
        description.numOfSensorSectors = c.sectors;
        description.sensorDelay = c.delay;
        description.allSectorsDifferent = c.different;
        TST_PhysicalCharacter* character = MakePhysical(description);
        for (const MAT_Vector3& position : c.players)
            Sensed<NOD_Player>(character, position);
        if (c.plainBody)
            Sensed<NOD_Body>(character, ahead);
        Enter(character);
        CRT_SRand(7);
        // Up to clock 2.0 nothing is due: the sector times start at the smallest float.
        Step(character, 33);
        EXPECT_EQ(Strings(), character->TakeSent());
        Step(character);
        EXPECT_EQ(c.first, character->TakeSent());
        // Blocked until the step after clock 2.0625 + 2.0.
        Step(character, 32);
        EXPECT_EQ(Strings(), character->TakeSent());
        Step(character);
        EXPECT_EQ(c.second, character->TakeSent());
        if (c.sectors == 0) {
            EXPECT_EQ(1.17549435e-38f, character->sectorTimes[0]);
        }
        delete m_root;
        m_emitters.clear();
        m_root = new NOD_Node();
        NOD_Node::SetRoot(m_root);
    }
}

TEST_F(NodPhysicalCharacterTest, CarriesSonsOnBonesOneStepAhead)
{
    TOOL_CharacterDescription description;
    description.children.resize(2);
    description.children[0].nameCLA = "NOD_Body";
    description.children[0].nameSON = "lamp";
    description.children[0].translation[2] = 1.0f;
    description.children[1].nameCLA = "NOD_Node";
    description.children[1].nameSON = "tag";
    description.hasTransformations = true;
    // The lamp on the head, the tag (no body) on the spine, a son that is not there.
    description.transformations = {{0, 2}, {1, 1}, {5, 0}, {-1, 0}};
    description.physical.segments[0].force = {0.0f, 0.0f, -0.5f};
    TST_PhysicalCharacter* character = MakePhysical(description);
    ASSERT_EQ(4, character->GetNumOfChild());
    MAT_Matrix34 stored = TST_IdentityFrame();
    stored.t = MAT_Vector3(0.0f, 0.0f, 1.0f);
    TST_ExpectFrameNear(stored, character->GetChildTransformation(0)->frame, 0.0f, "the lamp's frame");
    TST_ExpectFrameNear(TST_IdentityFrame(), character->GetChildTransformation(1)->frame, 0.0f, "the tag's frame");
    NOD_Body* lamp = NOD_Body::DynamicCast(character->GetSon(0));
    ASSERT_NE(nullptr, lamp);

    Enter(character);
    EXPECT_TRUE(lamp->IsInSimulation());
    Step(character);
    const f32 rest = lamp->GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr)->t.z;
    delete character->ProcessMessage(NOD_PhysicalCharacter_StartAnimation::Create(0u, 0.0f));
    const FX_PhysicalAnimationController& physical = character->GetPhysicalAnimation();
    const std::string before = Log();
    for (s32 step = 0; step < 10; ++step) {
        const SIM_Clock& clock = SIM_GetSimulationClock();
        const f32 next = clock.time + clock.dt;
        character->HeartBeat();
        MAT_Matrix34 expected = physical.GetBoneMatrix(2)->Compose(stored);
        expected.r.Orthonormalize(1);
        TST_ExpectFrameNear(expected, *lamp->GetCS().GetTrack().GetAt(next, nullptr), 1e-6f, "the lamp");
        SIM_GetSimulationClock().SetTime(next);
    }
    // The head hangs physical under its force: the lamp sinks below where the animation holds it.
    EXPECT_LT(lamp->GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr)->t.z, rest - 0.01f);
    // Records without a body son are skipped quietly.
    EXPECT_EQ(before, Log());
}

TEST_F(NodPhysicalCharacterTest, SwitchesSegmentsFromItsMessages)
{
    TST_PhysicalCharacter* character = MakePhysical();
    const FX_PhysicalAnimationController& physical = character->GetPhysicalAnimation();
    delete character->ProcessMessage(NOD_PhysicalCharacter_StartAnimation::Create(0u, 0.5f));
    EXPECT_EQ(1u, Count(Log(), "Physical Start\n"));
    EXPECT_FLOAT_EQ(2.0f, physical.GetBone(2)->blendRate);
    EXPECT_FLOAT_EQ(0.0f, physical.GetBone(1)->blendRate);
    delete character->ProcessMessage(NOD_PhysicalCharacter_StopAnimation::Create(0u, 0.25f));
    EXPECT_FLOAT_EQ(-4.0f, physical.GetBone(2)->blendRate);
    // A segment that is not there changes nothing, but is still logged.
    delete character->ProcessMessage(NOD_PhysicalCharacter_StartAnimation::Create(7u, 0.5f));
    EXPECT_EQ(2u, Count(Log(), "Physical Start\n"));
    EXPECT_FLOAT_EQ(-4.0f, physical.GetBone(2)->blendRate);
}

TEST_F(NodPhysicalCharacterTest, WalksAPathAndReportsIt)
{
    TOOL_CharacterDescription description;
    description.control.movePV = 10.0f;
    TST_PhysicalCharacter* character = MakePhysical(description);
    NOD_Path* path = new NOD_Path();
    path->SetName("route");
    m_root->AddSon(path);
    // The character reaches a position within 15 of it.
    const MAT_Vector3 points[2] = {{0.0f, 20.0f, 0.0f}, {0.0f, 23.0f, 0.0f}};
    for (s32 i = 0; i < 2; ++i) {
        NOD_Position* position = new NOD_Position();
        position->SetName(("p" + std::to_string(i)).c_str());
        position->SetPosition(points[i]);
        path->AddSon(position);
    }
    Enter(character);
    delete character->ProcessMessage(NOD_PhysicalCharacter_GotoStart::Create(SIM_Path("/route"), 1.0f));
    s32 steps = 0;
    while (character->GetActions().GetCurrent() != nullptr && steps < 400) {
        Step(character);
        ++steps;
    }
    EXPECT_LT(steps, 400);
    EXPECT_EQ((Strings{"23005 route p0", "23004 route"}), character->TakeSent());
    MAT_Vector3 position;
    character->GetMatrixAtTime(&position, SIM_GetSimulationClock().time);
    EXPECT_LT((position - points[1]).Length(), 15.1f);
    EXPECT_GT(position.y, 7.0f);
    EXPECT_NEAR(0.0f, position.x, 1e-3f);

    // A new walk interrupted by a stop reports nothing more; leaving freezes it where it is.
    delete character->ProcessMessage(NOD_PhysicalCharacter_GotoStart::Create(SIM_Path("/route"), 1.0f));
    Step(character, 3);
    delete character->ProcessMessage(NOD_PhysicalCharacter_GotoStop::Create());
    EXPECT_EQ(nullptr, character->GetActions().GetCurrent());
    delete character->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(character->IsInSimulation());
    character->GetMatrixAtTime(&position, SIM_GetSimulationClock().time);
    Step(character, 5);
    MAT_Vector3 after;
    character->GetMatrixAtTime(&after, SIM_GetSimulationClock().time);
    EXPECT_EQ(position, after);
    EXPECT_EQ(position, character->GetMotion().State.frame.t);
}

TEST_F(NodPhysicalCharacterTest, LooksInEachModeAndEndsAWrongOne)
{
    TOOL_CharacterDescription description;
    description.control.movePV = 2.0f;
    TST_PhysicalCharacter* character = MakePhysical(description);
    Enter(character);
    const PHY_RotationControl& rotation = character->GetMotion().Rotation;
    const PHY_TranslationControl& translation = character->GetMotion().Translation;
    const MAT_Vector3 point(30.0f, 40.0f, 15.0f);
    struct Case
    {
        u8 mode;
        u32 pointBits;
        u32 angleBits;
        u32 velocityBits;
    };
    for (const Case& c : {Case{0, 0x18, 0x0, 0x0}, Case{1, 0x8, 0x10, 0x0}, Case{2, 0x8, 0x0, 0x100}}) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        delete character->ProcessMessage(NOD_PhysicalCharacter_LookTo::Create(point, c.mode));
        Step(character);
        EXPECT_EQ(c.pointBits, rotation.PointTargetMask);
        EXPECT_EQ(c.angleBits, rotation.AngleTargetMask);
        EXPECT_EQ(c.velocityBits, translation.VelocityModeMask);
        // Every start after the first interrupts the look before it.
        EXPECT_EQ(Strings(c.mode == 0 ? 0 : 1, "23010"), character->TakeSent());
    }
    EXPECT_FLOAT_EQ(2.0f, translation.TargetVelocity[2]);
    // Mode 3 is logged and ends at the next step.
    delete character->ProcessMessage(NOD_PhysicalCharacter_LookTo::Create(point, (u8)3));
    EXPECT_EQ(Strings{"23010"}, character->TakeSent());
    Step(character);
    EXPECT_EQ(nullptr, character->GetActions().GetCurrent());
    EXPECT_EQ(1u, Count(Log(), "wrong mode BHV_PhysicalCharacter_A_LookTo\n"));
}

TEST_F(NodPhysicalCharacterTest, PlaysItsSetsAnimationsByName)
{
    TST_PhysicalCharacter* character = MakePhysical();
    Enter(character);
    NOD_CharacterSet& set = character->GetAnimationSet();
    BHV_Character_A_Animation& animation = character->GetAnimationBehaviour();
    delete character->ProcessMessage(NOD_Character_StartAnimation::Create(SIM_Name("wAVE")));
    EXPECT_EQ(set.GetHandles()[1], animation.GetCurrent());
    EXPECT_EQ(1, set.controller.IsActive(set.GetHandles()[1]));
    Step(character, 2);
    // The same name again starts it anew; an unknown one stops it and is logged as spelt.
    delete character->ProcessMessage(NOD_Character_StartAnimation::Create(SIM_Name("Wave")));
    EXPECT_FLOAT_EQ(SIM_GetSimulationClock().time, set.controller.animations[set.GetHandles()[1]]->start);
    delete character->ProcessMessage(NOD_Character_StartAnimation::Create(SIM_Name("Jump")));
    EXPECT_EQ(1u, Count(Log(), "Unkown animation Jump in StartAnimation\n"));
    EXPECT_EQ(0, set.controller.activeCount);
    EXPECT_EQ(-1, animation.GetCurrent());
    // A stop with nothing running ends the behaviour; the next stop reaches nobody.
    delete character->ProcessMessage(NOD_Character_StopAnimation::Create());
    EXPECT_EQ(nullptr, character->GetActions().GetCurrent());
    const std::string before = Log();
    delete character->ProcessMessage(NOD_Character_StopAnimation::Create());
    EXPECT_NE(before, Log());
    EXPECT_NE(std::string::npos, Log().find("lost message of type 22001"));
}

}  // namespace
