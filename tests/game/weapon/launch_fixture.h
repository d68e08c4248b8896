// Torpedoes and decoys in a run: the run's objects with their spawner (its torpedo and buzzer
// prototypes written as the test describes them), a flat ground at z = 0 over x, y in
// -640 .. 640 under the collision system, and targets that can be heard, touched and homed on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "brisel_simulation.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_torpedo.h"
#include "spawn_fixture.h"
#include "target_fixture.h"
#include "test_dir.h"
#include "tools_launch.h"

class TST_LaunchTest : public testing::Test
{
protected:
    void TearDown() override { m_world.reset(); }

    // The run, with the spawner's torpedo prototypes of types 0 and 1 and its buzzer as given.
    void MakeWorld(const TOOL_TorpedoDescription& _type0 = TOOL_TorpedoDescription(),
                   const TOOL_TorpedoDescription& _type1 = TOOL_TorpedoDescription(),
                   const TOOL_BuzzerDescription& _buzzer = TOOL_BuzzerDescription())
    {
        TST_WriteSpawnerFiles(m_dir);
        m_dir.Write("vfx/osd/weapon/tor_default.osd", TOOL_TorpedoDescriptionText(_type0));
        m_dir.Write("vfx/osd/weapon/tor_homing.osd", TOOL_TorpedoDescriptionText(_type1));
        m_dir.Write("vfx/osd/weapon/buzzer.osd", TOOL_BuzzerDescriptionText(_buzzer));
        m_dir.Write("vfx/col/target.col", TST_TargetHullText());
        try {
            m_world.reset(new TST_SpawnWorld(m_dir, false));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
        TST_BuildTerrain(m_terrain, 4, 17, {-640.0f, -640.0f, 0.0f}, {20.0f, 20.0f, 1.0f},
                         [](s32, s32) { return (u16)0; });
        m_world->scene->simulation->terrainCell->terrain = &m_terrain;
    }

    // A target under the root, in the simulation.
    TST_Target* Target(const MAT_Vector3& _position, const std::string& _soundLevel = "loud",
                       const MAT_Vector3& _velocity = MAT_Vector3())
    {
        TST_Target* target = new TST_Target(TST_FrameAt(_position), _velocity);
        target->MakeParts(_soundLevel);
        m_world->root->AddSon(target);
        delete target->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return target;
    }

    // A torpedo of _type fired as a launcher fires it: at _frame, with the shooter's velocity,
    // and counted in the target's torpedo slots.
    NOD_Torpedo* Fire(s32 _type, const MAT_Matrix34& _frame, NOD_Body* _shooter = nullptr, NOD_Body* _target = nullptr)
    {
        MAT_Vector3 velocity;
        if (_shooter != nullptr)
            _shooter->GetVelocity(&velocity);
        NOD_Torpedo* torpedo = m_world->Spawn()->SpawnTorpedo(_type, _shooter, _frame, velocity, _target);
        if (_target != nullptr && _target->GetTorpedoSlots() != nullptr)
            _target->GetTorpedoSlots()->Add(torpedo);
        return torpedo;
    }

    // Whether the node is still in the tree.
    bool Alive(const NOD_Node* _node) const
    {
        for (s32 i = 0; i < m_world->root->GetNumOfSons(); ++i)
            if (m_world->root->GetSon(i) == _node)
                return true;
        return false;
    }

    // The first node under the root named _name, or null.
    NOD_Node* Named(const char* _name) const { return m_world->root->Find(SIM_Path(_name)); }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
    MRT_Terrain m_terrain;
};

// A torpedo description that steers only where it is told: no avoidance detours.
inline TOOL_TorpedoDescription TST_PlainTorpedo(s32 _lookingMode, s32 _followMode = 1)
{
    TOOL_TorpedoDescription description;
    description.lookingMode = _lookingMode;
    description.followMode = _followMode;
    description.avoidance.objectAvoidanceActive = 0;
    description.avoidance.terrainAvoidanceActive = 0;
    return description;
}

// Heading _heading radians (0 along +y, positive towards -x) at _position.
inline MAT_Matrix34 TST_Heading(const MAT_Vector3& _position, f32 _heading)
{
    MAT_Matrix34 frame;
    frame.r.FromAngles(MAT_Angle(_heading), MAT_Angle(0.0f), MAT_Angle(0.0f));
    frame.t = _position;
    return frame;
}
