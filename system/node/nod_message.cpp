// Messages, the prototype registry and the catalogue's class records and instances.
#include "nod_message.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <utility>

#include "os_fatal.h"

// --- NOD_Message ---

RTI_IMPLEMENT_CLASS(NOD_Message, "RTI_Class")

NOD_Message* NOD_Message::Store(const void* _value, u32 _bytes)
{
    memcpy(Allocate(_bytes), _value, _bytes);
    return this;
}

NOD_Message* NOD_Message::Load(void* _value, u32 _bytes)
{
    memcpy(_value, Allocate(_bytes), _bytes);
    return this;
}

void NOD_Message::Overflow() { OS_Fatal("NOD_Message::Allocate()", "message buffer overflow"); }

NOD_Message* NOD_Message::PutBytes(const u8* _data, u8 _length)
{
    PutU8(_length);
    u8* place = Allocate(_length);
    if (_data != nullptr)
        memcpy(place, _data, _length);
    else
        memset(place, 0, _length);
    return this;
}

NOD_Message* NOD_Message::GetBytes(u8* _destination, s32* _capacity)
{
    u8 length = 0;
    GetU8(&length);
    const u8* place = Allocate(length);
    s32 count = 0;
    if (_destination != nullptr && _capacity != nullptr && *_capacity > 0)
        count = *_capacity < (s32)length ? *_capacity : (s32)length;
    if (count > 0)
        memcpy(_destination, place, (u32)count);
    if (_capacity != nullptr)
        *_capacity = count;
    return this;
}

// --- NOD_MessagePrototype ---

RTI_IMPLEMENT_CLASS(NOD_MessagePrototype, "RTI_Class")

namespace
{
NOD_MessagePrototype* s_head = nullptr;
}

NOD_MessagePrototype::NOD_MessagePrototype(u32 _id)
{
    for (NOD_MessagePrototype* p = s_head; p != nullptr; p = p->m_next) {
        if (p->m_id == _id)
            OS_Fatal("NOD_MessagePrototype::NOD_MessagePrototype()", OS_Format("double id '%d'", (s32)_id));
    }
    m_id = _id;
    m_next = s_head;
    s_head = this;
}

NOD_MessagePrototype::~NOD_MessagePrototype()
{
    if (s_head == this) {
        s_head = m_next;
        return;
    }
    for (NOD_MessagePrototype* p = s_head; p != nullptr; p = p->m_next) {
        if (p->m_next == this) {
            p->m_next = m_next;
            return;
        }
    }
    // A destructor must not stop the program; the registry is unchanged either way.
    OS_Log("NOD_MessagePrototype::~NOD_MessagePrototype() prototype no found");
}

const char* NOD_MessagePrototype::GetName() const { return "__error__"; }
s32 NOD_MessagePrototype::GetNumInArgs() const { return 0; }
s32 NOD_MessagePrototype::GetNumOutArgs() const { return 0; }
s32 NOD_MessagePrototype::GetInArgType(s32) const { return NOD_ARG_NONE; }
s32 NOD_MessagePrototype::GetOutArgType(s32) const { return NOD_ARG_NONE; }

NOD_MessagePrototype* NOD_MessagePrototype::Find(u32 _id)
{
    for (NOD_MessagePrototype* p = s_head; p != nullptr; p = p->m_next) {
        if (p->m_id == _id)
            return p;
    }
    return nullptr;
}

bool NOD_MessagePrototype::Iterate(NOD_MessagePrototype** _cursor)
{
    *_cursor = *_cursor == nullptr ? s_head : (*_cursor)->m_next;
    return *_cursor != nullptr;
}

// --- Arguments by type code ---

u32 NOD_GetArgBytes(s32 _type, u32 _pathDepth)
{
    switch (_type) {
    case NOD_ARG_U8:
    case NOD_ARG_S8:
        return 1;
    case NOD_ARG_U16:
    case NOD_ARG_S16:
        return 2;
    case NOD_ARG_U32:
    case NOD_ARG_S32:
    case NOD_ARG_F32:
    case NOD_ARG_NODEREF:
        return 4;
    case NOD_ARG_F64:
        return 8;
    case NOD_ARG_VEC3:
        return 12;
    case NOD_ARG_PATH:
        return 2 + (1 + SIM_Name::FIELD_BYTES) * _pathDepth;
    case NOD_ARG_NAME:
        return 1 + SIM_Name::FIELD_BYTES;
    case NOD_ARG_CLASSNAME:
        return 1 + SIM_ClassName::FIELD_BYTES;
    default:
        return 0;
    }
}

u32 NOD_GetArg(NOD_Message* _message, s32 _type, NOD_ArgValue* _value)
{
    switch (_type) {
    case NOD_ARG_U8:
    case NOD_ARG_S8: {
        u8 value = 0;
        _message->GetU8(&value);
        _value->integer = _type == NOD_ARG_S8 ? (s64)(s8)value : (s64)value;
        break;
    }
    case NOD_ARG_U16:
    case NOD_ARG_S16: {
        u16 value = 0;
        _message->GetU16(&value);
        _value->integer = _type == NOD_ARG_S16 ? (s64)(s16)value : (s64)value;
        break;
    }
    case NOD_ARG_U32:
    case NOD_ARG_S32: {
        u32 value = 0;
        _message->GetU32(&value);
        _value->integer = _type == NOD_ARG_S32 ? (s64)(s32)value : (s64)value;
        break;
    }
    case NOD_ARG_F32: {
        f32 value = 0.0f;
        _message->GetF32(&value);
        _value->number = value;
        break;
    }
    case NOD_ARG_F64:
        _message->GetF64(&_value->number);
        break;
    case NOD_ARG_VEC3:
        NOD_ReadArg(_message, &_value->vector);
        break;
    case NOD_ARG_PATH:
        _value->path.GetFromMessage(_message);
        break;
    case NOD_ARG_NAME:
        _value->name.GetFromMessage(_message);
        break;
    case NOD_ARG_CLASSNAME:
        _value->className.GetFromMessage(_message);
        break;
    case NOD_ARG_NODEREF:
        _message->GetU32(&_value->handle);
        break;
    default:
        return 0;
    }
    _value->type = _type;
    return 1;
}

