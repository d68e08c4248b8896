#include "brisel_mesh.h"

#include <cmath>

#include "brisel_cache.h"
#include "con_cache.h"
#include "des_file.h"
#include "mto_patch.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "vec_mesh.h"

namespace
{

const char* const LOAD = "Brisel_Mesh::Load()";
const char* const CREATE_SHRAPNELS = "Brisel_Mesh::CreateShrapnels()";

// Longer than any name a table can load (folder and name together stop at 259 characters):
// a longer name is refused by the table as a missing file rather than cut short here.
const u32 NAME_BYTES = CON_MAX_PATH_CHARS + 2;

CON_Cache<VEC_Mesh>* GeometryTable()
{
    Brisel_Cache* cache = Brisel_TheCache;
    return cache != nullptr ? cache->GetMeshCache() : nullptr;
}

CON_Cache<REB_Mesh>* RenderTable()
{
    Brisel_Cache* cache = Brisel_TheCache;
    return cache != nullptr ? cache->GetRenderMeshCache() : nullptr;
}

// Loads ask for their tables: a visual cannot be built without the run's cache.
CON_Cache<VEC_Mesh>* RequireGeometryTable(const char* _where)
{
    CON_Cache<VEC_Mesh>* table = GeometryTable();
    if (table == nullptr)
        OS_Fatal(_where, "no resource cache");
    return table;
}

CON_Cache<REB_Mesh>* RequireRenderTable(const char* _where)
{
    CON_Cache<REB_Mesh>* table = RenderTable();
    if (table == nullptr)
        OS_Fatal(_where, "no resource cache");
    return table;
}

// The sort key of a piece: the integer part of its squared box diagonal. Kept as an f32
// truncated towards zero, which is that integer for every finite value without a conversion
// that could overflow; a NaN diagonal (a box of infinities) ranks below every real one.
f32 DiagonalKey(const VEC_Mesh& _piece)
{
    const f32 dx = _piece.boxMax.x - _piece.boxMin.x;
    const f32 dy = _piece.boxMax.y - _piece.boxMin.y;
    const f32 dz = _piece.boxMax.z - _piece.boxMin.z;
    const f32 squared = dx * dx + dy * dy + dz * dz;
    if (squared != squared)
        return -1.0f;
    return std::trunc(squared);
}

// The mean of every vertex position of every part (the origin for a piece without vertices).
MAT_Vector3 Centre(const VEC_Mesh& _piece)
{
    f32 x = 0.0f;
    f32 y = 0.0f;
    f32 z = 0.0f;
    s32 count = 0;
    for (s32 p = 0; p < _piece.partCount; ++p) {
        const VEC_MeshPart& part = _piece.parts[p];
        for (s32 v = 0; v < part.vertexCount; ++v) {
            x += part.vertices[v].x;
            y += part.vertices[v].y;
            z += part.vertices[v].z;
        }
        count += part.vertexCount;
    }
    if (count == 0)
        return MAT_Vector3();
    const f32 n = (f32)count;
    return MAT_Vector3(x / n, y / n, z / n);
}

void Subtract(MAT_Vector3& _point, const MAT_Vector3& _centre)
{
    _point.x -= _centre.x;
    _point.y -= _centre.y;
    _point.z -= _centre.z;
}

void Recentre(VEC_Mesh& _piece, const MAT_Vector3& _centre)
{
    for (s32 p = 0; p < _piece.partCount; ++p) {
        VEC_MeshPart& part = _piece.parts[p];
        for (s32 v = 0; v < part.vertexCount; ++v) {
            part.vertices[v].x -= _centre.x;
            part.vertices[v].y -= _centre.y;
            part.vertices[v].z -= _centre.z;
        }
        Subtract(part.boxMin, _centre);
        Subtract(part.boxMax, _centre);
    }
    Subtract(_piece.boxMin, _centre);
    Subtract(_piece.boxMax, _centre);
}

// The cut's pieces belong to whoever called CreateMeshes: all of them go with the patch,
// taken or not, however the building ends.
struct PatchPieces
{
    MTO_Patch patch;

