// The projectile spawner.
#include "brisel_spawn.h"

Brisel_Spawn* Brisel_TheSpawn = nullptr;

Brisel_Spawn::Brisel_Spawn() : m_debrisCounter(0) {}

// The table holds no prototype while their classes do not exist, so there is nothing to
// delete yet.
Brisel_Spawn::~Brisel_Spawn() {}
