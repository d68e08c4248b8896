// Any bytes as the descriptions of armed and attackable bodies, one section per body class of
// the table below (a generic body, a turret on a building, a turret gun alone, a vessel, a
// vehicle with its turret and wheels): each class whose section is there reads it (fatal
// refusals are expected), enters the simulation over the spawner's run's flat ground and runs a
// few steps as the behaviours would drive it, turning, aiming and firing its turret, steering
// the vessel and vehicle through their motion models and firing their weapons. Sons may only be of the classes these bodies carry.
// A vessel then escapes by its "EscapeBehaviour" section (when it has one) to a position, from
// a second vessel of the writers that sees it, in legs of a few steps.
// Whatever the sections held, fatal errors are the only refusals, the steps end, and every
// node and mesh a run takes comes back. Render meshes load onto a small recording device.
#include <cstring>
#include <string>
#include <vector>

#include "con_cache.h"
#include "des_file.h"
#include "des_tree.h"
#include "fuzz_spawnworld.h"
#include "nod_body.h"
#include "nod_launcher.h"
#include "nod_position.h"
#include "nod_turret_base.h"
#include "nod_vehicle.h"
#include "nod_vessel.h"
#include "os_string.h"
#include "rti_pointer.h"
#include "tools_turret.h"
#include "tools_vessel.h"

namespace
{
constexpr s32 STEPS = 30;
// The step at which a vessel of the input starts its escape; it is steered by hand before.
constexpr s32 ESCAPE_STEP = 3;

MAT_Matrix34 At(f32 _z)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = MAT_Vector3(500.0f, 500.0f, _z);
    return frame;
}

// The building a turret of the input stands on: a good generic body from the writers.
NOD_Node* Building(NOD_Node* _root)
{
    NOD_Node* building = _root->AddSon(NOD_Node::CreateNode("NOD_Generic", "house"));
    building->ParseIniFile_File("house.osd");
    NOD_Body::DynamicCast(building)->SetTransform(SIM_GetSimulationClock().time, At(15.0f));
    delete building->ProcessMessage(NOD_Node_EnterSimulation::Create());
    return building;
}

NOD_Node* Root(NOD_Node* _root) { return _root; }

// One body class: the input's section that describes it, and the father it hangs on.
struct BodyRow
{
    const char* section;
    const char* className;
    NOD_Node* (*father)(NOD_Node* _root);
};

const BodyRow ROWS[] = {
    {"Generic", "NOD_Generic", Root}, {"Turret", "NOD_Turret_Base", Building}, {"TurretGun", "NOD_Turret_Gun", Root},
    {"Vessel", "NOD_Vessel", Root},   {"Vehicle", "NOD_Vehicle", Root},
};

// The classes a body of the table may carry as sons.
const char* const SON_CLASSES[] = {"NOD_Generic", "NOD_Turret_Base", "NOD_Turret_Gun",      "NOD_NPC_Gun",
                                   "NOD_Body",    "NOD_Wheel",       "NOD_TorpedoLauncher", "NOD_BuzzerLauncher",
                                   "NOD_Vessel",  "NOD_Vehicle"};

// 1 when every "NameCLA" of the tree names a class of SON_CLASSES.
u32 SonsAllowed(const DES_Tree* _tree)
{
    std::vector<u32> pending;
    for (u32 s = _tree->root; s != DES_NONE; s = DES_Node::SectionNext(_tree, s))
        pending.push_back(s);
    while (!pending.empty()) {
        const u32 section = pending.back();
        pending.pop_back();
        for (u32 e = DES_Node::SectionFirstEntry(_tree, section); e != DES_NONE; e = DES_Node::EntryNext(_tree, e)) {
            if (std::strcmp(DES_Node::EntryKey(_tree, e), "namecla") != 0)
                continue;
            if (DES_Node::EntryType(_tree, e) != DES_TYPE_STRING)
                return 0;
            const char* name = (const char*)DES_Node::EntryValue(_tree, e);
            u32 allowed = 0;
            for (const char* known : SON_CLASSES)
                allowed |= OS_StrICmp(name, known) == 0 ? 1u : 0u;
            if (allowed == 0)
                return 0;
        }
        for (u32 s = DES_Node::SectionFirstSub(_tree, section); s != DES_NONE; s = DES_Node::SectionNext(_tree, s))
            pending.push_back(s);
    }
    return 1;
}

// What a turret's behaviours would do to it, by step.
void DriveTurret(NOD_Turret_Base* _turret, s32 _step)
{
    if (_step == 2)
        _turret->SetTargetAngles(2.5f, 0.4f);
    if (_step == 8)
        delete _turret->ProcessMessage(NOD_Turret_Base_SetAngleArea::Create(170.0f, -30.0f, 80.0f));
    if (_step == 10)
        _turret->AimAtPoint(MAT_Vector3(450.0f, 450.0f, 20.0f));
    if (_step == 12 && _turret->GetGun() != nullptr)
        _turret->GetGun()->StartFire();
    if (_step == 20) {
        f32 alpha = 0.0f;
        f32 beta = 0.0f;
        _turret->ComputeAnglesTo(_turret, &alpha, &beta);
        _turret->SetTargetAngles(alpha, beta);
        (void)_turret->IsAimedAt(alpha, beta);
        (void)_turret->IsWithinAngles(alpha, beta, 5.0f);
    }
}

