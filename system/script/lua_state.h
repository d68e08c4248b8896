// The engine's side of the Lua 5.1 boundary: states on the pools, protected calls, chunks read
// through the path resolver, and fatal errors carried across lua_error.
//
// Lua reports errors with longjmp; the engine with the C++ exception OS_FatalError. The two
// never cross: every C function that Lua calls runs its body through LUA_RunGuarded, which
// catches OS_FatalError, marks it pending, leaves the catch block and raises a Lua error; the
// engine's entries (LUA_ProtectedRun, LUA_Call) throw the pending error again once Lua has
// unwound to them. While an error is pending, every guarded function raises at once, so a
// script that swallows the error with its own pcall gets no further engine work done.
// Consequently no body may keep an object with a destructor alive across a Lua API call that
// can raise (pushes that allocate, calls, luaL_check*): the longjmp would skip it.
//
// All Lua API use of the engine happens inside LUA_ProtectedRun (or inside a guarded C
// function), so not even a memory error can reach Lua's panic handler. Single-threaded.
#pragma once

#include <lua.hpp>

#include "os_types.h"

// A body run under the guard: answers the number of results it left on the stack.
typedef s32 (*LUA_Body)(lua_State* _state, void* _context);

// A new state whose allocations go through MEM_Realloc/MEM_Free. With a byte limit other
// than 0 the state refuses to grow beyond it (a Lua memory error, not a fatal one). A refused
// state is fatal ("LUA_NewState()", "out of memory").
lua_State* LUA_NewState(u32 _byteLimit = 0);
// Closes the state (its collector runs every finaliser) and frees the allocator record.
void LUA_CloseState(lua_State* _state);
// Bytes the state holds through the pools.
u64 LUA_GetStateBytes(lua_State* _state);

// Opens the base, string and math libraries, in that order, inside a protected body.
// math.random and math.randomseed use CRT_Rand/CRT_SRand; dofile and loadfile read through
// the path resolver; newproxy is removed, so no script value can run script code from the
// collector.
void LUA_OpenLibraries(lua_State* _state);

// Runs _body in protected mode (lua_cpcall) under the guard and restores the stack to its
// level before the call. Answers the Lua status of the run (0 when the body returned).
// A fatal error raised anywhere inside is thrown again here as OS_FatalError.
s32 LUA_ProtectedRun(lua_State* _state, LUA_Body _body, void* _context);

// Calls the function below the _argCount arguments on top of the stack with the current
// global _ERRORMESSAGE as error function (when it is a function), as lua_pcall does: the
// results, or the error object, replace function and arguments. Only inside a guarded body:
// a fatal error raised inside the call is thrown as OS_FatalError.
s32 LUA_Call(lua_State* _state, s32 _argCount, s32 _resultCount);

// The guard of every C function registered with Lua (see above).
s32 LUA_RunGuarded(lua_State* _state, LUA_Body _body, void* _context);
// A lua_CFunction that runs BODY under the guard.
template <s32 (*BODY)(lua_State*)>
int LUA_Guarded(lua_State* _state)
{
    return LUA_RunGuarded(
        _state, [](lua_State* _inner, void*) { return BODY(_inner); }, nullptr);
}

// 1 while a fatal error is on its way out through Lua.
u32 LUA_IsFatalPending();
// The state of the innermost guarded C function running now (the Lua side that called the
// engine), or null outside Lua.
lua_State* LUA_GetCallState();

// Loads a chunk and pushes it as a function (or pushes the error message). Binary chunks are
// recognised by the Lua signature; source text gets the Windows text-mode conversion and a
// first line starting with '#' is skipped. The chunk name is "@" followed by the name as
// given. Answers 0, LUA_ERRFILE (the file cannot be read), LUA_ERRSYNTAX or LUA_ERRMEM.
s32 LUA_LoadFile(lua_State* _state, const char* _name);
// Loads a chunk from memory under the given chunk name ("@file", "=label" or source text).
s32 LUA_LoadBuffer(lua_State* _state, const u8* _data, u32 _size, const char* _chunkName);

// The name the log lines use for a status: "LUA_ERRRUN", "LUA_ERRFILE", "LUA_ERRSYNTAX",
// "LUA_ERRMEM", or "ILLEGAL ERROR CODE" for anything else.
const char* LUA_StatusName(s32 _status);
