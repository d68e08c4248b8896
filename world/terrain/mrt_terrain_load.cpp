// Loading the terrain set from its "terrain.des", and taking the view of a frame.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "des_file.h"
#include "mrt_terrain.h"
#include "os_fatal.h"

namespace
{
const char* const WHERE = "MRT_Terrain::LoadTerrain()";

enum : u32
{
    // A description string holds at most 65534 characters; the line buffer takes the longest
    // whole, so a row is never cut short into a line that reads differently.
    LINE_BYTES = 65536,
    // Long enough that a texture name of 64 characters or more arrives whole enough for the
    // tile type to refuse it, instead of being cut to 63 and passing.
    TEXTURE_BYTES = 256,
    HEIGHT_FIELD_BYTES = 1024
};

// The loader's scratch line, returned however the load ends.
class LineBuffer
{
public:
    LineBuffer() : m_text((char*)MEM_AllocOrDie(LINE_BYTES, WHERE)) {}
    ~LineBuffer() { MEM_Free(m_text); }
    LineBuffer(const LineBuffer&) = delete;
    LineBuffer& operator=(const LineBuffer&) = delete;
    char* Text() const { return m_text; }

private:
    char* m_text;
};

}  // namespace

void MRT_Terrain::ReleaseAll()
{
    Release();
    grid.Free();
    doneMap.Free();
    assignmentMap.Free();
    tilesLeft = 0;
    for (MRT_TileView& tileView : tileViews) {
        tileView.east = tileView.west = tileView.north = tileView.south = nullptr;
        tileView.heightField = nullptr;
        tileView.d2Map = nullptr;
        tileView.indexMap = nullptr;
        tileView.triangulationMap = nullptr;
        tileView.deltaHeights = nullptr;
    }
}

