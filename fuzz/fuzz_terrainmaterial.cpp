// Any bytes as a terrain directory's "material.des", read by the terrain node's load of a
// small terrain set (the run's caches and simulation driver, no renderer). Fatal refusals are
// expected. Whatever the file held, the simulation's terrain cell holds the node's terrain
// after a load that returns and never a freed one after the node goes, and every byte taken
// comes back.
#include <filesystem>
#include <string>

#include "app_register.h"
#include "brisel_cache.h"
#include "brisel_simulation.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "nod_node.h"
#include "nod_terrain.h"
#include "os_fatal.h"
#include "os_path.h"
#include "tools_terrainnode.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void WriteFixtures()
{
    std::filesystem::create_directories("ground");
    TOOL_TerrainDirectory ground;
    ground.directory = "ground";
    ground.size = 9;
    ground.heights.assign(9 * 9, 50);
    for (const auto& file : TOOL_TerrainDirectoryFiles(ground))
        FUZZ_WriteFile(file.first.c_str(), (const unsigned char*)file.second.data(), file.second.size());
}

void Run()
{
    Brisel_Cache* cache = new Brisel_Cache();
    Brisel_TheCache = cache;
    // One driver for the whole process: it is not what is fuzzed, and it is slow to build.
    Brisel_Simulation* simulation = Brisel_TheSimulation;
    NOD_Terrain* node = NOD_Terrain::DynamicCast(NOD_Node::CreateNode("NOD_Terrain", "terrain"));
    Check(node != nullptr);
    // Twice: the second load replaces the first terrain in the node and the cell.
    for (s32 load = 0; load < 2; ++load) {
        try {
            node->LoadTerrain("ground");
            Check(node->GetTerrain() != nullptr && simulation->terrainCell->terrain == node->GetTerrain());
            Check(node->GetTerrain()->GetHeightAt(10.0f, 10.0f) < 1.0e6f);
        } catch (const OS_FatalError&) {
            Check(simulation->terrainCell->terrain == nullptr ||
                  simulation->terrainCell->terrain == node->GetTerrain());
        }
    }
    delete node;
    Check(simulation->terrainCell->terrain == nullptr);
    delete cache;
    Brisel_TheCache = nullptr;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x4000)
        return 0;
    // Broken files end in fatal errors, and each one logs a line.
    if (FUZZ_EnterWorkDirectory("terrainmaterial", FUZZ_LOG_SILENT)) {
        WriteFixtures();
        Brisel_RegisterModules();
        Brisel_TheSimulation = new Brisel_Simulation();
    }
    FUZZ_WriteFile("ground/material.des", _data, _size);
    // The first pass warms what the file layer keeps; the second must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run();
        // The resolver's listings of the directories the load read are not the run's to keep.
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
