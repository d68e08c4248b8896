// The Lua side of the script node: the prototype index, one command function per prototype,
// the service functions, the vector and node-reference types, the conversions between message
// arguments and script values, the snoop trace and the script error lines.
//
// Every function here that Lua calls runs its body under the fatal-error guard (lua_state.h)
// and keeps no object with a destructor alive across a Lua call: values cross in the plain
// NOD_ScriptValue form, and messages are built and read in helpers that never call Lua.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "lua_state.h"
#include "mem_alloc.h"
#include "nod_message.h"
#include "nod_script_local.h"
#include "os_fatal.h"
#include "os_file.h"
#include "sim_clock.h"

namespace
{
NOD_MessagePrototype** s_prototypes = nullptr;
s32 s_prototypeCount = 0;
s32 s_prototypeUsers = 0;
u32 s_snoop = 0;

// Prototypes have a handful of arguments; larger lists take scratch memory from Lua.
constexpr s32 LOCAL_VALUES = 8;

const char* const INTERFACE_WHERE = "NOD_Script::LUAF_Interface()";
const char* const LOG_WHERE = "NOD_Script::LUAF_Log()";
const char* const ERROR_WHERE = "NOD_Script::LUAF_ErrorMessage()";
const char* const SET_COMPONENT = "set vector component";

const char* NameOrNull(const char* _name) { return _name != nullptr ? _name : "(null)"; }

s32 AbsoluteIndex(lua_State* _state, s32 _index)
{
    return (_index < 0 && _index > LUA_REGISTRYINDEX) ? lua_gettop(_state) + _index + 1 : _index;
}

u32 IsUserType(lua_State* _state, s32 _index, s32 _tag)
{
    if (_tag <= 0 || lua_type(_state, _index) != LUA_TUSERDATA || !lua_checkstack(_state, 2))
        return 0;
    _index = AbsoluteIndex(_state, _index);
    if (!lua_getmetatable(_state, _index))
        return 0;
    lua_rawgeti(_state, LUA_REGISTRYINDEX, _tag);
    const u32 same = lua_rawequal(_state, -1, -2) ? 1 : 0;
    lua_pop(_state, 2);
    return same;
}

const NOD_ScriptBlock* Block()
{
    static const NOD_ScriptBlock s_none;
    const NOD_ScriptBlock* block = NOD_Script::GetCurrentScriptBlock();
    return block != nullptr ? block : &s_none;
}

u32 IsVector(lua_State* _state, s32 _index) { return IsUserType(_state, _index, Block()->vectorTag); }
u32 IsNodeRef(lua_State* _state, s32 _index) { return IsUserType(_state, _index, Block()->nodeRefTag); }

MAT_Vector3 GetVector(lua_State* _state, s32 _index)
{
    MAT_Vector3 vector;
    memcpy(&vector, lua_touserdata(_state, _index), sizeof(vector));
    return vector;
}

u32 GetHandle(lua_State* _state, s32 _index)
{
    u32 handle = 0;
    memcpy(&handle, lua_touserdata(_state, _index), sizeof(handle));
    return handle;
}

void PushUserType(lua_State* _state, s32 _tag, const void* _data, u32 _size)
{
    void* data = lua_newuserdata(_state, _size);
    memcpy(data, _data, _size);
    if (_tag > 0) {
        lua_rawgeti(_state, LUA_REGISTRYINDEX, _tag);
        lua_setmetatable(_state, -2);
    }
}

void PushVector(lua_State* _state, const NOD_ScriptBlock* _block, const MAT_Vector3& _vector)
{
    PushUserType(_state, _block->vectorTag, &_vector, sizeof(_vector));
}

void PushNodeRef(lua_State* _state, const NOD_ScriptBlock* _block, u32 _handle)
{
    PushUserType(_state, _block->nodeRefTag, &_handle, sizeof(_handle));
}

// A line and the position line after it.
void LogWithPosition(lua_State* _state, const char* _line)
{
    OS_Log(_line);
    NOD_LogScriptPosition(_state);
}

// A line built in a buffer of its own: the shared format buffer may hold one of the texts.
class LineBuffer
{
public:
    enum
    {
        BYTES = 512
    };
    void Append(const char* _format, ...) __attribute__((format(printf, 2, 3)))
    {
        if (m_used + 1 >= BYTES)
            return;
        va_list args;
        va_start(args, _format);
        const s32 written = vsnprintf(m_text + m_used, BYTES - m_used, _format, args);
        va_end(args);
        if (written > 0)
            m_used = m_used + (u32)written < BYTES - 1 ? m_used + (u32)written : BYTES - 1;
    }
    const char* Text() const { return m_text; }

private:
    char m_text[BYTES] = {};
    u32 m_used = 0;
};

void AppendSnoopArg(LineBuffer& _line, NOD_Message* _message, s32 _type)
{
    if (_type == NOD_ARG_NONE) {
        _line.Append("none");
        return;
    }
    if (_type > NOD_ARG_LAST || _type < 0)
        OS_Fatal(INTERFACE_WHERE, "illegal out argument type");
    NOD_ArgValue value;
    NOD_GetArg(_message, _type, &value);
    switch (_type) {
    case NOD_ARG_U8:
    case NOD_ARG_U16:
    case NOD_ARG_S8:
    case NOD_ARG_S16:
    case NOD_ARG_U32:
    case NOD_ARG_S32:
        _line.Append("%d", (s32)(u32)value.integer);
        break;
    case NOD_ARG_F32:
        _line.Append("%.3f", value.number);
        break;
    case NOD_ARG_F64:
        _line.Append("%.3E", value.number);
        break;
    case NOD_ARG_VEC3:
        _line.Append("MAT_Vector3(%.3f,%.3f,%.3f)", (f64)value.vector.x, (f64)value.vector.y, (f64)value.vector.z);
        break;
    case NOD_ARG_PATH: {
        char text[SIM_Path::STRING_BYTES];
        value.path.GetString(text, sizeof(text));
        _line.Append("\"%s\"", text);
        break;
    }
    case NOD_ARG_NAME:
        _line.Append("\"%s\"", value.name.GetName());
        break;
    case NOD_ARG_CLASSNAME:
        _line.Append("\"%s\"", value.className.GetName());
        break;
    case NOD_ARG_NODEREF: {
        NOD_Node* node = NOD_FromHandle(value.handle);
        if (node != nullptr)
            _line.Append("\"%s\"", node->GetName().GetName());
        else
            _line.Append("\"noderef(NULL)\"");
        break;
    }
    default:
        break;
    }
}

s32 ToLevel(lua_Number _number)
{
    const s64 level = NOD_ScriptNumberToInteger(_number);
    return level > 0x7FFFFFFF ? 0x7FFFFFFF : (s32)level;
}

// Where a value list lives: on the C stack when it is short, else in scratch memory that the
// state collects (so no path out of the function can leak it).
NOD_ScriptValue* ValueList(lua_State* _state, NOD_ScriptValue* _local, s32 _count)
{
    if (_count <= LOCAL_VALUES)
        return _local;
    void* data = lua_newuserdata(_state, sizeof(NOD_ScriptValue) * (size_t)_count);
    NOD_ScriptValue* values = (NOD_ScriptValue*)data;
    for (s32 i = 0; i < _count; ++i)
        values[i] = NOD_ScriptValue();
    return values;
}

// The C++ half of a command: builds the message, delivers it and reads the reply into the
// out-values. Calls no Lua itself (nested entries run protected runs of their own), so the
// message can be owned the C++ way. Answers the number of out-values, or -1 for no result.
s32 DeliverCommand(NOD_Node* _target, const NOD_MessagePrototype* _prototype, const NOD_ScriptValue* _in, s32 _inCount,
                   NOD_ScriptValue* _out)
{
    std::unique_ptr<NOD_Message> message(new NOD_Message(_prototype->GetId()));
    for (s32 i = 0; i < _inCount; ++i)
        NOD_PutScriptValue(message.get(), _in[i]);
    if (_target == nullptr)
        OS_Fatal(INTERFACE_WHERE, "no target node");
    if (s_snoop)
        NOD_LogSnoop("[S2E] ", _target->GetName().GetName(), message.get(), 0);
    // Keep the name: the target may die while it handles the message.
    SIM_Name targetName = _target->GetName();
    std::unique_ptr<NOD_Message> reply(_target->ProcessMessage(message.release()));
    if (reply == nullptr)
        return -1;
    const s32 outCount = _prototype->GetNumOutArgs();
    if (outCount <= 0)
        OS_Fatal(INTERFACE_WHERE, "illegal outmessage");
    reply->Reset();
    for (s32 i = 0; i < outCount; ++i)
        NOD_GetScriptValue(reply.get(), _prototype->GetOutArgType(i), &_out[i]);
    if (s_snoop)
        NOD_LogSnoop("[E2S] ", targetName.GetName(), reply.get(), 1);
    return outCount;
}

// --- The command function ---

s32 InterfaceBody(lua_State* _state)
{
    const NOD_ScriptBlock* block = Block();
    if (!lua_isnumber(_state, lua_upvalueindex(1))) {
        OS_Log("[SCRIPTERROR] upvalue must be a number");
        return 0;
    }
    NOD_MessagePrototype* prototype = NOD_GetPrototypeAt(ToLevel(lua_tonumber(_state, lua_upvalueindex(1))));
    if (prototype == nullptr) {
        OS_Log("[SCRIPTERROR] upvalue must be a number");
        return 0;
    }
    const char* name = prototype->GetName();
    const s32 inCount = prototype->GetNumInArgs();
    const s32 outCount = prototype->GetNumOutArgs();
    for (s32 i = 0; i < inCount; ++i)
        NOD_CheckArgType(prototype->GetInArgType(i), 0, INTERFACE_WHERE);
    for (s32 i = 0; i < outCount; ++i)
        NOD_CheckArgType(prototype->GetOutArgType(i), 1, INTERFACE_WHERE);

    // (target, in-argument 1, ..., in-argument n): the in-arguments are the last n values and
    // the target the one before them. A call without the target and the in-arguments would
    // reach below its own arguments: the first missing argument is refused.
    const s32 top = lua_gettop(_state);
    if (top < inCount + 1 && !(top == 0 && inCount == 0)) {
        const s32 missing = top > 0 ? top : 1;
        NOD_LogConversionError(_state, prototype->GetInArgType(missing - 1), name, missing);
        return 0;
    }
    const s32 first = top - inCount + 1;
    NOD_Node* target = nullptr;
    if (first > 1 && IsNodeRef(_state, first - 1)) {
        target = NOD_FromHandle(GetHandle(_state, first - 1));
        if (target == nullptr) {
            OS_Log(OS_Format("[SCRIPTERROR] a %s command has been sended to a NULL node", name));
            return 0;
        }
    } else {
        target = NOD_Script::GetCurrentScriptNode();
    }

    NOD_ScriptValue localIn[LOCAL_VALUES];
    NOD_ScriptValue* in = ValueList(_state, localIn, inCount);
    for (s32 i = 0; i < inCount; ++i)
        if (!NOD_ReadScriptValue(_state, block, first + i, prototype->GetInArgType(i), name, i + 1, &in[i]))
            return 0;
    NOD_ScriptValue localOut[LOCAL_VALUES];
    NOD_ScriptValue* out = ValueList(_state, localOut, outCount);
    const s32 results = DeliverCommand(target, prototype, in, inCount, out);
    if (results <= 0)
        return 0;
    luaL_checkstack(_state, results, "too many results");
    for (s32 i = 0; i < results; ++i)
        NOD_PushScriptValue(_state, block, out[i]);
    return results;
}

// --- Service functions ---

// The text argument of a service function: its last argument, a string (or a number).
const char* TextArgument(lua_State* _state, const char* _where)
{
    const s32 top = lua_gettop(_state);
    if (top == 0 || !lua_isstring(_state, top)) {
        LogWithPosition(_state, OS_Format("[SCRIPTERROR] %s expects a string as argument %d", _where, 1));
        return nullptr;
    }
    return lua_tostring(_state, top);
}

s32 LogBody(lua_State* _state)
{
    const char* text = TextArgument(_state, LOG_WHERE);
    if (text != nullptr)
        OS_Log(OS_Format("[LOG] %s", text));
    return 0;
}

s32 LogRawBody(lua_State* _state)
{
    const char* text = TextArgument(_state, LOG_WHERE);
    if (text != nullptr)
        OS_Log(text);
    return 0;
}

s32 SnoopOnBody(lua_State*)
{
    s_snoop = 1;
    return 0;
}

s32 SnoopOffBody(lua_State*)
{
    s_snoop = 0;
    return 0;
}

// The frame at the level given by the last argument; 0 when there is none.
u32 LevelArgument(lua_State* _state, const char* _what, lua_Debug* _debug)
{
    const s32 top = lua_gettop(_state);
    if (top == 0 || !lua_isnumber(_state, top))
        return 0;
    const s32 level = ToLevel(lua_tonumber(_state, top));
    if (level == -1 || !lua_getstack(_state, level, _debug))
        return 0;
    return lua_getinfo(_state, _what, _debug) ? 1 : 0;
}

s32 GetLineNumberBody(lua_State* _state)
{
    lua_Debug debug;
    if (!LevelArgument(_state, "l", &debug))
        return 0;
    lua_pushnumber(_state, debug.currentline);
    return 1;
}

s32 GetFunctionNameBody(lua_State* _state)
{
    lua_Debug debug;
    if (!LevelArgument(_state, "n", &debug))
        return 0;
    if (debug.name != nullptr)
        lua_pushstring(_state, debug.name);
    else
        lua_pushnil(_state);
    return 1;
}

s32 GetTimeBody(lua_State* _state)
{
    lua_pushnumber(_state, SIM_GetSimulationClock().time);
    return 1;
}

s32 IsNodeRefValidBody(lua_State* _state)
{
    const s32 top = lua_gettop(_state);
    if (top == 0 || !IsNodeRef(_state, top)) {
        LogWithPosition(_state, "[SCRIPTERROR] isvalid of nodereference called with illegal nodereference");
        return 0;
    }
    if (NOD_FromHandle(GetHandle(_state, top)) != nullptr)
        lua_pushnumber(_state, 1);
    else
        lua_pushnil(_state);
    return 1;
}

s32 ErrorMessageBody(lua_State* _state)
{
    // Before the text is read: reading it turns a number into a string in place.
    const s32 top = lua_gettop(_state);
    const s32 level = top > 0 && lua_type(_state, top) == LUA_TNUMBER ? ToLevel(lua_tonumber(_state, top)) : 1;
    const char* message = TextArgument(_state, ERROR_WHERE);
    if (message == nullptr)
        return 0;
    lua_Debug debug;
    if (!lua_getstack(_state, level, &debug) || !lua_getinfo(_state, "lnS", &debug))
        return 0;
    OS_Log(OS_Format("[SCRIPTERROR] %s:%d [%s function: %s]: %s", debug.short_src, debug.currentline,
                     NameOrNull(debug.what), NameOrNull(debug.name), message));
    return 0;
}

s32 AssertFileBody(lua_State* _state)
{
    const char* name = TextArgument(_state, ERROR_WHERE);
    if (name != nullptr)
        OS_RequireFile(name);
    return 0;
}

// --- The vector type ---

s32 VectorCreateBody(lua_State* _state)
{
    MAT_Vector3 vector;
    if (IsVector(_state, 1)) {
        vector = GetVector(_state, 1);
    } else {
        f32* components[3] = {&vector.x, &vector.y, &vector.z};
        for (s32 i = 0; i < 3; ++i)
            if (lua_isnumber(_state, i + 1))
                *components[i] = (f32)lua_tonumber(_state, i + 1);
    }
    PushVector(_state, Block(), vector);
    return 1;
}

// Both operands vectors, else the line of the first that is not.
u32 TwoVectors(lua_State* _state, const char* _operation, const char* _verb)
{
    for (s32 i = 1; i <= 2; ++i)
        if (!IsVector(_state, i)) {
            LogWithPosition(_state, OS_Format("[SCRIPTERROR] argument %d of %s %s", i, _operation, _verb));
            return 0;
        }
    return 1;
}

s32 VectorAddBody(lua_State* _state)
{
    if (!TwoVectors(_state, "vector+vector", "must be a vector"))
        return 0;
    PushVector(_state, Block(), GetVector(_state, 1) + GetVector(_state, 2));
    return 1;
}

s32 VectorSubBody(lua_State* _state)
{
    if (!TwoVectors(_state, "vector-vector", "must be a vector"))
        return 0;
    PushVector(_state, Block(), GetVector(_state, 1) - GetVector(_state, 2));
    return 1;
}

s32 VectorMulBody(lua_State* _state)
{
    if (!TwoVectors(_state, "vector*vector", "must be a vector"))
        return 0;
    PushVector(_state, Block(), GetVector(_state, 1).Cross(GetVector(_state, 2)));
    return 1;
}

s32 VectorPowBody(lua_State* _state)
{
    if (!TwoVectors(_state, "vector^vector", "is not a vector"))
        return 0;
    lua_pushnumber(_state, GetVector(_state, 1).Dot(GetVector(_state, 2)));
    return 1;
}

s32 VectorDivBody(lua_State* _state)
{
    if (!IsVector(_state, 1)) {
        LogWithPosition(_state, "[SCRIPTERROR] argument 1 of vector/vector must be a vector");
        return 0;
    }
    if (lua_gettop(_state) < 2) {
        LogWithPosition(_state, "[SCRIPTERROR] argument 2 of vector/scalar is missing");
        return 0;
    }
    if (!lua_isnumber(_state, 2)) {
        LogWithPosition(_state, "[SCRIPTERROR] argument 2 of vector/scalar must be a scalar");
        return 0;
    }
    const f32 inverse = (f32)(1.0 / lua_tonumber(_state, 2));
    PushVector(_state, Block(), GetVector(_state, 1) * inverse);
    return 1;
}

// The component a key names (0, 1, 2), or -1 after the key's lines.
s32 VectorComponent(lua_State* _state, s32 _index)
{
    if (lua_type(_state, _index) == LUA_TSTRING) {
        size_t length = 0;
        const char* key = lua_tolstring(_state, _index, &length);
        if (length == 1) {
            if (key[0] == 'X' || key[0] == 'Y' || key[0] == 'Z')
                return key[0] - 'X';
            OS_Log(OS_Format("[SCRIPTERROR] MAT_Vector3 has no '%s' component", key));
            return -1;
        }
    }
    const char* key = lua_isstring(_state, _index) ? lua_tostring(_state, _index) : nullptr;
    OS_Log(OS_Format("[SCRIPTERROR] MAT_Vector3 has no %s component", NameOrNull(key)));
    return -1;
}

s32 VectorGetBody(lua_State* _state)
{
    if (!IsVector(_state, 1)) {
        LogWithPosition(_state, "[SCRIPTERROR] gettable of vector called without a vector (illegal user type)");
        lua_pushnumber(_state, 0);
        return 1;
    }
    const s32 component = VectorComponent(_state, 2);
    if (component < 0) {
        LogWithPosition(_state, "[SCRIPTERROR] gettable of vector called with illegal vector component");
        lua_pushnumber(_state, 0);
        return 1;
    }
    const MAT_Vector3 vector = GetVector(_state, 1);
    const f32 values[3] = {vector.x, vector.y, vector.z};
    lua_pushnumber(_state, values[component]);
    return 1;
}

s32 VectorSetBody(lua_State* _state)
{
    if (!IsVector(_state, 1)) {
        LogWithPosition(_state, "[SCRIPTERROR] settable of vector called with illegal user type");
        return 0;
    }
    const s32 component = VectorComponent(_state, 2);
    if (component < 0) {
        LogWithPosition(_state, "[SCRIPTERROR] settable of vector called with illegal vector component");
        return 0;
    }
    if (lua_gettop(_state) < 3) {
        LogWithPosition(_state, OS_Format("[SCRIPTERROR] %s expects an argument no. %d", SET_COMPONENT, 1));
        return 0;
    }
    if (!lua_isnumber(_state, 3)) {
        LogWithPosition(_state, OS_Format("[SCRIPTERROR] %s expects a number as argument %d", SET_COMPONENT, 1));
        return 0;
    }
    const f32 value = (f32)lua_tonumber(_state, 3);
    memcpy((u8*)lua_touserdata(_state, 1) + sizeof(f32) * (size_t)component, &value, sizeof(value));
    return 0;
}

// --- The node-reference type ---

s32 NodeRefCreateBody(lua_State* _state)
{
    const u32 handle = IsNodeRef(_state, 1) ? GetHandle(_state, 1) : 0;
    PushNodeRef(_state, Block(), handle);
    return 1;
}

s32 NodeRefGetBody(lua_State* _state)
{
    if (!IsNodeRef(_state, 1))
        LogWithPosition(_state, "[SCRIPTERROR] gettable of nodereference called with illegal user type");
    LogWithPosition(_state, "[SCRIPTERROR] gettable of nodereference called");
    lua_pushnumber(_state, 0);
    return 1;
}

void SetMethod(lua_State* _state, const char* _name, lua_CFunction _function)
{
    lua_pushcfunction(_state, _function);
    lua_setfield(_state, -2, _name);
}

void SetGlobal(lua_State* _state, const char* _name, lua_CFunction _function)
{
    lua_pushcfunction(_state, _function);
    lua_setglobal(_state, _name);
}

// Scripts see only the type's name through getmetatable, never the table: a __gc added to
// it would run script code from the collector, which nothing here is prepared for.
void ProtectMetatable(lua_State* _state, const char* _typeName)
{
    lua_pushstring(_state, _typeName);
    lua_setfield(_state, -2, "__metatable");
}
}  // namespace