void MRT_Terrain::LoadTerrain(const char* _path)
{
    // An earlier load's grid, maps and views point into what is released here; they are all
    // rebuilt below.
    ReleaseAll();
    try {
        DES_File file;
        DES_Section root;
        file.Open(&root, _path);

        DES_Section parameter;
        DES_Section tile;
        DES_Section gridSection;
        if (!root.FindSection(&parameter, "Parameter"))
            OS_Fatal("no parameter section in terrain file found", WHERE);
        if (!root.FindSection(&tile, "Tile"))
            OS_Fatal("no tile section in terrain file found", WHERE);
        if (!root.FindSection(&gridSection, "Grid"))
            OS_Fatal("no grid section in terrain file found", WHERE);

        f32 xyz[3] = {};
        parameter.GetVector3("Offset", xyz);
        Offset = {xyz[0], xyz[1], xyz[2]};
        parameter.GetVector3("Scale", xyz);
        Scale = {xyz[0], xyz[1], xyz[2]};
        parameter.GetFloat("MinimumResolution", &MinimumResolution);
        parameter.GetFloat("MaximumD2", &MaximumD2);
        parameter.GetS32("RestrictedQuadTree", &RestrictedQuadTree);
        parameter.GetS32("TriangulationMode", &TriangulationMode);
        Scale.z *= 0.00390625f;
        // The extents divide by the sample steps and the grid cells must lie in ascending order;
        // NaN fails these tests too.
        if (!(Scale.x > 0.0f) || !(Scale.y > 0.0f))
            OS_Fatal("scale x and y in terrain file must be greater than 0.0", WHERE);

        s32 extraMaps = 0;
        s32 tileCount = 0;
        tile.GetS32("NumOfTriangulationMaps", &extraMaps);
        tile.GetS32("NumOfTiles", &tileCount);
        if (tileCount < 1)
            OS_Fatal("at least one valid tile is required for correct procesing", WHERE);
        if (extraMaps < 0)
            OS_Fatal("number of triangulation maps in terrain file must not be negative", WHERE);
        // One triangulation step holds the maps of the centre tile and its four neighbours.
        if ((s64)extraMaps + (s64)tileCount < 5)
            OS_Fatal("at least five triangulation maps (tiles plus extra maps) are required", WHERE);
        if ((s64)extraMaps + (s64)tileCount > 0x7FFFFFFF)
            OS_Fatal("too many triangulation maps in terrain file", WHERE);

        tileTypes = new MRT_TileData[tileCount];
        NumOfTiles = tileCount;

        char heightField[HEIGHT_FIELD_BYTES];
        char texture[TEXTURE_BYTES];
        for (s32 i = 0; i < NumOfTiles; ++i) {
            DES_Section tileSection;
            if (!tile.FindSectionIndexed(&tileSection, "Tile", (u32)i))
                OS_Fatal("no tile(x) section in terrain file found", WHERE);
            s32 type = 0;
            s32 transition = 0;
            tileSection.GetString("HeightField", heightField, sizeof(heightField));
            tileSection.GetS32("Type", &type);
            tileSection.GetS32("Transition", &transition);
            tileSection.GetString("Texture", texture, sizeof(texture));
            tileTypes[i].Generate(texture, heightField, type, transition, Scale, MinimumResolution, RestrictedQuadTree,
                                  TriangulationMode);
            // Every cell and the shared index map take tile type 0's size.
            if (tileTypes[i].GetSize() != tileTypes[0].GetSize())
                OS_Fatal("heightfield of tile(x) differs in size from tile 0", WHERE);
        }

        const s32 entries = extraMaps + NumOfTiles;
        mapPool = new (std::nothrow) MRT_TriangulationMap[entries];
        if (mapPool == nullptr)
            OS_Fatal("couldn't allocate triangulation map pool (out of memory).", WHERE);
        poolSize = entries;
        for (s32 i = 0; i < poolSize; ++i) {
            mapPool[i].nodeCount = -1;
            mapPool[i].map = i < NumOfTiles ? tileTypes[i].d2Map : tileTypes[0].CreateTriangulationMap();
        }

        s32 lines = 0;
        gridSection.GetS32("NumOfLines", &lines);
        grid.Reconstruct(lines, lines);
        for (s32 i = 0; i < grid.m_count; ++i)
            grid.m_cells[i] = nullptr;
        const LineBuffer buffer;
        char* const line = buffer.Text();
        for (s32 row = 0; row < lines; ++row) {
            gridSection.GetStringIndexed("Line", (u32)row, line, LINE_BYTES);
            // For every column after the first, the character behind the previous number is its
            // separator, whatever it is; the number starts right behind it.
            const char* next = line;
            for (s32 column = 0; column < lines; ++column) {
                if (*next == 0)
                    OS_Fatal("no enough number in grid data line.", WHERE);
                const char* start = column == 0 ? line : next + 1;
                char* end = nullptr;
                const long index = strtol(start, &end, 10);
                if (index < 0 || index >= NumOfTiles)
                    OS_Fatal("data in line out of defined tile numbers (0...n-1).", WHERE);
                grid[row][column] = &tileTypes[index];
                next = end;
            }
            if (*next != 0)
                OS_Fatal("grid data linestring not terminated properly (0).", WHERE);
        }

        assignmentMap.Reconstruct(lines, lines);
        for (s32 i = 0; i < assignmentMap.m_count; ++i)
            assignmentMap.m_cells[i] = nullptr;
        doneMap.Reconstruct(lines, lines);
        memset(doneMap.m_cells, 0, (size_t)doneMap.m_count);

        const s32 size = tileTypes[0].GetSize();
        extentX = (f32)(size - 1) * Scale.x;
        extentY = (f32)(size - 1) * Scale.y;
        inverseExtentX = 1.0f / extentX;
        inverseExtentY = 1.0f / extentY;
        inverseScaleZ = 1.0f / Scale.z;
        scaleZ = Scale.z;
        bounds[0] = Offset;
        bounds[1] = {Offset.x + (f32)lines * extentX, Offset.y + (f32)lines * extentY, Offset.z};

        indexMap = tileTypes[0].CreateIndexMap();

        tilesLeft = 0;
        for (MRT_TileView& tileView : tileViews) {
            tileView.east = tileView.west = tileView.north = tileView.south = nullptr;
            tileView.indexMap = indexMap;
            tileView.Init(Offset, Scale, MinimumResolution, TriangulationMode);
        }

        file.Close();
    } catch (const OS_FatalError&) {
        // A refused file leaves an empty terrain rather than half of one: nothing may point
        // into tile types or maps that are gone.
        ReleaseAll();
        throw;
    }
}

void MRT_Terrain::SetView(const MRT_Frustum& _view)
{
    view = _view;
    for (s32 k = 0; k < 6; ++k) {
        MRT_Plane& plane = view.planes[k];
        const f32 lengthSquared = plane.a * plane.a + plane.b * plane.b + plane.c * plane.c;
        if (lengthSquared != 0.0f) {
            const f32 inverseLength = 1.0f / sqrtf(lengthSquared);
            plane.a *= inverseLength;
            plane.b *= inverseLength;
            plane.c *= inverseLength;
        }
        MRT_PlaneExtent& extent = view.extents[k];
        extent.horizontal = fabsf(plane.b) * Scale.y + fabsf(plane.a) * Scale.x;
        extent.vertical = fabsf(plane.c) * Scale.z;
        view.wideExtents[k].horizontal = 3.0f * extent.horizontal;
        view.wideExtents[k].vertical = 3.0f * extent.vertical;
    }
    for (MRT_TileView& tileView : tileViews)
        tileView.view = view;
}
