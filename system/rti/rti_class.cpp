// The class registry and the root class of registered objects.
#include "rti_class.h"

#include "os_fatal.h"
#include "os_string.h"
#include "rti_pointer.h"

namespace
{
RTI_ClassDefinition* s_head = nullptr;
s32 s_count = 0;
// Built on demand from the list and dropped whenever the registry changes, so it always
// holds exactly the current count of records.
RTI_ClassDefinition** s_indexArray = nullptr;

void DropIndexArray()
{
    MEM_Free(s_indexArray);
    s_indexArray = nullptr;
}
}  // namespace

RTI_ClassDefinition::RTI_ClassDefinition(const char* _baseName, const char* _name, Factory _factory, u32 _size)
    : m_factory(_factory), m_baseName(_baseName), m_name(_name), m_size(_size)
{
    // Find the place first: a duplicate must stop before any other record refers to this one.
    RTI_ClassDefinition* previous = nullptr;
    RTI_ClassDefinition* current = s_head;
    while (current != nullptr && OS_StrICmp(current->m_name, _name) < 0) {
        previous = current;
        current = current->m_next;
    }
    if (current != nullptr && OS_StrICmp(current->m_name, _name) == 0)
        OS_Fatal("RTI_ClassDefinition::RTI_ClassDefinition() - duplicate classname", _name);

    m_baseDefinition = Find(_baseName);
    // Classes registered before their base learn it now, so registration order does not matter.
    for (RTI_ClassDefinition* record = s_head; record != nullptr; record = record->m_next) {
        if (record->m_baseDefinition == nullptr && OS_StrICmp(record->m_baseName, _name) == 0)
            record->m_baseDefinition = this;
    }

    m_previous = previous;
    m_next = current;
    if (previous != nullptr)
        previous->m_next = this;
    else
        s_head = this;
    if (current != nullptr)
        current->m_previous = this;

    ++s_count;
    s32 index = 0;
    for (RTI_ClassDefinition* record = s_head; record != nullptr; record = record->m_next)
        record->m_index = index++;
    DropIndexArray();
}

RTI_ClassDefinition::~RTI_ClassDefinition()
{
    if (m_previous != nullptr)
        m_previous->m_next = m_next;
    else if (s_head == this)
        s_head = m_next;
    else
        return;  // never registered
    if (m_next != nullptr)
        m_next->m_previous = m_previous;

    for (RTI_ClassDefinition* record = s_head; record != nullptr; record = record->m_next) {
        if (record->m_baseDefinition == this)
            record->m_baseDefinition = nullptr;
    }
    // Renumber so that the indices stay 0..count-1 and every record stays reachable by index.
    --s_count;
    s32 index = 0;
    for (RTI_ClassDefinition* record = s_head; record != nullptr; record = record->m_next)
        record->m_index = index++;
    DropIndexArray();
}

RTI_ClassDefinition* RTI_ClassDefinition::Find(const char* _name)
{
    if (_name == nullptr)
        return nullptr;
    for (RTI_ClassDefinition* record = s_head; record != nullptr; record = record->m_next) {
        if (OS_StrICmp(record->m_name, _name) == 0)
            return record;
    }
    return nullptr;
}

RTI_ClassDefinition* RTI_ClassDefinition::GetByIndex(s32 _index)
{
    if (_index < 0 || _index >= s_count)
        return nullptr;
    if (s_indexArray == nullptr) {
        s_indexArray = (RTI_ClassDefinition**)MEM_AllocOrDie((u32)s_count * (u32)sizeof(RTI_ClassDefinition*),
                                                             "RTI_ClassDefinition::GetByIndex()");
        for (RTI_ClassDefinition* record = s_head; record != nullptr; record = record->m_next)
            s_indexArray[record->m_index] = record;
    }
    return s_indexArray[_index];
}

s32 RTI_ClassDefinition::GetCount() { return s_count; }

RTI_Class::RTI_Class(const RTI_Class&) : MEM_Object() {}

RTI_Class& RTI_Class::operator=(const RTI_Class&) { return *this; }

RTI_Class::~RTI_Class()
{
    while (m_pointers != nullptr)
        m_pointers->Unlink();
}

void RTI_Class::Serialize(RTI_Archive&) {}

u32 RTI_Class::IsKindOf(const RTI_ClassDefinition* _definition) const
{
    if (_definition == nullptr)
        return 0;
    // Two classes naming each other as base would link into a cycle; a chain longer than the
    // registry cannot be a real one, so the walk stops there.
    s32 steps = 0;
    for (const RTI_ClassDefinition* record = GetClassDefinition(); record != nullptr && steps <= s_count;
         record = record->GetBaseDefinition(), ++steps) {
        if (record == _definition)
            return 1;
    }
    return 0;
}

namespace
{
RTI_ClassDefinition* s_rtiClassDefinition = nullptr;
}

RTI_Class* RTI_Class::CreateInstance() { return new RTI_Class(); }
RTI_ClassDefinition* RTI_Class::GetStaticClassDefinition() { return s_rtiClassDefinition; }
RTI_ClassDefinition* RTI_Class::GetClassDefinition() const { return s_rtiClassDefinition; }

void RTI_Class::RegisterClassDefinition()
{
    if (s_rtiClassDefinition == nullptr)
        s_rtiClassDefinition =
            new RTI_ClassDefinition("RTI_Class", "RTI_Class", &RTI_Class::CreateInstance, (u32)sizeof(RTI_Class));
}

void RTI_Class::UnregisterClassDefinition()
{
    delete s_rtiClassDefinition;
    s_rtiClassDefinition = nullptr;
}

void RTI_SetClassFunction(RTI_ClassDefinition* _definition, RTI_ClassFunction _function)
{
    if (_definition != nullptr)
        _definition->m_classFunction = _function;
}

RTI_ClassFunction RTI_GetClassFunction(u32 _classIndex)
{
    if (_classIndex > 0x7FFFFFFFu)
        return nullptr;
    const RTI_ClassDefinition* definition = RTI_ClassDefinition::GetByIndex((s32)_classIndex);
    return definition != nullptr ? definition->GetClassFunction() : nullptr;
}

void RTI_RegisterClasses() { RTI_Class::RegisterClassDefinition(); }

void RTI_UnregisterClasses() { RTI_Class::UnregisterClassDefinition(); }
