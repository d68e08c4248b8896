// Lua states on the pools, the guard that carries fatal errors across lua_error, protected
// calls and chunk loading through the path resolver.
#include "lua_state.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "crt_rand.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_path.h"

namespace
{
// Per-state allocation record, itself on the pools.
struct LUA_AllocRecord
{
    u64 bytes = 0;
    u64 limit = 0;  // 0: no limit
};

// MEM_Realloc takes a u32; no Lua block gets anywhere near this.
constexpr size_t MAX_BLOCK = 0x7FFFFFFFu;

u32 s_fatalPending = 0;
lua_State* s_callState = nullptr;

// The allocator must never throw into Lua's C frames: a fatal error of the pools (a corrupt
// guard, an exhausted pool) becomes pending and the request fails, which Lua reports as a
// memory error up to the engine's protected call, which then throws the fatal error again.
void* Allocate(void* _record, void* _block, size_t _oldSize, size_t _newSize)
{
    LUA_AllocRecord* record = (LUA_AllocRecord*)_record;
    const size_t oldSize = _block != nullptr ? _oldSize : 0;
    if (_newSize == 0) {
        if (_block != nullptr) {
            try {
                MEM_Free(_block);
            } catch (const OS_FatalError&) {
                s_fatalPending = 1;
            }
            record->bytes -= oldSize;
        }
        return nullptr;
    }
    if (_newSize > MAX_BLOCK)
        return nullptr;
    if (record->limit != 0 && record->bytes - oldSize + _newSize > record->limit)
        return nullptr;
    void* result = nullptr;
    try {
        result = MEM_Realloc(_block, (u32)_newSize);
    } catch (const OS_FatalError&) {
        s_fatalPending = 1;
        result = nullptr;
    }
    if (result != nullptr)
        record->bytes = record->bytes - oldSize + _newSize;
    return result;
}

// Never reached while every use of the API is protected; Lua exits after it returns.
int Panic(lua_State* _state)
{
    const char* text = lua_type(_state, -1) == LUA_TSTRING ? lua_tostring(_state, -1) : "";
    OS_Log(OS_Format("[TERMINATION] unprotected lua error %s", text));
    return 0;
}

int RaisePending(lua_State* _state)
{
    lua_pushstring(_state, OS_GetFatalMessage());
    return lua_error(_state);
}

[[noreturn]] void ThrowPending()
{
    s_fatalPending = 0;
    throw OS_FatalError();
}

struct LUA_Run
{
    LUA_Body body = nullptr;
    void* context = nullptr;
};

int Trampoline(lua_State* _state)
{
    LUA_Run* run = (LUA_Run*)lua_touserdata(_state, 1);
    lua_pop(_state, 1);
    LUA_RunGuarded(_state, run->body, run->context);
    return 0;
}

// Integer arguments of the rebound library functions: defined for every number.
s32 ToS32(lua_Number _value)
{
    if (!std::isfinite(_value))
        return 0;
    if (_value <= -2147483648.0)
        return (s32)0x80000000u;
    if (_value >= 2147483647.0)
        return 0x7FFFFFFF;
    return (s32)_value;
}

// math.random on the program's own generator, with the library's argument rules.
s32 MathRandom(lua_State* _state)
{
    const lua_Number r = (lua_Number)(CRT_Rand() % CRT_RAND_MAX) / (lua_Number)CRT_RAND_MAX;
    switch (lua_gettop(_state)) {
    case 0:
        lua_pushnumber(_state, r);
        break;
    case 1: {
        const s32 upper = ToS32(luaL_checknumber(_state, 1));
        luaL_argcheck(_state, 1 <= upper, 1, "interval is empty");
        lua_pushnumber(_state, std::floor(r * upper) + 1);
        break;
    }
    case 2: {
        const s32 lower = ToS32(luaL_checknumber(_state, 1));
        const s32 upper = ToS32(luaL_checknumber(_state, 2));
        luaL_argcheck(_state, lower <= upper, 2, "interval is empty");
        lua_pushnumber(_state, std::floor(r * ((lua_Number)upper - lower + 1)) + lower);
        break;
    }
    default:
        return luaL_error(_state, "wrong number of arguments");
    }
    return 1;
}

s32 MathRandomSeed(lua_State* _state)
{
    CRT_SRand((u32)ToS32(luaL_checknumber(_state, 1)));
    return 0;
}

s32 DoFile(lua_State* _state)
{
    const char* name = luaL_checkstring(_state, 1);
    const s32 top = lua_gettop(_state);
    if (LUA_LoadFile(_state, name) != 0)
        return lua_error(_state);
    lua_call(_state, 0, LUA_MULTRET);
    return lua_gettop(_state) - top;
}

s32 LoadFile(lua_State* _state)
{
    const char* name = luaL_checkstring(_state, 1);
    if (LUA_LoadFile(_state, name) == 0)
        return 1;
    lua_pushnil(_state);
    lua_insert(_state, -2);
    return 2;
}

s32 OpenLibrariesBody(lua_State* _state, void*)
{
    const lua_CFunction openers[] = {luaopen_base, luaopen_string, luaopen_math};
    const char* const names[] = {"", LUA_STRLIBNAME, LUA_MATHLIBNAME};
    for (u32 i = 0; i < 3; ++i) {
        lua_pushcfunction(_state, openers[i]);
        lua_pushstring(_state, names[i]);
        lua_call(_state, 1, 0);
    }
    lua_getglobal(_state, LUA_MATHLIBNAME);
    lua_pushcfunction(_state, &LUA_Guarded<MathRandom>);
    lua_setfield(_state, -2, "random");
    lua_pushcfunction(_state, &LUA_Guarded<MathRandomSeed>);
    lua_setfield(_state, -2, "randomseed");
    lua_pop(_state, 1);
    lua_pushcfunction(_state, &LUA_Guarded<DoFile>);
    lua_setglobal(_state, "dofile");
    lua_pushcfunction(_state, &LUA_Guarded<LoadFile>);
    lua_setglobal(_state, "loadfile");
    lua_pushnil(_state);
    lua_setglobal(_state, "newproxy");
    return 0;
}

struct LUA_ChunkReader
{
    const char* data = nullptr;
    size_t size = 0;
    u32 done = 0;
};

const char* ReadChunk(lua_State*, void* _reader, size_t* _size)
{
    LUA_ChunkReader* reader = (LUA_ChunkReader*)_reader;
    if (reader->done) {
        *_size = 0;
        return nullptr;
    }
    reader->done = 1;
    *_size = reader->size;
    return reader->data;
}
}  // namespace

