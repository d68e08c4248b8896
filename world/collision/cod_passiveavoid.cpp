#include "cod_passiveavoid.h"

COD_PassiveAvoid::~COD_PassiveAvoid() = default;
