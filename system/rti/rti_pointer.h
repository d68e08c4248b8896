// RTI_Pointer: a weak reference to an RTI_Class object that reads null once the object is gone.
//
// Every pointer to an object sits in that object's list, so setting, unlinking and destroying
// a pointer are constant time and the object's destruction clears all of them. A copy refers to
// the same object as its source and is linked into that object's list on its own.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class RTI_Class;

class RTI_Pointer : public MEM_Object
{
public:
    RTI_Pointer() = default;
    RTI_Pointer(const RTI_Pointer& _other);
    RTI_Pointer& operator=(const RTI_Pointer& _other);
    virtual ~RTI_Pointer();

    // Refers to _target from now on (null clears); the same target changes nothing.
    void Set(RTI_Class* _target);
    // Leaves the target's list; the pointer reads null afterwards.
    void Unlink();
    RTI_Class* Get() const { return m_target; }

private:
    friend class RTI_Class;
    RTI_Class* m_target = nullptr;
    RTI_Pointer* m_previous = nullptr;
    RTI_Pointer* m_next = nullptr;
};
