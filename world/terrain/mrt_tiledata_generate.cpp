// Tile types: reading the height field, edge blending, block maxima, delta heights and the
// d2 error metric of the quadtree nodes.
#include <cmath>
#include <cstring>
#include <new>

#include "gfx_picturetga.h"
#include "mat_round.h"
#include "mrt_tiledata.h"
#include "os_fatal.h"

namespace
{

const char* const GENERATE = "MRT_TileData::Generate()";
const char* const LOAD_PLACE = "MRT_TileData::LoadFromBMP_24(const char* _Name)";

// A map object of our own allocation, so a refused block stops with the tile type's own text
// rather than the allocator's. Deleted like any other map (MEM_Object's delete).
template <typename T>
MOS_Map<T>* NewMap(const char* _caption, const char* _message)
{
    void* block = MEM_Alloc((u32)sizeof(MOS_Map<T>));
    if (block == nullptr)
        OS_Fatal(_caption, _message);
    return ::new (block) MOS_Map<T>;
}

// Every computation below walks the quadtree, which only exists for 2^n + 1 samples.
void CheckSize(s32 _size)
{
    if (_size < 3)
        OS_Fatal("Size of heightfield must be > 2", "MRT_TileData::SetHM");
    s32 power = 1;
    while (power <= _size / 2)
        power *= 2;
    if (_size != power + 1)
        OS_Fatal("Size of heightfield data must be 2^n + 1", "MRT_TileData::Generate");
}

// Frees the picture's pixel buffer also when reading the picture stops the program.
struct PixelBuffer
{
    u8* data = nullptr;
    ~PixelBuffer() { MEM_Free(data); }
};

s32 Blend(f32 _leftWeight, u16 _left, f32 _rightWeight, u16 _right)
{
    return MAT_FloorByRounding(_leftWeight * (f32)_left + _rightWeight * (f32)_right);
}

}  // namespace

void MRT_TileData::Generate(const char* _texture, const char* _heightField, s32 _type, s32 _transition,
                            const MAT_Vector3& _scale, f32 _minimumResolution, s32 _restrictedQuadTree,
                            s32 _triangulationMode)
{
    RestrictedQuadTree = _restrictedQuadTree;
    Transition = _transition;
    TriangulationMode = _triangulationMode;
    MinimumResolution = _minimumResolution;
    d2Divisor = 100.0f;
    scale = _scale;
    inverseScale = {1.0f / _scale.x, 1.0f / _scale.y, 1.0f / _scale.z};

    if (heightField == nullptr)
        heightField = NewMap<u16>(GENERATE, "couldn't allocate heightmap (out of memory).");
    if (_type == 0)
        LoadFromBMP_24(_heightField, heightField);

    const s32 size = GetSize();
    CheckSize(size);

    // A band wider than the field would blend rows that do not exist; up to W every index of
    // the band (k and W - 1 - k) is a sample, and the two halves merely overlap.
    if (Transition > size)
        OS_Fatal(GENERATE, "transition band can't be wider than the heightfield.");
    if (Transition > 0) {
        MOS_Map<u16>& samples = *heightField;
        const f32 step = 0.5f / (f32)Transition;
        for (s32 k = 0; k < Transition; ++k) {
            const f32 f = (f32)k * step + 0.5f;
            const s32 opposite = size - 1 - k;
            for (s32 row = 0; row < size; ++row) {
                const u16 left = samples[row][k];
                const u16 right = samples[row][opposite];
                samples[row][k] = (u16)Blend(f, left, 1.0f - f, right);
                samples[row][opposite] = (u16)Blend(1.0f - f, left, f, right);
            }
        }
        for (s32 k = 0; k < Transition; ++k) {
            const f32 f = (f32)k * step + 0.5f;
            const s32 opposite = size - 1 - k;
            for (s32 column = 0; column < size; ++column) {
                const u16 low = samples[k][column];
                const u16 high = samples[opposite][column];
                samples[k][column] = (u16)Blend(f, low, 1.0f - f, high);
                samples[opposite][column] = (u16)Blend(1.0f - f, low, f, high);
            }
        }
    }

    ComputeMetrics();

    if (strlen(_texture) >= sizeof(textureName))
        OS_Fatal(GENERATE, "Texturemap name can have maximal 63 character");
    strcpy(textureName, _texture);
    char* dot = strchr(textureName, '.');
    if (dot == nullptr)
        OS_Fatal(GENERATE, "type of texturename has to be written in *.des (*.tga)");
    char* underscore = dot;
    while (underscore != textureName && *underscore != '_')
        --underscore;
    if (*underscore != '_')
        OS_Fatal(GENERATE, "texturename missing _ character");
    *underscore = '\0';
}

