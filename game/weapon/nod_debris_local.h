// What debris and shrapnel share: the random draw of a value in a range and the world box of a
// local box.
#pragma once

#include "crt_rand.h"
#include "mat_geometry.h"
#include "mat_matrix.h"
#include "os_types.h"

// a + rand() x (b - a) / 32767: one draw of CRT_Rand, consumed also when a equals b.
inline f32 NOD_DrawRange(f32 _min, f32 _max)
{
    const f32 draw = (f32)CRT_Rand();
    return _min + draw * (_max - _min) / (f32)CRT_RAND_MAX;
}

// The box of _local's eight corners placed by _frame: min in _box[0..2], max in _box[3..5].
inline void NOD_WorldBox(const MAT_AABox& _local, const MAT_Matrix34& _frame, f32* _box)
{
    MAT_Vector3 corners[8];
    _local.Transform(_frame, corners);
    MAT_AABox world;
    world.m_min = world.m_max = corners[0];
    for (s32 i = 1; i < 8; ++i)
        world.Extend(corners[i]);
    _box[0] = world.m_min.x;
    _box[1] = world.m_min.y;
    _box[2] = world.m_min.z;
    _box[3] = world.m_max.x;
    _box[4] = world.m_max.y;
    _box[5] = world.m_max.z;
}

// The unit cube -0.5 .. 0.5 on each axis.
inline MAT_AABox NOD_UnitCube()
{
    MAT_AABox box;
    box.m_min = {-0.5f, -0.5f, -0.5f};
    box.m_max = {0.5f, 0.5f, 0.5f};
    return box;
}
