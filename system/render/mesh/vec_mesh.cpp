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

// Owns the temporary arrays of one load, freed however the load ends.
struct LoadScratch
{
    DSP_Vertex* vertices = nullptr;
    u32 vertexCapacity = 0;
    VEC_Triangle* triangles = nullptr;
    u32 triangleCapacity = 0;
    f32* cornerUV = nullptr;  // 6 per triangle
    u32 cornerCapacity = 0;
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

void VEC_ComputeNormals(DSP_Vertex* _vertices, s32 _vertexCount, const VEC_Triangle* _triangles,
                        s32 _triangleCount, u32 _fast)
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

void VEC_MeshPart::ComputeNormals(u32 _fast) { VEC_ComputeNormals(vertices, vertexCount, triangles, triangleCount, _fast); }

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

u32 VEC_Mesh::Load(const char* _path)
{
    DES_File file;
    DES_Section root;
    file.Open(&root, _path);
    LoadScratch scratch;

    // Vertices, each remembering its place in the file.
    DES_Section section;
    if (!root.FindSection(&section, "Vertex"))
        DES_FatalSection(WHERE, "Vertex", _path);
    s32 vertexCount = 0;
    section.GetS32("NumOfV", &vertexCount);
    if (vertexCount < 0)
        vertexCount = 0;
    for (s32 i = 0; i < vertexCount; ++i) {
        Grow(scratch.vertices, scratch.vertexCapacity, (u32)i + 1);
        char key[24];
        OS_SNPrintf(key, sizeof(key), "V%d", i);
        f32 xyz[3];
        section.GetVector3(key, xyz);
        DSP_Vertex& v = scratch.vertices[i];
        v.x = xyz[0];
        v.y = xyz[1];
        v.z = xyz[2];
        VEC_SetVertexFileIndex(v, (u32)i);
    }

    // Triangles and their corner coordinates.
    if (!root.FindSection(&section, "Polygon"))
        DES_FatalSection(WHERE, "Polygon", _path);
    s32 triangleCount = 0;
    section.GetS32("NumOfP", &triangleCount);
    if (triangleCount < 0)
        triangleCount = 0;
    for (s32 t = 0; t < triangleCount; ++t) {
        Grow(scratch.triangles, scratch.triangleCapacity, (u32)t + 1);
        Grow(scratch.cornerUV, scratch.cornerCapacity, 6 * ((u32)t + 1));
        DES_Section triangleSection;
        if (!section.FindSectionIndexed(&triangleSection, "P", (u32)t))
            DES_FatalSectionIndexed(WHERE, "P", (u32)t, _path);
        VEC_Triangle& triangle = scratch.triangles[t];
        triangle.Load(&triangleSection);
        for (u32 c = 0; c < 3; ++c)
            if (triangle.vertex[c] >= vertexCount)
                OS_Fatal(CAPTION, OS_Format("triangle %d uses vertex %u but there are %d vertices in file \"%s\"", t,
                                            triangle.vertex[c], vertexCount, _path));
        f32* uv = &scratch.cornerUV[6 * t];
        if (triangleSection.HasEntry("P0")) {
            triangleSection.GetVector2("P0", uv);
            triangleSection.GetVector2("P1", uv + 2);
            triangleSection.GetVector2("P2", uv + 4);
        } else {
            for (u32 i = 0; i < 6; ++i)
                uv[i] = 0.0f;
        }
    }

    // Materials and the order of the parts.
    if (!root.FindSection(&section, "Material"))
        DES_FatalSection(WHERE, "Material", _path);
    s32 materialCount = 0;
    section.GetS32("NumOfM", &materialCount);
    if (materialCount <= 0)
        OS_Fatal("VEC_Mesh::Load() - numofmaterials can not be 0", _path);
    if (materialCount > (s32)VEC_MAX_MATERIALS)
        OS_Fatal("VEC_Mesh::Load() - maximal number of materials in mesh exeeded (256)", _path);
    u8 sortOrder[VEC_MAX_MATERIALS];
    for (s32 p = 0; p < materialCount; ++p)
        sortOrder[p] = (u8)p;
    DES_Section sortSection;
    if (section.FindSection(&sortSection, "SortOrder")) {
        // Every material gets exactly one part: an entry out of range or named twice would
        // index past the materials or leave one of them undrawn.
        u8 named[VEC_MAX_MATERIALS] = {};
        for (s32 p = 0; p < materialCount; ++p) {
            s8 entry = 0;
            char key[24];
            OS_SNPrintf(key, sizeof(key), "M%d", p);
            sortSection.GetS8(key, &entry);
            const u32 material = (u8)entry;
            if (material >= (u32)materialCount)
                OS_Fatal(CAPTION, OS_Format("sort order entry %d names material %u but there are %d materials in file \"%s\"",
                                            p, material, materialCount, _path));
            if (named[material])
                OS_Fatal(CAPTION, OS_Format("sort order names material %u twice in file \"%s\"", material, _path));
            named[material] = 1;
            sortOrder[p] = (u8)material;
        }
        char extra[24];
        OS_SNPrintf(extra, sizeof(extra), "M%d", materialCount);
        if (sortSection.HasEntry(extra))
            OS_Fatal(CAPTION, OS_Format("sort order has more entries than the %d materials in file \"%s\"", materialCount,
                                        _path));
    }
    VEC_Material materials[VEC_MAX_MATERIALS];
    for (s32 m = 0; m < materialCount; ++m) {
        DES_Section materialSection;
        if (!section.FindSectionIndexed(&materialSection, "M", (u32)m))
            DES_FatalSectionIndexed(WHERE, "M", (u32)m, _path);
        materials[m].Parse(&materialSection);
    }

    // Normals over the whole mesh before any split, so they stay smooth across seams.
    VEC_ComputeNormals(scratch.vertices, vertexCount, scratch.triangles, triangleCount, 0);

    u32 uses[VEC_MAX_MATERIALS] = {};
    bool unknown = false;
    for (s32 t = 0; t < triangleCount; ++t) {
        if (scratch.triangles[t].material >= materialCount)
            unknown = true;
        else
            ++uses[scratch.triangles[t].material];
    }
    for (s32 m = 0; m < materialCount; ++m)
        unknown = unknown || uses[m] == 0;
    if (unknown)
        OS_Fatal("VEC_Mesh::Load() - materials may not be referenced by triangles or triangles may reference unknown "
                 "materials",
                 _path);

    Allocate(materialCount);
    partCount = materialCount;
    VEC_Scratch<u32> partIndex((u64)vertexCount);
    for (s32 p = 0; p < materialCount; ++p) {
        const u8 m = sortOrder[p];
        VEC_MeshPart& part = parts[p];

        for (s32 i = 0; i < vertexCount; ++i)
            partIndex[i] = 0xFFFFFFFFu;
        s32 used = 0;
        for (s32 t = 0; t < triangleCount; ++t)
            if (scratch.triangles[t].material == m)
                for (u32 c = 0; c < 3; ++c) {
                    u32& index = partIndex[scratch.triangles[t].vertex[c]];
                    if (index == 0xFFFFFFFFu)
                        index = (u32)used++;
                }
        part.Allocate(used, (s32)uses[m]);
        part.material = materials[m];
        for (s32 i = 0; i < vertexCount; ++i)
            if (partIndex[i] != 0xFFFFFFFFu)
                part.vertices[partIndex[i]] = scratch.vertices[i];
        part.vertexCount = used;

        VEC_Scratch<f32> cornerUV(6 * (u64)uses[m]);
        for (s32 t = 0; t < triangleCount; ++t) {
            const VEC_Triangle& source = scratch.triangles[t];
            if (source.material != m)
                continue;
            VEC_Triangle& target = part.triangles[part.triangleCount];
            target = source;
            for (u32 c = 0; c < 3; ++c)
                target.vertex[c] = (u16)partIndex[source.vertex[c]];
            for (u32 i = 0; i < 6; ++i)
                cornerUV[6 * (u64)part.triangleCount + i] = scratch.cornerUV[6 * t + i];
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
