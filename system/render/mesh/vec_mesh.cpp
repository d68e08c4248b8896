// Mesh parts, smooth normals and the ".msh" loader.
#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "des_file.h"
#include "mat_sqrt.h"
#include "os_string.h"
#include "vec_mesh_local.h"

namespace
{
constexpr const char* WHERE = "VEC_Mesh::Load";
constexpr const char* CAPTION = "VEC_Mesh::Load()";
constexpr u32 WHITE = 0xFFFFFFFFu;
constexpr f32 UV_TOLERANCE = 0.01f;
constexpr u32 CACHE_WINDOW = 16;

// Grows a scratch array by doubling, so a count in the file that its entries do not back
// costs no more memory than the entries read before the missing one stops the load.
template <typename T>
void Grow(T*& _data, u32& _capacity, u32 _needed)
{
    if (_needed <= _capacity)
        return;
    u32 capacity = _capacity < 16 ? 16 : _capacity;
    while (capacity < _needed)
        capacity *= 2;
    if ((u64)capacity * sizeof(T) > 0x7FFFFFFFull)
        OS_Fatal(CAPTION, "out of memory");
    T* grown = (T*)MEM_AllocOrDie((u32)(capacity * sizeof(T)), CAPTION);
    for (u32 i = 0; i < _capacity; ++i)
        grown[i] = _data[i];
    for (u32 i = _capacity; i < capacity; ++i)
        new (&grown[i]) T();
    MEM_Free(_data);
    _data = grown;
    _capacity = capacity;
}

// What one load reads from the file, in temporary arrays freed however the load ends.
struct LoadScratch
{
    DSP_Vertex* vertices = nullptr;
    u32 vertexCapacity = 0;
    s32 vertexCount = 0;
    VEC_Triangle* triangles = nullptr;
    u32 triangleCapacity = 0;
    s32 triangleCount = 0;
    f32* cornerUV = nullptr;  // 6 per triangle
    u32 cornerCapacity = 0;
    bool unknownMaterial = false;  // a triangle names a material past the byte range
    ~LoadScratch()
    {
        MEM_Free(vertices);
        MEM_Free(triangles);
        MEM_Free(cornerUV);
    }
};

inline void Normalise(MAT_Vector3& _v, f32 _length2, u32 _fast)
{
    if (_length2 == 0.0f)
        return;
    const f32 scale = _fast ? MAT_FastInvSqrt(_length2) : 1.0f / std::sqrt(_length2);
    _v.x *= scale;
    _v.y *= scale;
    _v.z *= scale;
}
}  // namespace

void VEC_ComputeNormals(DSP_Vertex* _vertices, s32 _vertexCount, const VEC_Triangle* _triangles, s32 _triangleCount,
                        u32 _fast)
{
    for (s32 i = 0; i < _vertexCount; ++i)
        _vertices[i].nx = _vertices[i].ny = _vertices[i].nz = 0.0f;
    for (s32 t = 0; t < _triangleCount; ++t) {
        DSP_Vertex& a = _vertices[_triangles[t].vertex[0]];
        DSP_Vertex& b = _vertices[_triangles[t].vertex[1]];
        DSP_Vertex& c = _vertices[_triangles[t].vertex[2]];
        const MAT_Vector3 e2(c.x - a.x, c.y - a.y, c.z - a.z);
        const MAT_Vector3 e1(b.x - a.x, b.y - a.y, b.z - a.z);
        MAT_Vector3 n(e2.y * e1.z - e2.z * e1.y, e2.z * e1.x - e2.x * e1.z, e2.x * e1.y - e2.y * e1.x);
        const f32 length2 = n.x * n.x + n.y * n.y + n.z * n.z;
        // Slivers are added as they are: their tiny normal barely moves the sum either way.
        if (_fast || length2 > FLT_EPSILON)
            Normalise(n, length2, _fast);
        for (DSP_Vertex* v : {&a, &b, &c}) {
            v->nx += n.x;
            v->ny += n.y;
            v->nz += n.z;
        }
    }
    for (s32 i = 0; i < _vertexCount; ++i) {
        MAT_Vector3 n(_vertices[i].nx, _vertices[i].ny, _vertices[i].nz);
        Normalise(n, n.x * n.x + n.y * n.y + n.z * n.z, _fast);
        _vertices[i].nx = n.x;
        _vertices[i].ny = n.y;
        _vertices[i].nz = n.z;
    }
}

