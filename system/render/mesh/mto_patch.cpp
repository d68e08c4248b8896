#include "mto_patch.h"

#include <cstdio>
#include <cstring>

#include "des_file.h"
#include "mat_geometry.h"
#include "os_fatal.h"
#include "vec_mesh.h"

namespace
{

const char* const LOAD_WHERE = "MTO_Patch::Load";
const u32 UNUSED = 0xFFFFFFFFu;

// Finds a record section and reads its record count. Every record is looked up before the
// caller sizes its array from the count, so a count far beyond the file's records stops at the
// first missing one instead of asking for gigabytes first.
s32 ReadRecordSection(DES_Section& _root, DES_Section* _section, const char* _name, const char* _countKey,
                      const char* _stem, const char* _illegalCount, const char* _file)
{
    if (!_root.FindSection(_section, _name))
        DES_FatalSection(LOAD_WHERE, _name, _file);
    s32 count = 0;
    _section->GetS32(_countKey, &count);
    if (count < 0)
        OS_Fatal(_illegalCount, _file);
    for (s32 i = 0; i < count; ++i) {
        DES_Section record;
        if (!_section->FindSectionIndexed(&record, _stem, (u32)i))
            DES_FatalSectionIndexed(LOAD_WHERE, _stem, (u32)i, _file);
    }
    return count;
}

}  // namespace

MTO_Patch::~MTO_Patch() { FreeRecords(); }

void MTO_Patch::FreeRecords()
{
    MEM_Free(m_triangles);
    m_triangles = nullptr;
    m_triangleCount = 0;
    MEM_Free(m_patches);
    m_patches = nullptr;
    m_patchCount = 0;
}

u32 MTO_Patch::Load(const char* _path)
{
    DES_File file;
    DES_Section root;
    file.Open(&root, _path);
    const char* name = file.GetName();
    snprintf(m_name, sizeof(m_name), "%s", name);

    DES_Section triangles;
    const s32 triangleCount = ReadRecordSection(root, &triangles, "Triangle", "NumOfT", "T",
                                                "MTO_Patch::Load() - illegal number of triangles", name);

    FreeRecords();
    if (triangleCount > 0)
        m_triangles = (MTO_PatchTriangle*)MEM_Alloc((u32)triangleCount * (u32)sizeof(MTO_PatchTriangle));
    for (s32 i = 0; i < triangleCount; ++i) {
        DES_Section section;
        triangles.FindSectionIndexed(&section, "T", (u32)i);
        MTO_PatchTriangle record;
        s8 byte = 0;
        section.GetS8("U", &byte);
        record.u = (u8)byte;
        // Part and triangle are read wide: narrowed first, a triangle of 65540 would name
        // triangle 4 and pass every later check.
        s32 part = 0;
        s32 triangle = 0;
        section.GetS32("B", &part);
        section.GetS32("T", &triangle);
        if (part < 0 || part > 255 || triangle < 0 || triangle > 65535)
            OS_Fatal("MTO_Patch::Load() - triangle record out of range", name);
        record.part = (u8)part;
        record.triangle = (u16)triangle;
        section.GetS32("N0", &record.n[0]);
        section.GetS32("N1", &record.n[1]);
        section.GetS32("N2", &record.n[2]);
        m_triangles[i] = record;
        m_triangleCount = i + 1;
    }

    DES_Section patches;
    const s32 patchCount = ReadRecordSection(root, &patches, "Patch", "NumOfP", "P",
                                             "MTO_Patch::Load() - illegal number of patches", name);

    if (patchCount > 0)
        m_patches = (MTO_PatchRecord*)MEM_Alloc((u32)patchCount * (u32)sizeof(MTO_PatchRecord));
    for (s32 j = 0; j < patchCount; ++j) {
        DES_Section section;
        patches.FindSectionIndexed(&section, "P", (u32)j);
        MTO_PatchRecord record;
        section.GetS32("T", &record.first);
        section.GetS32("N", &record.count);
        section.GetFloat("A", &record.a);
        section.GetVector3("V0", record.v0);
        section.GetVector3("V1", record.v1);
        // A patch is a run of triangle records: one reaching outside them would be read past
        // the array by CreateMeshes.
        if (record.first < 0 || record.count < 0 || (s64)record.first + record.count > (s64)m_triangleCount)
            OS_Fatal("MTO_Patch::Load() - patch references unknown triangle records", name);
        m_patches[j] = record;
        m_patchCount = j + 1;
    }

    file.Close();
    return 1;
}

