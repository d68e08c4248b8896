// Any bytes as a mine description ("vfx\in.osd"), read with the run's caches, spawner and
// simulation driver over a flat ground. Fatal refusals are expected. A mine that reads is
// placed above the ground, entered under the root beside a loud body that runs into it, and the
// run is stepped through the collision system for three seconds (three sensing passes), the
// mine switched off and on again on the way and its guard armed. Whatever the description held,
// the steps end and every node, mesh and sample taken comes back.
#include <cmath>
#include <string>

#include "cod_physical.h"
#include "crt_rand.h"
#include "fuzz_spawnworld.h"
#include "nod_mine.h"
#include "target_fixture.h"
#include "tools_mine.h"

namespace
{
constexpr s32 STEPS = 60;

void Send(NOD_Node* _node, NOD_Message* _message) { delete _node->ProcessMessage(_message); }

void Run()
{
    FUZZ_SpawnWorld world;
    NOD_Mine* mine = NOD_Mine::DynamicCast(FUZZ_SpawnWorld::Parsed("NOD_Mine", "mine"));
    if (mine == nullptr)
        return;
    try {
        const f32 now = SIM_GetSimulationClock().time;
        mine->GetCS().SetState(now, TST_FrameAt({200.0f, 200.0f, 60.0f}));
        FUZZ_SpawnWorld::Enter(world.root, mine);
        TST_Target* target = new TST_Target(TST_FrameAt({200.0f, 240.0f, 60.0f}), MAT_Vector3(0.0f, -10.0f, 0.0f));
        target->MakeParts("loud");
        target->GetShieldRef().SetKineticOut(20);
        FUZZ_SpawnWorld::Enter(world.root, target);
        Send(mine, NOD_Body_ActivateShieldGuard::Create());
        Send(mine, NOD_Body_RequestKinInfo::Create(0.5f));
        world.Steps(STEPS / 3);
        NOD_Node* alive = world.root->Find(SIM_Path("mine"));
        if (alive != nullptr) {
            Send(alive, NOD_Mine_Deactivate::Create());
            world.Steps(STEPS / 3);
        }
        alive = world.root->Find(SIM_Path("mine"));
        if (alive != nullptr) {
            Send(alive, NOD_Mine_Activate::Create());
            world.Steps(STEPS / 3);
        }
    } catch (const OS_FatalError&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    static bool s_written = false;
    FUZZ_SpawnWorld::Enter("mine");
    if (!s_written) {
        s_written = true;
        for (const auto& file : TOOL_MineFiles())
            FUZZ_WriteText(file.first, file.second);
        FUZZ_WriteText("vfx/col/target.col", TST_TargetHullText());
    }
    CRT_SRand(_size > 0 ? _data[0] : 1u);
    return FUZZ_SpawnWorld::TakeInput("mine", _data, _size, Run);
}