namespace
{
// Replaces an array whose capacity differs from the one asked for (the contents are not kept).
template <typename T>
void Reallocate(T** _array, s32* _capacity, s32 _wanted)
{
    if (_wanted == *_capacity)
        return;
    MEM_Free(*_array);
    *_array = nullptr;
    if (_wanted > 0) {
        VEC_Scratch<T> array((u64)_wanted);
        *_array = array.Release();
    }
    *_capacity = _wanted;
}
}  // namespace

VEC_MeshPart::~VEC_MeshPart() { Free(); }

void VEC_MeshPart::Allocate(s32 _vertices, s32 _triangles)
{
    if (_vertices < 0)
        _vertices = 0;
    if (_triangles < 0)
        _triangles = 0;
    Reallocate(&vertices, &vertexCapacity, _vertices);
    Reallocate(&triangles, &triangleCapacity, _triangles);
    vertexCount = 0;
    triangleCount = 0;
    for (s32 i = 0; i < vertexCapacity; ++i)
        vertices[i].color = WHITE;
    for (s32 i = 0; i < triangleCapacity; ++i) {
        triangles[i].material = 0;
        triangles[i].group = 0;
    }
}

void VEC_MeshPart::Free()
{
    MEM_Free(vertices);
    MEM_Free(triangles);
    vertices = nullptr;
    triangles = nullptr;
    vertexCount = vertexCapacity = 0;
    triangleCount = triangleCapacity = 0;
}

void VEC_MeshPart::ComputeNormals(u32 _fast)
{
    VEC_ComputeNormals(vertices, vertexCount, triangles, triangleCount, _fast);
}

void VEC_MeshPart::ComputeBoundingBox()
{
    if (vertexCount <= 0)
        return;
    boxMin.Set(vertices[0].x, vertices[0].y, vertices[0].z);
    boxMax = boxMin;
    for (s32 i = 1; i < vertexCount; ++i) {
        const DSP_Vertex& v = vertices[i];
        boxMin.Set(fminf(boxMin.x, v.x), fminf(boxMin.y, v.y), fminf(boxMin.z, v.z));
        boxMax.Set(fmaxf(boxMax.x, v.x), fmaxf(boxMax.y, v.y), fmaxf(boxMax.z, v.z));
    }
}

VEC_Mesh::~VEC_Mesh() { Free(); }

void VEC_Mesh::Allocate(s32 _count)
{
    if (_count < 0)
        _count = 0;
    if (_count != partCapacity) {
        delete[] parts;
        parts = _count > 0 ? new VEC_MeshPart[_count] : nullptr;
        partCapacity = _count;
    }
    partCount = 0;
}

void VEC_Mesh::Free()
{
    delete[] parts;
    parts = nullptr;
    partCapacity = 0;
    partCount = 0;
}