void MTO_Patch::CreateMeshes(const VEC_Mesh& _source, s32 _maxTriangles)
{
    m_meshCount = 0;
    if (_maxTriangles < 1)
        _maxTriangles = 1;  // the callers pass a positive size; anything else would never end
    for (s32 p = 0; p < m_patchCount; ++p) {
        const MTO_PatchRecord& patch = m_patches[p];
        if (patch.count == 0)
            continue;
        s32 start = 0;
        s32 end = 0;
        do {
            end = patch.count - start > _maxTriangles ? start + _maxTriangles : patch.count;
            if (m_meshCount >= MAX_MESHES)
                OS_Fatal("MTO_Patch::CreateMeshes()", "mesh array overflow");
            m_meshes[m_meshCount] = BuildMesh(_source, m_triangles + patch.first + start, end - start);
            ++m_meshCount;
            start = end;
        } while (end != patch.count);
    }
}

VEC_Mesh* MTO_Patch::BuildMesh(const VEC_Mesh& _source, const MTO_PatchTriangle* _records, s32 _count) const
{
    // Refuse records naming what the source does not hold before anything is built.
    for (s32 r = 0; r < _count; ++r) {
        if (_records[r].part >= _source.partCount)
            OS_Fatal("MTO_Patch::BuildMesh() - triangle references unknown part", m_name);
        if (_records[r].triangle >= _source.parts[_records[r].part].triangleCount)
            OS_Fatal("MTO_Patch::BuildMesh() - triangle references unknown triangle", m_name);
        const VEC_MeshPart& from = _source.parts[_records[r].part];
        const VEC_Triangle& triangle = from.triangles[_records[r].triangle];
        for (s32 c = 0; c < 3; ++c)
            if (triangle.vertex[c] >= from.vertexCount)
                OS_Fatal("MTO_Patch::BuildMesh() - triangle references unknown vertex", m_name);
    }

    VEC_Mesh* mesh = new VEC_Mesh();
    mesh->Allocate(_source.partCapacity);
    mesh->partCount = _source.partCount;

    s32* capacity = nullptr;
    if (_source.partCount > 0) {
        capacity = (s32*)MEM_Alloc((u32)_source.partCount * (u32)sizeof(s32));
        std::memset(capacity, 0, (size_t)_source.partCount * sizeof(s32));
    }
    for (s32 r = 0; r < _count; ++r)
        ++capacity[_records[r].part];

    // One part's vertices are renumbered at a time: room for the largest part serves them all.
    s32 largestPart = 0;
    for (s32 p = 0; p < _source.partCount; ++p)
        if (_source.parts[p].vertexCount > largestPart)
            largestPart = _source.parts[p].vertexCount;
    u32* newIndex = largestPart > 0 ? (u32*)MEM_Alloc((u32)largestPart * (u32)sizeof(u32)) : nullptr;
    VEC_Triangle* picked = _count > 0 ? (VEC_Triangle*)MEM_Alloc((u32)_count * (u32)sizeof(VEC_Triangle)) : nullptr;

    for (s32 p = 0; p < _source.partCount; ++p) {
        const VEC_MeshPart& from = _source.parts[p];
        VEC_MeshPart& to = mesh->parts[p];
        to.material = from.material;

        // The part's triangles in record order, then their vertices in order of first use.
        s32 triangles = 0;
        for (s32 r = 0; r < _count; ++r)
            if (_records[r].part == p)
                picked[triangles++] = from.triangles[_records[r].triangle];
        for (s32 v = 0; v < from.vertexCount; ++v)
            newIndex[v] = UNUSED;
        s32 vertices = 0;
        for (s32 t = 0; t < triangles; ++t)
            for (s32 c = 0; c < 3; ++c) {
                const u32 old = picked[t].vertex[c];
                if (newIndex[old] == UNUSED)
                    newIndex[old] = (u32)vertices++;
            }

        to.Allocate(vertices, capacity[p]);
        for (s32 v = 0; v < from.vertexCount; ++v)
            if (newIndex[v] != UNUSED)
                to.vertices[newIndex[v]] = from.vertices[v];
        to.vertexCount = vertices;
        for (s32 t = 0; t < triangles; ++t) {
            VEC_Triangle triangle = picked[t];
            for (s32 c = 0; c < 3; ++c)
                triangle.vertex[c] = (u16)newIndex[triangle.vertex[c]];
            to.triangles[t] = triangle;
        }
        to.triangleCount = triangles;
    }
    MEM_Free(picked);
    MEM_Free(newIndex);
    MEM_Free(capacity);

    if (mesh->partCount == 0)
        return mesh;
    mesh->parts[0].ComputeBoundingBox();
    MAT_AABox box;
    box.m_min = mesh->parts[0].boxMin;
    box.m_max = mesh->parts[0].boxMax;
    for (s32 p = 1; p < mesh->partCount; ++p) {
        mesh->parts[p].ComputeBoundingBox();
        box.Extend(mesh->parts[p].boxMax);
        box.Extend(mesh->parts[p].boxMin);
    }
    mesh->boxMin = box.m_min;
    mesh->boxMax = box.m_max;
    return mesh;
}
