#include "cod_shadow.h"

COD_ShadowCaster::~COD_ShadowCaster() = default;

COD_ShadowReceiver::~COD_ShadowReceiver() = default;

void COD_ShadowReceiver::ClearResults()
{
    m_results[0] = 0.0f;
    m_results[1] = 0.0f;
}
