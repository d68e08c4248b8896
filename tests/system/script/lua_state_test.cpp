#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "crt_rand.h"
#include "lua_state.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "test_dir.h"

namespace
{
s32 s_afterFatalCalls = 0;

s32 Boom(lua_State*) { OS_Fatal("TST_Boom()", "boom"); }

s32 Count(lua_State*)
{
    ++s_afterFatalCalls;
    return 0;
}

s32 CallGlobalBody(lua_State* _state, void* _name)
{
    lua_getglobal(_state, (const char*)_name);
    LUA_Call(_state, 0, 0);
    return 0;
}

// A C function that enters Lua again through an engine entry of its own.
s32 Nested(lua_State* _state)
{
    LUA_ProtectedRun(_state, &CallGlobalBody, (void*)"Boom");
    return 0;
}

struct ChunkCall
{
    std::string code;
    s32 status = -1;
};

s32 ChunkBody(lua_State* _state, void* _context)
{
    ChunkCall* call = (ChunkCall*)_context;
    call->status = LUA_LoadBuffer(_state, (const u8*)call->code.data(), (u32)call->code.size(), "=chunk");
    if (call->status == 0)
        call->status = LUA_Call(_state, 0, 0);
    return 0;
}

struct FileCall
{
    const char* name = nullptr;
    s32 loadStatus = -1;
    s32 runStatus = -1;
    std::string message;
};

s32 FileBody(lua_State* _state, void* _context)
{
    FileCall* call = (FileCall*)_context;
    call->loadStatus = LUA_LoadFile(_state, call->name);
    if (call->loadStatus != 0) {
        call->message = lua_tostring(_state, -1);
        return 0;
    }
    call->runStatus = lua_pcall(_state, 0, 0, 0);
    if (call->runStatus != 0)
        call->message = lua_tostring(_state, -1);
    return 0;
}

class LuaStateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_state = LUA_NewState();
        LUA_OpenLibraries(m_state);
        lua_register(m_state, "Boom", &LUA_Guarded<Boom>);
        lua_register(m_state, "Count", &LUA_Guarded<Count>);
        lua_register(m_state, "Nested", &LUA_Guarded<Nested>);
        s_afterFatalCalls = 0;
    }
    void TearDown() override { LUA_CloseState(m_state); }

    s32 Run(const std::string& _code, lua_State* _state = nullptr)
    {
        ChunkCall call;
        call.code = _code;
        const s32 status = LUA_ProtectedRun(_state != nullptr ? _state : m_state, &ChunkBody, &call);
        return status != 0 ? status : call.status;
    }
    f64 Number(const char* _global)
    {
        lua_getglobal(m_state, _global);
        const f64 value = lua_tonumber(m_state, -1);
        lua_pop(m_state, 1);
        return value;
    }
    std::string String(const char* _global)
    {
        lua_getglobal(m_state, _global);
        std::string value = lua_type(m_state, -1) == LUA_TSTRING ? lua_tostring(m_state, -1) : "";
        lua_pop(m_state, 1);
        return value;
    }

    TST_TempDir m_dir;  // log.txt of the fatal paths, chunk files
    lua_State* m_state = nullptr;
};
}  // namespace

TEST(LuaStateBasicsTest, EveryAllocationGoesThroughThePoolsAndComesBack)
{
    TST_TempDir dir;
    const u32 before = MEM_GetBytesInUse();
    lua_State* state = LUA_NewState();
    LUA_OpenLibraries(state);
    const char* code = "t = {} for i = 1, 500 do t[i] = string.rep('x', i) end";
    ASSERT_EQ(0, luaL_loadstring(state, code));
    ASSERT_EQ(0, lua_pcall(state, 0, 0, 0));
    // The state's own count and the pools agree byte for byte (plus the allocation record).
    EXPECT_GT(LUA_GetStateBytes(state), 500u * 250u);
    EXPECT_EQ((u64)MEM_GetBytesInUse() - before, LUA_GetStateBytes(state) + 16u);
    LUA_CloseState(state);
    EXPECT_EQ(before, MEM_GetBytesInUse());
}

