// The frame: construction, the display side, textures, the body buckets, fog and statistics.
#include "brisel_renderer.h"

#include <cfloat>
#include <cstring>

#include "dsp_display.h"
#include "dsp_texture.h"
#include "fx_textureset.h"
#include "mat_geometry.h"
#include "mat_round.h"
#include "mat_sqrt.h"
#include "nod_node.h"
#include "os_clock.h"
#include "os_commandline.h"
#include "os_fatal.h"
#include "os_string.h"
#include "reb_lightset.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "rem_foglayer.h"
#include "rep_clear.h"
#include "rep_constants.h"
#include "rep_object.h"
#include "rep_sprite.h"
#include "rep_terrainprelit.h"
#include "sim_clock.h"

namespace
{

Brisel_Renderer* s_instance = nullptr;
u32 s_planktonSwitch = 1;

const char* const CAUSTIC_SET = "caustic\\caustic.tse";
const char* const TEXTURE_FOLDER = "vfx\\tex\\";

// c0 = zeros and c1 = ones are what every program takes them to be; they go up again after
// each pass is created.
void UploadSharedConstants()
{
    REP_SetConstantZero(0);
    REP_SetConstantOne(1);
}

// A new pass with its shaders, and the shared registers uploaded again after it.
template <typename T>
T* CreatePass()
{
    T* pass = new T();
    pass->Create();
    UploadSharedConstants();
    return pass;
}

template <typename T>
void DeletePass(T*& _pass, u32 _withDevice)
{
    if (_pass == nullptr)
        return;
    if (_withDevice)
        _pass->Release();
    delete _pass;
    _pass = nullptr;
}

template <typename T>
void DeleteObject(T*& _object)
{
    delete _object;
    _object = nullptr;
}

// Binds every name of a registry to its id, behind _folder.
void BindRegistry(REB_TextureCache& _registry, const char* _folder)
{
    _registry.Rewind();
    const char* name = nullptr;
    s32 id = -1;
    while (_registry.Next(&name, &id)) {
        char path[260 + REB_TEXTURE_NAME_BYTES];
        OS_SNPrintf(path, sizeof(path), "%s%s", _folder, name);
        SITO_DISPLAY->RequestTexture(id, path);
    }
}

template <typename PASS>
void SetFogValues(PASS* _pass, f32 _factor, f32 _density)
{
    _pass->fogFactor = _factor;
    _pass->fogDensity = _density;
}

}  // namespace

Brisel_Renderer::Brisel_Renderer() : m_cameraPath("/camera"), m_consolePath("/console"), m_hudPath("/hud")
{
    ResetStatistics();
    m_depthHeads = (DepthNode**)MEM_AllocOrDie((u32)(DEPTH_LISTS * sizeof(DepthNode*)), "Brisel_Renderer()");
    std::memset(m_depthHeads, 0, DEPTH_LISTS * sizeof(DepthNode*));
    m_depthPool = (DepthNode*)MEM_AllocOrDie((u32)(DEPTH_NODES * sizeof(DepthNode)), "Brisel_Renderer()");
    std::memset((void*)m_depthPool, 0, DEPTH_NODES * sizeof(DepthNode));
    if (!m_fonts[0].Open("gfx\\font\\font1.tga") || !m_fonts[1].Open("gfx\\font\\font2.tga"))
        OS_Log("Brisel_Renderer::Brisel_Renderer(): no free font entry");
    m_drawLogos = OS_HasSwitch("-nologo") ? 0 : 1;
    s_instance = this;
}

Brisel_Renderer::~Brisel_Renderer()
{
    ReleaseScene();
    m_fonts[0].Close();
    m_fonts[1].Close();
    MEM_Free(m_depthPool);
    MEM_Free(m_depthHeads);
    m_depthPool = nullptr;
    m_depthHeads = nullptr;
    Brisel_ResourceTables* resources = Brisel_Scene::GetResources();
    if (m_causticHandle != 0 && resources != nullptr)
        resources->ReleaseTextureSet(m_causticHandle);
    m_causticHandle = 0;
    m_fogMap.Free();
    DeleteObject(m_fogLayer);
    if (s_instance == this)
        s_instance = nullptr;
}

Brisel_Renderer* Brisel_Renderer::Get() { return s_instance; }

void Brisel_Renderer::SetPlanktonSwitch(u32 _on) { s_planktonSwitch = _on; }

u32 Brisel_Renderer::GetPlanktonSwitch() { return s_planktonSwitch; }

