// Placement, baking and drawing of the plants of one ground cell.
#include "fx_plantcell.h"

#include <cfloat>
#include <cmath>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "mat_angle.h"
#include "mrt_terrain.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "vec_camera.h"
#include "vec_mesh.h"

namespace
{
constexpr f32 TWO_PI = 6.2831855f;
constexpr f32 FADE_NEAR = 48.0f;
constexpr f32 FADE_FAR = 32.0f;
constexpr f32 FADE_WIDTH = 32.0f;

// The ground height at (x, y); FLT_MAX where there is no ground or no terrain.
f32 GroundHeight(f32 _x, f32 _y)
{
    if (Brisel_TheSimulation == nullptr || Brisel_TheSimulation->terrainCell == nullptr)
        return FLT_MAX;
    const MRT_Terrain* terrain = Brisel_TheSimulation->terrainCell->terrain;
    return terrain != nullptr ? terrain->GetHeightAt(_x, _y) : FLT_MAX;
}

VEC_Mesh* TileMesh(s32 _handle)
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetMeshCache()->Get(_handle) : nullptr;
}

Brisel_Mesh* Visual(s32 _handle)
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetVisualCache()->Get(_handle) : nullptr;
}

// Level 0 of a body visual.
REB_Mesh* VisualLevel0(const Brisel_Mesh* _visual)
{
    if (_visual == nullptr || Brisel_TheCache == nullptr)
        return nullptr;
    return Brisel_TheCache->GetRenderMeshCache()->Get(_visual->GetLevel0Handle());
}

MAT_Matrix34 Identity()
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    return frame;
}
}  // namespace

s32 FX_PlantCell::FirstEntry(s32 _tableSize) const
{
    const s32 k0 = ((s32)m_row * 7 + (s32)m_column * 3 + m_mesh * 17) % _tableSize;
    return k0 < 0 ? k0 + _tableSize : k0;
}

u32 FX_PlantCell::IsGrounded(s32 _index) const { return m_heights[_index] != FLT_MAX ? 1u : 0u; }

MAT_Matrix34 FX_PlantCell::GetPlantTransform(s32 _index, const f32* _table, s32 _tableSize) const
{
    f32 r[6];
    const s32 first = FirstEntry(_tableSize) + _index * 6;
    for (s32 i = 0; i < 6; ++i)
        r[i] = _table[(first + i) % _tableSize];
    const f32 x = r[0] * m_sizeX + m_originX;
    const f32 y = r[1] * m_sizeY + m_originY;
    const f32 angle = MAT_WrapAngle(r[2] * TWO_PI);
    const f32 sx = r[3] * m_scaleXRange + m_scaleXMin;
    const f32 sy = r[4] * m_scaleYRange + m_scaleYMin;
    const f32 sz = r[5] * m_scaleZRange + m_scaleZMin;
    f32 sine = 0.0f;
    f32 cosine = 0.0f;
    MAT_SinCos(angle, sine, cosine);
    MAT_Matrix34 transform;
    transform.SetFromVectors({x, y, m_heights[_index]}, {cosine * sx, sine * sx, 0.0f}, {-sine * sy, cosine * sy, 0.0f},
                             {0.0f, 0.0f, sz});
    return transform;
}

void FX_PlantCell::Init(const FX_PlantCellSetup& _setup, const f32* _table, s32 _tableSize, s32 _tile)
{
    m_mesh = _setup.mesh;
    m_tile = _tile;
    m_column = (u8)_setup.column;
    m_row = (u8)_setup.row;
    m_originX = (f32)(_setup.column * CELL_SIZE);
    m_originY = (f32)(_setup.row * CELL_SIZE);
    m_sizeX = (f32)CELL_SIZE;
    m_sizeY = (f32)CELL_SIZE;
    const s32 divisor = _setup.divisor < 1 ? 1 : _setup.divisor;
    m_plantCount = (u8)((s32)(_setup.pixel >> 24) / divisor);
    m_color[0] = (u8)(_setup.pixel >> 16);
    m_color[1] = (u8)(_setup.pixel >> 8);
    m_color[2] = (u8)_setup.pixel;
    m_scaleXMin = _setup.minX;
    m_scaleXRange = _setup.maxX - _setup.minX;
    m_scaleYMin = _setup.minY;
    m_scaleYRange = _setup.maxY - _setup.minY;
    m_scaleZMin = _setup.minZ;
    m_scaleZRange = _setup.maxZ - _setup.minZ;

    // Ground heights; the plants without ground stay out of the box.
    f32 lowest = FLT_MAX;
    f32 highest = -FLT_MAX;
    MAT_Vector3 largest{FLT_MIN, FLT_MIN, FLT_MIN};
    m_groundedCount = 0;
    const s32 first = FirstEntry(_tableSize);
    for (s32 j = 0; j < m_plantCount; ++j) {
        const s32 k = first + j * 6;
        const f32 x = _table[k % _tableSize] * m_sizeX + m_originX;
        const f32 y = _table[(k + 1) % _tableSize] * m_sizeY + m_originY;
        const f32 height = GroundHeight(x, y);
        m_heights[j] = height;
        if (height == FLT_MAX)
            continue;
        ++m_groundedCount;
        lowest = height < lowest ? height : lowest;
        highest = height > highest ? height : highest;
        const f32 sx = _table[(k + 3) % _tableSize] * m_scaleXRange + m_scaleXMin;
        const f32 sy = _table[(k + 4) % _tableSize] * m_scaleYRange + m_scaleYMin;
        const f32 sz = _table[(k + 5) % _tableSize] * m_scaleZRange + m_scaleZMin;
        largest.x = sx > largest.x ? sx : largest.x;
        largest.y = sy > largest.y ? sy : largest.y;
        largest.z = sz > largest.z ? sz : largest.z;
    }
    if (m_groundedCount == 0)
        lowest = highest = 0.0f;

    MAT_Vector3 meshMin;
    MAT_Vector3 meshMax;
    if (m_tile >= 0) {
        if (const VEC_Mesh* mesh = TileMesh(m_mesh)) {
            meshMin = mesh->boxMin;
            meshMax = mesh->boxMax;
        }
    } else if (const REB_Mesh* mesh = VisualLevel0(Visual(m_mesh))) {
        meshMin = mesh->boxMin;
        meshMax = mesh->boxMax;
    }
    m_bounds.m_min = {m_originX + meshMin.x * largest.x, m_originY + meshMin.y * largest.y,
                      lowest + meshMin.z * largest.z};
    m_bounds.m_max = {m_originX + m_sizeX + meshMax.x * largest.x, m_originY + m_sizeY + meshMax.y * largest.y,
                      highest + meshMax.z * largest.z};

    if (m_tile >= 0)
        BuildTile(_table, _tableSize);
}

