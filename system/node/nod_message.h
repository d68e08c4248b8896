// Typed messages between nodes, behaviours, the console and scripts, and the catalogue of
// message prototypes that says what the arguments of every message id are.
//
// A message is an id and a 384-byte buffer of arguments packed back to back without type tags,
// in the machine's byte order (messages never leave the process). Writing and reading move one
// cursor: a sender writes from 0, the receiver rewinds with Reset and reads from 0, a reply is
// written over the arguments after another Reset. Any put or get that would end past byte 384
// is fatal ("message buffer overflow"); nothing ever touches memory outside the buffer, and the
// buffer starts zeroed, so reading more than the writer put yields zeros or stale arguments.
//
// Ownership: a message belongs to whoever holds it. ProcessMessage takes it; the handler
// deletes it and returns null, or returns it refilled as the reply, which then belongs to the
// sender. A node reference travels as the node's 4-byte handle (nod_handle.h) and decodes to
// null once the node is gone.
//
// Every message kind has a prototype class NOD_<Family>_<Message> generated from the one
// catalogue table (nod_catalogue.inc): ID, the script name, the argument type codes, and static
// typed writers and readers: Create (in-arguments -> new message), Read (message ->
// in-arguments), Reply (incoming or null, out-arguments -> the reply) and ReadReply (reply ->
// out-arguments). Each type code has one C++ type (NOD_ArgTypeOf), and these functions take and
// give exactly the declared types, so a mismatch between a variable and a message's argument
// list is a compile error. Code that only knows a type code at run time (script binding,
// console) goes through NOD_GetArg and NOD_PutArg instead.
//
// The prototype instances are created by NOD_RegisterMessages (at start-up registration) in
// catalogue order, ascending ids; the registry lists the newest first. Single-threaded.
#pragma once

#include <array>
#include <tuple>
#include <type_traits>

#include "mat_vector.h"
#include "nod_handle.h"
#include "os_types.h"
#include "rti_class.h"
#include "sim_name.h"

// Argument type codes; the values are part of the catalogue and of the script binding.
enum NOD_ArgType : s32
{
    NOD_ARG_NONE = 0,  // no argument; never valid inside a prototype's counts
    NOD_ARG_U8 = 1,
    NOD_ARG_S8 = 2,
    NOD_ARG_U16 = 3,
    NOD_ARG_S16 = 4,
    NOD_ARG_U32 = 5,
    NOD_ARG_S32 = 6,
    NOD_ARG_F32 = 7,
    NOD_ARG_F64 = 8,
    NOD_ARG_VEC3 = 9,        // MAT_Vector3: three f32
    NOD_ARG_PATH = 10,       // SIM_Path: u8 depth, u8 absolute, 17 bytes per name
    NOD_ARG_NAME = 11,       // SIM_Name: u8 16, the 16-byte field
    NOD_ARG_CLASSNAME = 12,  // SIM_ClassName: u8 64, the 64-byte field
    NOD_ARG_NODEREF = 13,    // node handle, 4 bytes, 0 for no node
    NOD_ARG_LAST = 13
};

// Bytes an argument of the type takes in a message (a path of _pathDepth names); 0 for codes
// outside 1..13.
u32 NOD_GetArgBytes(s32 _type, u32 _pathDepth = 0);

class NOD_Message : public RTI_Class
{
    RTI_DECLARE_CLASS(NOD_Message)

public:
    enum
    {
        MAX_BYTES = 384
    };

    NOD_Message() = default;
    explicit NOD_Message(u32 _id) : m_id(_id) {}

    u32 GetType() const { return m_id; }
    u16 GetCursor() const { return m_cursor; }
    void Reset() { m_cursor = 0; }
    // The raw argument buffer, all 384 bytes.
    const u8* GetArguments() const { return m_arguments; }

    // Each put appends at the cursor and returns the message, so puts chain.
    NOD_Message* PutU8(u8 _value) { return Store(&_value, 1); }
    NOD_Message* PutU16(u16 _value) { return Store(&_value, 2); }
    NOD_Message* PutU32(u32 _value) { return Store(&_value, 4); }
    NOD_Message* PutF32(f32 _value) { return Store(&_value, 4); }
    NOD_Message* PutF64(f64 _value) { return Store(&_value, 8); }
    // A length byte, then _length bytes of _data.
    NOD_Message* PutBytes(const u8* _data, u8 _length);

