// NOD_LoadRecord: the replication host's record of what a node read its description from.
//
// The file-name form of ParseIniFile leaves one while a host exists; the generic creation record
// names the node's description file from it. No host exists in a run, so every node's
// load-record index stays -1.
#pragma once

#include "os_types.h"
#include "rpl_replicationhost.h"

class RTI_ClassDefinition;

class NOD_LoadRecord
{
public:
    // Appends {class index, file name, node name} to the host's records and answers the index;
    // -1 (nothing stored) without a host, on the replica side and for an unregistered class.
    static s32 Add(const RTI_ClassDefinition* _definition, const char* _fileName, const char* _nodeName);
    // The record; null without a host and for an index the host does not hold.
    static const RPL_LoadRecord* Get(s32 _index);
};
