// Any bytes as the "Visual" description of a light, halo, cone or lens flare: the first byte
// chooses the class, the rest becomes "vfx/glow.osd" (a cone finds a small mesh "cone.msh").
// A node that takes its description enters the simulation under a moving body, takes a step,
// is drawn (a halo asks for its billboards; without a renderer it draws nothing), leaves and
// is deleted with its father. Fatal refusals are expected. Whatever the description held, the
// colour bytes stay bytes, the boxes stay about the node, and every byte taken comes back.
#include <cmath>
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "mot_motionstate.h"
#include "nod_flare.h"
#include "nod_halo.h"
#include "nod_light.h"
#include "nod_message.h"
#include "nod_simulationworld.h"
#include "os_fatal.h"
#include "os_path.h"
#include "pcs_visibleobject.h"
#include "sim_clock.h"
#include "tools_lights.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

const char* const CLASSES[4] = {"NOD_Light", "NOD_Halo", "NOD_Cone", "NOD_Flare"};

void Run(const char* _class)
{
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
    MOT_MotionState state;
    NOD_Body* father = new NOD_Body(&state);
    father->GetCS().SetAttachedFrame(&state);
    state.flags = MOT_MotionState::FLAG_X | MOT_MotionState::FLAG_Y | MOT_MotionState::FLAG_Z;
    state.SetVelocity(MAT_Vector3(3.0f, 1.0f, 0.0f));
    NOD_Body* node = nullptr;
    try {
        node = NOD_Body::DynamicCast(NOD_Node::CreateNode(_class, "glow"));
        Check(node != nullptr);
        father->AddSon(node);
        node->ParseIniFile_File("glow.osd");
        delete father->ProcessMessage(NOD_Node_EnterSimulation::Create());
        delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
        father->HeartBeat();
        SIM_GetFrameClock().Set(0.025f, 0.025f);
        node->Render();
        f32 box[6];
        node->GetBoundingBox(box, 0.05f);
        delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        Check(!node->IsInSimulation());
        if (NOD_Halo* halo = NOD_Halo::DynamicCast(node))
            Check(halo->GetRecord().GetObject()->m_entryId == -1);
    } catch (const OS_FatalError&) {
    }
    delete father;  // the node with it
    Check(NOD_Flare::GetLivingCount() == 0 && NOD_Flare::GetSharedQuad() == nullptr);
    SIM_GetSimulationClock().Reset();
    delete cache;
    Brisel_TheCache = nullptr;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size < 1 || _size > 0x4000)
        return 0;
    // Broken files end in fatal errors, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("glow", FUZZ_LOG_SILENT)) {
        std::filesystem::create_directories("vfx/msh");
        const std::string mesh = TOOL_LightConeMeshText(10.0f, 3.0f, 6, "");
        FUZZ_WriteFile("vfx/msh/cone.msh", (const u8*)mesh.data(), mesh.size());
        Brisel_RegisterModules();
        Brisel_Simulation* simulation = new Brisel_Simulation();
        Brisel_TheSimulation = simulation;
        NOD_ConnectSimulation(simulation);
    }
    FUZZ_WriteFile("vfx/glow.osd", _data + 1, _size - 1);
    // The first pass warms what the file layer keeps; the second must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run(CLASSES[_data[0] & 3]);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
