// THR_Cleanup and THR_LockGuard: guards kept per thread in a chain, so a thread's held locks
// can be found and given back.
//
// A registered guard is the head of the calling thread's chain (kept in the lock-guard key)
// and remembers the previous head; guards are popped in reverse order of registration, as
// scopes end. THR_LockGuard is the scoped lock: it locks its mutex and registers; leaving the
// scope, also by an exception, pops it and unlocks.
#pragma once

#include "os_types.h"

class THR_Mutex;

class THR_Cleanup
{
public:
    explicit THR_Cleanup(bool _register);
    // A guard still registered leaves the chain (without Release).
    virtual ~THR_Cleanup();
    THR_Cleanup(const THR_Cleanup&) = delete;
    THR_Cleanup& operator=(const THR_Cleanup&) = delete;

    virtual void Release() {}

    // Makes an unregistered guard the head of the calling thread's chain.
    void Push();
    // Restores the previous head; calls Release when _run is true. Nothing when not registered.
    void Pop(bool _run);
    u32 IsRegistered() const { return m_previous != NotRegistered(); }

    // The calling thread's chain, newest first; null when empty.
    static THR_Cleanup* GetChainHead();
    static THR_Cleanup* GetPrevious(const THR_Cleanup* _guard) { return _guard->m_previous; }
    // The lock-guard key's clean-up function: releases every guard of the chain from _head on
    // and empties the chain.
    static void ReleaseChain(void* _head);

private:
    static THR_Cleanup* NotRegistered() { return reinterpret_cast<THR_Cleanup*>(~(std::uintptr_t)0); }

    THR_Cleanup* m_previous = NotRegistered();
};

class THR_LockGuard : public THR_Cleanup
{
public:
    // Locks (may throw THR_ThreadDeath; nothing is registered then) and registers.
    explicit THR_LockGuard(THR_Mutex& _mutex);
    // Registered: pops and unlocks.
    ~THR_LockGuard() override;

    void Release() override;  // unlocks

private:
    THR_Mutex* m_mutex = nullptr;
};
