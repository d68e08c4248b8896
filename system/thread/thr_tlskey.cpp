// Thread-local slots on pthread keys.
#include "thr_tlskey.h"

#include "thr_exception.h"

THR_TlsKey::THR_TlsKey(CleanupFunction _cleanup) : m_cleanup(_cleanup)
{
    // No destructor for pthreads: the clean-up function is the owner's to call.
    if (pthread_key_create(&m_key, nullptr) != 0)
        throw THR_SyncException("Thread specific key allocation failed");
    m_valid = 1;
}

THR_TlsKey::~THR_TlsKey()
{
    if (m_valid)
        pthread_key_delete(m_key);
}

void* THR_TlsKey::Get() const { return m_valid ? pthread_getspecific(m_key) : nullptr; }

void THR_TlsKey::Set(void* _value)
{
    if (m_valid)
        pthread_setspecific(m_key, _value);
}
