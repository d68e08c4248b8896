// Weak references: each pointer is a node of its target's doubly linked list.
#include "rti_pointer.h"

#include "rti_class.h"

RTI_Pointer::RTI_Pointer(const RTI_Pointer& _other) : MEM_Object() { Set(_other.m_target); }

RTI_Pointer& RTI_Pointer::operator=(const RTI_Pointer& _other)
{
    Set(_other.m_target);
    return *this;
}

RTI_Pointer::~RTI_Pointer() { Unlink(); }

void RTI_Pointer::Set(RTI_Class* _target)
{
    if (_target == m_target)
        return;
    Unlink();
    if (_target == nullptr)
        return;
    m_target = _target;
    m_next = _target->m_pointers;
    if (m_next != nullptr)
        m_next->m_previous = this;
    _target->m_pointers = this;
}

void RTI_Pointer::Unlink()
{
    if (m_target != nullptr) {
        if (m_previous != nullptr)
            m_previous->m_next = m_next;
        else
            m_target->m_pointers = m_next;
        if (m_next != nullptr)
            m_next->m_previous = m_previous;
    }
    m_target = nullptr;
    m_previous = nullptr;
    m_next = nullptr;
}
