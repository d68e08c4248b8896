// Any bytes as the light rays' settings "ini\raysystem.des": a ray node is made from them (the
// display on a recording device, the run's caches) and stepped for a few seconds over a small
// terrain, with the viewer moving on and off the grid. Fatal refusals are expected. Whatever the
// file held, every ray stays between no and full opacity in a known state, placed rays hang
// from above the viewer of their placement to a ground point with finite coordinates, and every
// byte and display buffer taken comes back.
#include <cmath>
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "dsp_display.h"
#include "fuzz_device.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "nod_node.h"
#include "nod_raysystem.h"
#include "os_fatal.h"
#include "os_path.h"
#include "sim_clock.h"
#include "tools_terrainnode.h"
#include "vec_camera.h"

namespace
{
MRT_Terrain* s_terrain = nullptr;

void WriteFixtures()
{
    std::filesystem::create_directories("ini");
    std::filesystem::create_directories("ground");
    TOOL_TerrainDirectory ground;
    ground.directory = "ground";
    ground.scale[0] = ground.scale[1] = 16.0f;  // 256 units per cell, 512 in all
    ground.heights.assign(17 * 17, 100);
    for (const auto& file : TOOL_TerrainDirectoryFiles(ground))
        FUZZ_WriteFile(file.first.c_str(), (const unsigned char*)file.second.data(), file.second.size());
}

bool Finite(const MAT_Vector3& _v) { return std::isfinite(_v.x) && std::isfinite(_v.y) && std::isfinite(_v.z); }

void Run()
{
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    // One driver for the whole process: it is not what is fuzzed, and it is slow to build.
    Brisel_Simulation* simulation = Brisel_TheSimulation;
    simulation->terrainCell->terrain = s_terrain;
    NOD_Node* node = nullptr;
    try {
        node = NOD_Node::CreateNode("NOD_RaySystem", "rays");
        NOD_RaySystem* rays = NOD_RaySystem::DynamicCast(node);
        Check(rays != nullptr);
        const RAY_RaySystem& pool = rays->GetRays();
        const f32 opacity = pool.GetMaxOpacity();
        Check(opacity >= 0.0f && opacity <= 1.0f);
        Check(pool.GetMaxRays() >= 0 && pool.GetMaxRays() <= RAY_RaySystem::MAX_RAYS);
        SIM_Clock& clock = SIM_GetSimulationClock();
        clock.Set(0.0f, SIM_STEP);
        const f32 places[4] = {256.0f, 5000.0f, 100.0f, -300.0f};
        const s32 steps = pool.GetMaxRays() > 1000 ? 4 : 60;
        for (s32 step = 0; step < steps; ++step) {
            MAT_Matrix34 frame;
            frame.r.SetDiagonal(1.0f);
            frame.t = {places[(step / 8) & 3], 256.0f, 150.0f};
            simulation->camera->SetTransform(frame);
            rays->HeartBeat();
            for (s32 i = 0; i < pool.GetMaxRays(); ++i) {
                const RAY_Ray& ray = pool.GetRay(i);
                Check(ray.active <= 1 && ray.state <= RAY_Ray::STATE_FADING_OUT);
                Check(!(ray.opacity < 0.0f) && !(ray.opacity > opacity));
                if (ray.active != 0) {
                    Check(Finite(ray.motion.frame.t) && ray.motion.frame.t.z == 1150.0f);
                    Check(std::isfinite(ray.length) && ray.length < 2000.0f);
                }
            }
            clock.SetTime(clock.time + clock.dt);
        }
    } catch (const OS_FatalError&) {
    }
    delete node;
    SIM_GetSimulationClock().Reset();
    simulation->terrainCell->terrain = nullptr;
    delete cache;
    Brisel_TheCache = nullptr;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    // Broken files end in fatal errors, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("raysystem", FUZZ_LOG_SILENT)) {
        WriteFixtures();
        Brisel_RegisterModules();
        Brisel_TheSimulation = new Brisel_Simulation();
        FUZZ_OpenDisplay();
        s_terrain = new MRT_Terrain();
        s_terrain->LoadTerrain("ground\\terrain.des");
    }
    FUZZ_WriteFile("ini/raysystem.des", _data, _size);

    const size_t buffers = BufferCount();
    // The first pass warms what the file layer keeps; the second must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run();
        // The resolver's listings of the directories the load read are not the run's to keep.
        OS_ResetPathCache();
        Check(BufferCount() == buffers);
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
