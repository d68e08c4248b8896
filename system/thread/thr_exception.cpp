// The thread layer's exception classes.
#include "thr_exception.h"

namespace
{
const char* const SYNC_EXCEPTION = "THR_SyncException";
const char* const THREAD_DEATH = "THR_ThreadDeath";
}  // namespace

THR_SyncException::THR_SyncException(const char* _message, u32 _code)
    : MOS_RuntimeException(new MOS_NamedBody<SYNC_EXCEPTION>(_message, _code))
{
}

THR_ThreadDeath::THR_ThreadDeath(const char* _message, u32 _code)
    : MOS_Error(new MOS_NamedBody<THREAD_DEATH>(_message, _code))
{
}
