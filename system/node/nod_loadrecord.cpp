#include "nod_loadrecord.h"

#include "rti_class.h"

s32 NOD_LoadRecord::Add(const RTI_ClassDefinition* _definition, const char* _fileName, const char* _nodeName)
{
    RPL_ReplicationHost* host = RPL_ReplicationHost::GetCurrent();
    if (host == nullptr || _definition == nullptr)
        return -1;
    return host->AddLoadRecord((u32)_definition->GetIndex(), _fileName, _nodeName);
}

const RPL_LoadRecord* NOD_LoadRecord::Get(s32 _index)
{
    const RPL_ReplicationHost* host = RPL_ReplicationHost::GetCurrent();
    return host != nullptr ? host->GetLoadRecord(_index) : nullptr;
}
