#include "bhv_bodystates.h"

#include "mem_alloc.h"

// Init allocates the sets with new[] and the marks with MEM_Alloc.
BHV_Body_S_Sensor::~BHV_Body_S_Sensor()
{
    delete[] m_visible;
    delete[] m_acoustic;
    delete[] m_presence;
    MEM_Free(m_visibleSeen);
    MEM_Free(m_acousticSeen);
    MEM_Free(m_presenceSeen);
}

void BHV_Body_S_Sensor::Init(s32 /*_acousticCapacity*/, s32 /*_presenceCapacity*/, s32 /*_visibleCapacity*/) {}
BHV_INERT_OPERATIONS(BHV_Body_S_Sensor)

BHV_INERT_OPERATIONS(BHV_Body_S_ShieldGuard)

BHV_INERT_OPERATIONS(BHV_Body_S_ShotHits)

BHV_INERT_OPERATIONS(BHV_Body_S_WatchEnemies)

BHV_INERT_OPERATIONS(BHV_Body_S_WatchEnemiePatrol)
