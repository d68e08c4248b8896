// Any bytes as a player's description and as a cockpit's, read in a run with the spawner over a
// flat ground (the player's visual, bump sample, meshes, the weapons' and a good cockpit's files
// beside it, which the description's child entries may name). A player that reads becomes
// "/player1", enters the simulation under the camera's look, takes two weapons and the whole
// command table over some steps, turns, thrusts, fires, launches and ejects, and leaves again;
// a cockpit that reads hangs under a body the camera looks from and is stepped and left. Fatal
// refusals while reading are outcomes, and so are the fatal errors of what the description's
// sons do in the run; a crash, or a node, mesh or sample kept once all is gone traps.
#include <string>

#include "fuzz_spawnworld.h"
#include "nod_body.h"
#include "nod_cockpit.h"
#include "nod_player.h"
#include "tools_guns.h"
#include "tools_player.h"

namespace
{
constexpr s32 STEPS = 24;

struct Command
{
    s32 step;
    const char* command;
    u32 pressed;
    f32 value;
};

// The game controller's commands, a few per step.
constexpr Command COMMANDS[] = {
    {0, "incspeed", 1, 1.0f},    {1, "turnleft", 1, 0.0f},  {2, "noseup", 1, 0.0f},    {3, "pfire", 1, 0.0f},
    {4, "turnleft", 0, 0.0f},    {5, "cyclegun", 1, 0.0f},  {6, "sfire", 1, 0.0f},     {7, "launch", 1, 0.0f},
    {8, "ejectbuzzer", 1, 0.0f}, {9, "head", 1, 0.75f},     {10, "pitch", 1, -0.5f},   {11, "sfire", 0, 0.0f},
    {12, "decspeed", 1, 1.0f},   {13, "cyclegun", 1, 0.0f}, {14, "throttle", 1, 0.3f}, {15, "pfire", 0, 0.0f},
    {16, "bogus", 1, 0.0f},      {17, "decspeed", 0, 0.0f}, {18, "launch", 0, 0.0f},   {19, "nosedown", 1, 0.0f},
    {20, "turnright", 1, 0.0f},
};

void Send(NOD_Node* _node, NOD_Message* _message) { delete _node->ProcessMessage(_message); }

void RunPlayer(FUZZ_SpawnWorld& _world)
{
    NOD_Node* node = FUZZ_SpawnWorld::Parsed("NOD_Player", "player1");
    if (node == nullptr)
        return;
    NOD_Player* player = NOD_Player::DynamicCast(node);
    Check(player != nullptr);
    try {
        FUZZ_SpawnWorld::Enter(_world.root, player);
        Send(_world.root->Find(SIM_Path("/camera")), NOD_Camera_LookFrom::Create(SIM_Path("/player1")));
        Send(player, NOD_Player_AddWeapon::Create(SIM_Name("vendettagatlin")));
        Send(player, NOD_Player_AddWeapon::Create(SIM_Name("plasma1")));
        for (s32 step = 0; step < STEPS; ++step) {
            for (const Command& command : COMMANDS)
                if (command.step == step)
                    Send(player, NOD_Player_Input::Create(SIM_Name(command.command), command.pressed, command.value));
            _world.Steps(1);
            Check(player->GetCurrentGun() >= 0 && player->GetCurrentGun() < NOD_Player::GUN_SLOTS);
        }
        Send(player, NOD_Node_LeaveSimulation::Create());
    } catch (const OS_FatalError&) {
    }
}

void RunCockpit(FUZZ_SpawnWorld& _world)
{
    NOD_Node* node = FUZZ_SpawnWorld::Parsed("NOD_Cockpit", "cockpit");
    if (node == nullptr)
        return;
    try {
        NOD_Node* ship = NOD_Node::CreateNode("NOD_Body", "ship");
        FUZZ_SpawnWorld::Enter(_world.root, ship);
        FUZZ_SpawnWorld::Enter(ship, node);
        Send(_world.root->Find(SIM_Path("/camera")), NOD_Camera_LookFrom::Create(SIM_Path("/ship")));
        _world.Steps(3);
        Send(node, NOD_Node_LeaveSimulation::Create());
    } catch (const OS_FatalError&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    return FUZZ_SpawnWorld::TakeInput("player", _data, _size, [] {
        static bool written = false;
        if (!written) {
            written = true;
            for (const auto& file : TOOL_PlayerFiles())
                FUZZ_WriteText(file.first, file.second);
            FUZZ_WriteText("vfx/osd/player/cockpit.osd", TOOL_CockpitDescriptionText({}));
            Check(TOOL_WriteGunFiles(".") == 1);
        }
        FUZZ_SpawnWorld world;
        RunPlayer(world);
        RunCockpit(world);
    });
}