    PatchPieces() = default;
    PatchPieces(const PatchPieces&) = delete;
    PatchPieces& operator=(const PatchPieces&) = delete;
    ~PatchPieces()
    {
        for (s32 i = 0; i < patch.m_meshCount; ++i) {
            delete patch.m_meshes[i];
            patch.m_meshes[i] = nullptr;
        }
        patch.m_meshCount = 0;
    }
};

}  // namespace

Brisel_Mesh::Brisel_Mesh() = default;

Brisel_Mesh::~Brisel_Mesh() { DeleteShrapnels(); }

u32 Brisel_Mesh::Load(const char* _path)
{
    CON_Cache<VEC_Mesh>* geometry = RequireGeometryTable(LOAD);
    CON_Cache<REB_Mesh>* render = RequireRenderTable(LOAD);

    DES_File file;
    DES_Section root;
    file.Open(&root, _path);

    DES_Section visual;
    if (!root.FindSection(&visual, "Visual"))
        DES_FatalSection("Brisel_Mesh::Load", "Visual", file.GetName());

    char level0[NAME_BYTES] = {};
    visual.GetString("M0", level0, sizeof(level0));
    visual.GetFloat("D0", &m_level0Distance);
    m_level0DistanceSquared = m_level0Distance * m_level0Distance;
    m_level0Mesh = render->Allocate(level0, 1);

    char level1[NAME_BYTES] = {};
    if (visual.HasEntry("M1")) {
        visual.GetString("M1", level1, sizeof(level1));
        visual.GetFloat("D1", &m_level1Distance);
        m_level1DistanceSquared = m_level1Distance * m_level1Distance;
        m_level1Mesh = render->Allocate(level1, 1);
    }

    // The coarsest level's file is also the body's geometry.
    if (m_level1Distance != FLT_MAX)
        m_geometry = geometry->Allocate(level1, 1);
    else if (m_level0Distance != FLT_MAX)
        m_geometry = geometry->Allocate(level0, 1);
    else
        OS_Fatal("Brisel_Mesh::Load() - at least one mesh has to be specified", _path);

    if (visual.HasEntry("CMesh")) {
        char collision[NAME_BYTES] = {};
        visual.GetString("CMesh", collision, sizeof(collision));
        m_collisionMesh = geometry->Allocate(collision, 1);
    }

    DES_Section shrapnel;
    if (root.FindSection(&shrapnel, "Shrapnel")) {
        char meshName[NAME_BYTES] = {};
        char topology[NAME_BYTES] = {};
        s32 count = 0;
        shrapnel.GetString("NameMesh", meshName, sizeof(meshName));
        shrapnel.GetString("NameTopology", topology, sizeof(topology));
        shrapnel.GetS32("ShrapnelCount", &count);
        CreateShrapnels(topology, meshName, count);
    }

    file.Close();
    return 1;
}

void Brisel_Mesh::CreateShrapnels(const char* _topologyPath, const char* _meshName, s32 _count)
{
    if (_count >= SHRAPNEL_COUNT_LIMIT)
        OS_Fatal(CREATE_SHRAPNELS, "shrapnel counter to big");
    // The check lets counts up to 127 through, but a visual has room for eight pieces: larger
    // counts keep the eight largest.
    const s32 wanted = _count < MAX_SHRAPNELS ? _count : MAX_SHRAPNELS;
    DeleteShrapnels();

    CON_Cache<VEC_Mesh>* geometry = RequireGeometryTable(CREATE_SHRAPNELS);
    PatchPieces pieces;
    const s32 source = geometry->Allocate(_meshName, 1);
    try {
        pieces.patch.Load(_topologyPath);
        if (const VEC_Mesh* mesh = geometry->Get(source))
            pieces.patch.CreateMeshes(*mesh, SHRAPNEL_TRIANGLES);
    } catch (const OS_FatalError&) {
        geometry->Release(source);
        throw;
    }
    geometry->Release(source);

    // The cut's order, or the largest first by selection sort (the first of equal keys wins
    // each place) over at most the first 128 pieces.
    const s32 n = pieces.patch.m_meshCount;
    VEC_Mesh* order[MTO_Patch::MAX_MESHES] = {};
    for (s32 i = 0; i < n; ++i)
        order[i] = pieces.patch.m_meshes[i];
    s32 taken = n;
    if (n > wanted) {
        const s32 considered = n < SHRAPNEL_COUNT_LIMIT ? n : SHRAPNEL_COUNT_LIMIT;
        f32 keys[SHRAPNEL_COUNT_LIMIT];
        for (s32 i = 0; i < considered; ++i)
            keys[i] = DiagonalKey(*order[i]);
        taken = wanted > 0 ? wanted : 0;
        // Only the places that are taken need sorting: a selection sort settles them in turn.
        for (s32 i = 0; i < taken; ++i) {
            s32 largest = i;
            for (s32 j = i + 1; j < considered; ++j)
                if (keys[j] > keys[largest])
                    largest = j;
            const f32 key = keys[i];
            keys[i] = keys[largest];
            keys[largest] = key;
            VEC_Mesh* piece = order[i];
            order[i] = order[largest];
            order[largest] = piece;
        }
    }

    for (s32 i = 0; i < taken; ++i) {
        VEC_Mesh& piece = *order[i];
        const MAT_Vector3 centre = Centre(piece);
        Recentre(piece, centre);
        // Owned before it is built, so a refused upload is deleted with the others.
        REB_Mesh* mesh = new REB_Mesh();
        m_shrapnelMeshes[i] = mesh;
        mesh->Reconstruct(&piece);
        m_shrapnelOffsets[i] = centre;
        m_shrapnelCount = i + 1;
    }
}