namespace
{
// The top-level section _name (fatal when missing) into _section, and the count its entry
// _countKey holds; a negative count reads as none.
s32 FindCountedSection(DES_Section* _root, const char* _name, const char* _countKey, const char* _path,
                       DES_Section* _section)
{
    if (!_root->FindSection(_section, _name))
        DES_FatalSection(WHERE, _name, _path);
    s32 count = 0;
    _section->GetS32(_countKey, &count);
    return count < 0 ? 0 : count;
}

// Vertices, each remembering its place in the file.
void LoadVertices(DES_Section* _root, const char* _path, LoadScratch* _scratch)
{
    DES_Section section;
    const s32 vertexCount = FindCountedSection(_root, "Vertex", "NumOfV", _path, &section);
    _scratch->vertexCount = vertexCount;
    for (s32 i = 0; i < vertexCount; ++i) {
        Grow(_scratch->vertices, _scratch->vertexCapacity, (u32)i + 1);
        char key[24];
        OS_SNPrintf(key, sizeof(key), "V%d", i);
        f32 xyz[3];
        section.GetVector3(key, xyz);
        DSP_Vertex& v = _scratch->vertices[i];
        v.x = xyz[0];
        v.y = xyz[1];
        v.z = xyz[2];
        VEC_SetVertexFileIndex(v, (u32)i);
    }
}

// Triangles and their corner coordinates; the vertices must be loaded.
void LoadTriangles(DES_Section* _root, const char* _path, LoadScratch* _scratch)
{
    DES_Section section;
    const s32 triangleCount = FindCountedSection(_root, "Polygon", "NumOfP", _path, &section);
    _scratch->triangleCount = triangleCount;
    const s32 vertexCount = _scratch->vertexCount;
    for (s32 t = 0; t < triangleCount; ++t) {
        Grow(_scratch->triangles, _scratch->triangleCapacity, (u32)t + 1);
        Grow(_scratch->cornerUV, _scratch->cornerCapacity, 6 * ((u32)t + 1));
        DES_Section triangleSection;
        if (!section.FindSectionIndexed(&triangleSection, "P", (u32)t))
            DES_FatalSectionIndexed(WHERE, "P", (u32)t, _path);
        // Read wide: a narrowed corner or material would pass the checks as another one.
        VEC_TriangleKeys keys;
        VEC_ReadTriangleKeys(&triangleSection, &keys);
        for (u32 c = 0; c < 3; ++c) {
            const s32 vertex = keys.vertex[c];
            if (vertex < 0 || vertex >= vertexCount)
                OS_Fatal(CAPTION, OS_Format("triangle %d uses vertex %d but there are %d vertices in file \"%s\"", t,
                                            vertex, vertexCount, _path));
            if (vertex > 0xFFFF)
                OS_Fatal(CAPTION, OS_Format("triangle %d uses vertex %d, past the 16-bit indices, in file \"%s\"", t,
                                            vertex, _path));
        }
        // Unknown to any file (at most 256 materials); reported with the other unknown ones.
        if (keys.material < 0 || keys.material >= (s32)VEC_MAX_MATERIALS) {
            _scratch->unknownMaterial = true;
            keys.material = 0;
        }
        _scratch->triangles[t] = VEC_TriangleFromKeys(keys);
        f32* uv = &_scratch->cornerUV[6 * t];
        if (triangleSection.HasEntry("P0")) {
            triangleSection.GetVector2("P0", uv);
            triangleSection.GetVector2("P1", uv + 2);
            triangleSection.GetVector2("P2", uv + 4);
        } else {
            for (u32 i = 0; i < 6; ++i)
                uv[i] = 0.0f;
        }
    }
}

// The order of the parts from the materials' optional "SortOrder" subsection; without one, the
// materials' own order.
void LoadSortOrder(DES_Section* _materials, s32 _materialCount, const char* _path, u8* _sortOrder)
{
    for (s32 p = 0; p < _materialCount; ++p)
        _sortOrder[p] = (u8)p;
    DES_Section sortSection;
    if (!_materials->FindSection(&sortSection, "SortOrder"))
        return;
    // Every material gets exactly one part: an entry out of range or named twice would
    // index past the materials or leave one of them undrawn.
    u8 named[VEC_MAX_MATERIALS] = {};
    for (s32 p = 0; p < _materialCount; ++p) {
        // Read wide: 300 must not pass as material 44.
        s32 material = 0;
        char key[24];
        OS_SNPrintf(key, sizeof(key), "M%d", p);
        sortSection.GetS32(key, &material);
        if (material < 0 || material >= _materialCount)
            OS_Fatal(CAPTION,
                     OS_Format("sort order entry %d names material %d but there are %d materials in file \"%s\"", p,
                               material, _materialCount, _path));
        if (named[material])
            OS_Fatal(CAPTION, OS_Format("sort order names material %d twice in file \"%s\"", material, _path));
        named[material] = 1;
        _sortOrder[p] = (u8)material;
    }
    char extra[24];
    OS_SNPrintf(extra, sizeof(extra), "M%d", _materialCount);
    if (sortSection.HasEntry(extra))
        OS_Fatal(CAPTION,
                 OS_Format("sort order has more entries than the %d materials in file \"%s\"", _materialCount, _path));
}

// Materials and the order of the parts; answers the number of materials (1 to 256).
s32 LoadMaterials(DES_Section* _root, const char* _path, VEC_Material* _materials, u8* _sortOrder)
{
    DES_Section section;
    const s32 materialCount = FindCountedSection(_root, "Material", "NumOfM", _path, &section);
    if (materialCount <= 0)
        OS_Fatal("VEC_Mesh::Load() - numofmaterials can not be 0", _path);
    if (materialCount > (s32)VEC_MAX_MATERIALS)
        OS_Fatal("VEC_Mesh::Load() - maximal number of materials in mesh exeeded (256)", _path);
    LoadSortOrder(&section, materialCount, _path, _sortOrder);
    for (s32 m = 0; m < materialCount; ++m) {
        DES_Section materialSection;
        if (!section.FindSectionIndexed(&materialSection, "M", (u32)m))
            DES_FatalSectionIndexed(WHERE, "M", (u32)m, _path);
        _materials[m].Parse(&materialSection);
    }
    return materialCount;
}

// The triangles of each material into _uses. A material no triangle uses would make an empty
// part, a triangle with an unknown one would be in none: both are fatal.
void CountMaterialUses(const LoadScratch& _scratch, s32 _materialCount, const char* _path, u32* _uses)
{
    bool unknown = _scratch.unknownMaterial;
    for (s32 t = 0; t < _scratch.triangleCount; ++t) {
        if (_scratch.triangles[t].material >= _materialCount)
            unknown = true;
        else
            ++_uses[_scratch.triangles[t].material];
    }
    for (s32 m = 0; m < _materialCount; ++m)
        unknown = unknown || _uses[m] == 0;
    if (unknown)
        OS_Fatal(VEC_UNKNOWN_MATERIAL_CAPTION, _path);
}

// One part: the _triangleCount triangles of material _materialIndex with the vertices they
// use, numbered in order of first use, then the steps that make it ready to draw. _partIndex
// is room for one index per vertex of the file.
void BuildPart(VEC_MeshPart* _part, const LoadScratch& _scratch, u8 _materialIndex, u32 _triangleCount,
               const VEC_Material& _material, u32* _partIndex, const char* _path)
{
    VEC_MeshPart& part = *_part;
    for (s32 i = 0; i < _scratch.vertexCount; ++i)
        _partIndex[i] = 0xFFFFFFFFu;
    s32 used = 0;
    for (s32 t = 0; t < _scratch.triangleCount; ++t)
        if (_scratch.triangles[t].material == _materialIndex)
            for (u32 c = 0; c < 3; ++c) {
                u32& index = _partIndex[_scratch.triangles[t].vertex[c]];
                if (index == 0xFFFFFFFFu)
                    index = (u32)used++;
            }
    part.Allocate(used, (s32)_triangleCount);
    part.material = _material;
    for (s32 i = 0; i < _scratch.vertexCount; ++i)
        if (_partIndex[i] != 0xFFFFFFFFu)
            part.vertices[_partIndex[i]] = _scratch.vertices[i];
    part.vertexCount = used;

    VEC_Scratch<f32> cornerUV(6 * (u64)_triangleCount);
    for (s32 t = 0; t < _scratch.triangleCount; ++t) {
        const VEC_Triangle& source = _scratch.triangles[t];
        if (source.material != _materialIndex)
            continue;
        VEC_Triangle& target = part.triangles[part.triangleCount];
        target = source;
        for (u32 c = 0; c < 3; ++c)
            target.vertex[c] = (u16)_partIndex[source.vertex[c]];
        for (u32 i = 0; i < 6; ++i)
            cornerUV[6 * (u64)part.triangleCount + i] = _scratch.cornerUV[6 * t + i];
        ++part.triangleCount;
    }

    VEC_RemoveDegenerates(&part, cornerUV.Data());
    VEC_RemoveUnusedVertices(&part);
    part.ComputeBoundingBox();
    for (s32 i = 0; i < part.vertexCount; ++i)
        part.vertices[i].color = WHITE;
    VEC_SplitByTexture(&part, cornerUV.Data(), UV_TOLERANCE, _path);
    VEC_ReorderForCache(&part, CACHE_WINDOW);
}
}  // namespace