Brisel_ResourceTables* Brisel_Renderer::Resources(const char* _caption) const
{
    Brisel_ResourceTables* resources = Brisel_Scene::GetResources();
    if (resources == nullptr)
        OS_Fatal(_caption, "no resource cache");
    return resources;
}

// ---- the display side ----

void Brisel_Renderer::CreateDisplay()
{
    static const char* const CAPTION = "Brisel_Renderer::CreateDisplay()";
    if (SITO_DISPLAY == nullptr)
        OS_Fatal(CAPTION, "no display");
    ReadConfiguration("ini\\display.des");
    SITO_DISPLAY->GetMode(&m_configuration.width, &m_configuration.height, &m_configuration.depth);
    SITO_DISPLAY->SetTextureCacheSize(TEXTURE_TABLE_SIZE);
    InitScene();

    if (m_fogLayer == nullptr)
        m_fogLayer = new REM_FogLayer();
    m_fogMap.Reconstruct(FOG_MAP_SIZE, FOG_MAP_SIZE);
    std::memset(m_fogMap.m_cells, 0, (size_t)m_fogMap.m_count * sizeof(u32));
    m_fogIndex = 0;
    m_fogFactor = 0.5f;
    m_fogSecond = 0.0f;
    // Render refreshes a fog texture every frame, also before any LoadTextures.
    CreateFogTextures(CAPTION);
    HandFogTextures(FIRST_FOG_TEXTURE, FIRST_FOG_TEXTURE + 1);
    m_clear->fogDensity = 0.0f;
    SetFogValues(m_terrain, m_fogFactor, m_fogSecond);
    SetFogValues(m_object, m_fogFactor, m_fogSecond);
    SetFogValues(m_objectPrelit, m_fogFactor, m_fogSecond);
    m_terrain->flags |= REP_TERRAIN_DETAIL | REP_TERRAIN_LIGHTMAP | REP_TERRAIN_FOG;
    m_object->flags |= REP_OBJECT_BUMP;
    m_objectPrelit->flags |= REP_OBJECT_BUMP;
    m_causticTerrain = CausticPair();
    m_causticObject = CausticPair();
    m_causticBuilding = CausticPair();

    // A second CreateDisplay keeps one reference, not two.
    Brisel_ResourceTables* resources = Resources(CAPTION);
    const s32 caustic = resources->AllocateTextureSet(CAUSTIC_SET);
    if (m_causticHandle != 0)
        resources->ReleaseTextureSet(m_causticHandle);
    m_causticHandle = caustic;
    UpdateCaustics(SIM_GetFrameClock().time);

    if (m_pixelShaders) {
        s32 major = 0;
        s32 minor = 0;
        SITO_DISPLAY->GetPixelShaderVersion(&major, &minor);
        if (major >= 1) {
            m_terrain->flags |= REP_TERRAIN_PIXELSHADER;
            m_object->flags |= REP_OBJECT_PIXELSHADER;
        }
    }

    for (s32& logo : m_logos)
        logo = -1;
    m_lightMeshTextureFolder[0] = '\0';
    m_renderFlags = FLAG_FOG | FLAG_TERRAIN;

    SITO_DISPLAY->RequestTexture(LOADING_TEXTURE, "vfx\\tex\\menu\\menu_loading");
    SITO_DISPLAY->Texture_ReloadTextures(LOADING_TEXTURE, LOADING_TEXTURE, 0x100000, m_configuration.useMipMap,
                                         m_configuration.useCompressedTextures);
}