lua_State* LUA_NewState(u32 _byteLimit)
{
    LUA_AllocRecord* record = (LUA_AllocRecord*)MEM_AllocOrDie(sizeof(LUA_AllocRecord), "LUA_NewState()");
    record->bytes = 0;
    record->limit = _byteLimit;
    lua_State* state = lua_newstate(&Allocate, record);
    if (state == nullptr) {
        MEM_Free(record);
        if (s_fatalPending)
            ThrowPending();
        OS_Fatal("LUA_NewState()", "out of memory");
    }
    lua_atpanic(state, &Panic);
    return state;
}

void LUA_CloseState(lua_State* _state)
{
    if (_state == nullptr)
        return;
    void* record = nullptr;
    lua_getallocf(_state, &record);
    lua_close(_state);
    MEM_Free(record);
    // Called from destructors, which must not throw: a pool error while closing has already
    // left its "[TERMINATION]" line in the log.
    s_fatalPending = 0;
}

u64 LUA_GetStateBytes(lua_State* _state)
{
    void* record = nullptr;
    lua_getallocf(_state, &record);
    return ((LUA_AllocRecord*)record)->bytes;
}

void LUA_OpenLibraries(lua_State* _state)
{
    const s32 status = LUA_ProtectedRun(_state, &OpenLibrariesBody, nullptr);
    if (status != 0)
        OS_Fatal("LUA_OpenLibraries()", LUA_StatusName(status));
}

