// Terrain, plant and plankton rendering: content streamed into the renderer's own meshes.
#include "brisel_renderer.h"

#include <cstring>

#include "dsp_display.h"
#include "mat_angle.h"
#include "os_fatal.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "rep_clear.h"
#include "rep_sprite.h"
#include "rep_terrainprelit.h"
#include "sim_clock.h"

namespace
{

MAT_Matrix34 Identity()
{
    MAT_Matrix34 identity;
    identity.r.SetDiagonal(1.0f);
    return identity;
}

// Turn rate, sway rate, sway amplitude and size factor of the plankton layers: the nearer
// layers turn and sway faster, the last one holds the smaller particles.
struct PlanktonMotion
{
    f32 turnRate;
    f32 swayRate;
    f32 swayAmplitude;
    f32 sizeFactor;
};
const PlanktonMotion s_plankton[Brisel_Renderer::PLANKTON_LAYERS] = {
    {1.5707964f, 0.91f, 1.0f, 0.5f},  {1.0471976f, 0.81f, 1.2f, 0.5f}, {0.7853982f, 0.71f, 1.4f, 0.5f},
    {0.62831855f, 0.61f, 1.6f, 0.5f}, {0.5235988f, 0.51f, 1.8f, 0.2f},
};

}  // namespace

// ---- terrain ----

void Brisel_Renderer::Terrain_SetMaterial(s32 _index, const char* _name, f32 _scale)
{
    static const char* const CAPTION = "Brisel_Renderer::Terrain_SetMaterial()";
    if (_index < 0 || _index >= TERRAIN_MATERIALS)
        OS_Fatal(CAPTION, "index is out of range");
    const s32 id = Resources(CAPTION)->GetTextureNames()->RegisterTextureName(_name, TEXTURE_PRIORITY);
    m_terrainMaterial[_index] = id;
    m_terrainScale[_index] = _scale;
    // The pass draws three material layers and a detail texture over them.
    if (_index < REP_TerrainPrelit::LAYERS) {
        m_terrain->material[_index] = id;
        m_terrain->materialScale[_index] = _scale;
    } else {
        m_terrain->detailTexture = id;
        m_terrain->detailScale = _scale;
    }
}

void Brisel_Renderer::Terrain_SetLightmap(const char* _name)
{
    const s32 id = Resources("Brisel_Renderer::Terrain_SetLightmap()")
                       ->GetTextureNames()
                       ->RegisterTextureName(_name, TEXTURE_PRIORITY);
    m_terrainLightmap = id;
    m_terrain->lightMap = id;
}

s32 Brisel_Renderer::Terrain_CreateSelectors(const char* _folder, const f32 _tint0[3], const f32 _tint1[3],
                                             const f32 _tint2[3])
{
    return m_terrain->CreateAndUploadSelectors(_folder, FIRST_SELECTOR_TEXTURE, _tint0, _tint1, _tint2);
}

void Brisel_Renderer::Terrain_Triangulate(Brisel_TerrainTriangulation* _terrain, f32 _textureScale)
{
    static const char* const CAPTION = "Brisel_Renderer::Terrain_Triangulate()";
    DSP_Display* display = SITO_DISPLAY;
    const s32 vertexBuffer = m_terrainMesh->GetVertexBuffer();
    const s32 indexBuffer = m_terrainMesh->GetIndexBuffer();
    s32 written = 0;    // vertices
    s32 triangles = 0;  // triangles
    _terrain->BeginTriangulation();
    while (Brisel_TerrainTile* tile = _terrain->UpdateTriangulation()) {
        s32 n = 0;
        s32 m = 0;
        tile->BuildTileGeometry(m_terrainVertices, TERRAIN_VERTICES - written, m_terrainTriangles,
                                TERRAIN_TRIANGLES - triangles, &n, &m);
        const MAT_Vector3 origin = tile->GetOrigin();
        const MAT_Vector3 scale = tile->GetScale();
        if (n > 0) {
            if (written + n > TERRAIN_VERTICES)
                OS_Fatal(CAPTION, "terrain triangulation failed - vertex overflow");
            void* data = nullptr;
            display->VertexBuffer_Lock(vertexBuffer, written == 0 ? 1 : 2, &data, written, n);
            DSP_Vertex* out = (DSP_Vertex*)data;
            for (s32 i = 0; i < n; ++i) {
                const Brisel_TerrainVertex& in = m_terrainVertices[i];
                const f32 x = (f32)in.x;
                const f32 y = (f32)in.y;
                // A discard lock gives the range new storage, so normal and colour are written
                // with the position rather than left from the creation of the mesh.
                DSP_Vertex vertex;
                vertex.x = x * scale.x + origin.x;
                vertex.y = y * scale.y + origin.y;
                vertex.z = in.z * scale.z + origin.z;
                vertex.nz = 1.0f;
                vertex.color = 0xFFFFFFFFu;
                vertex.u = x * _textureScale;
                vertex.v = y * _textureScale;
                std::memcpy(&out[i], &vertex, sizeof(vertex));
            }
            display->VertexBuffer_Unlock(vertexBuffer);
        }
        if (m > 0) {
            if (triangles + m > TERRAIN_TRIANGLES)
                OS_Fatal(CAPTION, "terrain triangulation failed - index overflow");
            void* data = nullptr;
            display->IndexBuffer_Lock(indexBuffer, triangles == 0 ? 1 : 2, &data, triangles * 3, m * 3);
            u16* out = (u16*)data;
            for (s32 t = 0; t < m; ++t)
                for (s32 k = 0; k < 3; ++k)
                    *out++ = (u16)(m_terrainTriangles[t].vertex[k] + written);
            display->IndexBuffer_Unlock(indexBuffer);
        }
        written += n > 0 ? n : 0;
        triangles += m > 0 ? m : 0;
    }
    REB_Material& range = *m_terrainMesh->GetMaterial(0);
    range.firstVertex = 0;
    range.vertexCount = written;
    range.firstIndex = 0;
    range.indexCount = triangles * 3;
}

