// Fuzzes the tile-type reader: the input is two control bytes and a height-field picture.
// The first control byte is the Transition (signed), the second picks the triangulation mode
// (low three bits, so 4 .. 7 are out of range), the restriction (bit 3), the height scale
// (bits 4-5) and the minimum resolution (bits 6-7). The picture becomes "in.tga" and a tile
// type is generated from it. Fatal refusals are expected; a crash, a leak, an out-of-bounds
// access or a generated tile type that breaks its own invariants traps.
#include <unistd.h>

#include <cmath>
#include <cstddef>

#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "mrt_tiledata.h"
#include "os_fatal.h"

namespace
{

// Pictures above this width are skipped: a few bytes would only promise a large field of zeros.
const s32 MAX_WIDTH = 129;

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

void CheckTile(const MRT_TileData& _tile)
{
    const s32 size = _tile.GetSize();
    Check(size >= 3 && ((size - 1) & (size - 2)) == 0);
    Check(_tile.d2Map->m_width == size - 1 && _tile.d2Map->m_height == size - 1);
    Check(_tile.blockMaxima->m_width == size / 4 + 1);
    for (s32 s = 0; s < size; ++s)
        Check(_tile.deltaHeights[s] >= 0 && _tile.deltaHeights[s] <= 65535);
    // Every block maximum is a sample of its block and no sample exceeds it.
    for (s32 y = 0; y < size; ++y)
        for (s32 x = 0; x < size; ++x)
            Check(_tile.Sample(x, y) <= (*_tile.blockMaxima)[y / 4][x / 4]);
    Check(_tile.textureName[0] == 'r');
}

void Run(const u8* _data, size_t _size)
{
    const s32 transition = (s8)_data[0];
    const u8 control = _data[1];
    static const f32 heightScales[4] = {1.0f, 0.00390625f, 1.0f / 65536.0f, 0.01f};
    static const f32 resolutions[4] = {7.0f, 100.0f, 10000.0f, 0.35355338f};
    const MAT_Vector3 scale{1.0f, 1.0f, heightScales[(control >> 4) & 3]};

    MRT_TileData* tile = new MRT_TileData;
    try {
        tile->Generate("rock_l0.tga", "in.tga", 0, transition, scale, resolutions[control >> 6], (control >> 3) & 1,
                       control & 7);
        CheckTile(*tile);
        MOS_Map<u16>* index = tile->CreateIndexMap();
        MOS_Map<u8>* triangulation = tile->CreateTriangulationMap();
        delete index;
        delete triangulation;
        // Heights inside the tile are finite; the far border answers FLT_MAX.
        const f32 last = (f32)(tile->GetSize() - 1);
        Check(std::isfinite(tile->GetHeight(last * 0.5f, last * 0.25f)));
        Check(tile->GetHeight(last, 0.0f) > 3.0e38f);
    } catch (const OS_FatalError&) {
    }
    delete tile;
    (void)_size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    FUZZ_EnterWorkDirectory("tiledata", FUZZ_LOG_SILENT);
    if (_size < 2 + 18)
        return 0;
    const u8* picture = _data + 2;
    const s32 width = picture[12] | picture[13] << 8;
    const s32 height = picture[14] | picture[15] << 8;
    if (width > MAX_WIDTH || height > MAX_WIDTH)
        return 0;
    FUZZ_WriteFile("in.tga", picture, _size - 2);
    const u32 bytesBefore = MEM_GetBytesInUse();
    Run(_data, _size);
    Check(MEM_GetBytesInUse() == bytesBefore);
    return 0;
}
