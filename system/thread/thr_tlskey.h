// THR_TlsKey: one slot of thread-local storage, a value per thread.
//
// The clean-up function is kept with the key for the owner's use; the key never calls it (a
// thread's end does not run it either). A key without an index (default constructed) answers
// 0 and ignores stores.
#pragma once

#include <pthread.h>

#include "mem_alloc.h"
#include "os_types.h"

class THR_TlsKey : public MEM_Object
{
public:
    typedef void (*CleanupFunction)(void* _value);

    THR_TlsKey() = default;
    // Allocates an index; THR_SyncException "Thread specific key allocation failed" when none
    // is left.
    explicit THR_TlsKey(CleanupFunction _cleanup);
    ~THR_TlsKey();
    THR_TlsKey(const THR_TlsKey&) = delete;
    THR_TlsKey& operator=(const THR_TlsKey&) = delete;

    // The calling thread's value; 0 until it stores one.
    void* Get() const;
    void Set(void* _value);
    u32 IsValid() const { return m_valid; }
    CleanupFunction GetCleanup() const { return m_cleanup; }

private:
    CleanupFunction m_cleanup = nullptr;
    pthread_key_t m_key{};
    u32 m_valid = 0;
};
