// The handler of physical descriptions (type 0): contact between bodies and with the terrain.
//
// Every pass runs BeginStep of every registered description, then (after the pair callbacks)
// the terrain pass over the terrain-test list, then EndStep of every description, each in list
// order. Full lists ignore further descriptions silently; such descriptions take part in
// nothing (or, when only the terrain-test list is full, in no terrain contact).
#pragma once

#include "cod_physical.h"
#include "coh_handlerbase.h"

struct MAT_Triangle;
struct MRT_TerrainCell;

// The terrain pass's state: the triangle buffer is scratch space lent to CollideTerrain.
struct COH_PhysicalTerrainPass
{
    MRT_TerrainCell* cell = nullptr;
    MAT_Triangle* triangles = nullptr;  // [triangleCapacity]
    s32 triangleCapacity = 0;
    COD_Physical** list = nullptr;  // [capacity], the descriptions tested against the terrain
    s32 count = 0;
    s32 capacity = 0;
};

class COH_Physical : public COH_HandlerBase
{
public:
    // The simulation passes 1024 for each capacity; the cell is handed on unchanged.
    COH_Physical(COS_CollisionSystem* _system, s32 _triangleCapacity, s32 _objectCapacity, s32 _terrainCapacity,
                 MRT_TerrainCell* _cell);
    ~COH_Physical() override;

    void SetType(u32 _type) override;
    void BeginStep() override;
    void Step(const SIM_Clock& _clock) override;
    void EndStep(const SIM_Clock& _clock) override;
    // Descriptions of kinds 0 to 6 also join the terrain-test list while it has room.
    void Insert(COD_Collidable* _object, const f32 _box[6], const void* _userValue) override;
    void InsertNextTo(COD_Collidable* _object, COD_Collidable* _neighbour, const f32 _box[6],
                      const void* _userValue) override;
    // Also runs the description's BeginStep, so no contact state of the pass survives.
    void Remove(COD_Collidable* _object) override;
    void Update(COD_Collidable* _object, const f32 _box[6]) override;

    s32 GetCount() const { return m_count; }
    s32 GetCapacity() const { return m_capacity; }
    COD_Physical* GetObject(s32 _position) const { return m_objects[_position]; }
    const COH_PhysicalTerrainPass& GetTerrainPass() const { return m_terrain; }

private:
    void Append(COD_Physical* _object, s32 _entryId);

    COD_Physical** m_objects = nullptr;  // [m_capacity]
    s32* m_entryIds = nullptr;           // [m_capacity]
    COH_PhysicalTerrainPass m_terrain;
    s32 m_capacity = 0;
    s32 m_count = 0;
};
