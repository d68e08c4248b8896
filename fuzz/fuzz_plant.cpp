// Fuzzes the plant node's description and plant map: the input up to its first zero byte
// becomes "vfx/plants.des", the rest "map.tga", the plant map a description may name. A node
// that takes its description follows a few cameras (over the map, over negative coordinates,
// far outside it, with a far plane from tiny to huge) with the run's step counter moving, then
// is drawn and deleted. No terrain is loaded, so every plant stands on no ground. Fatal refusals
// of the files are expected; a crash, an out-of-bounds access, a cell bookkeeping that
// contradicts itself, a box reaching out to no-ground heights, a tile lost from the shared queue
// or memory kept after the node is gone traps.
#include <cfloat>
#include <cstddef>
#include <cstring>
#include <filesystem>

#include "app_register.h"
#include "brisel_simulation.h"
#include "fuzz_workdir.h"
#include "fx_plantcell.h"
#include "mem_alloc.h"
#include "nod_fx_plant.h"
#include "os_fatal.h"
#include "os_path.h"
#include "vec_camera.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

VEC_Camera DownCamera(f32 _x, f32 _y, f32 _far)
{
    VEC_Camera camera;
    camera.SetProjection(-1.0f, 1.0f, -0.75f, 0.75f, 1.0f, _far, 1.0f);
    MAT_Matrix34 frame;
    frame.SetFromVectors({_x, _y, 50.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f});
    camera.SetTransform(frame);
    return camera;
}

void CheckCells(const NOD_FX_Plant& _node)
{
    Check(_node.GetActiveCount() >= 0 && _node.GetActiveCount() <= NOD_FX_Plant::MAX_CELLS);
    for (s32 i = 0; i < _node.GetActiveCount(); ++i) {
        const FX_PlantCell* cell = _node.GetCell(i);
        Check(cell != nullptr);
        Check(_node.GetSlot(cell->GetColumn(), cell->GetRow()) == i);
        Check(cell->GetGroundedCount() == 0);
        Check(cell->GetBounds().m_max.z < 1.0e30f && cell->GetBounds().m_min.z > -1.0e30f);
        Check((cell->GetTile() >= 0) == (_node.GetRenderFast() != 0));
    }
    Check(NOD_FX_Plant::GetFreeTileCount() + (_node.GetRenderFast() != 0 ? _node.GetActiveCount() : 0) == 196);
}

void Run(Brisel_Simulation& _simulation)
{
    NOD_FX_Plant* node = new NOD_FX_Plant();
    try {
        node->ParseIniFile_File("plants.des");
    } catch (const OS_FatalError&) {
        delete node;
        return;
    }
    const f32 places[][3] = {{2048.0f, 2048.0f, 600.0f}, {-100.0f, -300.0f, 200.0f}, {1.0e6f, -1.0e6f, 1000.0f},
                             {100.0f, 100.0f, 1.0e7f},   {4000.0f, 4000.0f, 2.0f},   {-5000.0f, 9000.0f, 1.0e4f}};
    for (const f32* place : places) {
        const VEC_Camera camera = DownCamera(place[0], place[1], place[2]);
        ++_simulation.stepCounter;
        node->UpdateCells(camera);
        CheckCells(*node);
        node->Render();
    }
    ++_simulation.stepCounter;
    node->RemoveStaleCells();
    Check(node->GetActiveCount() == 0);
    Check(NOD_FX_Plant::GetFreeTileCount() == 196);
    delete node;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x8000)
        return 0;
    // Most inputs end in a fatal error or a cut string, and each one logs a line.
    static Brisel_Simulation* simulation = nullptr;
    if (FUZZ_EnterWorkDirectory("plant", FUZZ_LOG_SILENT)) {
        std::filesystem::create_directories("vfx");
        Brisel_RegisterModules();
        simulation = new Brisel_Simulation();
        Brisel_TheSimulation = simulation;
    }
    const u8* zero = (const u8*)std::memchr(_data, 0, _size);
    const size_t textSize = zero != nullptr ? (size_t)(zero - _data) : _size;
    FUZZ_WriteFile("vfx/plants.des", _data, textSize);
    const size_t pictureStart = zero != nullptr ? textSize + 1 : _size;
    FUZZ_WriteFile("map.tga", _data + pictureStart, _size - pictureStart);

    // The first pass warms what the file and log layers keep; the second must give back all
    // it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 2; ++pass) {
        OS_ResetPathCache();
        before = MEM_GetBytesInUse();
        Run(*simulation);
        Check(NOD_FX_Plant::GetInstanceCount() == 0 && NOD_FX_Plant::GetRandomTable() == nullptr);
        OS_ResetPathCache();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