void Brisel_Renderer::Terrain_Render()
{
    m_lights->Clear();
    m_lights->SetAmbient(0.0f, 0.0f, 0.0f);
    m_transform.SetWorld(Identity());
    if (m_terrain->flags & REP_TERRAIN_PIXELSHADER)
        m_terrain->RenderTilePS(m_terrainMesh, m_transform, *m_lights);
    else
        m_terrain->RenderTile(m_terrainMesh, m_transform, *m_lights);
}

// ---- plants ----

Brisel_Renderer::PlantTile& Brisel_Renderer::CheckTile(s32 _tile, const char* _caption)
{
    if (_tile < 0 || _tile >= PLANT_TILES)
        OS_Fatal(_caption, "index out of range");
    return m_plantTiles[_tile];
}

void Brisel_Renderer::Plant_OpenTile(s32 _tile, const VEC_Material& _material)
{
    PlantTile& tile = CheckTile(_tile, "Plant_OpenTile()");
    REB_Material& range = *tile.mesh->GetMaterial(0);
    range.material = _material;
    range.firstVertex = range.vertexCount = 0;
    range.firstIndex = range.indexCount = 0;
    // Opening an open tile starts it again in the buffers it already holds locked.
    if (tile.open)
        return;
    void* vertices = nullptr;
    void* indices = nullptr;
    SITO_DISPLAY->VertexBuffer_Lock(tile.mesh->GetVertexBuffer(), 1, &vertices, 0, PLANT_TILE_VERTICES);
    SITO_DISPLAY->IndexBuffer_Lock(tile.mesh->GetIndexBuffer(), 1, &indices, 0, PLANT_TILE_INDICES);
    tile.vertices = (DSP_Vertex*)vertices;
    tile.indices = (u16*)indices;
    tile.open = 1;
}

void Brisel_Renderer::Plant_AddMesh(s32 _tile, const VEC_MeshPart& _part, const MAT_Matrix34& _world)
{
    static const char* const CAPTION = "Plant_AddMesh()";
    PlantTile& tile = CheckTile(_tile, CAPTION);
    if (!tile.open)
        OS_Fatal(CAPTION, "tile is not open");
    REB_Material& range = *tile.mesh->GetMaterial(0);
    const s32 first = range.vertexCount;
    if (first + _part.vertexCount > PLANT_TILE_VERTICES ||
        range.indexCount + _part.triangleCount * 3 > PLANT_TILE_INDICES)
        OS_Fatal(CAPTION, "tile overflow");

    u16* indices = tile.indices + range.indexCount;
    for (s32 t = 0; t < _part.triangleCount; ++t)
        for (s32 k = 0; k < 3; ++k)
            *indices++ = (u16)(_part.triangles[t].vertex[k] + first);
    range.indexCount += _part.triangleCount * 3;

    for (s32 i = 0; i < _part.vertexCount; ++i) {
        const DSP_Vertex& in = _part.vertices[i];
        const MAT_Vector3 position = _world.TransformPoint({in.x, in.y, in.z});
        const MAT_Vector3 normal = _world.RotateVector({in.nx, in.ny, in.nz});
        DSP_Vertex vertex;
        vertex.x = position.x;
        vertex.y = position.y;
        vertex.z = position.z;
        vertex.nx = normal.x;
        vertex.ny = normal.y;
        vertex.nz = normal.z;
        vertex.color = in.color;
        vertex.u = in.u;
        vertex.v = in.v;
        std::memcpy(&tile.vertices[first + i], &vertex, sizeof(vertex));
    }
    range.vertexCount += _part.vertexCount;
}

