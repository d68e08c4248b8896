// Fuzzes the fog-layer reader: the input becomes "in.fog", which is loaded and, when accepted,
// blended at heights below, inside and above the stack into the renderer's 64 x 64 map (exactly
// that size, so a blend past it traps) and asked for its density. Fatal refusals are expected;
// a crash, an out-of-bounds access or a leak traps.
#include <unistd.h>

#include <cstddef>
#include <limits>

#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "rem_foglayer.h"

namespace
{

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void LoadAndBlend()
{
    REM_FogLayer fog;
    try {
        fog.LoadFromFile("in.fog");
    } catch (const OS_FatalError&) {
        Check(fog.m_layerCount == 0);
        return;
    }
    Check(fog.m_layerCount == REM_FogLayer::MAP_SIZE && fog.m_rows >= 1 && fog.m_rows <= REM_FogLayer::MAP_SIZE);
    MOS_Map<u32> out;
    out.Reconstruct(REM_FogLayer::MAP_SIZE, REM_FogLayer::MAP_SIZE);
    const f32 stack = (f32)fog.m_layerCount * fog.m_layerSpacing;
    const f32 heights[] = {fog.m_baseHeight - 1.0f,
                           fog.m_baseHeight,
                           fog.m_baseHeight + 0.5f * stack,
                           fog.m_baseHeight + stack,
                           std::numeric_limits<f32>::quiet_NaN(),
                           std::numeric_limits<f32>::infinity()};
    for (f32 height : heights) {
        fog.Blend(height, out);
        Check(fog.Density(height) == 0.0f);  // no density picture loaded
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    FUZZ_EnterWorkDirectory("fog");
    // Refusals are logged: keep the log from growing over a long run. Emptied rather than
    // removed, so that the directory (and the path resolver's listing) stays put.
    static u32 s_runs = 0;
    if (++s_runs % 256 == 0) {
        const int ignored = truncate("log.txt", 0);
        (void)ignored;
    }
    FUZZ_WriteFile("in.fog", _data, _size);
    const u32 bytesBefore = MEM_GetBytesInUse();
    LoadAndBlend();
    Check(MEM_GetBytesInUse() == bytesBefore);
    return 0;
}