REB_Mesh* Brisel_Renderer::CreateQuad(u32 _overlay)
{
    struct Corner
    {
        f32 x, z, u, v;
    };
    // Billboards and particles are seen from behind the x-z plane, overlays from the front:
    // their texture runs the other way round.
    static const Corner s_facing[4] = {
        {-0.5f, -0.5f, 0.0f, 0.0f}, {-0.5f, 0.5f, 0.0f, 1.0f}, {0.5f, 0.5f, 1.0f, 1.0f}, {0.5f, -0.5f, 1.0f, 0.0f}};
    static const Corner s_overlay[4] = {
        {-0.5f, -0.5f, 0.0f, 1.0f}, {0.5f, -0.5f, 1.0f, 1.0f}, {0.5f, 0.5f, 1.0f, 0.0f}, {-0.5f, 0.5f, 0.0f, 0.0f}};
    const Corner* corners = _overlay ? s_overlay : s_facing;

    VEC_MeshPart part;
    part.Allocate(4, 2);
    for (s32 i = 0; i < 4; ++i) {
        DSP_Vertex& vertex = part.vertices[i];
        vertex.x = corners[i].x;
        vertex.y = 0.0f;
        vertex.z = corners[i].z;
        vertex.u = corners[i].u;
        vertex.v = corners[i].v;
    }
    const u16 triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (s32 t = 0; t < 2; ++t)
        for (s32 k = 0; k < 3; ++k)
            part.triangles[t].vertex[k] = triangles[t][k];
    part.vertexCount = 4;
    part.triangleCount = 2;
    part.ComputeNormals(0);
    part.material.diffuseMap.blendMode = 1;
    part.material.diffuseMap.flags &= (u8)~VEC_MAP_DEPTHBUFFERED;
    REB_Mesh* mesh = new REB_Mesh();
    mesh->Reconstruct(&part);
    return mesh;
}

void Brisel_Renderer::InitScene()
{
    // A second CreateDisplay builds the scene anew rather than leaking the first.
    ReleaseScene();

    m_lights = new REB_LightSet();

    m_clear = CreatePass<REP_Clear>();

    m_sky = new REB_Mesh();
    m_sky->LoadFromFile("vfx\\msh\\sky03.msh");

    m_billboard = CreatePass<REP_Billboard>();
    m_billboardQuad = CreateQuad(0);

    m_object = CreatePass<REP_Object>();
    m_object->flags &= ~(u32)(0x2 | REP_OBJECT_PIXELSHADER);
    m_object->flags |= REP_OBJECT_BUMP;
    REP_SetConstantSplat(20, 0.5f);

    m_objectPrelit = CreatePass<REP_ObjectPrelit>();
    m_objectPrelit->flags &= ~(u32)(0x2 | REP_OBJECT_BUMP);

    m_overlay = CreatePass<REP_Overlay>();
    m_overlayQuad = CreateQuad(1);

    m_particleBillboard = CreatePass<REP_Billboard>();
    m_particleQuad = CreateQuad(0);

    m_sprite = CreatePass<REP_Sprite>();

    m_plant = CreatePass<REP_Plant>();
    for (PlantTile& tile : m_plantTiles) {
        tile.mesh = new REB_Mesh();
        tile.mesh->Reconstruct(REB_BUFFER_DYNAMIC, PLANT_TILE_VERTICES, REB_BUFFER_DYNAMIC, PLANT_TILE_INDICES, 1);
    }

    m_trail = CreatePass<REP_Trail>();
    m_trailPart = new VEC_MeshPart();
    m_trailPart->Allocate(TRAIL_PART_VERTICES, TRAIL_PART_TRIANGLES);
    m_trailPart->material.diffuseMap.blendMode = 1;
    m_trailPart->material.diffuseMap.flags &= (u8)~VEC_MAP_DEPTHBUFFERED;

    m_terrain = CreatePass<REP_TerrainPrelit>();
    m_terrain->flags &= ~(u32)(REP_TERRAIN_DETAIL | REP_TERRAIN_LIGHTMAP | REP_TERRAIN_FOG | REP_TERRAIN_PIXELSHADER);
    m_terrainVertices = (Brisel_TerrainVertex*)MEM_AllocOrDie((u32)(TERRAIN_VERTICES * sizeof(Brisel_TerrainVertex)),
                                                              "Brisel_Renderer::InitScene()");
    m_terrainTriangles =
        (VEC_Triangle*)MEM_AllocOrDie((u32)(TERRAIN_TRIANGLES * sizeof(VEC_Triangle)), "Brisel_Renderer::InitScene()");
    m_terrainMesh = new REB_Mesh();
    m_terrainMesh->Reconstruct(REB_BUFFER_DYNAMIC, TERRAIN_VERTICES, REB_BUFFER_DYNAMIC, TERRAIN_TRIANGLES * 3, 1);
    void* data = nullptr;
    SITO_DISPLAY->VertexBuffer_Lock(m_terrainMesh->GetVertexBuffer(), 1, &data, 0, TERRAIN_VERTICES);
    DSP_Vertex* vertices = (DSP_Vertex*)data;
    for (s32 i = 0; i < TERRAIN_VERTICES; ++i) {
        DSP_Vertex vertex;
        vertex.x = vertex.y = vertex.z = 1.0f;
        vertex.nz = 1.0f;
        vertex.color = 0xFFFFFFFFu;
        vertex.u = vertex.v = 1.0f;
        std::memcpy(&vertices[i], &vertex, sizeof(vertex));
    }
    SITO_DISPLAY->VertexBuffer_Unlock(m_terrainMesh->GetVertexBuffer());

    m_trailMesh = new REB_Mesh();
    m_trailMesh->Reconstruct(REB_BUFFER_DYNAMIC, TRAIL_MESH_VERTICES, REB_BUFFER_DYNAMIC, TRAIL_MESH_INDICES, 1);
    VEC_Map& trailMap = m_trailMesh->GetMaterial(0)->material.diffuseMap;
    trailMap.blendMode = 1;
    trailMap.flags &= (u8) ~(VEC_MAP_ONESIDED | VEC_MAP_DEPTHBUFFERED);

    SITO_DISPLAY->VertexBuffer_TouchAll();
    SITO_DISPLAY->IndexBuffer_TouchAll();
}