// --- Prototype index ---

void NOD_AcquirePrototypeIndex()
{
    if (s_prototypeUsers++ > 0)
        return;
    s32 count = 0;
    NOD_MessagePrototype* cursor = nullptr;
    while (NOD_MessagePrototype::Iterate(&cursor))
        ++count;
    s_prototypes = (NOD_MessagePrototype**)MEM_AllocOrDie((u32)(sizeof(NOD_MessagePrototype*) * (size_t)(count + 1)),
                                                          "NOD_Script::NOD_Script()");
    s_prototypeCount = 0;
    cursor = nullptr;
    while (NOD_MessagePrototype::Iterate(&cursor) && s_prototypeCount < count)
        s_prototypes[s_prototypeCount++] = cursor;
}

void NOD_ReleasePrototypeIndex()
{
    if (s_prototypeUsers <= 0 || --s_prototypeUsers > 0)
        return;
    MEM_Free(s_prototypes);
    s_prototypes = nullptr;
    s_prototypeCount = 0;
}

s32 NOD_GetPrototypeCount() { return s_prototypeCount; }

NOD_MessagePrototype* NOD_GetPrototypeAt(s32 _index)
{
    return (_index >= 0 && _index < s_prototypeCount) ? s_prototypes[_index] : nullptr;
}