    // Each get reads at the cursor into the caller's variable and returns the message.
    NOD_Message* GetU8(u8* _value) { return Load(_value, 1); }
    NOD_Message* GetU16(u16* _value) { return Load(_value, 2); }
    NOD_Message* GetU32(u32* _value) { return Load(_value, 4); }
    NOD_Message* GetF32(f32* _value) { return Load(_value, 4); }
    NOD_Message* GetF64(f64* _value) { return Load(_value, 8); }
    // Reads a length byte n and moves past n bytes, copying the first min(n, *_capacity) of
    // them into _destination; *_capacity becomes the number copied.
    NOD_Message* GetBytes(u8* _destination, s32* _capacity);

private:
    // Moves the cursor over _bytes and answers where they start; fatal past the buffer.
    u8* Allocate(u32 _bytes)
    {
        const u32 end = (u32)m_cursor + _bytes;
        if (end > MAX_BYTES)
            Overflow();
        u8* place = m_arguments + m_cursor;
        m_cursor = (u16)end;
        return place;
    }
    NOD_Message* Store(const void* _value, u32 _bytes);
    NOD_Message* Load(void* _value, u32 _bytes);
    [[noreturn]] static void Overflow();

    u32 m_id = 0;
    u16 m_cursor = 0;
    u8 m_arguments[MAX_BYTES] = {};
};

// One message kind: its id, script name and argument type codes. The instances form the
// registry, a list with the newest first.
class NOD_MessagePrototype : public RTI_Class
{
    RTI_DECLARE_CLASS(NOD_MessagePrototype)

public:
    NOD_MessagePrototype() : NOD_MessagePrototype(0) {}
    // Registers the prototype; an id that is already registered is fatal ("double id '%d'").
    explicit NOD_MessagePrototype(u32 _id);
    // Unlinks the prototype from the registry.
    ~NOD_MessagePrototype() override;
    NOD_MessagePrototype(const NOD_MessagePrototype&) = delete;
    NOD_MessagePrototype& operator=(const NOD_MessagePrototype&) = delete;

    u32 GetId() const { return m_id; }

    virtual const char* GetName() const;  // the script name, "Node_SetName"; base "__error__"
    virtual s32 GetNumInArgs() const;
    virtual s32 GetNumOutArgs() const;
    // Type codes; 0 for an index outside 0..count-1.
    virtual s32 GetInArgType(s32 _index) const;
    virtual s32 GetOutArgType(s32 _index) const;

    // The prototype of the id, or null.
    static NOD_MessagePrototype* Find(u32 _id);
    // A null cursor moves to the head, any other to the next prototype; true while the cursor
    // points at one. Visits every prototype once, the newest first.
    static bool Iterate(NOD_MessagePrototype** _cursor);

private:
    u32 m_id = 0;
    NOD_MessagePrototype* m_next = nullptr;
};

// Creates the message classes and the catalogue's prototypes (ascending ids), and destroys
// them in reverse order. Called at start-up registration and at exit; repeating is harmless.
void NOD_RegisterMessages();
void NOD_UnregisterMessages();

// ---------------------------------------------------------------------------------------------
// Arguments of any type code, for code that walks prototypes (script binding, console, snoop).

struct NOD_ArgValue
{
    s32 type = NOD_ARG_NONE;
    s64 integer = 0;  // codes 1-6: sign-extended for 2, 4, 6, zero-extended for 1, 3, 5
    f64 number = 0;   // codes 7 and 8
    MAT_Vector3 vector;
    SIM_Path path;
    SIM_Name name;
    SIM_ClassName className;
    u32 handle = 0;  // code 13: the node's handle, 0 for none (NOD_FromHandle decodes it)
};

// Reads one argument of type _type at the cursor into _value (its type set, other fields
// left alone). Answers 0 without reading for a code outside 1..13. A name, class name or path
// that does not hold a proper text reads as empty.
u32 NOD_GetArg(NOD_Message* _message, s32 _type, NOD_ArgValue* _value);
// Writes _value as its type; 0 without writing for a code outside 1..13. Integer codes store
// the low bits of integer, f32 the nearest f32 of number.
u32 NOD_PutArg(NOD_Message* _message, const NOD_ArgValue& _value);
// The nearest f32 of _number; beyond the largest f32 that is infinity, written out so that
// the conversion is defined for every double.
f32 NOD_NearestF32(f64 _number);

