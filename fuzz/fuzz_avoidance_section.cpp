// Any bytes as a description file whose "Avoidance" section goes to the obstacle's and the
// avoider's readers. Fatal refusals are expected; what is read must lie inside the clamps,
// an avoider must be able to note obstacles up to its capacity and predict, and nothing may
// be left allocated.
#include "cod_activeavoid.h"
#include "cod_passiveavoid.h"
#include "des_file.h"
#include "fuzz_workdir.h"
#include "mat_matrix.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "os_fatal.h"

namespace
{
// A longer list is a request the reader grants as it is: its memory says nothing about the
// reader, but would trip the fuzzer's allocation limit.
constexpr s32 LARGEST_LIST = 1 << 16;

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

bool ListFits(DES_Section& _section)
{
    if (!_section.HasEntry("NumOfMaximalAvoidanceObjects"))
        return true;
    s32 count = 0;
    try {
        _section.GetS32("NumOfMaximalAvoidanceObjects", &count);
    } catch (const OS_FatalError&) {
        return true;  // the reader refuses it too
    }
    return count <= LARGEST_LIST;
}

void Exercise(COD_ActiveAvoid& _avoider)
{
    Check(_avoider.m_lookAheadDistance >= 0.0f && _avoider.m_lookAheadDistance <= COD_AVOID_MAX_LOOK_AHEAD);
    Check(_avoider.m_avoidanceRadius >= 0.0f);
    Check(_avoider.m_avoidanceRatio >= -COD_AVOID_MAX_RATIO && _avoider.m_avoidanceRatio <= COD_AVOID_MAX_RATIO);
    Check(_avoider.m_climbLimit >= 0.0f && _avoider.m_climbLimit <= 1.0f);
    Check(_avoider.m_maxObstacles >= 0 && _avoider.m_notedCount == 0);
    Check((_avoider.m_maxObstacles > 0) == (_avoider.m_obstacleTransforms != nullptr));
    Check(_avoider.m_avoidedClassCount >= 1 && _avoider.m_avoidedClassCount <= COD_SIZE_CLASS_COUNT);

    // Obstacles of every class, more than fit, none of them with a tree to sweep.
    MAT_Matrix34 self;
    self.r.SetDiagonal(1.0f);
    _avoider.m_transform = &self;
    _avoider.m_goal = {0.3f, 100.0f, 0.0f};
    COD_PassiveAvoid obstacles[COD_SIZE_CLASS_COUNT];
    for (s32 round = 0; round < 3; ++round)
        for (s32 k = 0; k < COD_SIZE_CLASS_COUNT; ++k) {
            obstacles[k].m_sizeClass = k;
            obstacles[k].m_transform = &self;
            _avoider.NoteObstacle(&obstacles[k]);
            Check(_avoider.m_notedCount <= _avoider.m_maxObstacles);
        }
    MRT_TerrainCell empty;
    const s32 flag = _avoider.Predict(&empty);
    Check(flag == 0 && _avoider.m_notedCount == 0);

    COD_ActiveAvoid copy;
    copy.Clone(_avoider);
    Check(copy.m_maxObstacles == _avoider.m_maxObstacles && copy.m_notedCount == 0);
}

void ReadSection(DES_Section& _root)
{
    DES_Section section;
    if (!_root.FindSection(&section, "Avoidance") || !ListFits(section))
        return;
    try {
        COD_PassiveAvoid obstacle;
        obstacle.Parse(&section);
        Check(obstacle.m_sizeClass >= 0 && obstacle.m_sizeClass < COD_SIZE_CLASS_COUNT);
    } catch (const OS_FatalError&) {
    }
    try {
        COD_ActiveAvoid avoider;
        avoider.Parse(&section);
        Exercise(avoider);
    } catch (const OS_FatalError&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x10000)
        return 0;
    // Most inputs end in a fatal refusal, which logs: keep the log silent.
    FUZZ_EnterWorkDirectory("avoidance_section", FUZZ_LOG_SILENT);
    FUZZ_WriteFile("avoid.des", _data, _size);
    // The first passes warm what the file layer keeps; the last must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 3; ++pass) {
        before = MEM_GetBytesInUse();
        DES_File file;
        try {
            DES_Section root;
            if (file.Open(&root, "avoid.des"))
                ReadSection(root);
        } catch (const OS_FatalError&) {
        }
        file.Close();
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