void Brisel_Renderer::ReleaseScene()
{
    // Without a device the display has released the shaders itself.
    const u32 device = SITO_DISPLAY != nullptr && SITO_DISPLAY->HasDevice() ? 1 : 0;
    DeleteObject(m_lights);
    DeleteObject(m_sky);
    DeletePass(m_clear, device);
    DeletePass(m_billboard, device);
    DeleteObject(m_billboardQuad);
    DeletePass(m_object, device);
    DeletePass(m_objectPrelit, device);
    DeletePass(m_overlay, device);
    DeleteObject(m_overlayQuad);
    DeletePass(m_particleBillboard, device);
    DeleteObject(m_particleQuad);
    for (PlanktonLayer& layer : m_plankton) {
        DeleteObject(layer.mesh);
        layer.texture = -1;
    }
    DeletePass(m_sprite, device);
    for (PlantTile& tile : m_plantTiles) {
        if (tile.open && device) {
            SITO_DISPLAY->VertexBuffer_Unlock(tile.mesh->GetVertexBuffer());
            SITO_DISPLAY->IndexBuffer_Unlock(tile.mesh->GetIndexBuffer());
        }
        DeleteObject(tile.mesh);
        tile = PlantTile();
    }
    DeletePass(m_plant, device);
    DeletePass(m_trail, device);
    DeleteObject(m_trailPart);
    DeletePass(m_terrain, device);
    DeleteObject(m_terrainMesh);
    MEM_Free(m_terrainVertices);
    MEM_Free(m_terrainTriangles);
    m_terrainVertices = nullptr;
    m_terrainTriangles = nullptr;
    DeleteObject(m_trailMesh);
}

void Brisel_Renderer::SetLogos(const char* _logo0, const char* _logo1, const char* _logo2, const char* _logo3,
                               const char* _logo4)
{
    const char* const names[LOGO_COUNT] = {_logo0, _logo1, _logo2, _logo3, _logo4};
    REB_TextureCache* registry = nullptr;
    for (s32 i = 0; i < LOGO_COUNT; ++i) {
        m_logos[i] = -1;
        if (names[i] == nullptr)
            continue;
        if (registry == nullptr)
            registry = Resources("Brisel_Renderer::SetLogos()")->GetTextureNames();
        m_logos[i] = registry->RegisterTextureName(names[i], TEXTURE_PRIORITY);
    }
}

void Brisel_Renderer::CreateFogTextures(const char* _caption)
{
    s32 type = DSP_TEXTURE_A8R8G8B8;
    if (SITO_DISPLAY->IsTextureTypeSupported(DSP_TEXTURE_A8R8G8B8)) {
        m_fog4444 = 0;
    } else if (SITO_DISPLAY->IsTextureTypeSupported(DSP_TEXTURE_A4R4G4B4)) {
        type = DSP_TEXTURE_A4R4G4B4;
        m_fog4444 = 1;
    } else {
        OS_Fatal(_caption, "rgba8888 or rgba4444 texture format is required");
    }
    // Level 6: 64 x 64, the size of the fog colour map.
    SITO_DISPLAY->Texture_Create(FIRST_FOG_TEXTURE, type, 6, 1);
    SITO_DISPLAY->Texture_Create(FIRST_FOG_TEXTURE + 1, type, 6, 1);
}

