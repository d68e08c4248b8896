// Any bytes as a script chunk, source text or compiled, run in a fresh script node's state
// under an instruction budget and a memory budget, then a few heartbeats of the node: the chunk
// may fail, and it may stop the program the ordinary way (OS_FatalError), but it never
// crashes, hangs, leaks or touches memory it does not own.
//
// The tree is a root with the script node and two plain nodes. Commands that would leave a
// node outside the tree (Node_CreateNode, Node_SubSon) are taken away, and so are the string
// library's pattern and repetition functions, whose running time no instruction count bounds.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "app_register.h"
#include "fuzz_workdir.h"
#include "lua_state.h"
#include "nod_node.h"
#include "nod_script.h"
#include "os_fatal.h"
#include "sim_clock.h"

namespace
{
constexpr s32 HOOK_INTERVAL = 1000;  // instructions between two hook calls
constexpr s32 HOOK_CALLS = 100;      // so at most about 100000 instructions per run
constexpr s64 MEMORY = 16 << 20;     // bytes the chunk may add to the state

const char* const GLUE = "function __GetStateFunction(t, name) return nil end\n"
                         "function __BeginPlay(t) end\n"
                         "function __Timer(t, id) end\n";

struct Budget
{
    lua_Alloc allocate = nullptr;
    void* record = nullptr;
    s64 growth = 0;
    s32 hookCalls = 0;
};
Budget s_budget;

void* Allocate(void* _budget, void* _block, size_t _oldSize, size_t _newSize)
{
    Budget* budget = (Budget*)_budget;
    const s64 oldSize = _block != nullptr ? (s64)_oldSize : 0;
    if ((s64)_newSize > oldSize && budget->growth - oldSize + (s64)_newSize > MEMORY)
        return nullptr;
    void* result = budget->allocate(budget->record, _block, _oldSize, _newSize);
    if (result != nullptr || _newSize == 0)
        budget->growth = budget->growth - oldSize + (s64)_newSize;
    return result;
}

void Hook(lua_State* _state, lua_Debug*)
{
    if (++s_budget.hookCalls > HOOK_CALLS)
        luaL_error(_state, "instruction budget spent");
}

const char* const REMOVED[] = {"Node_CreateNode", "Node_SubSon"};
const char* const REMOVED_STRING[] = {"rep", "find", "match", "gmatch", "gsub"};

void Restrict(lua_State* _state)
{
    for (const char* name : REMOVED) {
        lua_pushnil(_state);
        lua_setglobal(_state, name);
    }
    lua_getglobal(_state, "string");
    for (const char* name : REMOVED_STRING) {
        lua_pushnil(_state);
        lua_setfield(_state, -2, name);
    }
    lua_pop(_state, 1);
    s_budget.allocate = lua_getallocf(_state, &s_budget.record);
    s_budget.growth = 0;
    s_budget.hookCalls = 0;
    lua_setallocf(_state, &Allocate, &s_budget);
    lua_sethook(_state, &Hook, LUA_MASKCOUNT, HOOK_INTERVAL);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A private working directory with the glue library and a silent log: millions of runs
    // neither fill the disk nor wait for it.
    FUZZ_EnterWorkDirectory("script", FUZZ_LOG_SILENT);
    if (mkdir("dat", 0700) != 0 || mkdir("dat/script", 0700) != 0 || mkdir("dat/script/lib", 0700) != 0)
        abort();
    FUZZ_WriteFile("dat/script/lib/glue.sco", (const u8*)GLUE, strlen(GLUE));
    Brisel_RegisterModules();
    NOD_RegisterScriptClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x10000)
        return 0;
    SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    NOD_Node* root = NOD_Node::CreateNode("NOD_Node", "root");
    NOD_Node::SetRoot(root);
    root->AddSon(NOD_Node::CreateNode("NOD_Node", "a"));
    root->AddSon(NOD_Node::CreateNode("NOD_Node", "b"));
    NOD_Script* script = static_cast<NOD_Script*>(NOD_Node::CreateNode("nod_script", "script"));
    root->AddSon(script);
    Restrict(script->GetLuaState());
    try {
        script->RunChunk(_data, (u32)_size, "=fuzz");
        for (s32 step = 1; step <= 3; ++step) {
            SIM_GetSimulationClock().SetTime(step * SIM_STEP);
            script->HeartBeat();
        }
    } catch (const OS_FatalError&) {
        // The ordinary end of a run that went wrong; the tree is still whole.
    }
    // The state closes through the allocator it was made with.
    lua_setallocf(script->GetLuaState(), s_budget.allocate, s_budget.record);
    delete root;
    return 0;
}