u32 VEC_Mesh::Load(const char* _path)
{
    DES_File file;
    DES_Section root;
    file.Open(&root, _path);
    LoadScratch scratch;
    LoadVertices(&root, _path, &scratch);
    LoadTriangles(&root, _path, &scratch);
    VEC_Material materials[VEC_MAX_MATERIALS];
    u8 sortOrder[VEC_MAX_MATERIALS];
    const s32 materialCount = LoadMaterials(&root, _path, materials, sortOrder);

    // Normals over the whole mesh before any split, so they stay smooth across seams.
    VEC_ComputeNormals(scratch.vertices, scratch.vertexCount, scratch.triangles, scratch.triangleCount, 0);

    u32 uses[VEC_MAX_MATERIALS] = {};
    CountMaterialUses(scratch, materialCount, _path, uses);

    // Parts in the sort order, each with its own copy of the vertices it uses.
    Allocate(materialCount);
    partCount = materialCount;
    VEC_Scratch<u32> partIndex((u64)scratch.vertexCount);
    for (s32 p = 0; p < materialCount; ++p) {
        const u8 m = sortOrder[p];
        BuildPart(&parts[p], scratch, m, uses[m], materials[m], partIndex.Data(), _path);
    }

    boxMin = parts[0].boxMin;
    boxMax = parts[0].boxMax;
    for (s32 p = 1; p < partCount; ++p) {
        boxMin.Set(fminf(boxMin.x, parts[p].boxMin.x), fminf(boxMin.y, parts[p].boxMin.y),
                   fminf(boxMin.z, parts[p].boxMin.z));
        boxMax.Set(fmaxf(boxMax.x, parts[p].boxMax.x), fmaxf(boxMax.y, parts[p].boxMax.y),
                   fmaxf(boxMax.z, parts[p].boxMax.z));
    }
    return 1;
}