NOD_MessagePrototype* NOD_FindIndexedPrototype(u32 _id)
{
    for (s32 i = 0; i < s_prototypeCount; ++i)
        if (s_prototypes[i]->GetId() == _id)
            return s_prototypes[i];
    return nullptr;
}

// --- Registration ---

s32 NOD_RegisterLuaSide(lua_State* _state, void* _block)
{
    NOD_ScriptBlock* block = (NOD_ScriptBlock*)_block;
    for (s32 i = 0; i < s_prototypeCount; ++i) {
        lua_pushnumber(_state, i);
        lua_pushcclosure(_state, &NOD_Script::LUAF_Interface, 1);
        lua_setglobal(_state, s_prototypes[i]->GetName());
    }
    SetGlobal(_state, "Script_Log", &NOD_Script::LUAF_Log);
    SetGlobal(_state, "Script_LogRaw", &NOD_Script::LUAF_LogRaw);
    SetGlobal(_state, "Script_SnoopOn", &NOD_Script::LUAF_SnoopOn);
    SetGlobal(_state, "Script_SnoopOff", &NOD_Script::LUAF_SnoopOff);
    SetGlobal(_state, "Script_GetLineNumber", &NOD_Script::LUAF_GetLineNumber);
    SetGlobal(_state, "Script_GetFunctionName", &NOD_Script::LUAF_GetFunctionName);
    SetGlobal(_state, "Script_GetTime", &NOD_Script::LUAF_GetTime);
    SetGlobal(_state, "Script_IsNodeRefValid", &NOD_Script::LUAF_IsNodeRefValid);
    SetGlobal(_state, "_ERRORMESSAGE", &NOD_Script::LUAF_ErrorMessage);
    SetGlobal(_state, "Script_Error", &NOD_Script::LUAF_ErrorMessage);
    SetGlobal(_state, "Script_AssertFile", &NOD_Script::LUAF_AssertFile);

    // The tag methods of the vector type, as a metatable. The three floats live inside the
    // userdata, so the collector frees them without a finaliser.
    lua_newtable(_state);
    SetMethod(_state, "__index", &LUA_Guarded<VectorGetBody>);
    SetMethod(_state, "__newindex", &LUA_Guarded<VectorSetBody>);
    SetMethod(_state, "__mul", &LUA_Guarded<VectorMulBody>);
    SetMethod(_state, "__add", &LUA_Guarded<VectorAddBody>);
    SetMethod(_state, "__sub", &LUA_Guarded<VectorSubBody>);
    SetMethod(_state, "__div", &LUA_Guarded<VectorDivBody>);
    SetMethod(_state, "__pow", &LUA_Guarded<VectorPowBody>);
    ProtectMetatable(_state, "MAT_Vector3");
    block->vectorTag = luaL_ref(_state, LUA_REGISTRYINDEX);
    SetGlobal(_state, "MAT_Vector3", &NOD_Script::LUA_Vector3_Create);

    // A node reference holds the node's handle, which decodes to null once the node died.
    lua_newtable(_state);
    SetMethod(_state, "__index", &LUA_Guarded<NodeRefGetBody>);
    ProtectMetatable(_state, "NOD_NodeRef");
    block->nodeRefTag = luaL_ref(_state, LUA_REGISTRYINDEX);
    SetGlobal(_state, "NOD_NodeRef", &NOD_Script::LUA_NodeReferenceCreate);
    return 0;
}