f32 NOD_NearestF32(f64 _number)
{
    if (_number > (f64)FLT_MAX)
        return INFINITY;
    if (_number < -(f64)FLT_MAX)
        return -INFINITY;
    return (f32)_number;
}

u32 NOD_PutArg(NOD_Message* _message, const NOD_ArgValue& _value)
{
    switch (_value.type) {
    case NOD_ARG_U8:
    case NOD_ARG_S8:
        _message->PutU8((u8)_value.integer);
        break;
    case NOD_ARG_U16:
    case NOD_ARG_S16:
        _message->PutU16((u16)_value.integer);
        break;
    case NOD_ARG_U32:
    case NOD_ARG_S32:
        _message->PutU32((u32)_value.integer);
        break;
    case NOD_ARG_F32:
        _message->PutF32(NOD_NearestF32(_value.number));
        break;
    case NOD_ARG_F64:
        _message->PutF64(_value.number);
        break;
    case NOD_ARG_VEC3:
        NOD_WriteArg(_message, _value.vector);
        break;
    case NOD_ARG_PATH:
        _value.path.PutToMessage(_message);
        break;
    case NOD_ARG_NAME:
        _value.name.PutToMessage(_message);
        break;
    case NOD_ARG_CLASSNAME:
        _value.className.PutToMessage(_message);
        break;
    case NOD_ARG_NODEREF:
        _message->PutU32(_value.handle);
        break;
    default:
        return 0;
    }
    return 1;
}

// --- The catalogue ---

#define NOD_MESSAGE(_classPart, _scriptFamily, _message, _id, _in, _out) \
    RTI_IMPLEMENT_CLASS(NOD_##_classPart##_##_message, "NOD_MessagePrototype")
#include "nod_catalogue.inc"

namespace
{
// Compile-time checks: each type code has a C++ type of its own (so a variable's type says
// which code it reads), and the catalogue's ids ascend.

template <s32 CODE, s32... CODES>
constexpr s32 CountSharingType(std::integer_sequence<s32, CODES...>)
{
    return (0 + ... + (std::is_same_v<NOD_ArgTypeOf<CODE>, NOD_ArgTypeOf<CODES + 1>> ? 1 : 0));
}
template <s32... CODES>
constexpr bool EachCodeHasItsOwnType(std::integer_sequence<s32, CODES...> _codes)
{
    return ((CountSharingType<CODES + 1>(_codes) == 1) && ...);
}
static_assert(EachCodeHasItsOwnType(std::make_integer_sequence<s32, NOD_ARG_LAST>{}),
              "two type codes share a C++ type");

constexpr u32 IDS[] = {
#define NOD_MESSAGE(_classPart, _scriptFamily, _message, _id, _in, _out) _id,
#include "nod_catalogue.inc"
};

constexpr bool Ascending()
{
    for (u32 i = 1; i < sizeof(IDS) / sizeof(IDS[0]); ++i) {
        if (IDS[i] <= IDS[i - 1])
            return false;
    }
    return true;
}
static_assert(Ascending(), "catalogue ids must be unique and ascending");
static_assert(sizeof(IDS) / sizeof(IDS[0]) == 257, "the catalogue has 257 messages");

// Registration.

template <class PROTOTYPE>
NOD_MessagePrototype* Construct()
{
    return new PROTOTYPE();
}

struct Entry
{
    void (*registerClass)();
    void (*unregisterClass)();
    NOD_MessagePrototype* (*construct)();
};

constexpr Entry ENTRIES[] = {
#define NOD_MESSAGE(_classPart, _scriptFamily, _message, _id, _in, _out) \
    {&NOD_##_classPart##_##_message::RegisterClassDefinition,            \
     &NOD_##_classPart##_##_message::UnregisterClassDefinition, &Construct<NOD_##_classPart##_##_message>},
#include "nod_catalogue.inc"
};

constexpr u32 ENTRY_COUNT = sizeof(ENTRIES) / sizeof(ENTRIES[0]);
NOD_MessagePrototype* s_instances[ENTRY_COUNT] = {};
u32 s_instanceCount = 0;
}  // namespace

void NOD_RegisterMessages()
{
    if (s_instanceCount != 0)
        return;
    NOD_Message::RegisterClassDefinition();
    NOD_MessagePrototype::RegisterClassDefinition();
    for (const Entry& entry : ENTRIES) {
        entry.registerClass();
        s_instances[s_instanceCount] = entry.construct();
        ++s_instanceCount;
    }
}

void NOD_UnregisterMessages()
{
    while (s_instanceCount > 0) {
        --s_instanceCount;
        delete s_instances[s_instanceCount];
        s_instances[s_instanceCount] = nullptr;
        ENTRIES[s_instanceCount].unregisterClass();
    }
    NOD_MessagePrototype::UnregisterClassDefinition();
    NOD_Message::UnregisterClassDefinition();
}
