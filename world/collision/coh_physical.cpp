#include "coh_physical.h"

#include <new>

#include "mat_geometry.h"

namespace
{
// The list position is 16 bits wide and 0xFFFF means none.
constexpr s32 MAX_OBJECTS = COD_PHYSICAL_UNLISTED;

s32 ClampCapacity(s32 _capacity, s32 _maximum)
{
    return _capacity < 0 ? 0 : (_capacity > _maximum ? _maximum : _capacity);
}

template <class T>
T* AllocArray(s32 _count)
{
    return _count > 0 ? (T*)MEM_AllocOrDie((u32)_count * (u32)sizeof(T), "COH_Physical::COH_Physical()") : nullptr;
}
}  // namespace

COH_Physical::COH_Physical(COS_CollisionSystem* _system, s32 _triangleCapacity, s32 _objectCapacity,
                           s32 _terrainCapacity, MRT_TerrainCell* _cell)
    : COH_HandlerBase(_system)
{
    m_capacity = ClampCapacity(_objectCapacity, MAX_OBJECTS);
    m_objects = AllocArray<COD_Physical*>(m_capacity);
    m_entryIds = AllocArray<s32>(m_capacity);
    m_terrain.cell = _cell;
    m_terrain.triangleCapacity = ClampCapacity(_triangleCapacity, 0x7FFFFFFF);
    m_terrain.triangles = AllocArray<MAT_Triangle>(m_terrain.triangleCapacity);
    for (s32 i = 0; i < m_terrain.triangleCapacity; ++i)
        new (&m_terrain.triangles[i]) MAT_Triangle();
    m_terrain.capacity = ClampCapacity(_terrainCapacity, 0x7FFFFFFF);
    m_terrain.list = AllocArray<COD_Physical*>(m_terrain.capacity);
}

COH_Physical::~COH_Physical()
{
    MEM_Free(m_terrain.list);
    MEM_Free(m_terrain.triangles);  // plain records: nothing to destroy
    MEM_Free(m_entryIds);
    MEM_Free(m_objects);
}

void COH_Physical::SetType(u32 _type) { CheckType(_type, COS_TYPE_PHYSICAL, "COH_Physical::SetType"); }

void COH_Physical::BeginStep()
{
    for (s32 i = 0; i < m_count; ++i)
        m_objects[i]->BeginStep();
}

void COH_Physical::Step(const SIM_Clock& _clock)
{
    for (s32 i = 0; i < m_terrain.count; ++i)
        m_terrain.list[i]->CollideTerrain(m_terrain.cell, m_terrain.triangles, m_terrain.triangleCapacity, _clock);
}

void COH_Physical::EndStep(const SIM_Clock&)
{
    for (s32 i = 0; i < m_count; ++i)
        m_objects[i]->EndStep();
}

void COH_Physical::Append(COD_Physical* _object, s32 _entryId)
{
    _object->m_listPosition = (u16)m_count;
    m_objects[m_count] = _object;
    m_entryIds[m_count] = _entryId;
    ++m_count;
    if (_object->m_kind >= COD_KIND_PLAYER && _object->m_kind <= COD_KIND_CAMERA && _object->m_terrainPosition == -1 &&
        m_terrain.count < m_terrain.capacity) {
        _object->m_terrainPosition = m_terrain.count;
        m_terrain.list[m_terrain.count++] = _object;
    }
}

void COH_Physical::Insert(COD_Collidable* _object, const f32 _box[6], const void* _userValue)
{
    COD_Physical* object = static_cast<COD_Physical*>(_object);
    if (object->m_listPosition == COD_PHYSICAL_UNLISTED && m_count < m_capacity)
        Append(object, m_system->Insert(_box, COS_TYPE_PHYSICAL, object, _userValue));
}

void COH_Physical::InsertNextTo(COD_Collidable* _object, COD_Collidable* _neighbour, const f32 _box[6],
                                const void* _userValue)
{
    COD_Physical* object = static_cast<COD_Physical*>(_object);
    const COD_Physical* neighbour = static_cast<const COD_Physical*>(_neighbour);
    if (object->m_listPosition != COD_PHYSICAL_UNLISTED || m_count >= m_capacity ||
        neighbour->m_listPosition == COD_PHYSICAL_UNLISTED)
        return;
    const s32 id =
        m_system->InsertNextTo(_box, COS_TYPE_PHYSICAL, object, _userValue, m_entryIds[neighbour->m_listPosition]);
    if (id != -1)
        Append(object, id);
}

void COH_Physical::Remove(COD_Collidable* _object)
{
    COD_Physical* object = static_cast<COD_Physical*>(_object);
    const s32 position = object->m_listPosition;
    if (position == COD_PHYSICAL_UNLISTED)
        return;
    m_system->Remove(COS_TYPE_PHYSICAL, m_entryIds[position]);
    --m_count;
    m_objects[position] = m_objects[m_count];
    m_entryIds[position] = m_entryIds[m_count];
    m_objects[position]->m_listPosition = (u16)position;
    object->m_listPosition = COD_PHYSICAL_UNLISTED;
    object->BeginStep();

    const s32 terrainPosition = object->m_terrainPosition;
    if (terrainPosition != -1) {
        --m_terrain.count;
        m_terrain.list[terrainPosition] = m_terrain.list[m_terrain.count];
        m_terrain.list[terrainPosition]->m_terrainPosition = terrainPosition;
        object->m_terrainPosition = -1;
    }
}

void COH_Physical::Update(COD_Collidable* _object, const f32 _box[6])
{
    const COD_Physical* object = static_cast<const COD_Physical*>(_object);
    if (object->m_listPosition != COD_PHYSICAL_UNLISTED)
        m_system->Update(COS_TYPE_PHYSICAL, m_entryIds[object->m_listPosition], _box);
}