// --- Conversions ---

s64 NOD_ScriptNumberToInteger(f64 _number)
{
    if (!std::isfinite(_number))
        return 0;
    if (_number <= -2147483648.0)
        return -2147483648LL;
    if (_number >= 4294967295.0)
        return 4294967295LL;
    return (s64)_number;
}

void NOD_CheckArgType(s32 _type, u32 _out, const char* _where)
{
    if (_type == NOD_ARG_NONE)
        OS_Fatal(_where, _out ? "out argument of 'none' type" : "in argument of 'none' type");
    if (_type < 0 || _type > NOD_ARG_LAST)
        OS_Fatal(_where, _out ? "illegal out argument type" : "illegal in argument type");
}

void NOD_LogConversionError(lua_State* _state, s32 _type, const char* _name, s32 _number)
{
    const char* expected = "a number";
    if (_type == NOD_ARG_VEC3)
        expected = "a MAT_Vector3";
    else if (_type >= NOD_ARG_PATH && _type <= NOD_ARG_CLASSNAME)
        expected = "a string";
    else if (_type == NOD_ARG_NODEREF)
        expected = "a noderef";
    LogWithPosition(_state, OS_Format("[SCRIPTERROR] %s expects %s as argument %d", _name, expected, _number));
}

u32 NOD_ReadScriptValue(lua_State* _state, const NOD_ScriptBlock* _block, s32 _index, s32 _type, const char* _name,
                        s32 _number, NOD_ScriptValue* _value)
{
    _value->type = _type;
    switch (_type) {
    case NOD_ARG_U8:
    case NOD_ARG_S8:
    case NOD_ARG_U16:
    case NOD_ARG_S16:
    case NOD_ARG_U32:
    case NOD_ARG_S32:
    case NOD_ARG_F32:
    case NOD_ARG_F64:
        if (!lua_isnumber(_state, _index))
            break;
        _value->number = lua_tonumber(_state, _index);
        return 1;
    case NOD_ARG_VEC3:
        if (!IsUserType(_state, _index, _block->vectorTag))
            break;
        _value->vector = GetVector(_state, _index);
        return 1;
    case NOD_ARG_PATH:
    case NOD_ARG_NAME:
    case NOD_ARG_CLASSNAME:
        if (!lua_isstring(_state, _index))
            break;
        _value->string = lua_tostring(_state, _index);
        return 1;
    case NOD_ARG_NODEREF:
        if (!IsUserType(_state, _index, _block->nodeRefTag))
            break;
        _value->handle = GetHandle(_state, _index);
        return 1;
    default:
        break;
    }
    NOD_LogConversionError(_state, _type, _name, _number);
    return 0;
}

