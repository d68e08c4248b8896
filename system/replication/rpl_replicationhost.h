// RPL_ReplicationHost: the replication space of one side, whether that side is the replica
// side, the load records of the nodes that read their description files, and the tolerance
// record handed to the motion tracks of replicated bodies.
//
// No host exists in a run: the process-wide pointer starts null and only tests set it. The
// code that runs in a run (description reading, the projectile spawner) tests the pointer and
// does nothing without a host. The host owns neither its space nor the space's observers.
#pragma once

#include "mem_alloc.h"
#include "mos_string.h"
#include "os_types.h"

class RPL_ReplicationSpace;

// What a node read its description from: kept so that its creation record can name the file.
struct RPL_LoadRecord
{
    u32 classIndex = 0;
    MOS_String fileName;
    MOS_String nodeName;
};

class RPL_ReplicationHost : public MEM_Object
{
public:
    enum
    {
        TRACK_CONTEXT_COUNT = 32,  // f32 tolerances, all 0
    };

    // On the replica side (_replicaSide nonzero) new nodes go to the space's own observer and
    // no load records are made.
    RPL_ReplicationHost(RPL_ReplicationSpace* _space, u32 _replicaSide);
    // Clears the process-wide pointer when it points at this host.
    ~RPL_ReplicationHost();
    RPL_ReplicationHost(const RPL_ReplicationHost&) = delete;
    RPL_ReplicationHost& operator=(const RPL_ReplicationHost&) = delete;

    static RPL_ReplicationHost* GetCurrent() { return s_current; }
    static void SetCurrent(RPL_ReplicationHost* _host) { s_current = _host; }

    RPL_ReplicationSpace* GetSpace() const { return m_space; }
    u32 IsReplicaSide() const { return m_replicaSide; }

    // Appends a record and answers its index; -1 (nothing stored) on the replica side. Null
    // names are empty.
    s32 AddLoadRecord(u32 _classIndex, const char* _fileName, const char* _nodeName);
    // Null outside 0..count-1.
    const RPL_LoadRecord* GetLoadRecord(s32 _index) const;
    u32 GetLoadRecordCount() const { return m_count; }
    u32 GetLoadRecordCapacity() const { return m_capacity; }

    const f32* GetTrackContext() const { return m_trackContext; }

private:
    static RPL_ReplicationHost* s_current;

    RPL_ReplicationSpace* m_space;
    u32 m_replicaSide;
    RPL_LoadRecord* m_records = nullptr;
    u32 m_count = 0;
    u32 m_capacity = 0;
    f32 m_trackContext[TRACK_CONTEXT_COUNT] = {};
};
