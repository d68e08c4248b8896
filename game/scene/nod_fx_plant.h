// A field of plants of one kind over the sea floor: a 64 x 64 plant map gives, per ground cell
// of 64 x 64 world units, how many plants grow there and their tint; around the viewer at most
// 196 cells are active at once (FX_PlantCell), each placing its plants from a random table
// that every plant node shares, so a cell always looks the same when it comes back.
//
// The active set follows the camera twice per simulated second and after every camera jump.
// With RenderFast the cells are baked into the renderer's 196 plant tiles, which all plant
// nodes share through one queue of free tiles; otherwise the plants are drawn one by one with
// the body visual's levels of detail, fading out towards MaxDistance. The random table and the
// tile queue live from the first plant node to the last. The node is one of the renderer's
// permanent bodies between Node_EnterSimulation and Node_LeaveSimulation (registered once, however
// often it enters). One thread.
#pragma once

#include "mos_map.h"
#include "nod_body.h"
#include "nod_permanententry.h"
#include "os_types.h"

class NOD_Replicator;
class FX_PlantCell;
class VEC_Camera;

class NOD_FX_Plant : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_FX_Plant)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    enum : s32
    {
        MAX_CELLS = 196,
        MAP_SIZE = 64,
        CELL_SIZE = 64,
        NO_SLOT = 255,
        TABLE_SIZE = 256,
        MAX_SPANS = 256,
        TILE_QUEUE_SIZE = 197,
    };
    static constexpr f32 UPDATE_INTERVAL = 0.5f;
    static constexpr f32 HALF_CELL_DIAGONAL = 45.2544f;

    NOD_FX_Plant();
    // Gives back the tiles of its cells, the mesh handle and, as the last plant node, the
    // shared table and queue.
    ~NOD_FX_Plant() override;
    NOD_Replicator* CreateReplicator() override;

    // The section "Visual": NameMesh, PlantMap, MaxDistance, MinX .. MaxZ, RenderFast.
    void ParseIniFile_Des(DES_Section& _data) override;
    // Updates the cells for the driver's camera when half a second has passed or the camera
    // jumped; the sons get no HeartBeat.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; every other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The active cells, farthest first.
    void Render() override;

    // Marks the cells in the camera's view area as seen, retires the others and activates the
    // new ones within reach while fewer than 196 are active.
    void UpdateCells(const VEC_Camera& _camera);
    // Retires every cell not seen in the driver's current step.
    void RemoveStaleCells();

    static NOD_FX_Plant* DynamicCast(NOD_Node* _node);

    // State, for the renderer's tests and the tools.
    s32 GetMesh() const { return m_mesh; }
    s32 GetRenderFast() const { return m_renderFast; }
    f32 GetMaxDistance() const { return m_maxDistance; }
    f32 GetLastUpdate() const { return m_lastUpdate; }
    s32 GetActiveCount() const { return m_activeCount; }
    FX_PlantCell* GetCell(s32 _index) const { return m_cells[_index]; }
    // The plant-map pixel (0xAARRGGBB) and the slot of ground cell (_column, _row), 0..63.
    u32 GetPlantPixel(s32 _column, s32 _row) const { return m_plantMap ? (*m_plantMap)[_row][_column] : 0u; }
    u8 GetSlot(s32 _column, s32 _row) const { return m_slotMap ? (*m_slotMap)[_row][_column] : (u8)NO_SLOT; }
    u32 IsRegistered() const { return m_permanent.IsRegistered(); }

    // The shared table (null while no plant node lives), the living plant nodes and the free
    // tiles in queue order.
    static const f32* GetRandomTable();
    static s32 GetInstanceCount();
    static s32 GetFreeTileCount();
    static s32 GetFreeTile(s32 _index);

private:
    void ActivateCell(s32 _column, s32 _row, u32 _step);
    void RetireCell(s32 _index);
    void RetireAllCells();
    void ReleaseMesh();
    void FreeMaps();

    s32 m_mesh = 0;
    f32 m_minX = 0.0f;
    f32 m_maxX = 0.0f;
    f32 m_minY = 0.0f;
    f32 m_maxY = 0.0f;
    f32 m_minZ = 0.0f;
    f32 m_maxZ = 0.0f;
    s32 m_renderFast = 0;
    f32 m_lastUpdate = 0.0f;
    FX_PlantCell* m_cells[MAX_CELLS] = {};
    s32 m_activeCount = 0;
    MOS_Map<u32>* m_plantMap = nullptr;
    MOS_Map<u8>* m_slotMap = nullptr;
    f32 m_maxDistance = 0.0f;
    NOD_PermanentEntry m_permanent;
};
