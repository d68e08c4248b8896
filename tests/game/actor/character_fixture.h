// The scene of the character tests: the run's caches with the fixture's animation set loaded
// by LoadSet and put into the animation-set table (as the program's load would have), the
// clocks at 0, a root for the characters and their paths, and characters that record what
// they send to their script thread (TST_MessageText).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "anim_fixture.h"
#include "bhv_move_fixture.h"
#include "brisel_cache.h"
#include "nod_character.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_physicalcharacter.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_characters.h"
#include "vca_cache.h"

template <class Base>
class TST_RecordingCharacter : public Base
{
public:
    bool IsThreadBound() const override { return true; }
    NOD_Message* SendToThread(NOD_Message* _message, u32 _queued) override
    {
        sent.push_back(TST_MessageText(_message) + (_queued != 0 ? "" : " (now)"));
        delete _message;
        return nullptr;
    }
    std::vector<std::string> TakeSent()
    {
        std::vector<std::string> taken;
        taken.swap(sent);
        return taken;
    }
    std::vector<std::string> sent;
};
using TST_PhysicalCharacter = TST_RecordingCharacter<NOD_PhysicalCharacter>;
using TST_Character = TST_RecordingCharacter<NOD_Character>;

class TST_CharacterScene : public testing::Test
{
protected:
    TST_CharacterScene()
    {
        m_clock = SIM_GetSimulationClock();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        SIM_GetFrameClock().Set(0.0f, SIM_STEP);
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        TST_WriteAnimationFixture(m_dir, TOOL_MakeAnimationFixture());
        VCA_Cache* set = new VCA_Cache();
        set->LoadSet("dat\\animation\\walker.des");
        m_set = Sets()->Insert("walker.des", set);
        m_root = new NOD_Node();
        m_root->SetName("root");
        NOD_Node::SetRoot(m_root);
    }
    ~TST_CharacterScene() override
    {
        delete m_root;
        NOD_Node::GC_Collect();
        if (m_set != 0)
            Sets()->Release(m_set);
        EXPECT_EQ(0, Sets()->GetCount()) << "a character kept its set";
        Brisel_TheCache = nullptr;
        delete m_cache;
        SIM_GetSimulationClock() = m_clock;
        SIM_GetFrameClock().Reset();
    }

    CON_Cache<VCA_Cache>* Sets() const { return m_cache->GetAnimationCache(); }

    // A character of the class under the root, named _name, read from "vfx\chr\<_name>.des".
    template <class T>
    T* Make(const std::string& _name, const std::string& _text)
    {
        m_dir.Write("vfx/chr/" + _name + ".des", _text);
        T* character = new T();
        character->SetName(_name.c_str());
        m_root->AddSon(character);
        character->ParseIniFile_File(("chr\\" + _name + ".des").c_str());
        return character;
    }
    TST_PhysicalCharacter* MakePhysical(const TOOL_CharacterDescription& _description = TOOL_CharacterDescription(),
                                        const std::string& _name = "walker")
    {
        return Make<TST_PhysicalCharacter>(_name, TOOL_PhysicalCharacterText(_description));
    }
    TST_Character* MakePlain(const TOOL_CharacterDescription& _description = TOOL_CharacterDescription(),
                             const std::string& _name = "stander")
    {
        return Make<TST_Character>(_name, TOOL_CharacterText(_description));
    }

    static void Enter(NOD_Node* _node) { delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create()); }
    // One step of the node, then the clock one step on.
    static void Step(NOD_Node* _node, s32 _count = 1)
    {
        for (s32 i = 0; i < _count; ++i) {
            _node->HeartBeat();
            SIM_Clock& clock = SIM_GetSimulationClock();
            clock.SetTime(clock.time + clock.dt);
        }
    }

    std::string Log() const { return m_dir.Exists("log.txt") ? m_dir.Read("log.txt") : std::string(); }
    static size_t Count(const std::string& _text, const std::string& _line)
    {
        size_t count = 0;
        for (size_t at = _text.find(_line); at != std::string::npos; at = _text.find(_line, at + 1))
            ++count;
        return count;
    }

    SIM_Clock m_clock;
    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
    s32 m_set = 0;  // the table's handle of the fixture's set, with the insertion's reference
    NOD_Node* m_root = nullptr;
};
