// The per-thread chain of guards.
#include "thr_lockguard.h"

#include "thr_local.h"
#include "thr_mutex.h"
#include "thr_tlskey.h"

namespace
{
void SetHead(THR_Cleanup* _head)
{
    if (THR_TlsKey* key = THR_GetLockGuardKey())
        key->Set(_head);
}
}  // namespace

THR_Cleanup::THR_Cleanup(bool _register)
{
    if (_register)
        Push();
}

THR_Cleanup::~THR_Cleanup() { Pop(false); }

THR_Cleanup* THR_Cleanup::GetChainHead()
{
    THR_TlsKey* key = THR_GetLockGuardKey();
    return key ? (THR_Cleanup*)key->Get() : nullptr;
}

void THR_Cleanup::Push()
{
    if (IsRegistered())
        return;
    m_previous = GetChainHead();
    SetHead(this);
}

void THR_Cleanup::Pop(bool _run)
{
    if (!IsRegistered())
        return;
    SetHead(m_previous);
    m_previous = NotRegistered();
    if (_run)
        Release();
}

void THR_Cleanup::ReleaseChain(void* _head)
{
    THR_Cleanup* guard = (THR_Cleanup*)_head;
    while (guard && guard != NotRegistered()) {
        THR_Cleanup* previous = guard->m_previous;
        // Unregistered first, so the guard's own destructor does not release it again.
        guard->m_previous = NotRegistered();
        guard->Release();
        guard = previous;
    }
    SetHead(nullptr);
}

THR_LockGuard::THR_LockGuard(THR_Mutex& _mutex) : THR_Cleanup(false), m_mutex(&_mutex)
{
    m_mutex->Lock();
    Push();
}

THR_LockGuard::~THR_LockGuard()
{
    if (IsRegistered())
        Pop(true);
}

void THR_LockGuard::Release() { m_mutex->Unlock(); }