void NOD_PutScriptValue(NOD_Message* _message, const NOD_ScriptValue& _value)
{
    switch (_value.type) {
    case NOD_ARG_U8:
    case NOD_ARG_S8:
        _message->PutU8((u8)NOD_ScriptNumberToInteger(_value.number));
        break;
    case NOD_ARG_U16:
    case NOD_ARG_S16:
        _message->PutU16((u16)NOD_ScriptNumberToInteger(_value.number));
        break;
    case NOD_ARG_U32:
    case NOD_ARG_S32:
        _message->PutU32((u32)NOD_ScriptNumberToInteger(_value.number));
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
    case NOD_ARG_PATH: {
        SIM_Path path;
        path.Set(_value.string);
        path.PutToMessage(_message);
        break;
    }
    case NOD_ARG_NAME: {
        SIM_Name name;
        name.SetName(_value.string);
        name.PutToMessage(_message);
        break;
    }
    case NOD_ARG_CLASSNAME: {
        SIM_ClassName className;
        className.SetName(_value.string);
        className.PutToMessage(_message);
        break;
    }
    case NOD_ARG_NODEREF:
        _message->PutU32(NOD_GetHandle(NOD_FromHandle(_value.handle)));
        break;
    default:
        break;
    }
}

void NOD_GetScriptValue(NOD_Message* _message, s32 _type, NOD_ScriptValue* _value)
{
    NOD_ArgValue argument;
    NOD_GetArg(_message, _type, &argument);
    _value->type = _type;
    switch (_type) {
    case NOD_ARG_U8:
    case NOD_ARG_S8:
    case NOD_ARG_U16:
    case NOD_ARG_S16:
    case NOD_ARG_U32:
    case NOD_ARG_S32:
        _value->number = (f64)argument.integer;
        break;
    case NOD_ARG_F32:
    case NOD_ARG_F64:
        _value->number = argument.number;
        break;
    case NOD_ARG_VEC3:
        _value->vector = argument.vector;
        break;
    case NOD_ARG_PATH:
        argument.path.GetString(_value->text, sizeof(_value->text));
        break;
    case NOD_ARG_NAME:
        snprintf(_value->text, sizeof(_value->text), "%s", argument.name.GetName());
        break;
    case NOD_ARG_CLASSNAME:
        snprintf(_value->text, sizeof(_value->text), "%s", argument.className.GetName());
        break;
    case NOD_ARG_NODEREF:
        _value->handle = NOD_GetHandle(NOD_FromHandle(argument.handle));
        break;
    default:
        break;
    }
}

