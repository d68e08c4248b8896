// What the actor tests share: the spawner's run (TST_SpawnWorld, stepped as the run steps its
// scene) in a fresh directory holding the turret and building files (tools/tools_turret.h),
// and loading bodies from description text into the tree.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "des_file.h"
#include "mat_angle.h"
#include "mat_matrix.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_turret_base.h"
#include "os_fatal.h"
#include "rti_pointer.h"
#include "sim_clock.h"
#include "spawn_fixture.h"
#include "test_dir.h"
#include "tools_turret.h"

class TST_ActorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const auto& file : TOOL_TurretFiles())
            m_dir.Write(file.first, file.second);
        try {
            m_world.reset(new TST_SpawnWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }
    void TearDown() override { m_world.reset(); }

    // A node of _class named _name under _father (the root when null), read from _text as
    // "vfx\<_file>"; not entered. A fatal error leaves the node in the tree.
    NOD_Node* Load(const char* _class, const char* _name, const std::string& _text, NOD_Node* _father = nullptr,
                   const std::string& _file = "obj.osd")
    {
        m_dir.Write("vfx/" + _file, _text);
        NOD_Node* node = NOD_Node::CreateNode(_class, _name);
        (_father != nullptr ? _father : m_world->root)->AddSon(node);
        node->ParseIniFile_File(_file.c_str());
        return node;
    }
    template <class T>
    T* LoadAs(const char* _class, const char* _name, const std::string& _text, NOD_Node* _father = nullptr,
              const std::string& _file = "obj.osd")
    {
        return T::DynamicCast(Load(_class, _name, _text, _father, _file));
    }

    // A building at the origin carrying the turret _turret at (0, 0, 5), both entered; the
    // building is the root's last son, read from "vfx\house.osd".
    NOD_Turret_Base* Turret(const TOOL_TurretDescription& _turret, bool _enter = true)
    {
        TOOL_GenericDescription house;
        const f32 place[3] = {0.0f, 0.0f, 5.0f};
        house.children = TOOL_TurretChildText(0, _turret, place);
        NOD_Node* building = Load("NOD_Generic", "house", TOOL_GenericDescriptionText(house), nullptr, "house.osd");
        if (_enter)
            Enter(building);
        return NOD_Turret_Base::DynamicCast(building->GetSon(0));
    }

    // The sons _father's description _text ("Child" entries, written as "vfx\<_file>") gives.
    void LoadSons(NOD_Node* _father, const std::string& _text, const std::string& _file = "sons.osd")
    {
        m_dir.Write("vfx/" + _file, _text);
        DES_File file;
        DES_Section root;
        file.Open(&root, ("vfx/" + _file).c_str());
        _father->LoadSons(root);
    }

    static void Enter(NOD_Node* _node) { delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create()); }
    void Steps(s32 _count) { m_world->Steps(_count); }
    f32 Now() const { return m_world->Now(); }

    // Heading and pitch of the forward axis of _frame.
    static void HeadingPitch(const MAT_Matrix34& _frame, f32* _heading, f32* _pitch)
    {
        MAT_GetHeadingPitch(_frame.r.GetY(), *_heading, *_pitch);
    }

    // The frame at _position turned by _heading (radians).
    static MAT_Matrix34 Frame(const MAT_Vector3& _position, f32 _heading = 0.0f)
    {
        MAT_Matrix34 frame;
        frame.SetPositionAngles(_position, MAT_Angle(_heading), MAT_Angle(0.0f), MAT_Angle(0.0f));
        return frame;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
};

// A weak reference to a node, for tests that watch nodes die.
class TST_ActorWatch
{
public:
    explicit TST_ActorWatch(NOD_Node* _node) { m_pointer.Set(_node); }
    bool Alive() const { return m_pointer.Get() != nullptr; }

private:
    RTI_Pointer m_pointer;
};
