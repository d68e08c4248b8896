// The thread layer's exceptions (see mos_throwable.h for the family tree): THR_SyncException
// when a synchronisation call failed, THR_ThreadDeath when a wait was cancelled because the
// thread is being stopped.
#pragma once

#include "mos_throwable.h"
#include "os_types.h"

class THR_SyncException : public MOS_RuntimeException
{
public:
    explicit THR_SyncException(const char* _message, u32 _code = 0);
};

class THR_ThreadDeath : public MOS_Error
{
public:
    explicit THR_ThreadDeath(const char* _message, u32 _code = 0);
};