void FX_PlantCell::BuildTile(const f32* _table, s32 _tableSize)
{
    m_tilePlants = 0;
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    const VEC_Mesh* mesh = TileMesh(m_mesh);
    if (m_groundedCount == 0 || m_tile < 0 || renderer == nullptr || mesh == nullptr || mesh->partCount < 1)
        return;
    // The whole plant mesh, every part, goes in under the first part's material.
    s32 meshVertices = 0;
    s32 meshIndices = 0;
    for (s32 p = 0; p < mesh->partCount; ++p) {
        meshVertices += mesh->parts[p].vertexCount;
        meshIndices += mesh->parts[p].triangleCount * 3;
    }
    renderer->Plant_OpenTile(m_tile, mesh->parts[0].material);
    s32 vertices = 0;
    s32 indices = 0;
    for (s32 j = 0; j < m_plantCount; ++j) {
        if (!IsGrounded(j))
            continue;
        if (vertices + meshVertices > Brisel_Renderer::PLANT_TILE_VERTICES ||
            indices + meshIndices > Brisel_Renderer::PLANT_TILE_INDICES) {
            OS_Log(OS_Format("FX_PlantCell::BuildTile() - tile %d full: %d of %d plants of cell (%d, %d) placed",
                             m_tile, m_tilePlants, m_groundedCount, (s32)m_column, (s32)m_row));
            break;
        }
        const MAT_Matrix34 transform = GetPlantTransform(j, _table, _tableSize);
        for (s32 p = 0; p < mesh->partCount; ++p)
            renderer->Plant_AddMesh(m_tile, mesh->parts[p], transform);
        vertices += meshVertices;
        indices += meshIndices;
        ++m_tilePlants;
    }
    renderer->Plant_CloseTile(m_tile);
}

void FX_PlantCell::Render(f32 _maxDistance, const f32* _table, s32 _tableSize)
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr || m_plantCount == 0 || m_groundedCount == 0)
        return;
    const VEC_Camera& camera = renderer->GetCamera();
    if (camera.TestBox(m_bounds) == 1)
        return;
    // The renderer takes colours as the bytes blue, green, red, alpha.
    const u8 color[4] = {m_color[2], m_color[1], m_color[0], 255};
    const f32 fadeNear = _maxDistance - FADE_NEAR;
    const f32 fadeFar = _maxDistance + FADE_FAR;

    if (m_tile >= 0) {
        // The display keeps its buffers (a lost device is never restored here), so the baked
        // tile is drawn as it stands.
        renderer->Plant_DeactivateTile(m_tile, Identity(), color, fadeNear, fadeFar);
        return;
    }

    Brisel_Mesh* visual = Visual(m_mesh);
    if (visual == nullptr)
        return;
    const MAT_Vector3 eye = camera.GetWorldTransform().t;
    const f32 maxSquared = _maxDistance * _maxDistance;
    const f32 solid = _maxDistance - FADE_WIDTH;
    for (s32 j = 0; j < m_plantCount; ++j) {
        if (!IsGrounded(j))
            continue;
        const MAT_Matrix34 transform = GetPlantTransform(j, _table, _tableSize);
        const MAT_Vector3 offset = transform.t - eye;
        const f32 squared = offset.x * offset.x + offset.y * offset.y + offset.z * offset.z;
        REB_Mesh* mesh = visual->GetMeshBySquaredDistance(squared);
        if (mesh == nullptr || !(squared < maxSquared))
            continue;
        f32 fade = 1.0f;
        if (!(squared < solid * solid)) {
            fade = (_maxDistance - std::sqrt(squared)) / FADE_WIDTH;
            fade = fade > 1.0f ? 1.0f : fade;
        }
        const u8 alpha = (u8)(s32)(fade * 255.0f);
        for (s32 m = 0; m < mesh->GetMaterialCount(); ++m)
            mesh->GetMaterial(m)->material.diffuseMap.alpha = alpha;
        renderer->Plant_Render(mesh, transform, color, fadeNear, fadeFar);
    }
}