// ---------------------------------------------------------------------------------------------
// Typed arguments: the generated pattern. Every type code has exactly one C++ type, and a
// prototype class reads and writes its arguments as those types and no others, so a handler
// that reads an f32 argument into an s32, or a sender that passes one, does not compile.

template <s32... CODES>
struct NOD_ArgList
{
    static constexpr s32 COUNT = (s32)sizeof...(CODES);
    static constexpr std::array<s32, sizeof...(CODES)> TYPES = {CODES...};
    static constexpr s32 Get(s32 _index)
    {
        if constexpr (sizeof...(CODES) == 0) {
            (void)_index;
            return NOD_ARG_NONE;
        } else {
            return (_index >= 0 && _index < COUNT) ? TYPES[(u32)_index] : (s32)NOD_ARG_NONE;
        }
    }
};

// The C++ type of a type code: NOD_ArgTypeOf<NOD_ARG_F32> is f32.
template <s32 CODE>
struct NOD_ArgTraits;
#define NOD_ARG_TYPE(_code, _type)        \
    template <>                           \
    struct NOD_ArgTraits<NOD_ARG_##_code> \
    {                                     \
        using Type = _type;               \
    };
NOD_ARG_TYPE(U8, u8)
NOD_ARG_TYPE(S8, s8)
NOD_ARG_TYPE(U16, u16)
NOD_ARG_TYPE(S16, s16)
NOD_ARG_TYPE(U32, u32)
NOD_ARG_TYPE(S32, s32)
NOD_ARG_TYPE(F32, f32)
NOD_ARG_TYPE(F64, f64)
NOD_ARG_TYPE(VEC3, MAT_Vector3)
NOD_ARG_TYPE(PATH, SIM_Path)
NOD_ARG_TYPE(NAME, SIM_Name)
NOD_ARG_TYPE(CLASSNAME, SIM_ClassName)
NOD_ARG_TYPE(NODEREF, NOD_Node*)
#undef NOD_ARG_TYPE
template <s32 CODE>
using NOD_ArgTypeOf = typename NOD_ArgTraits<CODE>::Type;

// Reading one argument at the cursor into a variable of its type.
inline void NOD_ReadArg(NOD_Message* _m, u8* _v) { _m->GetU8(_v); }
inline void NOD_ReadArg(NOD_Message* _m, s8* _v) { _m->GetU8((u8*)_v); }
inline void NOD_ReadArg(NOD_Message* _m, u16* _v) { _m->GetU16(_v); }
inline void NOD_ReadArg(NOD_Message* _m, s16* _v) { _m->GetU16((u16*)_v); }
inline void NOD_ReadArg(NOD_Message* _m, u32* _v) { _m->GetU32(_v); }
inline void NOD_ReadArg(NOD_Message* _m, s32* _v) { _m->GetU32((u32*)_v); }
inline void NOD_ReadArg(NOD_Message* _m, f32* _v) { _m->GetF32(_v); }
inline void NOD_ReadArg(NOD_Message* _m, f64* _v) { _m->GetF64(_v); }
inline void NOD_ReadArg(NOD_Message* _m, MAT_Vector3* _v) { _m->GetF32(&_v->x)->GetF32(&_v->y)->GetF32(&_v->z); }
inline void NOD_ReadArg(NOD_Message* _m, SIM_Path* _v) { _v->GetFromMessage(_m); }
inline void NOD_ReadArg(NOD_Message* _m, SIM_Name* _v) { _v->GetFromMessage(_m); }
inline void NOD_ReadArg(NOD_Message* _m, SIM_ClassName* _v) { _v->GetFromMessage(_m); }
inline void NOD_ReadArg(NOD_Message* _m, NOD_Node** _v)
{
    u32 handle = 0;
    _m->GetU32(&handle);
    *_v = NOD_FromHandle(handle);
}

