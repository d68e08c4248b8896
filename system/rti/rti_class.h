// The class registry: every class that can be created by name, or that weak references may
// target, derives from RTI_Class and has one RTI_ClassDefinition record.
//
// Records are created by each module's registration function (called in a fixed order by
// start-up registration) and destroyed by its unregistration function; nothing registers itself
// during static initialisation. The registry keeps the records in a list sorted by name
// without regard to case (OS_StrICmp) and numbers them 0..count-1 in that order after every
// change, so an index never depends on link or registration order. The record names are
// not copied: they must outlive the record (string literals in practice).
// Name lookups walk the list; index lookups are one array access. Single-threaded.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class IO_InputStream;
class RTI_Archive;
class RTI_Class;
class RTI_Pointer;

// A stream creator: reads a creation record of the class with index _classIndex from the stream
// and answers the object it made or found (null when nothing was made). _replica is nonzero on
// the replica side.
typedef RTI_Class* (*RTI_ClassFunction)(u32 _classIndex, s32 _replica, IO_InputStream& _stream);

class RTI_ClassDefinition : public MEM_Object
{
public:
    typedef RTI_Class* (*Factory)();

    // Registers the record; a name already registered (without regard to case) is fatal and
    // leaves the registry as it was.
    RTI_ClassDefinition(const char* _baseName, const char* _name, Factory _factory, u32 _size);
    ~RTI_ClassDefinition();
    RTI_ClassDefinition(const RTI_ClassDefinition&) = delete;
    RTI_ClassDefinition& operator=(const RTI_ClassDefinition&) = delete;

    static RTI_ClassDefinition* Find(const char* _name);  // null when not registered
    static RTI_ClassDefinition* GetByIndex(s32 _index);   // null outside 0..count-1
    static s32 GetCount();

    s32 GetIndex() const { return m_index; }
    const char* GetName() const { return m_name; }
    const char* GetBaseName() const { return m_baseName; }
    // The record named by the base name, or null while that base is not registered.
    RTI_ClassDefinition* GetBaseDefinition() const { return m_baseDefinition; }
    u32 GetSize() const { return m_size; }
    // A new default-constructed instance, owned by the caller.
    RTI_Class* CreateInstance() const { return m_factory(); }
    // The class's stream creator; null until RTI_SetClassFunction stores one.
    RTI_ClassFunction GetClassFunction() const { return m_classFunction; }

private:
    friend void RTI_SetClassFunction(RTI_ClassDefinition* _definition, RTI_ClassFunction _function);

    Factory m_factory = nullptr;
    RTI_ClassFunction m_classFunction = nullptr;
    const char* m_baseName = nullptr;
    const char* m_name = nullptr;
    s32 m_index = 0;
    u32 m_size = 0;
    RTI_ClassDefinition* m_baseDefinition = nullptr;
    RTI_ClassDefinition* m_previous = nullptr;
    RTI_ClassDefinition* m_next = nullptr;
};

// Root of the registered classes. Its destruction clears every RTI_Pointer that still targets
// it. Copying an object copies its value, never its weak references: a copy starts without
// any, and an assigned object keeps its own.
class RTI_Class : public MEM_Object
{
public:
    RTI_Class() = default;
    RTI_Class(const RTI_Class& _other);
    RTI_Class& operator=(const RTI_Class& _other);
    virtual ~RTI_Class();

    // The record of the object's class; null while that class is not registered.
    virtual RTI_ClassDefinition* GetClassDefinition() const;
    virtual void Serialize(RTI_Archive& _archive);

    // 1 when the object's class is _definition or derives from it through the base links.
    u32 IsKindOf(const RTI_ClassDefinition* _definition) const;

    static RTI_Class* CreateInstance();
    static RTI_ClassDefinition* GetStaticClassDefinition();
    static void RegisterClassDefinition();
    static void UnregisterClassDefinition();

private:
    friend class RTI_Pointer;
    RTI_Pointer* m_pointers = nullptr;  // head of the weak references to this object
};

// The registration pattern of a class derived from RTI_Class. In the class body:
//     RTI_DECLARE_CLASS(SIM_Name)
// and in its source file, with the base class's name:
//     RTI_IMPLEMENT_CLASS(SIM_Name, "RTI_Class")
// RegisterClassDefinition creates the record (nothing when it exists), UnregisterClassDefinition
// destroys it (nothing when it does not); the module's registration functions call them.
#define RTI_DECLARE_CLASS(_class)                             \
public:                                                       \
    static RTI_Class* CreateInstance();                       \
    static RTI_ClassDefinition* GetStaticClassDefinition();   \
    RTI_ClassDefinition* GetClassDefinition() const override; \
    static void RegisterClassDefinition();                    \
    static void UnregisterClassDefinition();

#define RTI_IMPLEMENT_CLASS(_class, _baseName)                                                             \
    static RTI_ClassDefinition* s_classDefinition_##_class = nullptr;                                      \
    RTI_Class* _class::CreateInstance() { return new _class(); }                                           \
    RTI_ClassDefinition* _class::GetStaticClassDefinition() { return s_classDefinition_##_class; }         \
    RTI_ClassDefinition* _class::GetClassDefinition() const { return s_classDefinition_##_class; }         \
    void _class::RegisterClassDefinition()                                                                 \
    {                                                                                                      \
        if (s_classDefinition_##_class == nullptr)                                                         \
            s_classDefinition_##_class =                                                                   \
                new RTI_ClassDefinition(_baseName, #_class, &_class::CreateInstance, (u32)sizeof(_class)); \
    }                                                                                                      \
    void _class::UnregisterClassDefinition()                                                               \
    {                                                                                                      \
        delete s_classDefinition_##_class;                                                                 \
        s_classDefinition_##_class = nullptr;                                                              \
    }

// The creator table. Each creator is kept with its class record, so it follows the record
// through the renumbering of later registrations and dies with it. Storing again replaces; a
// null definition stores nothing.
void RTI_SetClassFunction(RTI_ClassDefinition* _definition, RTI_ClassFunction _function);
// The creator of the class with that index: null for an index outside the registry and for a
// class without one.
RTI_ClassFunction RTI_GetClassFunction(u32 _classIndex);

// The registration functions of this module: "RTI_Class" with base "RTI_Class".
void RTI_RegisterClasses();
void RTI_UnregisterClasses();
