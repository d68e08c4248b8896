// Thread groups: two ordered pointer lists under the group's mutex.
#include "thr_threadgroup.h"

#include "thr_lockguard.h"
#include "thr_thread.h"

namespace
{
template <typename T>
void Append(THR_ThreadGroup::List<T>& _list, T* _item)
{
    if (_list.count == _list.capacity) {
        u32 capacity = 4;
        while (capacity < _list.count + 1)
            capacity <<= 1;
        T** items = (T**)MEM_AllocOrDie(capacity * (u32)sizeof(T*), "THR_ThreadGroup::Grow()");
        for (u32 i = 0; i < _list.count; ++i)
            items[i] = _list.items[i];
        MEM_Free(_list.items);
        _list.items = items;
        _list.capacity = capacity;
    }
    _list.items[_list.count++] = _item;
}

template <typename T>
void RemoveAll(THR_ThreadGroup::List<T>& _list, T* _item)
{
    u32 kept = 0;
    for (u32 i = 0; i < _list.count; ++i)
        if (_list.items[i] != _item)
            _list.items[kept++] = _list.items[i];
    _list.count = kept;
}

template <typename T>
void Free(THR_ThreadGroup::List<T>& _list)
{
    MEM_Free(_list.items);
    _list.items = nullptr;
    _list.count = 0;
    _list.capacity = 0;
}
}  // namespace

THR_ThreadGroup::THR_ThreadGroup(const char* _name, THR_ThreadGroup* _parent)
    : m_parent(_parent ? _parent : this), m_name(_name)
{
    if (!_parent) {
        m_settings[2] = 50;
        m_settings[3] = 100;
        return;
    }
    {
        THR_LockGuard guard(_parent->m_mutex);
        for (u32 i = 0; i < 5; ++i)
            m_settings[i] = _parent->m_settings[i];
    }
    THR_LockGuard guard(_parent->m_mutex);
    Append(_parent->m_groups, this);
}

THR_ThreadGroup::~THR_ThreadGroup()
{
    if (m_parent != this) {
        StopAll();
        THR_LockGuard guard(m_parent->m_mutex);
        RemoveAll(m_parent->m_groups, this);
    }
    Free(m_groups);
    Free(m_threads);
}

void THR_ThreadGroup::AddThread(THR_Thread* _thread)
{
    THR_LockGuard guard(m_mutex);
    Append(m_threads, _thread);
}

void THR_ThreadGroup::RemoveThread(THR_Thread* _thread)
{
    THR_LockGuard guard(m_mutex);
    RemoveAll(m_threads, _thread);
}

void THR_ThreadGroup::StopAll()
{
    THR_LockGuard guard(m_mutex);
    while (m_groups.count > 0)
        m_groups.items[--m_groups.count]->StopAll();
    while (m_threads.count > 0)
        m_threads.items[--m_threads.count]->Stop();
}