void Brisel_Renderer::LoadTextures()
{
    static const char* const CAPTION = "Brisel_Renderer::LoadTextures()";
    Brisel_ResourceTables* resources = Resources(CAPTION);
    SITO_DISPLAY->Texture_FlushTextures(0, REB_GLOBAL_TEXTURE_FIRST_ID + REB_GLOBAL_TEXTURE_CAPACITY - 1);

    {
        REB_TextureCache meshNames(512, 0);
        for (s32 slot = 0; slot < resources->GetCapacity(BRISEL_TABLE_MESHES); ++slot)
            if (VEC_Mesh* mesh = resources->GetMesh(slot))
                meshNames.RegisterMeshTextures(mesh, TEXTURE_PRIORITY);
        for (s32 slot = 0; slot < resources->GetCapacity(BRISEL_TABLE_RENDER_MESHES); ++slot)
            if (REB_Mesh* mesh = resources->GetRenderMesh(slot))
                meshNames.RegisterRebMeshTextures(mesh, TEXTURE_PRIORITY);
        if (m_sky != nullptr)
            meshNames.RegisterRebMeshTextures(m_sky, TEXTURE_PRIORITY);
        for (s32 slot = 0; slot < resources->GetCapacity(BRISEL_TABLE_DETAILED_MESHES); ++slot) {
            Brisel_DetailedMesh* detailed = resources->GetDetailedMesh(slot);
            if (detailed == nullptr)
                continue;
            for (s32 i = 0; i < detailed->GetRenderMeshCount(); ++i)
                if (REB_Mesh* mesh = detailed->GetRenderMesh(i))
                    meshNames.RegisterRebMeshTextures(mesh, TEXTURE_PRIORITY);
        }
        BindRegistry(meshNames, TEXTURE_FOLDER);
    }
    {
        REB_TextureCache lightNames(51, 704);
        for (s32 slot = 0; slot < resources->GetCapacity(BRISEL_TABLE_LIGHT_MESHES); ++slot)
            if (REB_Mesh* mesh = resources->GetLightMesh(slot))
                lightNames.RegisterRebMeshTextures(mesh, TEXTURE_PRIORITY);
        BindRegistry(lightNames, m_lightMeshTextureFolder);
    }
    if (REB_TextureCache* global = resources->GetTextureNames())
        BindRegistry(*global, "");

    if (SITO_DISPLAY->Texture_ReloadTextures(0, 754, m_textureBudget, m_configuration.useMipMap,
                                             m_configuration.useCompressedTextures) != 0)
        OS_Fatal(CAPTION, "error while reorganizing textures - try to increase texturecache size");
    CreateFogTextures(CAPTION);
}

// ---- settings ----

void Brisel_Renderer::LoadFog(const char* _base)
{
    if (m_fogLayer == nullptr)
        m_fogLayer = new REM_FogLayer();
    char path[300];
    OS_SNPrintf(path, sizeof(path), "%s.fog", _base);
    m_fogLayer->LoadFromFile(path);
    OS_SNPrintf(path, sizeof(path), "%s.tga", _base);
    m_fogLayer->LoadDensityFile(path);
}

void Brisel_Renderer::SetFog(f32 _factor, f32 _second)
{
    m_fogFactor = _factor;
    m_fogSecond = _second;
}

void Brisel_Renderer::SetCausticTerrain(f32 _tiling, f32 _heightFactor) { m_causticTerrain = {_tiling, _heightFactor}; }

void Brisel_Renderer::SetCausticObject(f32 _tiling, f32 _heightFactor) { m_causticObject = {_tiling, _heightFactor}; }

void Brisel_Renderer::SetCausticBuilding(f32 _tiling, f32 _heightFactor)
{
    m_causticBuilding = {_tiling, _heightFactor};
}

void Brisel_Renderer::SetFillMode(s32 _mode)
{
    if (_mode == 1)
        m_renderFlags |= FLAG_WIREFRAME;
    else if (_mode == 0)
        m_renderFlags &= ~(u32)FLAG_WIREFRAME;
}

void Brisel_Renderer::SetLightCache(const char* _tableFolder, const char* _textureFolder)
{
    Resources("Brisel_Renderer::SetLightCache()")->SetLightMeshFolder(_tableFolder);
    OS_StrCopyBounded(m_lightMeshTextureFolder, _textureFolder, sizeof(m_lightMeshTextureFolder));
}

// ---- permanent bodies ----

Brisel_Renderable* Brisel_Renderer::AddPermanentBody(Brisel_Renderable* _body)
{
    if (m_permanentCount >= MAX_PERMANENT_BODIES)
        OS_Fatal("Brisel_Renderer::AddPermanentBody()", "array overflow");
    m_permanent[m_permanentCount++] = _body;
    return _body;
}

