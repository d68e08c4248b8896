#include "bhv_turretaiming.h"

namespace
{
BHV_TurretAiming::Cast s_cast = nullptr;
}

BHV_TurretAiming* BHV_TurretAiming::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || s_cast == nullptr)
        return nullptr;
    return s_cast(_node);
}

BHV_TurretAiming::Cast BHV_TurretAiming::InstallCast(Cast _cast)
{
    const Cast previous = s_cast;
    s_cast = _cast;
    return previous;
}
