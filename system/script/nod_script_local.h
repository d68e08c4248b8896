// Internals shared by the script node (nod_script.cpp) and its Lua binding (lua_binding.cpp).
#pragma once

#include <lua.hpp>

#include "mat_vector.h"
#include "nod_script.h"
#include "rti_pointer.h"
#include "sim_name.h"

// --- The prototype index: every prototype in registry order, shared by all script nodes.
// The position of a prototype is the upvalue of its command function.
void NOD_AcquirePrototypeIndex();  // builds it for the first user
void NOD_ReleasePrototypeIndex();  // frees it with the last user
s32 NOD_GetPrototypeCount();
NOD_MessagePrototype* NOD_GetPrototypeAt(s32 _index);  // null outside the index
NOD_MessagePrototype* NOD_FindIndexedPrototype(u32 _id);

// --- Entries into Lua: sets the current script block and script node, restores both after.
class NOD_ScriptEntry
{
public:
    explicit NOD_ScriptEntry(NOD_Script* _node);
    ~NOD_ScriptEntry();
    NOD_ScriptEntry(const NOD_ScriptEntry&) = delete;
    NOD_ScriptEntry& operator=(const NOD_ScriptEntry&) = delete;

private:
    // Weak: a saved node that dies meanwhile is restored as null, never as a dangling pointer.
    RTI_Pointer m_block;
    RTI_Pointer m_node;
};
// The script node whose block is current (the block lives in it).
NOD_Script* NOD_GetCurrentBlockOwner();
void NOD_SetCurrentBlockOwner(NOD_Script* _owner);

// --- Registration of the Lua side into a fresh state: a body for LUA_ProtectedRun with the
// block as context.
s32 NOD_RegisterLuaSide(lua_State* _state, void* _block);

// --- Conversions between message arguments and script values.
// One argument in plain form: no destructors, so it may live across Lua calls. Script strings
// are referenced (valid while the value stays on the stack); message texts are copied.
struct NOD_ScriptValue
{
    s32 type = 0;
    f64 number = 0.0;  // codes 1-8
    MAT_Vector3 vector;
    u32 handle = 0;
    const char* string = nullptr;
    char text[SIM_ClassName::FIELD_BYTES] = {};
};

// Fatal for a code 0 or a code above 13 inside a prototype's counts, under _where.
void NOD_CheckArgType(s32 _type, u32 _out, const char* _where);
// Script to message, step one (Lua only): the value at _index as an argument of _type. When it
// does not convert, logs the conversion line with the prototype's name and the argument's
// number, then the position line, and answers 0.
u32 NOD_ReadScriptValue(lua_State* _state, const NOD_ScriptBlock* _block, s32 _index, s32 _type, const char* _name,
                        s32 _number, NOD_ScriptValue* _value);
// Logs the conversion line of an argument of _type that is missing or does not convert.
void NOD_LogConversionError(lua_State* _state, s32 _type, const char* _name, s32 _number);
// Script to message, step two (no Lua): appends the value. Fatal for a name that is too long.
void NOD_PutScriptValue(NOD_Message* _message, const NOD_ScriptValue& _value);
// Message to script, step one (no Lua): reads one argument of _type at the cursor.
void NOD_GetScriptValue(NOD_Message* _message, s32 _type, NOD_ScriptValue* _value);
// Message to script, step two (Lua only): pushes the value; a vector or a node reference is
// a new userdata of the block's type.
void NOD_PushScriptValue(lua_State* _state, const NOD_ScriptBlock* _block, const NOD_ScriptValue& _value);

// Integer conversion of a script number: 0 for NaN and infinities, else truncated toward zero
// and clamped to -2^31 .. 2^32-1 (the values a 32-bit argument holds signed or unsigned); an
// argument stores the low bits of the result.
s64 NOD_ScriptNumberToInteger(f64 _number);

// The position line of the Lua function that called the running C function (level 1 of
// _state); nothing when there is none.
void NOD_LogScriptPosition(lua_State* _state);

// The trace line "<prefix><node name>: <script name>(<arguments>)" of the in- or out-arguments,
// built in its own buffer and cut to 511 characters. Rewinds the message before and after.
void NOD_LogSnoop(const char* _prefix, const char* _nodeName, NOD_Message* _message, u32 _out);
