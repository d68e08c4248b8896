// What the weapon tests share: the spawner's run (TST_SpawnWorld) in a fresh directory, a
// flat ground under it, targets with a collision plate, frames, and lookups in the tree.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "brisel_simulation.h"
#include "des_file.h"
#include "mat_angle.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_particleemitter.h"
#include "owner_fixture.h"
#include "spawn_fixture.h"
#include "tools_obbs.h"
#include "tools_sections.h"

class WeaponTest : public testing::Test
{
protected:
    void TearDown() override
    {
        if (m_world != nullptr && m_world->scene != nullptr)
            m_world->scene->simulation->terrainCell->terrain = nullptr;
        m_world.reset();
    }

    // The run around the spawner; a fatal error on the way fails the test with its texts.
    void Make(bool _writeSpawnerFiles = true)
    {
        // One run at a time: the old one goes before the new one is made.
        TearDown();
        try {
            m_world.reset(new TST_SpawnWorld(m_dir, _writeSpawnerFiles));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }

    // A flat ground _height units high over 0..1024 in x and y (built once per test).
    void Ground(u16 _height)
    {
        if (m_terrain.NumOfTiles == 0)
            TST_BuildTerrain(m_terrain, 4, 17, {0.0f, 0.0f, 0.0f}, {16.0f, 16.0f, 1.0f},
                             [_height](s32, s32) { return _height; });
        m_world->scene->simulation->terrainCell->terrain = &m_terrain;
    }

    // A body at _position moving at _velocity, in the simulation as the root's last son; with
    // _plate a collision plate of half size _plate in its x-z plane (facing its y axis) makes
    // it a target.
    TST_OwnerBody* Body(const MAT_Vector3& _position, const MAT_Vector3& _velocity = MAT_Vector3(), f32 _plate = 0.0f)
    {
        TST_OwnerBody* body = new TST_OwnerBody(TST_FrameAt(_position), _velocity);
        if (_plate > 0.0f) {
            const f32 s = _plate;
            TOOL_ObbsTree tree =
                TOOL_ObbsBuild({{-s, 0.0f, -s}, {s, 0.0f, -s}, {s, 0.0f, s}, {-s, 0.0f, s}}, {{0, 1, 2}, {0, 2, 3}}, 1);
            tree.maxDescend = 8;
            const std::string name = "plate" + std::to_string(++m_plates);
            m_dir.Write("vfx/col/" + name, TOOL_ObbsText(tree));
            TOOL_CollisionSection keys;
            keys.collisionDescription = name;
            m_dir.Write("target.des", TOOL_CollisionSectionText(keys, TOOL_COLLISION_GENERIC));
            DES_File file;
            DES_Section top;
            DES_Section collision;
            file.Open(&top, "target.des");
            top.FindSection(&collision, "Collision");
            body->GetAggregate().GeneratePhysicalGeneric(&collision);
            file.Close();
        }
        m_world->root->AddSon(body);
        delete body->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return body;
    }

    // Identity axes turned by heading and pitch (radians) at _position.
    static MAT_Matrix34 Frame(const MAT_Vector3& _position, f32 _heading = 0.0f, f32 _pitch = 0.0f)
    {
        MAT_Matrix34 frame;
        frame.SetPositionAngles(_position, MAT_Angle(_heading), MAT_Angle(_pitch), MAT_Angle(0.0f));
        return frame;
    }

    // Every son of _node of class T.
    template <class T>
    static std::vector<T*> SonsOf(NOD_Node* _node)
    {
        std::vector<T*> sons;
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            if (T* son = T::DynamicCast(_node->GetSon(i)))
                sons.push_back(son);
        return sons;
    }

    // Steps until _done answers true, at most _limit steps; the steps taken.
    template <class F>
    s32 StepUntil(F _done, s32 _limit = 400)
    {
        s32 steps = 0;
        while (!_done() && steps < _limit) {
            m_world->Step();
            ++steps;
        }
        return steps;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
    MRT_Terrain m_terrain;
    s32 m_plates = 0;
};

// A weak reference to a node, for tests that watch nodes die.
class TST_Watch
{
public:
    explicit TST_Watch(NOD_Node* _node = nullptr) { m_pointer.Set(_node); }
    NOD_Node* Get() const { return static_cast<NOD_Node*>(m_pointer.Get()); }
    bool Alive() const { return Get() != nullptr; }

private:
    RTI_Pointer m_pointer;
};