void NOD_PushScriptValue(lua_State* _state, const NOD_ScriptBlock* _block, const NOD_ScriptValue& _value)
{
    switch (_value.type) {
    case NOD_ARG_VEC3:
        PushVector(_state, _block, _value.vector);
        break;
    case NOD_ARG_PATH:
    case NOD_ARG_NAME:
    case NOD_ARG_CLASSNAME:
        lua_pushstring(_state, _value.text);
        break;
    case NOD_ARG_NODEREF:
        PushNodeRef(_state, _block, _value.handle);
        break;
    default:
        lua_pushnumber(_state, _value.number);
        break;
    }
}

// --- Position and snoop lines ---

void NOD_LogScriptPosition(lua_State* _state)
{
    if (_state == nullptr)
        return;
    lua_Debug debug;
    if (!lua_getstack(_state, 1, &debug) || !lua_getinfo(_state, "lnS", &debug))
        return;
    OS_Log(OS_Format("[SCRIPTERROR] %s - %s function \"%s\" [%d] - line %d", debug.short_src, NameOrNull(debug.what),
                     NameOrNull(debug.name), debug.linedefined, debug.currentline));
}

void NOD_LogSnoop(const char* _prefix, const char* _nodeName, NOD_Message* _message, u32 _out)
{
    LineBuffer line;
    line.Append("%s%s: ", _prefix, _nodeName);
    const NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(_message->GetType());
    if (prototype == nullptr) {
        line.Append("MessagePrototype for ID(%d) not found", (s32)_message->GetType());
    } else {
        _message->Reset();
        line.Append("%s(", prototype->GetName());
        const s32 count = _out ? prototype->GetNumOutArgs() : prototype->GetNumInArgs();
        for (s32 i = 0; i < count; ++i) {
            if (i > 0)
                line.Append(",");
            AppendSnoopArg(line, _message, _out ? prototype->GetOutArgType(i) : prototype->GetInArgType(i));
        }
        line.Append(")");
        _message->Reset();
    }
    OS_Log(line.Text());
}