s32 LUA_ProtectedRun(lua_State* _state, LUA_Body _body, void* _context)
{
    const s32 top = lua_gettop(_state);
    LUA_Run run;
    run.body = _body;
    run.context = _context;
    lua_State* previousCall = s_callState;
    const s32 status = lua_cpcall(_state, &Trampoline, &run);
    s_callState = previousCall;
    lua_settop(_state, top);
    if (s_fatalPending)
        ThrowPending();
    return status;
}

s32 LUA_Call(lua_State* _state, s32 _argCount, s32 _resultCount)
{
    s32 function = lua_gettop(_state) - _argCount;
    lua_getglobal(_state, "_ERRORMESSAGE");
    s32 handler = 0;
    if (lua_isfunction(_state, -1)) {
        lua_insert(_state, function);
        handler = function;
    } else {
        lua_pop(_state, 1);
    }
    lua_State* previousCall = s_callState;
    const s32 status = lua_pcall(_state, _argCount, _resultCount, handler);
    s_callState = previousCall;
    if (handler != 0)
        lua_remove(_state, handler);
    if (s_fatalPending)
        ThrowPending();
    return status;
}

s32 LUA_RunGuarded(lua_State* _state, LUA_Body _body, void* _context)
{
    if (s_fatalPending)
        return RaisePending(_state);
    lua_State* previousCall = s_callState;
    s_callState = _state;
    s32 results = 0;
    u32 failed = 0;
    try {
        results = _body(_state, _context);
    } catch (const OS_FatalError&) {
        failed = 1;
    }
    s_callState = previousCall;
    // Outside the catch block: lua_error must not jump out of a handler.
    if (failed) {
        s_fatalPending = 1;
        return RaisePending(_state);
    }
    return results;
}

u32 LUA_IsFatalPending() { return s_fatalPending; }

lua_State* LUA_GetCallState() { return s_callState; }

s32 LUA_LoadBuffer(lua_State* _state, const u8* _data, u32 _size, const char* _chunkName)
{
    LUA_ChunkReader reader;
    reader.data = (const char*)_data;
    reader.size = _size;
    return lua_load(_state, &ReadChunk, &reader, _chunkName);
}

s32 LUA_LoadFile(lua_State* _state, const char* _name)
{
    u8* data = nullptr;
    u32 size = 0;
    if (!OS_ReadDataFile(_name, 0, &data, &size)) {
        lua_pushfstring(_state, "cannot read %s", _name);
        return LUA_ERRFILE;
    }
    u32 start = 0;
    if (size == 0 || data[0] != (u8)LUA_SIGNATURE[0]) {
        // Source text reads as the Windows text mode did; a "#!" line is no Lua. Its line
        // break stays so that line numbers keep counting from the top of the file.
        size = OS_TextModeConvert(data, size);
        if (size > 0 && data[0] == '#')
            while (start < size && data[start] != '\n')
                ++start;
    }
    char chunkName[512];
    snprintf(chunkName, sizeof(chunkName), "@%s", _name);
    const s32 status = LUA_LoadBuffer(_state, data + start, size - start, chunkName);
    MEM_Free(data);
    return status;
}

const char* LUA_StatusName(s32 _status)
{
    switch (_status) {
    case LUA_ERRRUN:
        return "LUA_ERRRUN";
    case LUA_ERRFILE:
        return "LUA_ERRFILE";
    case LUA_ERRSYNTAX:
        return "LUA_ERRSYNTAX";
    case LUA_ERRMEM:
        return "LUA_ERRMEM";
    default:
        return "ILLEGAL ERROR CODE";
    }
}
