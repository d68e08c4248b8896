#include "coh_handlerbase.h"

#include "os_fatal.h"

COH_HandlerBase::~COH_HandlerBase() = default;

void COH_HandlerBase::CheckType(u32 _type, u32 _own, const char* _caption)
{
    if (_type != _own)
        OS_Fatal(_caption, "Wrong type number assigned");
}
