// Any bytes as a gun's description and its parts': the first byte picks one of the twelve gun
// classes (the base and the eleven), the text up to the next zero byte becomes "vfx/gun.osd",
// the rest "vfx/part.osd", which the gun's child entries may name. A gun that takes its
// description is asked for a clone (guns have none), hung under an owner body in a run (the
// spawner's prototypes read from the weapons' and the spawner's own files), entered, activated,
// seen from the first-person camera, fired in both modes over some steps with its bullets
// launched and flying, deactivated, taken out of the simulation and deleted. Child entries of
// any class but the gun part are passed over: other classes have fuzzers of their own.
// Fatal refusals while reading are expected; a crash, a fatal error once the gun is read, a
// state outside 0..3, more than two flashes, a bullet of a type the class does not fire or
// credited to anyone but the owner, or memory, meshes or samples kept once all is gone traps.
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "dev_device.h"
#include "dsp_display.h"
#include "fuzz_device.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "nod_body.h"
#include "nod_bullet.h"
#include "nod_camera.h"
#include "nod_gun.h"
#include "nod_gun_part.h"
#include "nod_guns.h"
#include "nod_message.h"
#include "nod_simulationworld.h"
#include "os_fatal.h"
#include "os_path.h"
#include "plt_system.h"
#include "sim_clock.h"
#include "snd_sounddevice.h"
#include "tools_guns.h"
#include "tools_spawner.h"