Brisel_Renderable* Brisel_Renderer::RemovePermanentBody(Brisel_Renderable* _body)
{
    for (s32 i = 0; i < m_permanentCount; ++i) {
        if (m_permanent[i] == _body) {
            m_permanent[i] = m_permanent[--m_permanentCount];
            m_permanent[m_permanentCount] = nullptr;
            return _body;
        }
    }
    return nullptr;
}

// ---- the frame ----

s32 Brisel_Renderer::GetDepthList(f32 _distance)
{
    const f32 distance = _distance < 4096.0f ? _distance : 4096.0f;
    const s32 key = MAT_FloorByRounding(distance * 0.0625f);
    return key < 0 ? 0 : key > DEPTH_LISTS - 1 ? DEPTH_LISTS - 1 : key;
}

void Brisel_Renderer::FileBodies(Brisel_Renderable* const* _bodies, s32 _count, f32 _time)
{
    const MAT_Vector3& eye = m_camera.GetWorldTransform().t;
    for (s32 i = 0; i < _count; ++i) {
        Brisel_Renderable* body = _bodies[i];
        if (body == nullptr)
            continue;
        const s32 bucket = body->renderBucket;
        if (bucket < 0 || bucket >= BRISEL_BUCKET_COUNT)
            continue;
        if (m_bucketCount[bucket] >= MAX_BUCKET_BODIES)
            continue;
        const MAT_Vector3 offset = eye - body->GetWorldPositionAtTime(_time);
        BucketEntry& entry = m_buckets[bucket][m_bucketCount[bucket]++];
        entry.body = body;
        entry.distance = MAT_FastSqrt(offset.LengthSquared());
    }
}

// Bucket sort into 256 lists by distance / 16; each list keeps ascending distance, and a body
// goes behind those at its own distance so that equal distances draw in filing order.
void Brisel_Renderer::SortBucketZero()
{
    m_depthUsed = 0;
    for (s32 i = 0; i < m_bucketCount[BRISEL_BUCKET_SOLID]; ++i) {
        const BucketEntry& entry = m_buckets[BRISEL_BUCKET_SOLID][i];
        DepthNode* node = &m_depthPool[m_depthUsed++];
        node->body = entry.body;
        node->distance = entry.distance;
        DepthNode** link = &m_depthHeads[GetDepthList(entry.distance)];
        while (*link != nullptr && (*link)->distance <= entry.distance)
            link = &(*link)->next;
        node->next = *link;
        *link = node;
    }
}

void Brisel_Renderer::DrawBuckets()
{
    for (s32 list = 0; list < DEPTH_LISTS; ++list) {
        for (DepthNode* node = m_depthHeads[list]; node != nullptr; node = node->next)
            node->body->Render();
        m_depthHeads[list] = nullptr;
    }
    for (s32 bucket = 1; bucket < BRISEL_BUCKET_COUNT; ++bucket) {
        if (bucket == BRISEL_BUCKET_TERRAIN && !(m_renderFlags & FLAG_TERRAIN))
            continue;
        for (s32 i = 0; i < m_bucketCount[bucket]; ++i)
            m_buckets[bucket][i].body->Render();
    }
}

void Brisel_Renderer::UpdateCaustics(f32 _time)
{
    Brisel_ResourceTables* resources = Brisel_Scene::GetResources();
    const FX_TextureSet* set = resources != nullptr ? resources->GetTextureSet(m_causticHandle) : nullptr;
    s32 texture = -1;
    if (set != nullptr && set->GetCount() > 0) {
        const s32 count = set->GetCount();
        s32 frame = MAT_FloorByRounding(_time * 24.0f) % count;
        if (frame < 0)
            frame += count;
        texture = set->GetID(frame);
    }
    m_terrain->causticTexture = texture;
    m_terrain->causticRecord = {0.0f, 0.0f, m_causticTerrain.tiling, m_causticTerrain.heightFactor};
    m_objectPrelit->causticTexture = texture;
    m_objectPrelit->causticRecord = {0.0f, 0.0f, m_causticObject.tiling, m_causticObject.heightFactor};
    m_object->causticTexture = texture;
    m_object->causticRecord = {0.0f, 0.0f, m_causticObject.tiling, m_causticObject.heightFactor};
}

