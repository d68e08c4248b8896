// Message round trips: build with a generated Create, read with its typed Read, reply into the
// same message, read the reply with ReadReply, delete; and the generic walk of a prototype's type codes
// that the script binding does.
#include <benchmark/benchmark.h>

#include "app_register.h"
#include "nod_message.h"

namespace
{
void Register()
{
    static bool s_done = false;
    if (!s_done) {
        Brisel_RegisterModules();
        s_done = true;
    }
}

// A command with a path and two floats, read by its receiver as new variables, as a handler
// does, and deleted.
void BM_MessageCreateRead(benchmark::State& _state)
{
    const SIM_Path path("/scenario/path1");
    f32 sum = 0.0f;
    for (auto _ : _state) {
        NOD_Message* message = NOD_Vessel_Goto::Create(path, 12.0f, 1.5f);
        const auto [readPath, speed, tolerance] = NOD_Vessel_Goto::Read(message);
        benchmark::DoNotOptimize(readPath.GetDepth());
        sum += speed + tolerance;
        delete message;
    }
    benchmark::DoNotOptimize(sum);
    _state.SetItemsProcessed(_state.iterations());
}

// A question and its reply in the same message: Create, read, Reply, read, delete.
void BM_MessageRequestReply(benchmark::State& _state)
{
    const SIM_Name answer("son3");
    SIM_Name name;
    s32 index = 0;
    for (auto _ : _state) {
        NOD_Message* message = NOD_Node_GetSonName::Create(3);
        NOD_Node_GetSonName::Read(message, &index);
        NOD_Node_GetSonName::Reply(message, answer);
        NOD_Node_GetSonName::ReadReply(message, &name);
        delete message;
    }
    benchmark::DoNotOptimize(name.GetName());
    _state.SetItemsProcessed(_state.iterations());
}

// The script binding's way: find the prototype, put and get each argument by its type code.
void BM_MessageGenericRoundTrip(benchmark::State& _state)
{
    Register();
    NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(NOD_Vessel_AttackPatrol::ID);
    NOD_ArgValue values[6];
    for (s32 i = 0; i < prototype->GetNumInArgs(); ++i)
        values[i].type = prototype->GetInArgType(i);
    values[0].number = 500.0;
    values[5].path.Set("area");
    NOD_ArgValue read;
    for (auto _ : _state) {
        NOD_Message* message = new NOD_Message(prototype->GetId());
        for (s32 i = 0; i < prototype->GetNumInArgs(); ++i)
            NOD_PutArg(message, values[i]);
        message->Reset();
        for (s32 i = 0; i < prototype->GetNumInArgs(); ++i)
            NOD_GetArg(message, prototype->GetInArgType(i), &read);
        delete message;
    }
    benchmark::DoNotOptimize(read.number);
    _state.SetItemsProcessed(_state.iterations());
}
}  // namespace

BENCHMARK(BM_MessageCreateRead);
BENCHMARK(BM_MessageRequestReply);
BENCHMARK(BM_MessageGenericRoundTrip);