void Brisel_Renderer::Plant_CloseTile(s32 _tile)
{
    static const char* const CAPTION = "Plant_CloseTile()";
    PlantTile& tile = CheckTile(_tile, CAPTION);
    if (!tile.open)
        OS_Fatal(CAPTION, "buffers are not open");
    SITO_DISPLAY->VertexBuffer_Unlock(tile.mesh->GetVertexBuffer());
    SITO_DISPLAY->IndexBuffer_Unlock(tile.mesh->GetIndexBuffer());
    tile.vertices = nullptr;
    tile.indices = nullptr;
    tile.open = 0;
}

void Brisel_Renderer::DrawPlant(const REB_Mesh* _mesh, const MAT_Matrix34& _world, const u8 _color[4], f32 _fadeStart,
                                f32 _fadeEnd)
{
    m_lights->Clear();
    SetAmbientBytes(_color);
    m_transform.SetWorld(_world);
    m_plant->fadeStart = _fadeStart;
    m_plant->fadeEnd = _fadeEnd;
    m_plant->Render(_mesh, m_transform, *m_lights);
}

void Brisel_Renderer::Plant_DeactivateTile(s32 _tile, const MAT_Matrix34& _world, const u8 _color[4], f32 _fadeStart,
                                           f32 _fadeEnd)
{
    PlantTile& tile = CheckTile(_tile, "Plant_DeactivateTile()");
    DrawPlant(tile.mesh, _world, _color, _fadeStart, _fadeEnd);
}

void Brisel_Renderer::Plant_Render(const REB_Mesh* _mesh, const MAT_Matrix34& _world, const u8 _color[4],
                                   f32 _fadeStart, f32 _fadeEnd)
{
    if (_mesh == nullptr)
        return;
    DrawPlant(_mesh, _world, _color, _fadeStart, _fadeEnd);
}

// ---- plankton ----

void Brisel_Renderer::Plankton_Set(s32 _layer, const char* _name, const VEC_Material& _material, s32 _count,
                                   f32 _extent, f32 _minRadius, f32 _maxRadius, f32 _minAngle, f32 _maxAngle)
{
    static const char* const CAPTION = "Brisel_Renderer::Plankton_Set()";
    if (_layer < 0 || _layer >= PLANKTON_LAYERS)
        OS_Fatal(CAPTION, "index is out of range");
    const s32 id = Resources(CAPTION)->GetTextureNames()->RegisterTextureName(_name, TEXTURE_PRIORITY);
    VEC_Material material = _material;
    material.diffuseMap.textureId = (u32)id;
    VEC_MeshPart* part =
        REP_Sprite::GenerateField(material, _count, _extent, _minRadius, _maxRadius, _minAngle, _maxAngle);
    PlanktonLayer& layer = m_plankton[_layer];
    delete layer.mesh;
    layer.mesh = new REB_Mesh();
    layer.mesh->Reconstruct(part);
    layer.texture = id;
    delete part;
}

void Brisel_Renderer::Plankton_Render(f32 _fade)
{
    if (!GetPlanktonSwitch())
        return;
    u8 saved[PLANKTON_LAYERS] = {};
    for (s32 k = 0; k < PLANKTON_LAYERS; ++k) {
        REB_Mesh* mesh = m_plankton[k].mesh;
        if (mesh == nullptr || mesh->GetMaterialCount() < 1)
            continue;
        VEC_Map& map = mesh->GetMaterial(0)->material.diffuseMap;
        saved[k] = map.alpha;
        const s32 alpha = (s32)((f32)map.alpha * _fade);
        map.alpha = (u8)(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha);
    }
    m_lights->SetAmbient(1.0f, 1.0f, 1.0f);

    const f32 time = SIM_GetFrameClock().time;
    // Compared unsigned: a negative setting draws every layer, as any value of 5 or more does.
    const u32 layers = (u32)m_configuration.renderPlankton;
    for (s32 k = 0; k < PLANKTON_LAYERS; ++k) {
        if (layers < (u32)(k + 1) || m_plankton[k].mesh == nullptr)
            continue;
        const PlanktonMotion& motion = s_plankton[k];
        MAT_Angle angle;
        angle = motion.turnRate * time;
        f32 sine = 0.0f;
        f32 cosine = 0.0f;
        MAT_SinCos(motion.swayRate * time, sine, cosine);
        const f32 sway = motion.swayAmplitude * sine;
        m_sprite->Render(m_plankton[k].mesh, {sway, sway, sway}, angle, 1.0f, 1.0f, m_camera.GetRoll(),
                         motion.sizeFactor, m_transform, *m_lights);
    }

    for (s32 k = 0; k < PLANKTON_LAYERS; ++k) {
        REB_Mesh* mesh = m_plankton[k].mesh;
        if (mesh != nullptr && mesh->GetMaterialCount() >= 1)
            mesh->GetMaterial(0)->material.diffuseMap.alpha = saved[k];
    }
}
