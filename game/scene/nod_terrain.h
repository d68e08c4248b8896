// The scene node that carries the ground: a body in render bucket 1 that loads a terrain set
// from a directory (Terrain_LoadTerrain), publishes it in the simulation's terrain cell, where
// collision, avoidance, plants and rays find it, and has the renderer triangulate it for the
// camera's view on one simulation step in four and right after a camera jump.
//
// The node owns its terrain. Whenever it frees one (reload, destruction) it first clears the
// terrain cell if the cell still holds that terrain, so no reader finds freed ground. It is a
// permanent body of the renderer between Node_EnterSimulation and Node_LeaveSimulation,
// registered once however often it enters. Every file error of a terrain directory is fatal.
// One thread.
#pragma once

#include "io_inputstream.h"
#include "mos_string.h"
#include "nod_body.h"
#include "nod_permanententry.h"
#include "os_types.h"

class NOD_Replicator;
class MRT_Terrain;

class NOD_Terrain : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Terrain)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();
    // Reads the class's creation record and makes its node; null (one line logged) for a
    // record it refuses or when nothing could be made.
    static RTI_Class* CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream);

public:
    static constexpr f32 DETAIL = 160.0f;
    static constexpr f32 VIEW_MARGIN = 100.0f;  // every view plane moved outwards by this
    static constexpr u32 PLANE_FLAGS = 0x3E;    // planes 1 to 5 tested, the near plane not
    static constexpr s32 CULL_LEVEL = 3;

    NOD_Terrain();
    ~NOD_Terrain() override;
    NOD_Replicator* CreateReplicator() override;

    // While in the simulation with a terrain: the view 0.1 s ahead on steps 0, 4, 8, ... and
    // whenever the camera jumped. The sons are not stepped.
    void HeartBeat() override;
    // Terrain_SetPoly (ignored), Terrain_LoadTerrain, Node_EnterSimulation and
    // Node_LeaveSimulation; every other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The renderer's drawing of the last triangulation.
    void Render() override;

    // Replaces the terrain by the set of _directory ("\terrain.des", "\material.des", the
    // materials, light map and selector picture) and hands its materials to the renderer.
    void LoadTerrain(const char* _directory);
    // Gives the terrain the camera's view at _time and has the renderer triangulate it.
    void UpdateView(f32 _time);

    static NOD_Terrain* DynamicCast(NOD_Node* _node);

    MRT_Terrain* GetTerrain() const { return m_terrain; }
    f32 GetDetail() const { return m_detail; }
    // The directory of the set last loaded; empty before.
    const MOS_String& GetSetName() const { return m_setName; }

private:
    // Frees the terrain, clearing the simulation's cell when it holds it.
    void FreeTerrain();

    NOD_PermanentEntry m_permanent;
    MRT_Terrain* m_terrain = nullptr;  // owned
    f32 m_detail = DETAIL;
    MOS_String m_setName;
};
