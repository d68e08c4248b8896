#include "rem_foglayer.h"

#include <cmath>
#include <cstring>

#include "gfx_picturetga.h"
#include "mat_round.h"
#include "os_fatal.h"
#include "os_path.h"

namespace
{

const u32 HEADER_BYTES = 20;

// P(a, b) = floor(a x b / 255): the per-frame blend is a lookup and an addition per byte.
struct ProductTable
{
    u8 product[256][256];

    ProductTable()
    {
        for (u32 a = 0; a < 256; ++a)
            for (u32 b = 0; b < 256; ++b)
                product[a][b] = (u8)(a * b / 255);
    }
};

const ProductTable& Products()
{
    static const ProductTable s_table;
    return s_table;
}

f32 ReadF32LE(const u8* _p)
{
    const u32 bits = OS_ReadU32LE(_p);
    f32 value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// A step of zero would divide by zero, and one whose stack height overflows would turn every
// later scale into NaN.
bool IsUsableStep(f32 _step, s32 _count) { return _step != 0.0f && std::isfinite(_step * (f32)_count); }

}  // namespace

void REM_FogLayer_Density::LoadDensityFile(const char* _path)
{
    static const char* const WHERE = "REM_FogLayer_Density::LoadDensityFile()";
    GFX_PictureTGA picture;
    if (!picture.Open(_path, 0))
        OS_Fatal(WHERE, "Density file not found.");
    if (picture.GetHeight() != 1)
        OS_Fatal(WHERE, "Height of fogdensity/color *,tga picture must be ONE pixel.");
    const s32 width = picture.GetWidth();
    if (width < 2)
        OS_Fatal("MAT_Interpolator_Linear_Scalar::MAT_Interpolator_Linear_Scalar()",
                 "minimum 2 scalars are needed for interpolation.");

    u8* pixels = (u8*)MEM_Alloc((u32)width * 4);
    picture.ReadData_BGRA8888(pixels, width * 4, 0);
    m_density.Allocate(width);  // clears the clamp flag: the density repeats over the stack
    f32* keys = m_density.GetKeys();
    for (s32 i = 0; i < width; ++i)
        keys[i] = (f32)pixels[i * 4 + 3] * 0.003921569f;
    MEM_Free(pixels);
}

REM_FogLayer::~REM_FogLayer() { FreeLayers(); }

void REM_FogLayer::FreeLayers()
{
    for (s32 i = 0; i < m_layerCount; ++i)
        m_layers[i].Free();
    m_layerCount = 0;
    m_rows = 0;
}

void REM_FogLayer::LoadFromFile(const char* _path)
{
    u8* data = nullptr;
    u32 size = 0;
    if (!OS_ReadDataFile(_path, 0, &data, &size))
        OS_Fatal("REM_FogLayer::LoadFromFile() file not found", _path);

    // Everything is checked before the old layers go, so a refused file leaves nothing half
    // replaced behind the fatal error.
    const char* fault = nullptr;
    s32 rows = 0;
    s32 layerCount = 0;
    f32 baseHeight = 0.0f;
    f32 depthStep = 0.0f;
    f32 layerSpacing = 0.0f;
    if (size < HEADER_BYTES) {
        fault = "REM_FogLayer::LoadFromFile() file too short";
    } else {
        rows = OS_ReadS32LE(data);
        layerCount = OS_ReadS32LE(data + 4);
        baseHeight = ReadF32LE(data + 8);
        depthStep = ReadF32LE(data + 12);
        layerSpacing = ReadF32LE(data + 16);
        if (layerCount != MAP_SIZE)
            fault = "REM_FogLayer::LoadFromFile() layer count must be 64";
        else if (rows < 1 || rows > MAP_SIZE)
            fault = "REM_FogLayer::LoadFromFile() rows must be 1 to 64";
        else if (!IsUsableStep(layerSpacing, layerCount))
            fault = "REM_FogLayer::LoadFromFile() illegal layer spacing";
        else if (!IsUsableStep(depthStep, rows))
            fault = "REM_FogLayer::LoadFromFile() illegal depth step";
        else if ((u64)size < HEADER_BYTES + (u64)layerCount * (u64)layerCount * (u64)rows * 4)
            fault = "REM_FogLayer::LoadFromFile() file too short";
    }
    if (fault != nullptr) {
        MEM_Free(data);
        OS_Fatal(fault, _path);
    }

    FreeLayers();
    const u8* pixel = data + HEADER_BYTES;
    for (s32 layer = 0; layer < layerCount; ++layer) {
        MOS_Map<u32>& map = m_layers[layer];
        map.Reconstruct(layerCount, rows);
        for (s32 x = 0; x < layerCount; ++x)
            for (s32 y = 0; y < rows; ++y, pixel += 4) {
                // File bytes R, G, B, A; the colour is kept as bytes B, G, R, A.
                u8* cell = (u8*)&map[y][x];
                cell[0] = pixel[2];
                cell[1] = pixel[1];
                cell[2] = pixel[0];
                cell[3] = pixel[3];
            }
    }
    MEM_Free(data);

    m_layerCount = layerCount;
    m_rows = rows;
    m_baseHeight = baseHeight;
    m_depthStep = depthStep;
    m_layerSpacing = layerSpacing;
    m_heightScale = 1.0f / ((f32)layerCount * layerSpacing);
    m_depthScale = 1.0f / ((f32)rows * depthStep);
}

void REM_FogLayer::Blend(f32 _cameraHeight, MOS_Map<u32>& _out) const
{
    if (m_layerCount < 2)
        return;
    s32 lower = MAT_FloorByRounding((_cameraHeight - m_baseHeight) / m_layerSpacing);
    if (lower > m_layerCount - 2)
        lower = m_layerCount - 2;
    if (lower < 0)
        lower = 0;
    const f32 below = (f32)lower * m_layerSpacing;
    f32 t = (_cameraHeight - below - m_baseHeight) / m_layerSpacing;
    if (!(t >= 0.0f))  // NaN too
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    const s32 upperWeight = MAT_FloorByRounding(t * 255.0f);
    const s32 lowerWeight = MAT_FloorByRounding((1.0f - t) * 255.0f);

    const u8* upperProducts = Products().product[upperWeight];
    const u8* lowerProducts = Products().product[lowerWeight];
    const u8* upper = (const u8*)m_layers[lower + 1].m_cells;
    const u8* base = (const u8*)m_layers[lower].m_cells;
    u8* out = (u8*)_out.m_cells;
    s32 pixels = m_layers[lower].m_count;
    if (pixels > _out.m_count)
        pixels = _out.m_count;
    const s32 bytes = (pixels & ~3) * 4;
    for (s32 i = 0; i < bytes; ++i)
        out[i] = (u8)(upperProducts[upper[i]] + lowerProducts[base[i]]);
}

f32 REM_FogLayer::Density(f32 _cameraHeight)
{
    if (m_layerCount == 0 || m_density.GetCount() < 2)
        return 0.0f;
    m_density.SetTiming(m_baseHeight, (f32)m_layerCount * m_layerSpacing, 0);
    return m_density.Evaluate(_cameraHeight);
}