void Brisel_Mesh::Release()
{
    if (CON_Cache<VEC_Mesh>* geometry = GeometryTable()) {
        geometry->Release(m_geometry);
        geometry->Release(m_collisionMesh);
    }
    if (CON_Cache<REB_Mesh>* render = RenderTable()) {
        render->Release(m_level0Mesh);
        render->Release(m_level1Mesh);
    }
    m_geometry = 0;
    m_collisionMesh = 0;
    m_level0Mesh = 0;
    m_level1Mesh = 0;
    DeleteShrapnels();
}

void Brisel_Mesh::DeleteShrapnels()
{
    for (s32 i = 0; i < MAX_SHRAPNELS; ++i) {
        delete m_shrapnelMeshes[i];
        m_shrapnelMeshes[i] = nullptr;
        m_shrapnelOffsets[i] = MAT_Vector3();
    }
    m_shrapnelCount = 0;
}

VEC_Mesh* Brisel_Mesh::GetMesh() const
{
    CON_Cache<VEC_Mesh>* geometry = GeometryTable();
    return geometry != nullptr ? geometry->Get(m_geometry) : nullptr;
}

VEC_Mesh* Brisel_Mesh::GetCMesh() const
{
    CON_Cache<VEC_Mesh>* geometry = GeometryTable();
    return geometry != nullptr ? geometry->Get(m_collisionMesh) : nullptr;
}

REB_Mesh* Brisel_Mesh::Level(u32 _nearLevel) const
{
    CON_Cache<REB_Mesh>* render = RenderTable();
    if (render == nullptr)
        return nullptr;
    return render->Get(_nearLevel != 0 ? m_level0Mesh : m_level1Mesh);
}

// From D0 on the answer is the level 1 mesh, beyond D1 as well: the far level stays drawn
// rather than the body vanishing at its second distance.
REB_Mesh* Brisel_Mesh::GetMeshByDistance(f32 _distance) { return Level(_distance < m_level0Distance ? 1u : 0u); }

REB_Mesh* Brisel_Mesh::GetMeshBySquaredDistance(f32 _squaredDistance)
{
    return Level(_squaredDistance < m_level0DistanceSquared ? 1u : 0u);
}

REB_Mesh* Brisel_Mesh::GetRenderMesh(s32 _index) { return GetShrapnelMesh(_index); }

REB_Mesh* Brisel_Mesh::GetShrapnelMesh(s32 _index) const
{
    return _index >= 0 && _index < m_shrapnelCount ? m_shrapnelMeshes[_index] : nullptr;
}

MAT_Vector3 Brisel_Mesh::GetShrapnelOffset(s32 _index) const
{
    return _index >= 0 && _index < m_shrapnelCount ? m_shrapnelOffsets[_index] : MAT_Vector3();
}