void MRT_TileData::ComputeMetrics()
{
    const s32 size = GetSize();
    CheckSize(size);
    const MOS_Map<u16>& samples = *heightField;

    const s32 blocks = size / 4 + 1;
    if (blockMaxima == nullptr)
        blockMaxima = new MOS_Map<u16>;
    blockMaxima->Reconstruct(blocks, blocks);
    memset(blockMaxima->m_cells, 0, (size_t)blockMaxima->m_count * sizeof(u16));
    for (s32 y = 0; y < size; ++y) {
        u16* maxima = (*blockMaxima)[y / 4];
        for (s32 x = 0; x < size; ++x)
            if (samples[y][x] > maxima[x / 4])
                maxima[x / 4] = samples[y][x];
    }

    MEM_Free(deltaHeights);
    deltaHeights = (s32*)MEM_Alloc((u32)size * (u32)sizeof(s32));
    if (deltaHeights == nullptr)
        OS_Fatal("No more memory to allocate deltaheight field", "MRT_TileData::Generate");
    memset(deltaHeights, 0, (size_t)size * sizeof(s32));
    for (s32 s = size - 1; s >= 2; s /= 2) {
        const s32 h = s / 2;
        s32 largest = 0;
        for (s32 y = h; y < size; y += s)
            for (s32 x = h; x < size; x += s) {
                const s32 centre = samples[y][x];
                for (s32 j = -h; j <= h; ++j)
                    for (s32 i = -h; i <= h; ++i) {
                        const s32 delta = std::abs((s32)samples[y + j][x + i] - centre);
                        if (delta > largest)
                            largest = delta;
                    }
            }
        deltaHeights[s] = largest;
    }

    if (d2Map == nullptr)
        d2Map = NewMap<u8>(GENERATE, "couldn't allocate d2 map (out of memory).");
    d2Map->Reconstruct(size - 1, size - 1);
    memset(d2Map->m_cells, 0, (size_t)d2Map->m_count);

    auto height = [&](s32 _x, s32 _y) { return (f32)samples[_y][_x] * scale.z; };
    auto bend = [](f32 _a, f32 _b, f32 _middle) { return std::fabs(_a + _b - 2.0f * _middle); };
    // Finest nodes first: a node's own value already holds what its children passed on when it
    // is passed upwards in turn.
    for (s32 s = 2; s < size; s *= 2) {
        const s32 h = s / 2;
        for (s32 x = h; x < size; x += s) {
            const s32 i = (x - h) / s;
            for (s32 y = h; y < size; y += s) {
                const s32 j = (y - h) / s;
                f32 roughness = ((i + j) & 1) == 0 ? bend(height(x + h, y + h), height(x - h, y - h), height(x, y))
                                                   : bend(height(x + h, y - h), height(x - h, y + h), height(x, y));
                const f32 edges[4] = {bend(height(x + h, y - h), height(x - h, y - h), height(x, y - h)),
                                      bend(height(x + h, y + h), height(x - h, y + h), height(x, y + h)),
                                      bend(height(x - h, y + h), height(x - h, y - h), height(x - h, y)),
                                      bend(height(x + h, y + h), height(x + h, y - h), height(x + h, y))};
                for (f32 edge : edges)
                    if (edge > roughness)
                        roughness = edge;
                f32 d2 = roughness / (f32)s / scale.x / d2Divisor;
                if (d2 > 1.0f)
                    d2 = 1.0f;
                StoreD2(d2, x, y, h);

                if (s >= size - 1)
                    continue;
                const bool iOdd = (i & 1) != 0;
                const bool jOdd = (j & 1) != 0;
                if (!iOdd && !jOdd) {
                    PropagateD2(x, y, s, x + h, y + h);
                    if (RestrictedQuadTree != 0) {
                        PropagateD2(x, y, s, x - h - s, y + h);
                        PropagateD2(x, y, s, x + h, y - h - s);
                    }
                } else if (iOdd && !jOdd) {
                    PropagateD2(x, y, s, x - h, y + h);
                    if (RestrictedQuadTree != 0) {
                        PropagateD2(x, y, s, x - h, y - h - s);
                        PropagateD2(x, y, s, x + h + s, y + h);
                    }
                } else if (!iOdd && jOdd) {
                    PropagateD2(x, y, s, x + h, y - h);
                    if (RestrictedQuadTree != 0) {
                        PropagateD2(x, y, s, x + h, y + h + s);
                        PropagateD2(x, y, s, x - h - s, y - h);
                    }
                } else {
                    PropagateD2(x, y, s, x - h, y - h);
                    if (RestrictedQuadTree != 0) {
                        PropagateD2(x, y, s, x + h + s, y - h);
                        PropagateD2(x, y, s, x - h, y + h + s);
                    }
                }
            }
        }
    }
}

