#include "rpl_replicationhost.h"

#include <new>

#include "os_fatal.h"

RPL_ReplicationHost* RPL_ReplicationHost::s_current = nullptr;

RPL_ReplicationHost::RPL_ReplicationHost(RPL_ReplicationSpace* _space, u32 _replicaSide)
    : m_space(_space), m_replicaSide(_replicaSide)
{
}

RPL_ReplicationHost::~RPL_ReplicationHost()
{
    for (u32 i = 0; i < m_count; ++i)
        m_records[i].~RPL_LoadRecord();
    MEM_Free(m_records);
    if (s_current == this)
        s_current = nullptr;
}

s32 RPL_ReplicationHost::AddLoadRecord(u32 _classIndex, const char* _fileName, const char* _nodeName)
{
    if (m_replicaSide != 0)
        return -1;
    if (m_count == m_capacity) {
        // The smallest power of two that is at least 4 and holds one more; the records are
        // copied over and the old ones destroyed.
        u64 capacity = 4;
        while (capacity < (u64)m_count + 1)
            capacity <<= 1;
        if (capacity > 0x7FFFFFFFu / sizeof(RPL_LoadRecord))
            OS_Fatal("RPL_ReplicationHost::AddLoadRecord()", "out of memory");
        RPL_LoadRecord* records = (RPL_LoadRecord*)MEM_AllocOrDie((u32)(capacity * sizeof(RPL_LoadRecord)),
                                                                  "RPL_ReplicationHost::AddLoadRecord()");
        for (u32 i = 0; i < m_count; ++i) {
            new (&records[i]) RPL_LoadRecord(m_records[i]);
            m_records[i].~RPL_LoadRecord();
        }
        MEM_Free(m_records);
        m_records = records;
        m_capacity = (u32)capacity;
    }
    RPL_LoadRecord* record = new (&m_records[m_count]) RPL_LoadRecord();
    record->classIndex = _classIndex;
    record->fileName = MOS_String(_fileName);
    record->nodeName = MOS_String(_nodeName);
    return (s32)m_count++;
}

const RPL_LoadRecord* RPL_ReplicationHost::GetLoadRecord(s32 _index) const
{
    if (_index < 0 || (u32)_index >= m_count)
        return nullptr;
    return &m_records[_index];
}