// --- The registered C functions ---

u32 NOD_Script::GetSnoop() { return s_snoop; }
void NOD_Script::SetSnoop(u32 _on) { s_snoop = _on ? 1 : 0; }

int NOD_Script::LUAF_Interface(lua_State* _state) { return LUA_Guarded<InterfaceBody>(_state); }
int NOD_Script::LUAF_Log(lua_State* _state) { return LUA_Guarded<LogBody>(_state); }
int NOD_Script::LUAF_LogRaw(lua_State* _state) { return LUA_Guarded<LogRawBody>(_state); }
int NOD_Script::LUAF_SnoopOn(lua_State* _state) { return LUA_Guarded<SnoopOnBody>(_state); }
int NOD_Script::LUAF_SnoopOff(lua_State* _state) { return LUA_Guarded<SnoopOffBody>(_state); }
int NOD_Script::LUAF_GetLineNumber(lua_State* _state) { return LUA_Guarded<GetLineNumberBody>(_state); }
int NOD_Script::LUAF_GetFunctionName(lua_State* _state) { return LUA_Guarded<GetFunctionNameBody>(_state); }
int NOD_Script::LUAF_GetTime(lua_State* _state) { return LUA_Guarded<GetTimeBody>(_state); }
int NOD_Script::LUAF_IsNodeRefValid(lua_State* _state) { return LUA_Guarded<IsNodeRefValidBody>(_state); }
int NOD_Script::LUAF_AssertFile(lua_State* _state) { return LUA_Guarded<AssertFileBody>(_state); }
int NOD_Script::LUA_Vector3_Create(lua_State* _state) { return LUA_Guarded<VectorCreateBody>(_state); }
int NOD_Script::LUA_NodeReferenceCreate(lua_State* _state) { return LUA_Guarded<NodeRefCreateBody>(_state); }

int NOD_Script::LUAF_ErrorMessage(lua_State* _state)
{
    // The error of a fatal error on its way out is no script error: no line for it.
    if (LUA_IsFatalPending())
        return 0;
    return LUA_Guarded<ErrorMessageBody>(_state);
}