void MRT_TileData::LoadFromBMP_24(const char* _name, MOS_Map<u16>* _map)
{
    GFX_PictureTGA picture;
    if (picture.Open(_name, 1) == 0)
        OS_Fatal("Picture of given name does not exist.", LOAD_PLACE);
    if (picture.GetWidth() != picture.GetHeight())
        OS_Fatal("Width and height of map picture must be equal.", LOAD_PLACE);
    const s32 size = picture.GetWidth();
    _map->Reconstruct(size, size);

    static const char* const BUFFER_FAILED = "couldn't allocate temporairy load array (out of memory).";
    const u64 bytes = (u64)size * (u64)size * 4u;
    if (bytes > 0xFFFFFFFFu)
        OS_Fatal(BUFFER_FAILED, "void TileData::LoadFromTGA_24()");
    PixelBuffer pixels;
    pixels.data = (u8*)MEM_Alloc((u32)bytes);
    if (pixels.data == nullptr)
        OS_Fatal(BUFFER_FAILED, "void TileData::LoadFromTGA_24()");
    picture.ReadData_BGRA8888(pixels.data, size * 4, 1);

    const u8* pixel = pixels.data;
    for (s32 y = 0; y < size; ++y) {
        u16* row = (*_map)[y];
        for (s32 x = 0; x < size; ++x, pixel += 4)
            row[x] = (u16)(pixel[2] * 256 + pixel[1]);
    }
    picture.Close();
}

MOS_Map<u16>* MRT_TileData::CreateIndexMap() const
{
    const s32 size = GetSize();
    if (size == 0)
        OS_Fatal(GENERATE, "heightmap must be created before exportmap could be created.");
    MOS_Map<u16>* map = NewMap<u16>(GENERATE, "couldn't allocate exportmap (out of memory).");
    map->Reconstruct(size, size);
    memset(map->m_cells, 0xFF, (size_t)map->m_count * sizeof(u16));
    return map;
}

MOS_Map<u8>* MRT_TileData::CreateTriangulationMap() const
{
    const s32 size = GetSize();
    if (size == 0)
        OS_Fatal(GENERATE, "heightmap must be created before exportmap could be created.");
    MOS_Map<u8>* map = NewMap<u8>(GENERATE, "couldn't allocate exportmap (out of memory).");
    map->Reconstruct(size - 1, size - 1);
    memset(map->m_cells, 0, (size_t)map->m_count);
    return map;
}

void MRT_TileData::StoreD2(f32 _value, s32 _x, s32 _y, s32 _h)
{
    // Written so that NaN is refused too: it has no 16-bit fraction either.
    if (!(_value <= 1.0f))
        OS_Fatal("FC value bigger than 1.0 can not be stored.", "MRT_TileData::StoreD2");
    u8& high = (*d2Map)[_y - _h][_x];
    u8& low = (*d2Map)[_y][_x - _h];
    const f32 current = (f32)(high * 256 + low) / 65535.0f;
    if (current >= _value)
        return;
    s32 stored = (s32)std::rint(_value * 65536.0f);
    if (stored > 65535)
        stored = 65535;
    // 65536ths round to slightly less than the same number of 65535ths; step up until the
    // value reads back at least as large as requested.
    while ((f32)stored / 65535.0f < _value)
        ++stored;
    high = (u8)(stored >> 8);
    low = (u8)(stored & 0xFF);
}

void MRT_TileData::PropagateD2(s32 _x, s32 _y, s32 _s, s32 _px, s32 _py)
{
    const s32 size = GetSize();
    if (RestrictedQuadTree != 0 && (_px < 0 || _px >= size || _py < 0 || _py >= size))
        return;
    const f32 reach = 2.0f * MinimumResolution * (f32)_s * scale.x;
    const MAT_Vector3 offset((f32)_x * scale.x - (f32)_px * scale.x, (f32)_y * scale.y - (f32)_py * scale.y,
                             (f32)Sample(_x, _y) * scale.z - (f32)Sample(_px, _py) * scale.z);
    const f32 r = reach - offset.Length();
    if (r < 0.0f)
        OS_Fatal("l2 value must be greater or equal than 0.0", "MRT_TileData::PropagateD2");
    const f32 d = GetD2(_x, _y, _s / 2);
    if (TriangulationMode < 0 || TriangulationMode > 3)
        OS_Fatal("MRT_TileData::PropagateD2()", "TriangulationMode must be smaller or equal 3");
    // A flat node passes nothing on; skipping it also keeps r = 0 from turning 0 * inf into NaN.
    if (d == 0.0f)
        return;
    if (TriangulationMode <= 1) {
        const f32 factor = 0.5f * reach / r;
        StoreD2(d * (factor * factor), _px, _py, _s);
    } else {
        StoreD2(d * 0.5f * reach / r, _px, _py, _s);
    }
}

f32 MRT_TileData::GetD2(s32 _x, s32 _y, s32 _h) const
{
    const s32 high = (*d2Map)[_y - _h][_x];
    const s32 low = (*d2Map)[_y][_x - _h];
    return (f32)(high * 256 + low) / 65535.0f;
}
