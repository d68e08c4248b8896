// The plain character with the fixture's animation set: its description, two characters
// sharing one set, its step in place, and the messages it handles and loses.
#include <gtest/gtest.h>

#include <string>

#include "character_fixture.h"

namespace
{

class NodCharacterTest : public TST_CharacterScene
{
};

TEST_F(NodCharacterTest, TwoCharactersShareOneSet)
{
    NOD_Node* node = NOD_Node::CreateNode("NOD_Character", "first");
    ASSERT_NE(nullptr, node);
    m_root->AddSon(node);
    m_dir.Write("vfx/chr/first.des", TOOL_CharacterText(TOOL_CharacterDescription()));
    node->ParseIniFile_File("chr\\first.des");
    NOD_Character* first = static_cast<NOD_Character*>(node);
    TOOL_CharacterDescription description;
    description.animationFile = "WALKER.DES";
    TST_Character* second = MakePlain(description, "second");

    EXPECT_EQ(m_set, first->GetAnimationSet().GetSetHandle());
    EXPECT_EQ(m_set, second->GetAnimationSet().GetSetHandle());
    EXPECT_EQ(3, Sets()->GetReferenceCount(m_set));
    // Without the table's own reference the two characters hold it.
    Sets()->Release(m_set);
    EXPECT_EQ(2, Sets()->GetReferenceCount(m_set));
    for (NOD_Character* character : {first, static_cast<NOD_Character*>(second)}) {
        NOD_CharacterSet& set = character->GetAnimationSet();
        EXPECT_EQ(3, set.skeleton.count);
        EXPECT_EQ(2, set.controller.addedCount);
        EXPECT_EQ(Sets()->Get(m_set)->skin, set.skin);
        EXPECT_NE(nullptr, character->GetAggregate().GetVisibleObject());
        ASSERT_EQ(1, character->GetActions().GetCount());
        EXPECT_EQ(&character->GetAnimationBehaviour(), character->GetActions().GetBehaviour(0));
        EXPECT_EQ(-1, character->GetAnimationBehaviour().GetCurrent());
        EXPECT_EQ(10, character->GetRenderBucket());
    }

    delete first;
    EXPECT_EQ(1, Sets()->GetReferenceCount(m_set));
    ASSERT_NE(nullptr, Sets()->Get(m_set));
    EXPECT_EQ(3, second->GetAnimationSet().skeleton.count);
    delete second;
    EXPECT_EQ(nullptr, Sets()->Get(m_set));
    EXPECT_EQ(0, Sets()->GetCount());
    m_set = 0;
}

TEST_F(NodCharacterTest, RefusesBrokenDescriptions)
{
    TOOL_CharacterDescription description;
    description.omitSection = "Animation";
    description.children.resize(1);
    description.children[0].nameCLA = "NOD_Body";
    EXPECT_FATAL(MakePlain(description, "bad"), "DES FILE ERROR",
                 "(NOD_Character::ParseIniFile()): Get [\"Animation\"] in file \"vfx\\chr\\bad.des\" failed");
    delete m_root->GetSon(0);
    description.omitSection.clear();
    description.animationFile = "runner.des";
    EXPECT_FATAL(MakePlain(description, "bad"), "VCA_Cache::Load()", "not correctly implemented");
    delete m_root->GetSon(0);
    EXPECT_EQ(1, Sets()->GetReferenceCount(m_set));
    // A second description would build the character twice.
    TST_Character* character = MakePlain();
    EXPECT_FATAL(character->ParseIniFile_File("chr\\stander.des"), "NOD_Character::ParseIniFile()",
                 "second description in file \"vfx\\chr\\stander.des\"");
    EXPECT_EQ(2, Sets()->GetReferenceCount(m_set));
}

TEST_F(NodCharacterTest, StaysInPlaceAndPlaysAnimationsButNoSegments)
{
    TOOL_CharacterDescription description;
    description.children.resize(1);
    description.children[0].nameCLA = "NOD_Body";
    description.children[0].nameSON = "hat";
    TST_Character* character = MakePlain(description);
    delete character->ProcessMessage(NOD_Body_SetCS::Create(MAT_Vector3(5.0f, 6.0f, 7.0f), MAT_Vector3()));
    Enter(character);
    EXPECT_TRUE(character->IsInSimulation());
    EXPECT_TRUE(character->GetSon(0)->IsInSimulation());

    delete character->ProcessMessage(NOD_Character_StartAnimation::Create(SIM_Name("walk")));
    NOD_CharacterSet& set = character->GetAnimationSet();
    EXPECT_EQ(set.GetHandles()[0], character->GetAnimationBehaviour().GetCurrent());
    Step(character, 20);
    EXPECT_EQ(&character->GetAnimationBehaviour(), character->GetActions().GetCurrent());
    MAT_Vector3 position;
    character->GetMatrixAtTime(&position, SIM_GetSimulationClock().time);
    EXPECT_EQ(MAT_Vector3(5.0f, 6.0f, 7.0f), position);
    // The render step deforms the set's mesh from the walking skeleton.
    SIM_GetFrameClock().SetTime(0.5f);
    character->Render();
    f32 box[6] = {};
    character->GetBoundingBox(box, SIM_GetSimulationClock().time);
    EXPECT_FLOAT_EQ(4.5f, box[0]);
    EXPECT_FLOAT_EQ(7.5f, box[5]);

    // The physical character's segment message is none of the plain character's.
    delete character->ProcessMessage(NOD_PhysicalCharacter_StartAnimation::Create(0u, 0.5f));
    EXPECT_NE(std::string::npos, Log().find("node \"stander\" received lost message of type 23000"));
    EXPECT_EQ(0u, Count(Log(), "Physical Start"));

    delete character->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(character->IsInSimulation());
    EXPECT_FALSE(character->GetSon(0)->IsInSimulation());
    EXPECT_EQ(MAT_Vector3(5.0f, 6.0f, 7.0f), character->GetMotion().State.frame.t);
}

}  // namespace