// Writing one argument of its type at the cursor; signed values keep their bits.
inline void NOD_WriteArg(NOD_Message* _m, u8 _v) { _m->PutU8(_v); }
inline void NOD_WriteArg(NOD_Message* _m, s8 _v) { _m->PutU8((u8)_v); }
inline void NOD_WriteArg(NOD_Message* _m, u16 _v) { _m->PutU16(_v); }
inline void NOD_WriteArg(NOD_Message* _m, s16 _v) { _m->PutU16((u16)_v); }
inline void NOD_WriteArg(NOD_Message* _m, u32 _v) { _m->PutU32(_v); }
inline void NOD_WriteArg(NOD_Message* _m, s32 _v) { _m->PutU32((u32)_v); }
inline void NOD_WriteArg(NOD_Message* _m, f32 _v) { _m->PutF32(_v); }
inline void NOD_WriteArg(NOD_Message* _m, f64 _v) { _m->PutF64(_v); }
inline void NOD_WriteArg(NOD_Message* _m, const MAT_Vector3& _v) { _m->PutF32(_v.x)->PutF32(_v.y)->PutF32(_v.z); }
inline void NOD_WriteArg(NOD_Message* _m, const SIM_Path& _v) { _v.PutToMessage(_m); }
inline void NOD_WriteArg(NOD_Message* _m, const SIM_Name& _v) { _v.PutToMessage(_m); }
inline void NOD_WriteArg(NOD_Message* _m, const SIM_ClassName& _v) { _v.PutToMessage(_m); }
inline void NOD_WriteArg(NOD_Message* _m, const NOD_Node* _v) { _m->PutU32(NOD_GetHandle(_v)); }

// A number as Create and Reply take it: a value of any type that T holds without narrowing,
// as brace-initialisation decides (u8 into a u32 argument, f32 into an f64), nothing else. So an
// f32 passed where an s32 is declared, or a u32 where a u16 is, does not compile; constants
// carry their type too (1u, (u8)1, 0.5f).
template <class T>
struct NOD_ArgNumber
{
    template <class A>
    requires requires(A _value) { T{_value}; }
    NOD_ArgNumber(A _value) : value{_value} {}
    T value;
};
template <class T>
inline void NOD_WriteArg(NOD_Message* _m, NOD_ArgNumber<T> _v)
{
    NOD_WriteArg(_m, _v.value);
}

// How Create and Reply take an argument of type T: numbers as above, a node as any node
// pointer, the others by reference.
template <class T>
struct NOD_ArgParam
{
    using Type = const T&;
};
template <class T>
requires std::is_arithmetic_v<T>
struct NOD_ArgParam<T>
{
    using Type = NOD_ArgNumber<T>;
};
template <>
struct NOD_ArgParam<NOD_Node*>
{
    using Type = const NOD_Node*;
};
template <s32 CODE>
using NOD_ArgParamOf = typename NOD_ArgParam<NOD_ArgTypeOf<CODE>>::Type;

template <u32 ID_, class IN, class OUT>
class NOD_PrototypeOf;

// Base of every generated prototype class: the id, the type codes, and the typed writers and
// readers of both argument lists.
//
// Receivers read the in-arguments with Read, senders the reply's out-arguments with ReadReply,
// either as new variables or into variables of exactly the declared types:
//     const auto [path, speed, tolerance] = NOD_Vessel_Goto::Read(_message);
//     NOD_PatrolArea_SetRadius::Read(_message, &m_radius);
// Both rewind the message first and read it whatever its id (two kinds with one argument list
// share a handler). A null message reads nothing: the new variables hold zeros, empty names
// and null nodes, the caller's variables are left alone.
template <u32 ID_, s32... IN, s32... OUT>
class NOD_PrototypeOf<ID_, NOD_ArgList<IN...>, NOD_ArgList<OUT...>> : public NOD_MessagePrototype
{
public:
    enum : u32
    {
        ID = ID_
    };
    using InArgs = NOD_ArgList<IN...>;
    using OutArgs = NOD_ArgList<OUT...>;
    using InValues = std::tuple<NOD_ArgTypeOf<IN>...>;
    using OutValues = std::tuple<NOD_ArgTypeOf<OUT>...>;

    NOD_PrototypeOf() : NOD_MessagePrototype(ID_) {}

    s32 GetNumInArgs() const override { return InArgs::COUNT; }
    s32 GetNumOutArgs() const override { return OutArgs::COUNT; }
    s32 GetInArgType(s32 _index) const override { return InArgs::Get(_index); }
    s32 GetOutArgType(s32 _index) const override { return OutArgs::Get(_index); }

