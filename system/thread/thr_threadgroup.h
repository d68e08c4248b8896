// THR_ThreadGroup: a named set of threads and child groups, in a tree under the root "Main".
//
// Both lists keep their order (removal moves the later elements down) and grow to the next
// power of two from 4. A child group copies its parent's five settings when it is made (the
// root's are 0, 0, 50, 100, 0; nothing reads them). Lists change under the group's mutex; a
// group takes its children's mutexes while holding its own, never its parent's.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"
#include "thr_mutex.h"

class THR_Thread;

class THR_ThreadGroup : public MEM_Object
{
public:
    // A null parent makes a root group (its own parent). The name is kept, not copied.
    THR_ThreadGroup(const char* _name, THR_ThreadGroup* _parent);
    // A child group first stops and empties itself, then leaves its parent.
    ~THR_ThreadGroup();
    THR_ThreadGroup(const THR_ThreadGroup&) = delete;
    THR_ThreadGroup& operator=(const THR_ThreadGroup&) = delete;

    void AddThread(THR_Thread* _thread);
    // Removes every occurrence.
    void RemoveThread(THR_Thread* _thread);
    // Takes the child groups from the end and stops each recursively, then takes the threads
    // from the end and stops each; both lists end empty.
    void StopAll();

    const char* GetName() const { return m_name; }
    THR_ThreadGroup* GetParent() const { return m_parent; }
    u32 GetThreadCount() const { return m_threads.count; }
    THR_Thread* GetThread(u32 _index) const { return m_threads.items[_index]; }
    u32 GetGroupCount() const { return m_groups.count; }
    THR_ThreadGroup* GetGroup(u32 _index) const { return m_groups.items[_index]; }
    u32 GetSetting(u32 _index) const { return m_settings[_index]; }

    template <typename T>
    struct List
    {
        T** items = nullptr;
        u32 count = 0;
        u32 capacity = 0;
    };

private:
    THR_Mutex m_mutex;
    List<THR_ThreadGroup> m_groups;
    List<THR_Thread> m_threads;
    THR_ThreadGroup* m_parent = nullptr;
    u32 m_settings[5] = {};
    const char* m_name = nullptr;
};
