#include "cos_collisionmesh.h"

#include "cos_obbs_local.h"
#include "des_file.h"
#include "os_fatal.h"
#include "os_string.h"

s32 COS_ReadCount(DES_Section* _section, const char* _key, u32 _elementSize)
{
    s32 count = 0;
    _section->GetS32(_key, &count);
    if (count < 0)
        COS_FatalTreeFile(_section, OS_Format("negative %s (%d)", _key, count));
    // Every counted item is at least one key of the parsed file, so a count above the file's
    // key capacity can only be a broken file; refusing it here keeps a few bytes of text from
    // asking for gigabytes.
    const DES_Tree* tree = _section->GetFile()->GetTree();
    const u64 capacity = tree != nullptr ? tree->used / DES_Node::ENTRY_HEADER : 0;
    if ((u64)count > capacity || (u64)count * _elementSize > 0x7FFFFFF0u)
        COS_FatalTreeFile(_section, OS_Format("count %s (%d) is too large", _key, count));
    return count;
}

void COS_FatalTreeFile(const DES_Section* _section, const char* _what)
{
    // _what may live in the shared format buffer: copy it before formatting again.
    char what[256];
    OS_StrCopyBounded(what, _what, sizeof(what));
    OS_Fatal(COS_TREE_FILE_ERROR, OS_Format("%s in file \"%s\"", what, _section->GetFile()->GetName()));
}

namespace
{
template <class T>
T* AllocArray(s32 _count)
{
    if (_count == 0)
        return nullptr;
    return (T*)MEM_AllocOrDie((u32)_count * (u32)sizeof(T), "COS_CollisionMesh::LoadFile");
}
}  // namespace

COS_CollisionMesh::~COS_CollisionMesh() { Free(); }

void COS_CollisionMesh::Free()
{
    MEM_Free(triangleList);
    MEM_Free(triangles);
    MEM_Free(vertices);
    triangleList = nullptr;
    triangles = nullptr;
    vertices = nullptr;
    triangleListCount = 0;
    triangleCount = 0;
    vertexCount = 0;
}

s32 COS_CollisionMesh::LoadFile(DES_Section* _section)
{
    Free();
    const char* fileName = _section->GetFile()->GetName();

    DES_Section indices;
    if (!_section->FindSection(&indices, "IndexSection"))
        DES_FatalSection("COS_CollisionMesh::LoadFile", "IndexSection", fileName);
    const s32 newTriangleCount = COS_ReadCount(&indices, "NumOfII", sizeof(COS_MeshTriangle));
    triangles = AllocArray<COS_MeshTriangle>(newTriangleCount);
    triangleCount = newTriangleCount;
    for (s32 i = 0; i < triangleCount; ++i) {
        COS_MeshTriangle& triangle = triangles[i];
        triangle = COS_MeshTriangle();
        s16 corner = 0;
        indices.GetS16Indexed("IIA", (u32)i, &corner);
        triangle.a = (u16)corner;
        indices.GetS16Indexed("IIB", (u32)i, &corner);
        triangle.b = (u16)corner;
        indices.GetS16Indexed("IIC", (u32)i, &corner);
        triangle.c = (u16)corner;
    }

    DES_Section vertexSection;
    if (!_section->FindSection(&vertexSection, "VertexSection"))
        DES_FatalSection("COS_CollisionMesh::LoadFile", "VertexSection", fileName);
    const s32 newVertexCount = COS_ReadCount(&vertexSection, "NumOfV", sizeof(MAT_Vector3));
    vertices = AllocArray<MAT_Vector3>(newVertexCount);
    vertexCount = newVertexCount;
    for (s32 i = 0; i < vertexCount; ++i) {
        f32 xyz[3] = {};
        vertexSection.GetVector3Indexed("V", (u32)i, xyz);
        vertices[i] = MAT_Vector3(xyz[0], xyz[1], xyz[2]);
    }

    const s32 newListCount = COS_ReadCount(_section, "NumOfT", sizeof(s32));
    triangleList = AllocArray<s32>(newListCount);
    triangleListCount = newListCount;
    for (s32 i = 0; i < triangleListCount; ++i) {
        s32 entry = 0;
        _section->GetS32Indexed("T", (u32)i, &entry);
        if (entry < 0 || entry >= triangleCount)
            COS_FatalTreeFile(_section, OS_Format("T%d names triangle %d of %d", i, entry, triangleCount));
        triangleList[i] = entry;
    }

    // The corners can only be checked once the vertices are known; the file lists them first.
    for (s32 i = 0; i < triangleCount; ++i) {
        COS_MeshTriangle& triangle = triangles[i];
        const u16 corners[3] = {triangle.a, triangle.b, triangle.c};
        for (u32 k = 0; k < 3; ++k)
            if ((s32)corners[k] >= vertexCount)
                COS_FatalTreeFile(_section, OS_Format("triangle %d has corner %u outside the %d vertices", i,
                                                      (u32)corners[k], vertexCount));
        MAT_Triangle plane;
        plane.Set(vertices[triangle.a], vertices[triangle.b], vertices[triangle.c]);
        triangle.normal = plane.m_normal;
        triangle.d = plane.m_d;
    }

    // Without vertices there is nothing to enclose: the zero box.
    box = MAT_AABox();
    if (vertexCount > 0) {
        box.m_min = vertices[0];
        box.m_max = vertices[0];
        for (s32 i = 1; i < vertexCount; ++i)
            box.Extend(vertices[i]);
    }
    return 1;
}

MAT_Triangle COS_CollisionMesh::GetTriangle(s32 _position) const
{
    const COS_MeshTriangle& source = triangles[triangleList[_position]];
    MAT_Triangle triangle;
    triangle.m_a = vertices[source.a];
    triangle.m_b = vertices[source.b];
    triangle.m_c = vertices[source.c];
    triangle.m_normal = source.normal;
    triangle.m_d = source.d;
    return triangle;
}