    // A new message of the kind holding the in-arguments.
    static NOD_Message* Create(NOD_ArgParamOf<IN>... _args)
    {
        NOD_Message* message = new NOD_Message(ID_);
        (NOD_WriteArg(message, _args), ...);
        return message;
    }
    // The incoming message rewound and refilled with the out-arguments (its id kept), or a
    // new message of the kind when _incoming is null.
    static NOD_Message* Reply(NOD_Message* _incoming, NOD_ArgParamOf<OUT>... _args)
    {
        NOD_Message* message = _incoming;
        if (message == nullptr)
            message = new NOD_Message(ID_);
        else
            message->Reset();
        (NOD_WriteArg(message, _args), ...);
        return message;
    }

    // The in-arguments; answers the message.
    static NOD_Message* Read(NOD_Message* _message, NOD_ArgTypeOf<IN>*... _args)
    {
        return ReadList(_message, _args...);
    }
    static InValues Read(NOD_Message* _message) requires(InArgs::COUNT > 0) { return ReadValues<InValues>(_message); }
    // The out-arguments of a reply; answers the reply.
    static NOD_Message* ReadReply(NOD_Message* _reply, NOD_ArgTypeOf<OUT>*... _args)
    {
        return ReadList(_reply, _args...);
    }
    static OutValues ReadReply(NOD_Message* _reply) requires(OutArgs::COUNT > 0)
    {
        return ReadValues<OutValues>(_reply);
    }

private:
    template <class... T>
    static NOD_Message* ReadList(NOD_Message* _message, T*... _args)
    {
        if (_message == nullptr)
            return nullptr;
        _message->Reset();
        (NOD_ReadArg(_message, _args), ...);
        return _message;
    }
    template <class VALUES>
    static VALUES ReadValues(NOD_Message* _message)
    {
        VALUES values;
        std::apply([_message](auto&... _values) { ReadList(_message, &_values...); }, values);
        return values;
    }
};

// "(U32, VEC3)" -> "NOD_ARG_U32, NOD_ARG_VEC3"; "()" -> nothing.
#define NOD_PP_PARENS ()
#define NOD_PP_EXPAND(...) NOD_PP_EXPAND3(NOD_PP_EXPAND3(NOD_PP_EXPAND3(NOD_PP_EXPAND3(__VA_ARGS__))))
#define NOD_PP_EXPAND3(...) NOD_PP_EXPAND2(NOD_PP_EXPAND2(NOD_PP_EXPAND2(NOD_PP_EXPAND2(__VA_ARGS__))))
#define NOD_PP_EXPAND2(...) NOD_PP_EXPAND1(NOD_PP_EXPAND1(NOD_PP_EXPAND1(NOD_PP_EXPAND1(__VA_ARGS__))))
#define NOD_PP_EXPAND1(...) __VA_ARGS__
#define NOD_PP_CODES_NEXT() NOD_PP_CODES_HELPER
#define NOD_PP_CODES_HELPER(_first, ...) NOD_ARG_##_first __VA_OPT__(, NOD_PP_CODES_NEXT NOD_PP_PARENS(__VA_ARGS__))
#define NOD_CODES(...) __VA_OPT__(NOD_PP_EXPAND(NOD_PP_CODES_HELPER(__VA_ARGS__)))

// One line of the catalogue: class NOD_<classPart>_<message>, script name
// "<scriptFamily>_<message>", the id, the in- and out-argument type lists.
#define NOD_MESSAGE(_classPart, _scriptFamily, _message, _id, _in, _out)                       \
    class NOD_##_classPart##_##_message final                                                  \
        : public NOD_PrototypeOf<_id, NOD_ArgList<NOD_CODES _in>, NOD_ArgList<NOD_CODES _out>> \
    {                                                                                          \
        RTI_DECLARE_CLASS(NOD_##_classPart##_##_message)                                       \
    public:                                                                                    \
        static constexpr const char* SCRIPT_NAME = #_scriptFamily "_" #_message;               \
        const char* GetName() const override { return SCRIPT_NAME; }                           \
    };

#include "nod_catalogue.inc"

#undef NOD_MESSAGE
