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

void BHV_Body_S_Sensor::SetOwner(NOD_Body* /*_owner*/) {}
void BHV_Body_S_Sensor::SetSensor(COD_Sensor* /*_sensor*/) {}
void BHV_Body_S_Sensor::Init(s32 /*_acousticCapacity*/, s32 /*_presenceCapacity*/, s32 /*_visibleCapacity*/) {}
BHV_INERT_OPERATIONS(BHV_Body_S_Sensor)

void BHV_Body_S_ShieldGuard::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Body_S_ShieldGuard)

void BHV_Body_S_ShotHits::SetOwner(NOD_Body* /*_owner*/) {}
BHV_INERT_OPERATIONS(BHV_Body_S_ShotHits)

void BHV_Body_S_WatchEnemies::SetOwner(NOD_Body* /*_owner*/) {}
void BHV_Body_S_WatchEnemies::SetAttackers(BHV_AttackerSlots* /*_attackers*/) {}
void BHV_Body_S_WatchEnemies::SetTorpedoes(BHV_AttackerSlots* /*_torpedoes*/) {}
void BHV_Body_S_WatchEnemies::SetSensor(COD_Sensor* /*_sensor*/) {}
BHV_INERT_OPERATIONS(BHV_Body_S_WatchEnemies)

void BHV_Body_S_WatchEnemiePatrol::SetOwner(NOD_Body* /*_owner*/) {}
void BHV_Body_S_WatchEnemiePatrol::SetAttackers(BHV_AttackerSlots* /*_attackers*/) {}
void BHV_Body_S_WatchEnemiePatrol::SetSensor(COD_Sensor* /*_sensor*/) {}
BHV_INERT_OPERATIONS(BHV_Body_S_WatchEnemiePatrol)
