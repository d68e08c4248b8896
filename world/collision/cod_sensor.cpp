#include "cod_sensor.h"

COD_Sensor::~COD_Sensor()
{
    delete[] m_seen;
    delete[] m_heard;
    delete[] m_present;
    delete[] m_blocking;
    delete[] m_filter;
}

void COD_Sensor::NoteEmitter(COD_Emitter*) {}

void COD_Sensor::CheckTerrainOcclusion() {}

void COD_Sensor::CheckVisibility() { m_flags |= COD_SENSOR_VISIBILITY_TESTED; }

void COD_Sensor::ClearResults()
{
    m_seenCount = 0;
    m_heardCount = 0;
    m_presentCount = 0;
    m_blockingCount = 0;
}