namespace
{

struct GunClass
{
    const char* name;
    u32 bulletTypes;  // bit per spawner bullet type the class fires
};

constexpr GunClass CLASSES[] = {
    {"NOD_Gun", 0},
    {"NOD_Gun_VendettaGatlin", 1u << NOD_BULLET_VENDETTAGATLIN},
    {"NOD_Gun_Vendetta", 1u << NOD_BULLET_VENDETTA | 1u << NOD_BULLET_VENDETTA_TWIN},
    {"NOD_Gun_SmartBomb", 0},
    {"NOD_Gun_Sizzler", 1u << NOD_BULLET_SIZZLER},
    {"NOD_Gun_ScalarHowitzer", 0},
    {"NOD_Gun_PlasmaGatlin", 1u << NOD_BULLET_PLASMAGATLIN},
    {"NOD_Gun_Plasma", 0},
    {"NOD_Gun_LaserGatlin", 0},
    {"NOD_Gun_Flak", 1u << NOD_BULLET_FLAK},
    {"NOD_Gun_DrugStore", 0},
    {"NOD_Gun_DoomMortar", 0},
};
constexpr u32 CLASS_COUNT = sizeof(CLASSES) / sizeof(CLASSES[0]);

// 1 when every "NameCLA" of the text names the gun part (case aside).
bool OnlyGunParts(const std::string& _text)
{
    std::string lower(_text);
    for (char& c : lower)
        c = (char)std::tolower((unsigned char)c);
    for (size_t at = lower.find("namecla"); at != std::string::npos; at = lower.find("namecla", at + 1)) {
        size_t value = at + 7;
        while (value < lower.size() && (lower[value] == ' ' || lower[value] == '\t' || lower[value] == '='))
            ++value;
        if (lower.compare(value, 14, "\"nod_gun_part\"") != 0)
            return false;
    }
    return true;
}

struct Run
{
    Brisel_Cache* cache = nullptr;
    Brisel_Simulation* simulation = nullptr;
};

void Remove(NOD_Node* _node)
{
    delete _node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    delete _node;
}

void CheckGun(NOD_Gun& _gun, f32 _time)
{
    Check(_gun.GetState() >= NOD_Gun::STATE_IDLE && _gun.GetState() <= NOD_Gun::STATE_DEACTIVATING);
    NOD_GunDraw draws[NOD_Gun::MUZZLE_DRAWS];
    const s32 count = _gun.GetMuzzleDraws(_time, draws);
    Check(count >= 0 && count <= NOD_Gun::MUZZLE_DRAWS);
    for (s32 i = 0; i < count; ++i)
        Check(draws[i].mesh != 0);
    for (s32 i = 0; i < (s32)_gun.GetNumOfSons(); ++i)
        if (NOD_Gun_Part* part = NOD_Gun_Part::DynamicCast(_gun.GetSon(i))) {
            volatile f32 x = part->GetWorldFrame(_time)->t.x;
            (void)x;
        }
    f32 box[6];
    _gun.GetBoundingBox(box, _time);
    (void)_gun.GetRange();
}

// Every bullet under the root is the class's and the owner's; answers their number.
s32 CheckBullets(NOD_Node& _root, const GunClass& _class, NOD_Body* _owner)
{
    s32 count = 0;
    for (s32 i = 0; i < (s32)_root.GetNumOfSons(); ++i)
        if (NOD_Bullet* bullet = NOD_Bullet::DynamicCast(_root.GetSon(i))) {
            Check(((_class.bulletTypes >> bullet->GetBulletType()) & 1u) != 0);
            Check(bullet->GetShooter() == _owner);
            ++count;
        }
    return count;
}

void FlyOnce(Run& _run, const GunClass& _class)
{
    NOD_Gun* gun = NOD_Gun::DynamicCast(NOD_Node::CreateNode(_class.name, "gun"));
    Check(gun != nullptr);
    try {
        gun->ParseIniFile_File("gun.osd");
    } catch (const OS_FatalError&) {
        delete gun;
        return;
    }
    Check(gun->GetState() == NOD_Gun::STATE_IDLE && gun->GetMeshHandle() != 0);
    Check(gun->Clone() == nullptr);

    SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    NOD_Node* root = NOD_Node::CreateNode("NOD_Node", "root");
    NOD_Node::SetRoot(root);
    NOD_Camera* camera = NOD_Camera::DynamicCast(root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera")));
    NOD_Body* owner = NOD_Body::DynamicCast(root->AddSon(NOD_Node::CreateNode("NOD_Body", "player1")));
    owner->SetFlags(owner->GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
    MAT_Matrix34 muzzle;
    muzzle.r.SetDiagonal(1.0f);
    muzzle.t = MAT_Vector3(0.0f, 10.0f, 0.0f);
    gun->SetOwner(owner);
    gun->SetMuzzleFrame(muzzle);
    owner->AddSon(gun);
    try {
        delete gun->ProcessMessage(NOD_Node_EnterSimulation::Create());
        delete camera->ProcessMessage(NOD_Camera_LookFrom::Create(SIM_Path("/player1")));
        gun->Activate();
        for (s32 step = 0; step < 24; ++step) {
            if (step == 0)
                gun->PrimaryFireOn();
            if (step == 9) {
                gun->PrimaryFireOff();
                gun->SecondaryFireOn();
            }
            if (step == 15)
                gun->SecondaryFireOff();
            if (step == 17)
                gun->Deactivate();
            _run.simulation->HandleSimulation();
            NOD_Node::GC_Collect();
            CheckGun(*gun, SIM_GetSimulationClock().time);
            const s32 bullets = CheckBullets(*root, _class, owner);
            // A shooting class fires in the step its primary mode starts.
            if (step == 0)
                Check(bullets == (_class.bulletTypes != 0 ? 1 : 0));
            SIM_Clock& clock = SIM_GetSimulationClock();
            clock.SetTime(clock.time + clock.dt);
            _run.simulation->stepCounter++;
        }
        delete gun->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        CheckGun(*gun, SIM_GetSimulationClock().time);
    } catch (const OS_FatalError&) {
        // A gun that was read must run.
        Check(false);
    }
    // Everything in the simulation leaves it before the tree goes.
    while (root->GetNumOfSons() > 0)
        Remove(root->GetSon(root->GetNumOfSons() - 1));
    delete root;
    NOD_Node::GC_Collect();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size < 1 || _size > 0x8000)
        return 0;
    static Run run;
    static s32 meshesOfTheRun = 0;
    static s32 samplesOfTheRun = 0;
    // Most inputs end in a fatal error, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("gun", FUZZ_LOG_SILENT)) {
        Check(TOOL_WriteGunFiles(".") == 1);
        for (const auto& file : TOOL_SpawnerFiles()) {
            std::filesystem::create_directories(std::filesystem::path(file.first).parent_path());
            FUZZ_WriteFile(file.first.c_str(), (const unsigned char*)file.second.data(), file.second.size());
        }
        std::filesystem::create_directories("ini");
        const std::string sound =
            "[Sound]\n{\n    SoundOn = 0\n    NumOfChannels = 2\n    Rate = 22050\n    Bits = 16\n}\n";
        FUZZ_WriteFile("ini/sound.des", (const unsigned char*)sound.data(), sound.size());
        Brisel_RegisterModules();
        FUZZ_OpenDisplay();
        // Sample files are read through the sound output's file access; no sound is played.
        new SND_SoundDevice2D("ini\\sound.des");
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        run.cache = new Brisel_Cache();
        Brisel_TheCache = run.cache;
        Brisel_TheSpawn = new Brisel_Spawn();
        run.simulation = new Brisel_Simulation();
        Brisel_TheSimulation = run.simulation;
        NOD_ConnectSimulation(run.simulation);
        meshesOfTheRun = run.cache->GetRenderMeshCache()->GetCount();
        samplesOfTheRun = run.cache->GetSampleCache()->GetCount();
    }
    const GunClass& gunClass = CLASSES[_data[0] % CLASS_COUNT];
    const u8* text = _data + 1;
    const size_t rest = _size - 1;
    const u8* zero = (const u8*)std::memchr(text, 0, rest);
    const size_t gunSize = zero != nullptr ? (size_t)(zero - text) : rest;
    const std::string gunText((const char*)text, gunSize);
    const size_t partStart = zero != nullptr ? gunSize + 1 : rest;
    const std::string partText((const char*)text + partStart, rest - partStart);
    if (!OnlyGunParts(gunText) || !OnlyGunParts(partText))
        return 0;
    FUZZ_WriteFile("vfx/gun.osd", (const unsigned char*)gunText.data(), gunText.size());
    FUZZ_WriteFile("vfx/part.osd", (const unsigned char*)partText.data(), partText.size());

    // The first pass warms what the file, log and collision layers keep; the second must give
    // back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        FlyOnce(run, gunClass);
        Check(run.cache->GetRenderMeshCache()->GetCount() == meshesOfTheRun);
        Check(run.cache->GetSampleCache()->GetCount() == samplesOfTheRun);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
