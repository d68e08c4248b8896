// Script command round trips: a Lua loop in a script node's state calls a message function on a
// node, the node replies, and the script receives the reply's out-arguments. One item is one
// call from Lua through the conversions, the delivery and the reply back into Lua.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app_register.h"
#include "nod_node.h"
#include "nod_script.h"

namespace
{
constexpr s32 CALLS = 1000;

const char* const GLUE = "function __GetStateFunction() return nil end\n";

// A private working directory with a glue library, a root with the script node and a target
// node with three sons; made once for all benchmarks.
NOD_Script* Setup()
{
    static NOD_Script* s_script = nullptr;
    if (s_script != nullptr)
        return s_script;
    char directory[] = "/tmp/qv_bench_script_XXXXXX";
    if (mkdtemp(directory) == nullptr || chdir(directory) != 0 || mkdir("dat", 0700) != 0 ||
        mkdir("dat/script", 0700) != 0 || mkdir("dat/script/lib", 0700) != 0)
        abort();
    FILE* glue = fopen("dat/script/lib/glue.sco", "wb");
    if (glue == nullptr)
        abort();
    fputs(GLUE, glue);
    fclose(glue);
    Brisel_RegisterModules();
    NOD_RegisterScriptClasses();
    NOD_Node* root = NOD_Node::CreateNode("NOD_Node", "root");
    NOD_Node::SetRoot(root);
    NOD_Node* target = NOD_Node::CreateNode("NOD_Node", "target");
    root->AddSon(target);
    for (const char* name : {"son0", "son1", "son2"})
        target->AddSon(NOD_Node::CreateNode("NOD_Node", name));
    s_script = static_cast<NOD_Script*>(NOD_Node::CreateNode("nod_script", "script"));
    root->AddSon(s_script);
    const std::string code =
        "target = Node_Find(nil, '/target')\n"
        "function Count(n) local sum = 0 for i = 1, n do sum = sum + Node_GetNumOfSons(target) end "
        "return sum end\n"
        "function Names(n) local last for i = 1, n do last = Node_GetSonName(target, 2) end "
        "return last end\n";
    if (s_script->RunChunk((const u8*)code.data(), (u32)code.size(), "=bench") != 0)
        abort();
    return s_script;
}

void RunLoop(benchmark::State& _state, const char* _call)
{
    NOD_Script* script = Setup();
    const std::string code = std::string(_call) + "(" + std::to_string(CALLS) + ")";
    for (auto _ : _state) {
        if (script->RunChunk((const u8*)code.data(), (u32)code.size(), "=bench") != 0)
            _state.SkipWithError("the script failed");
    }
    _state.SetItemsProcessed(_state.iterations() * CALLS);
}

// No in-arguments, a u16 reply: Node_GetNumOfSons.
void BM_ScriptCommandRoundTrip(benchmark::State& _state) { RunLoop(_state, "Count"); }
// An s32 in, a name reply that becomes a Lua string: Node_GetSonName.
void BM_ScriptCommandNameReply(benchmark::State& _state) { RunLoop(_state, "Names"); }
}  // namespace

BENCHMARK(BM_ScriptCommandRoundTrip);
BENCHMARK(BM_ScriptCommandNameReply);