// What the vessel's and vehicle's behaviours would do to them, by step: steer through their
// models and fire.
void DriveCarrier(NOD_Node* _node, s32 _step)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const MAT_Vector3 target(440.0f + (f32)(_step % 7) * 20.0f, 580.0f, 15.0f);
    if (NOD_Vessel* vessel = NOD_Vessel::DynamicCast(_node)) {
        if (_step < ESCAPE_STEP)
            vessel->GetModel().MoveTo(clock, target, 0.2f, 1.0f);
        if (_step == ESCAPE_STEP)
            delete vessel->ProcessMessage(
                NOD_Vessel_EscapeToPosSim::Create(SIM_Path("/goal"), SIM_Path("/foe"), SIM_Path(""), SIM_Path("")));
        if (_step == 4 && vessel->GetGun() != nullptr)
            vessel->GetGun()->StartFire();
        if (_step == 6 && vessel->GetTorpedoLauncher() != nullptr)
            vessel->GetTorpedoLauncher()->Fire(nullptr);
        if (_step == 7 && vessel->GetBuzzerLauncher() != nullptr)
            vessel->GetBuzzerLauncher()->Launch();
    }
    if (NOD_Vehicle* vehicle = NOD_Vehicle::DynamicCast(_node)) {
        vehicle->GetModel().GotoPosition(clock, target, 0.2f, 1.0f);
        if (NOD_Turret_Base* turret = vehicle->GetTurret())
            DriveTurret(turret, _step);
    }
}

void Run()
{
    FUZZ_SpawnWorld world;
    std::vector<RTI_Pointer*> turrets;
    try {
        // The escape's destination and the enemy it breaks away from.
        NOD_Position* goal =
            NOD_Position::DynamicCast(world.root->AddSon(NOD_Node::CreateNode("NOD_Position", "goal")));
        goal->SetPosition(MAT_Vector3(700.0f, 560.0f, 40.0f));
        goal->SetRadius(5.0f);
        NOD_Node* foe = world.root->AddSon(NOD_Node::CreateNode("NOD_Vessel", "foe"));
        foe->ParseIniFile_File("foe.osd");
        MAT_Matrix34 foeFrame = At(40.0f);
        foeFrame.t.x += 60.0f;
        NOD_Body::DynamicCast(foe)->SetTransform(SIM_GetSimulationClock().time, foeFrame);
        delete foe->ProcessMessage(NOD_Node_EnterSimulation::Create());
        DES_File file;
        DES_Section top;
        file.Open(&top, "vfx\\in.osd");
        for (const BodyRow& row : ROWS) {
            DES_Section section;
            if (top.FindSection(&section, row.section) == 0)
                continue;
            try {
                NOD_Node* father = row.father(world.root);
                NOD_Node* node = father->AddSon(NOD_Node::CreateNode(row.className, "body"));
                node->ParseIniFile_Des(section);
                if (father == world.root)
                    NOD_Body::DynamicCast(node)->SetTransform(SIM_GetSimulationClock().time, At(40.0f));
                delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
                if (NOD_Turret_Base::DynamicCast(node) != nullptr || NOD_Vessel::DynamicCast(node) != nullptr ||
                    NOD_Vehicle::DynamicCast(node) != nullptr) {
                    turrets.push_back(new RTI_Pointer);
                    turrets.back()->Set(node);
                }
            } catch (const OS_FatalError&) {
            }
        }
        for (s32 step = 0; step < STEPS; ++step) {
            for (RTI_Pointer* turret : turrets)
                if (NOD_Turret_Base* t = NOD_Turret_Base::DynamicCast((NOD_Node*)turret->Get()))
                    DriveTurret(t, step);
                else if (turret->Get() != nullptr)
                    DriveCarrier((NOD_Node*)turret->Get(), step);
            world.Steps(1);
        }
    } catch (const OS_FatalError&) {
    }
    for (RTI_Pointer* turret : turrets)
        delete turret;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    // Sons of other classes than the bodies carry are passed over.
    DES_Tree* tree = DES_Text_ParseBuffer(_data, (u32)_size);
    const u32 allowed = tree != nullptr && SonsAllowed(tree) != 0;
    if (tree != nullptr)
        DES_Tree_Free(tree);
    if (allowed == 0)
        return 0;
    static bool written = false;
    FUZZ_SpawnWorld::Enter("armedbody");
    if (!written) {
        for (const auto& file : TOOL_TurretFiles())
            FUZZ_WriteText(file.first, file.second);
        for (const auto& file : TOOL_ArmedBodyFiles())
            FUZZ_WriteText(file.first, file.second);
        FUZZ_WriteText("vfx/house.osd", TOOL_GenericDescriptionText(TOOL_GenericDescription()));
        FUZZ_WriteText("vfx/foe.osd", TOOL_VesselDescriptionText(TOOL_VesselDescription()));
        written = true;
    }
    const s32 lightMeshes = Brisel_TheCache->GetLightMeshCache()->GetCount();
    const s32 visuals = Brisel_TheCache->GetVisualCache()->GetCount();
    FUZZ_SpawnWorld::TakeInput("armedbody", _data, _size, Run);
    Check(Brisel_TheCache->GetLightMeshCache()->GetCount() == lightMeshes &&
          Brisel_TheCache->GetVisualCache()->GetCount() == visuals);
    return 0;
}