void Brisel_Renderer::RefreshFogTexture(f32 _height)
{
    if (m_renderFlags & FLAG_FOG)
        m_fogLayer->Blend(_height, m_fogMap);
    else
        std::memset(m_fogMap.m_cells, 0, (size_t)m_fogMap.m_count * sizeof(u32));

    const s32 texture = GetCurrentFogTexture();
    if (!m_fog4444) {
        SITO_DISPLAY->Texture_Refresh(texture, m_fogMap.m_cells);
        return;
    }
    void* bits = nullptr;
    s32 pitch = 0;
    SITO_DISPLAY->Texture_Lock(texture, 0, &bits, &pitch);
    PackFog4444(m_fogMap, bits, pitch);
    SITO_DISPLAY->Texture_Unlock(texture, 0);
}

void Brisel_Renderer::PackFog4444(const MOS_Map<u32>& _map, void* _bits, s32 _pitch)
{
    for (s32 y = 0; y < _map.m_height; ++y) {
        u16* row = (u16*)((u8*)_bits + (size_t)y * (size_t)_pitch);
        const u32* source = _map[y];
        for (s32 x = 0; x < _map.m_width; ++x) {
            const u32 pixel = source[x];
            row[x] = (u16)(((pixel >> 28) & 0xF) << 12 | ((pixel >> 20) & 0xF) << 8 | ((pixel >> 12) & 0xF) << 4 |
                           ((pixel >> 4) & 0xF));
        }
    }
}

void Brisel_Renderer::DrawLogos()
{
    struct Place
    {
        f32 x, y, width, height;
    };
    static const Place s_places[LOGO_COUNT] = {
        {64.0f, 64.0f, 96.0f, 96.0f},  {576.0f, 64.0f, 96.0f, 96.0f},    {576.0f, 416.0f, 96.0f, 96.0f},
        {64.0f, 416.0f, 96.0f, 96.0f}, {320.0f, 576.0f, 256.0f, 256.0f},
    };
    static const u8 s_white[4] = {255, 255, 255, 255};
    for (s32 i = 0; i < LOGO_COUNT; ++i) {
        if (m_logos[i] == -1)
            continue;
        const Place& place = s_places[i];
        Draw2DQuad(m_logos[i], place.x, place.y, MAT_Angle(), place.width, place.height, s_white, 2, 192);
    }
}

void Brisel_Renderer::Render()
{
    static const char* const CAPTION = "Brisel_Renderer::Render()";
    NOD_Node* root = NOD_Node::GetRoot();
    if (root == nullptr)
        OS_Fatal(CAPTION, "no root node");
    const f32 time = SIM_GetFrameClock().time;
    const Brisel_SceneCasts& casts = Brisel_Scene::GetCasts();
    NOD_Node* cameraNode = root->Find(m_cameraPath);
    Brisel_CameraView* cameraView =
        cameraNode != nullptr && casts.camera != nullptr ? casts.camera(cameraNode) : nullptr;
    const VEC_Camera* camera = cameraView != nullptr ? cameraView->GetCameraAtTime(time) : nullptr;
    if (camera == nullptr)
        OS_Fatal(CAPTION, "no camera or wrong camera node type");

    m_camera = *camera;
    m_transform.SetView(m_camera.GetWorldTransform());
    m_transform.SetProjection(m_camera.GetProjection());
    const MAT_Vector3 eye = m_camera.GetWorldTransform().t;

    const f32 density = m_fogLayer->Density(eye.z);
    m_clear->fogDensity = density;
    m_clear->fogLayer = m_fogLayer;
    m_terrain->fogFactor = m_fogFactor;
    m_terrain->fogDensity = density;
    m_terrain->fogLayer = m_fogLayer;
    m_object->fogFactor = m_fogFactor;
    m_object->fogDensity = density;
    m_object->fogLayer = m_fogLayer;
    m_objectPrelit->fogFactor = m_fogFactor;
    m_objectPrelit->fogDensity = density;
    m_objectPrelit->fogLayer = m_fogLayer;
    m_plant->fogLayer = m_fogLayer;
    m_trail->fogLayer = m_fogLayer;

    UpdateCaustics(time);

    DSP_Display* display = SITO_DISPLAY;
    display->BeginScene();
    const u32 wireframe = m_renderFlags & FLAG_WIREFRAME;
    display->SetRenderState(DSP_RS_FILLMODE, wireframe ? 2 : 3);
    if (wireframe)
        display->DisableTextures();
    else
        display->EnableTextures();

    // The texture drawn last frame may still be in flight: this frame writes the other one and
    // every fogging pass draws with the one just written.
    m_fogIndex ^= 1;
    RefreshFogTexture(eye.z);
    const s32 fogTexture = GetCurrentFogTexture();
    HandFogTextures(fogTexture, fogTexture ^ 1);

    for (s32& count : m_bucketCount)
        count = 0;
    FileBodies(m_permanent, m_permanentCount, time);
    s32 visible = MAX_VISIBLE_BODIES;
    cameraView->GetVisibleBodies(m_visible, &visible);
    if (visible > MAX_VISIBLE_BODIES)
        visible = MAX_VISIBLE_BODIES;
    FileBodies(m_visible, visible, time);
    SortBucketZero();

    m_lights->Clear();
    if (m_renderFlags & FLAG_BLACK) {
        display->Clear(1, 1, 0);
    } else if (wireframe) {
        display->Clear(1, 1, 0x00000040u);
    } else {
        display->Clear(0, 1, 0);
        m_clear->Render(m_sky, m_camera, m_transform);
    }

    DrawBuckets();
    RenderParticles();

    NOD_Node* console = root->Find(m_consolePath);
    if (Brisel_ScreenLayer* layer = console != nullptr && casts.console != nullptr ? casts.console(console) : nullptr)
        layer->Render();
    NOD_Node* hud = root->Find(m_hudPath);
    if (Brisel_ScreenLayer* layer = hud != nullptr && casts.hud != nullptr ? casts.hud(hud) : nullptr)
        layer->Render();

    if (m_drawLogos)
        DrawLogos();

    display->EndScene();
    display->Flip();
    UpdateStatistics();
}