TEST_F(LuaStateTest, AByteLimitMakesAMemoryErrorNotACrash)
{
    lua_State* limited = LUA_NewState(256 * 1024);
    LUA_OpenLibraries(limited);
    EXPECT_EQ(LUA_ERRMEM, Run("s = string.rep('x', 1000000)", limited));
    EXPECT_EQ(0, Run("small = 1", limited));
    EXPECT_LE(LUA_GetStateBytes(limited), 256u * 1024u);
    LUA_CloseState(limited);
}

TEST(LuaStateBasicsTest, StatusNames)
{
    const struct
    {
        s32 status;
        const char* name;
    } rows[] = {
        {LUA_ERRRUN, "LUA_ERRRUN"}, {LUA_ERRFILE, "LUA_ERRFILE"},       {LUA_ERRSYNTAX, "LUA_ERRSYNTAX"},
        {LUA_ERRMEM, "LUA_ERRMEM"}, {LUA_ERRERR, "ILLEGAL ERROR CODE"}, {LUA_YIELD, "ILLEGAL ERROR CODE"},
        {0, "ILLEGAL ERROR CODE"},  {99, "ILLEGAL ERROR CODE"},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(row.name, LUA_StatusName(row.status)) << row.status;
}

TEST_F(LuaStateTest, AFatalErrorInsideACFunctionReachesTheCaller)
{
    EXPECT_FATAL(Run("Boom()"), "TST_Boom()", "boom");
    EXPECT_FALSE(LUA_IsFatalPending());
    // Through a nested engine entry inside a C function called from Lua.
    EXPECT_FATAL(Run("Nested()"), "TST_Boom()", "boom");
    // A script that swallows the error gets no further engine work done.
    EXPECT_FATAL(Run("ok = pcall(Boom) Count() after = 1"), "TST_Boom()", "boom");
    EXPECT_EQ(0, s_afterFatalCalls);
    EXPECT_EQ(0, Number("after"));
    // The state itself goes on working.
    EXPECT_EQ(0, Run("Count() after = 2"));
    EXPECT_EQ(1, s_afterFatalCalls);
    EXPECT_EQ(2, Number("after"));
}

TEST_F(LuaStateTest, CallsUseTheCurrentErrorMessageFunction)
{
    EXPECT_EQ(0, Run("function _ERRORMESSAGE(m) seen = m end"));
    EXPECT_EQ(LUA_ERRRUN, Run("error('first', 0)"));
    EXPECT_EQ("first", String("seen"));
    EXPECT_EQ(0, Run("function _ERRORMESSAGE(m) seen = 'new ' .. m end"));
    EXPECT_EQ(LUA_ERRRUN, Run("error('second', 0)"));
    EXPECT_EQ("new second", String("seen"));
    EXPECT_EQ(0, Run("_ERRORMESSAGE = nil seen = nil"));
    EXPECT_EQ(LUA_ERRRUN, Run("error('third', 0)"));
    EXPECT_EQ("", String("seen"));
    EXPECT_EQ(LUA_ERRSYNTAX, Run("x = = 1"));
}

TEST_F(LuaStateTest, ChunksLoadThroughThePathResolver)
{
    // Source text: a "#" line, Windows line ends and the end-of-text byte.
    m_dir.Write("Dat/Script/Mission.SCO",
                "#!lua\r\nvalue = 1\r\nfunction f()\r\n  error('here')\r\nend\r\n\x1aignored garbage");
    FileCall call;
    call.name = "dat\\script\\mission.sco";
    ASSERT_EQ(0, LUA_ProtectedRun(m_state, &FileBody, &call));
    EXPECT_EQ(0, call.loadStatus);
    EXPECT_EQ(0, call.runStatus);
    EXPECT_EQ(1, Number("value"));
    // Line numbers count from the top of the file; the chunk is named as the program spells it.
    EXPECT_EQ(0, Run("ok, message = pcall(f)"));
    EXPECT_EQ("dat\\script\\mission.sco:4: here", String("message"));

    // The base library's file functions read through the resolver too.
    EXPECT_EQ(0, Run("value = 0 dofile('DAT/SCRIPT/MISSION.SCO') chunk = loadfile('dat/script/mission.sco')"));
    EXPECT_EQ(1, Number("value"));
    EXPECT_EQ(0, Run("missing, why = loadfile('nothing.sco')"));
    EXPECT_EQ("cannot read nothing.sco", String("why"));

    const struct
    {
        const char* name;
        const char* text;
        s32 status;
        const char* message;
    } failures[] = {
        {"nothing.sco", nullptr, LUA_ERRFILE, "cannot read nothing.sco"},
        {"bad.sco", "x = = 1", LUA_ERRSYNTAX, "bad.sco:1: unexpected symbol near '='"},
        {"dir", nullptr, LUA_ERRFILE, "cannot read dir"},
    };
    m_dir.Write("dir/file", "");
    for (const auto& row : failures) {
        if (row.text != nullptr)
            m_dir.Write(row.name, row.text);
        FileCall failed;
        failed.name = row.name;
        LUA_ProtectedRun(m_state, &FileBody, &failed);
        EXPECT_EQ(row.status, failed.loadStatus) << row.name;
        EXPECT_EQ(row.message, failed.message) << row.name;
    }
}

TEST_F(LuaStateTest, CompiledChunksLoadAsTheyAre)
{
    // Compiled with string.dump; its constants hold the bytes that text mode would change.
    ASSERT_EQ(0, Run("code = string.dump(loadstring(\"answer = 42 bytes = '\\\\r\\\\n\\\\026'\"))"));
    lua_getglobal(m_state, "code");
    size_t size = 0;
    const char* bytes = lua_tolstring(m_state, -1, &size);
    m_dir.Write("compiled.sco", std::string(bytes, size));
    lua_pop(m_state, 1);
    FileCall call;
    call.name = "COMPILED.sco";
    LUA_ProtectedRun(m_state, &FileBody, &call);
    EXPECT_EQ(0, call.loadStatus);
    EXPECT_EQ(0, call.runStatus);
    EXPECT_EQ(42, Number("answer"));
    EXPECT_EQ(std::string("\r\n\x1a"), String("bytes"));
    // A truncated compiled chunk is refused, not run.
    m_dir.Write("cut.sco", std::string(bytes, size / 2));
    FileCall cut;
    cut.name = "cut.sco";
    LUA_ProtectedRun(m_state, &FileBody, &cut);
    EXPECT_EQ(LUA_ERRSYNTAX, cut.loadStatus);
}

TEST_F(LuaStateTest, MathRandomUsesTheProgramsGenerator)
{
    CRT_SRand(12345);
    const f64 r1 = (f64)(CRT_Rand() % CRT_RAND_MAX) / CRT_RAND_MAX;
    const f64 r2 = (f64)(CRT_Rand() % CRT_RAND_MAX) / CRT_RAND_MAX;
    const f64 r3 = (f64)(CRT_Rand() % CRT_RAND_MAX) / CRT_RAND_MAX;
    CRT_SRand(1);
    EXPECT_EQ(0, Run("math.randomseed(12345) a = math.random() b = math.random(10) c = math.random(5, 7)"));
    EXPECT_EQ(r1, Number("a"));
    EXPECT_EQ(std::floor(r2 * 10) + 1, Number("b"));
    EXPECT_EQ(std::floor(r3 * 3) + 5, Number("c"));
    // The script's seed is the program's seed.
    CRT_SRand(12345);
    const s32 first = CRT_Rand();
    EXPECT_EQ(0, Run("math.randomseed(12345)"));
    EXPECT_EQ(first, CRT_Rand());
    // Argument errors are script errors; any number is a defined seed.
    EXPECT_EQ(LUA_ERRRUN, Run("math.random(3, 1)"));
    EXPECT_EQ(LUA_ERRRUN, Run("math.random(1, 2, 3)"));
    EXPECT_EQ(0, Run("math.randomseed(0/0) math.randomseed(1e300) x = math.random(1e300)"));
}

TEST_F(LuaStateTest, NoScriptValueRunsCodeFromTheCollector)
{
    EXPECT_EQ(0, Run("has = newproxy ~= nil"));
    lua_getglobal(m_state, "has");
    EXPECT_FALSE(lua_toboolean(m_state, -1));
    lua_pop(m_state, 1);
}
