#include "mrt_frustum.h"

MRT_Frustum::MRT_Frustum() : planeFlags(0x3E), cullLevel(0), cullSize(1) {}

void MRT_Frustum::SetCullLevel(s32 _level)
{
    cullLevel = _level;
    cullSize = 1 << _level;
}