// ---- statistics ----

void Brisel_Renderer::ResetStatistics()
{
    m_statistics = Brisel_Statistics();
    m_statistics.sampleTime = (f32)OS_Time();
    if (SITO_DISPLAY != nullptr)
        SITO_DISPLAY->GetFrameCounters() = DSP_FrameCounters();
}

void Brisel_Renderer::UpdateStatistics()
{
    Brisel_Statistics& s = m_statistics;
    s.numFrames += 1;
    DSP_FrameCounters& counters = SITO_DISPLAY->GetFrameCounters();
    const u32 triangles = counters.triangles;
    s.numPolygons += triangles;
    s.polygonsThisFrame = triangles;
    if (triangles < s.minPolygonsPerFrame)
        s.minPolygonsPerFrame = triangles;
    if (triangles > s.maxPolygonsPerFrame)
        s.maxPolygonsPerFrame = triangles;
    s.streamBinds = counters.streamBinds;
    s.indexBufferBinds = counters.indexBufferBinds;
    s.pixelShaderChanges = counters.pixelShaderChanges;
    s.vertexShaderChanges = counters.vertexShaderChanges;
    s.textureBinds = counters.textureBinds;
    counters = DSP_FrameCounters();

    const f32 now = (f32)OS_Time();
    if (!(now >= s.sampleTime + 1.0f))
        return;
    s.fps = (f32)(s.numFrames - s.framesAtSample) / (now - s.sampleTime + FLT_MIN);
    s.framesAtSample = s.numFrames;
    s.sampleTime = now;
    if (s.fps < s.minFps)
        s.minFps = s.fps;
    if (s.fps > s.maxFps)
        s.maxFps = s.fps;
    s.fpsSum += s.fps;
    s.fpsSampleCount += 1.0f;
    s.avgFps = s.fpsSum / s.fpsSampleCount;
    s.polygonsPerSecond = s.numPolygons - s.polygonsAtSample;
    s.polygonsAtSample = s.numPolygons;
    if (s.polygonsPerSecond < s.minPolygonsPerSecond)
        s.minPolygonsPerSecond = s.polygonsPerSecond;
    if (s.polygonsPerSecond > s.maxPolygonsPerSecond)
        s.maxPolygonsPerSecond = s.polygonsPerSecond;
}

void Brisel_Renderer::HandFogTextures(s32 _fogTexture, s32 _otherFogTexture)
{
    auto hand = [&](auto* _pass) {
        _pass->fogTexture = _fogTexture;
        _pass->otherFogTexture = _otherFogTexture;
        _pass->fogLayer = m_fogLayer;
    };
    hand(m_clear);
    hand(m_terrain);
    hand(m_object);
    hand(m_objectPrelit);
    hand(m_plant);
    hand(m_trail);
}
