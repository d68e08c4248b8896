// Armed bodies in a run, for the tests, benches and fuzz targets of vessels, vehicles and their
// sons: the run with its spawner (TST_SpawnWorld), the hull meshes, trees and wheel description
// of TOOL_ArmedBodyFiles and the turret files of TOOL_TurretFiles, a flat ground at height 0 over x, y in -640 .. 640 published in the
// driver's terrain cell, and bodies made by class name from a description written under
// "vfx/osd/test/", placed, parsed and entered as a scene loads them. Free of the test
// framework's assertions.
#pragma once

#include <functional>
#include <string>

#include "brisel_simulation.h"
#include "mat_matrix.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_body.h"
#include "nod_message.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "spawn_fixture.h"
#include "tools_turret.h"
#include "tools_vessel.h"

// An empty terrain made a flat grid at _height, 1280 wide around the origin.
inline void TST_FlatGround(MRT_Terrain& _terrain, f32 _height = 0.0f)
{
    TST_BuildTerrain(_terrain, 4, 17, {-640.0f, -640.0f, _height}, {80.0f, 80.0f, 1.0f},
                     [](s32, s32) { return (u16)0; });
}

// Heading _heading radians (0 along +y, positive towards -x) at _position.
inline MAT_Matrix34 TST_HeadingAt(const MAT_Vector3& _position, f32 _heading = 0.0f)
{
    MAT_Matrix34 frame;
    frame.r.FromAngles(MAT_Angle(_heading), MAT_Angle(0.0f), MAT_Angle(0.0f));
    frame.t = _position;
    return frame;
}

class TST_ArmedWorld : public TST_SpawnWorld
{
public:
    template <class Dir>
    explicit TST_ArmedWorld(const Dir& _dir)
        : TST_SpawnWorld(_dir),
          m_write([&_dir](const std::string& _name, const std::string& _text) { _dir.Write(_name, _text); })
    {
        for (const auto& file : TOOL_ArmedBodyFiles())
            _dir.Write(file.first, file.second);
        for (const auto& file : TOOL_TurretFiles())
            _dir.Write(file.first, file.second);
        TST_FlatGround(terrain);
        scene->simulation->terrainCell->terrain = &terrain;
    }
    ~TST_ArmedWorld() override
    {
        if (scene != nullptr && scene->simulation->terrainCell != nullptr)
            scene->simulation->terrainCell->terrain = nullptr;
    }

    // The description "vfx/osd/test/<_name>.osd"; answers the name to parse it by.
    std::string Describe(const std::string& _name, const std::string& _text)
    {
        m_write("vfx/osd/test/" + _name + ".osd", _text);
        return "osd/test/" + _name + ".osd";
    }

    // A body of _className named _name under _father (the root when null), placed at _frame,
    // described by _text and, with _enter, in the simulation.
    NOD_Body* Make(const char* _className, const std::string& _name, const std::string& _text,
                   const MAT_Matrix34& _frame, NOD_Node* _father = nullptr, bool _enter = true)
    {
        const std::string file = Describe(_name, _text);
        NOD_Body* body = NOD_Body::DynamicCast(NOD_Node::CreateNode(_className, _name.c_str()));
        (_father != nullptr ? _father : root)->AddSon(body);
        body->SetTransform(SIM_GetSimulationClock().time, _frame);
        body->ParseIniFile_File(file.c_str());
        if (_enter)
            delete body->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return body;
    }

    MRT_Terrain terrain;

private:
    std::function<void(const std::string&, const std::string&)> m_write;
};
