// The frame renderer of a benchmark run: it files the bodies the camera reports into buckets,
// sorts the solid ones front to back and lets every body draw itself through the submission
// calls below, which set the light set and world transform and pick a render pass.
//
// One renderer exists per run (Get answers it); the application calls, in this order, the
// constructor, CreateDisplay, SetLogos, ResetStatistics once the scene graph exists, Render
// once per frame and the destructor. Node code reaches it during Render only: every
// submission call draws between BeginScene and EndScene of the current frame and tests
// against the camera copy taken at its start. The scene above is reached only through the
// interfaces of brisel_scene.h.
//
// Everything it needs per frame is allocated once (CreateDisplay, the constructor): body
// lists, buckets, the depth-sort pool, the dynamic meshes of trails, terrain and plants.
// Limits are fixed: bodies beyond 256 in a bucket, or outside buckets 0-9, are not drawn;
// more than 32 permanent bodies, a texture set that cannot be loaded, textures that do not fit
// the budget and the terrain and plant overflows below are fatal (OS_Fatal). One thread.
#pragma once

#include "brisel_scene.h"
#include "gfx_font.h"
#include "mat_matrix.h"
#include "mem_alloc.h"
#include "mos_map.h"
#include "os_types.h"
#include "sim_name.h"
#include "vec_camera.h"

class REB_LightSet;
class REB_Mesh;
class REM_FogLayer;
class REP_Billboard;
class REP_Clear;
class REP_Object;
class REP_ObjectPrelit;
class REP_Overlay;
class REP_Plant;
class REP_Sprite;
class REP_TerrainPrelit;
class REP_Trail;
struct DSP_Vertex;
struct MAT_AABox;
struct VEC_Material;
struct VEC_MeshPart;
struct VEC_Triangle;

// The per-run statistics that the head-up display and the results read.
struct Brisel_Statistics
{
    f32 sampleTime = 0.0f;  // OS_Time of the last once-per-second sample
    u32 framesAtSample = 0;
    u32 polygonsAtSample = 0;
    u32 numFrames = 0;
    u32 numPolygons = 0;
    u32 polygonsThisFrame = 0;
    u32 minPolygonsPerFrame = 0xFFFFFFFFu;
    u32 maxPolygonsPerFrame = 0;
    u32 polygonsPerSecond = 0;  // between the last two samples, not divided by their distance
    u32 minPolygonsPerSecond = 0xFFFFFFFFu;
    u32 maxPolygonsPerSecond = 0;
    f32 fps = 0.0f;
    f32 minFps = 3.4028235e38f;
    f32 maxFps = 1.1754944e-38f;
    f32 avgFps = 0.0f;  // the mean of the samples
    f32 fpsSum = 0.0f;
    f32 fpsSampleCount = 0.0f;
    // The display's counters of the last frame.
    u32 streamBinds = 0;
    u32 indexBufferBinds = 0;
    u32 pixelShaderChanges = 0;
    u32 vertexShaderChanges = 0;
    u32 textureBinds = 0;
};

// The renderer's keys of "ini\display.des".
struct Brisel_DisplayConfiguration
{
    s32 width = 0;
    s32 height = 0;
    s32 depth = 0;
    s32 textureCacheSize = 0;
    s32 useMipMap = 0;
    s32 useCompressedTextures = 0;
    s32 renderRays = 0;
    s32 renderPlankton = 0;  // layers drawn: 0 none, 1-5 that many, larger or negative all five
    s32 renderPlants = 1;    // divisor of the plant objects' counts, at least 1
};

class Brisel_Renderer : public MEM_Object
{
public:
    enum : s32
    {
        MAX_VISIBLE_BODIES = 512,
        MAX_BUCKET_BODIES = 256,
        MAX_PERMANENT_BODIES = 32,
        DEPTH_LISTS = 256,
        DEPTH_NODES = 4096,
        LOGO_COUNT = 5,
        TEXTURE_TABLE_SIZE = 770,
        FIRST_FOG_TEXTURE = 756,
        FIRST_SELECTOR_TEXTURE = 758,
        LOADING_TEXTURE = 769,
        FOG_MAP_SIZE = 64,
        TERRAIN_MATERIALS = 4,
        TERRAIN_VERTICES = 6144,
        TERRAIN_TRIANGLES = 8192,
        TRAIL_PART_VERTICES = 256,
        TRAIL_PART_TRIANGLES = 768,
        TRAIL_MESH_VERTICES = 1024,
        TRAIL_MESH_INDICES = 3072,
        PLANT_TILES = 196,
        PLANT_TILE_VERTICES = 4096,
        PLANT_TILE_INDICES = 12288,
        PLANKTON_LAYERS = 5,
        TEXTURE_PRIORITY = 32,
    };

    // Bits of the render flags.
    enum : u32
    {
        FLAG_BLACK = 0x1,      // clear to black, no sky (nothing sets it)
        FLAG_FOG = 0x2,        // the fog texture follows the fog layers; off it is all zero
        FLAG_TERRAIN = 0x4,    // bucket 1 is drawn
        FLAG_WIREFRAME = 0x8,  // wireframe, no textures, clear colour 0x40
    };

    // Opens both fonts (a missing sheet is fatal); logos are drawn unless the command line
    // holds "-nologo".
    Brisel_Renderer();
    ~Brisel_Renderer();
    Brisel_Renderer(const Brisel_Renderer&) = delete;
    Brisel_Renderer& operator=(const Brisel_Renderer&) = delete;

    // The renderer that exists, or null.
    static Brisel_Renderer* Get();

    // Reads width, height, depth and the texture cache size (kilobytes in the file, bytes
    // in the result) from the section "Display" of the named description file, then lets the
    // first display-mode switch on the command line ("-640x480x16" .. "-1600x1200x32", in
    // that order) replace width, height and depth. A missing file, section or key is fatal.
    static void ReadDisplayConfig(const char* _name, s32* _width, s32* _height, s32* _depth, s32* _textureCacheSize);
    // The plankton switch the game controller toggles; on at start.
    static void SetPlanktonSwitch(u32 _on);
    static u32 GetPlanktonSwitch();

    // ---- the run ----
    // Configuration, passes and meshes, fog, the caustic set, the loading picture. Needs
    // SITO_DISPLAY with an open resolution and the resource tables installed.
    void CreateDisplay();
    // The renderer's keys of the named file; the menu's budget and pixel-shader choice replace
    // the file's. A missing file or section is fatal; "RenderPlants" below 1 is taken as 1.
    void ReadConfiguration(const char* _name);
    // Registers the five names (each may be null: no logo) in the global texture registry.
    void SetLogos(const char* _logo0, const char* _logo1, const char* _logo2, const char* _logo3, const char* _logo4);
    // Gives every texture the loaded resources name an id and loads them within the budget.
    void LoadTextures();
    // One frame at the frame clock's time.
    void Render();
    void ResetStatistics();

    // Drawn every frame whether or not the camera reports it; fatal beyond 32. Returns _body.
    Brisel_Renderable* AddPermanentBody(Brisel_Renderable* _body);
    // Moves the last entry into the first one equal to _body; null when it is not listed.
    Brisel_Renderable* RemovePermanentBody(Brisel_Renderable* _body);
    s32 GetPermanentBodyCount() const { return m_permanentCount; }
    Brisel_Renderable* GetPermanentBody(s32 _index) const { return m_permanent[_index]; }

    // ---- script settings the game controller forwards ----
    // Fog layers from _base + ".fog", the density from _base + ".tga".
    void LoadFog(const char* _base);
    void SetFog(f32 _factor, f32 _second);
    void SetCausticTerrain(f32 _tiling, f32 _heightFactor);
    void SetCausticObject(f32 _tiling, f32 _heightFactor);
    void SetCausticBuilding(f32 _tiling, f32 _heightFactor);  // kept; nothing draws with it
    // 1 wireframe on, 0 off, anything else changes nothing.
    void SetFillMode(s32 _mode);
    // The light-mesh table's folder, and the folder the light meshes' textures load from
    // (at most 259 characters are kept).
    void SetLightCache(const char* _tableFolder, const char* _textureFolder);

    // ---- drawing services for nodes (between BeginScene and EndScene of Render) ----
    // Nothing for a null mesh or one whose transformed box lies outside the view.
    void RenderMesh(const REB_Mesh* _mesh, const MAT_Matrix34& _world);
    void RenderMeshPrelit(const REB_Mesh* _lightMesh, const REB_Mesh* _mesh, const MAT_Matrix34& _world);
    // The level of detail for the eye's distance to the transform's translation.
    void RenderBriselMesh(Brisel_DetailedMesh* _mesh, const MAT_Matrix34& _world);
    // Colours are 4 bytes B, G, R, A.
    void RenderBillboard(s32 _texture, const MAT_Vector3& _position, f32 _width, f32 _height, const u8 _color[4]);
    // The trail's ribbon appended to the ring of the dynamic trail mesh.
    void RenderTrail(Brisel_TrailGeometry* _trail, s32 _texture);
    // A textured quad centred at (_x, _y) of the 640 x 480 overlay screen.
    void Draw2DQuad(s32 _texture, f32 _x, f32 _y, const MAT_Angle& _angle, f32 _width, f32 _height, const u8 _color[4],
                    u8 _blendMode, u8 _alpha);
    // The installed particle system's live particles (Render does this once per frame).
    void RenderParticles();
    void RenderParticle(const Brisel_ParticleState& _particle, f32 _time, f32 _fraction);
    // The box of _count >= 1 points.
    static void BoundingBoxOfPoints(MAT_AABox& _box, const MAT_Vector3* _points, s32 _count);

    // ---- terrain ----
    // Index 0-2 the material layers, 3 the detail texture.
    void Terrain_SetMaterial(s32 _index, const char* _name, f32 _scale);
    void Terrain_SetLightmap(const char* _name);
    // The selector textures from _folder's "material_s.tga" with ids from 758; the number made.
    s32 Terrain_CreateSelectors(const char* _folder, const f32 _tint0[3], const f32 _tint1[3], const f32 _tint2[3]);
    // Streams the terrain's current triangulation into the terrain mesh; texture coordinates
    // are the grid position times _textureScale.
    void Terrain_Triangulate(Brisel_TerrainTriangulation* _terrain, f32 _textureScale);
    void Terrain_Render();

    // ---- plants: 196 tiles, each open -> filled -> closed -> drawn ----
    void Plant_OpenTile(s32 _tile, const VEC_Material& _material);
    // Appends _part placed by _world; fatal "tile overflow" beyond 4096 vertices or 12288 indices.
    void Plant_AddMesh(s32 _tile, const VEC_MeshPart& _part, const MAT_Matrix34& _world);
    void Plant_CloseTile(s32 _tile);
    // Draws a filled tile; _fadeStart and _fadeEnd are view depths.
    void Plant_DeactivateTile(s32 _tile, const MAT_Matrix34& _world, const u8 _color[4], f32 _fadeStart, f32 _fadeEnd);
    void Plant_Render(const REB_Mesh* _mesh, const MAT_Matrix34& _world, const u8 _color[4], f32 _fadeStart,
                      f32 _fadeEnd);

    // ---- plankton: layers 0-4 ----
    // A field of _count particles in the cube of half side _extent, replacing the layer's.
    void Plankton_Set(s32 _layer, const char* _name, const VEC_Material& _material, s32 _count, f32 _extent,
                      f32 _minRadius, f32 _maxRadius, f32 _minAngle, f32 _maxAngle);
    // _fade (0..1) scales every layer's alpha for this draw only.
    void Plankton_Render(f32 _fade);

    // ---- state for node code and the application ----
    const Brisel_Statistics& GetStatistics() const { return m_statistics; }
    const Brisel_DisplayConfiguration& GetConfiguration() const { return m_configuration; }
    s32 GetTextureBudget() const { return m_textureBudget; }
    u32 GetRenderFlags() const { return m_renderFlags; }
    void SetRenderFlags(u32 _flags) { m_renderFlags = _flags; }
    // The camera copy of the current frame.
    const VEC_Camera& GetCamera() const { return m_camera; }
    GFX_Font& GetFont(s32 _index) { return m_fonts[_index & 1]; }
    u32 DrawsLogos() const { return m_drawLogos; }
    s32 GetLogo(s32 _index) const { return m_logos[_index]; }
    s32 GetCausticHandle() const { return m_causticHandle; }
    // The fog texture refreshed by the last frame (756 or 757) and whether it is A4R4G4B4.
    s32 GetCurrentFogTexture() const { return FIRST_FOG_TEXTURE + m_fogIndex; }
    u32 HasFog4444() const { return m_fog4444; }
    const REM_FogLayer* GetFogLayer() const { return m_fogLayer; }
    const MOS_Map<u32>& GetFogMap() const { return m_fogMap; }
    s32 GetTerrainMaterial(s32 _index) const { return m_terrainMaterial[_index]; }
    f32 GetTerrainScale(s32 _index) const { return m_terrainScale[_index]; }
    s32 GetTerrainLightmap() const { return m_terrainLightmap; }
    s32 GetPlanktonTexture(s32 _layer) const { return m_plankton[_layer].texture; }
    const REB_Mesh* GetPlanktonMesh(s32 _layer) const { return m_plankton[_layer].mesh; }
    const REB_Mesh* GetPlantTileMesh(s32 _tile) const { return m_plantTiles[_tile].mesh; }
    const REB_Mesh* GetTerrainMesh() const { return m_terrainMesh; }
    const REB_Mesh* GetTrailMesh() const { return m_trailMesh; }
    const REB_LightSet* GetLightSet() const { return m_lights; }
    const REP_Clear* GetClearPass() const { return m_clear; }
    const REP_Object* GetObjectPass() const { return m_object; }
    const REP_ObjectPrelit* GetObjectPrelitPass() const { return m_objectPrelit; }
    const REP_TerrainPrelit* GetTerrainPass() const { return m_terrain; }
    const REP_Plant* GetPlantPass() const { return m_plant; }
    const REP_Trail* GetTrailPass() const { return m_trail; }
    const REP_Billboard* GetBillboardPass() const { return m_billboard; }
    const REP_Billboard* GetParticleBillboardPass() const { return m_particleBillboard; }
    const REP_Sprite* GetSpritePass() const { return m_sprite; }
    // The depth list a bucket-0 body at _distance from the eye is drawn from (0 nearest).
    static s32 GetDepthList(f32 _distance);
    // The 64 x 64 fog colour map as A4R4G4B4 pixels (the top four bits of each byte) into rows
    // _pitch bytes apart, as a texture lock hands them out.
    static void PackFog4444(const MOS_Map<u32>& _map, void* _bits, s32 _pitch);

private:
    struct BucketEntry
    {
        Brisel_Renderable* body = nullptr;
        f32 distance = 0.0f;
    };
    struct DepthNode
    {
        DepthNode* next = nullptr;
        Brisel_Renderable* body = nullptr;
        f32 distance = 0.0f;
    };
    struct CausticPair
    {
        f32 tiling = 0.013333334f;
        f32 heightFactor = 0.5f;
    };
    struct PlantTile
    {
        REB_Mesh* mesh = nullptr;
        u32 open = 0;
        DSP_Vertex* vertices = nullptr;
        u16* indices = nullptr;
    };
    struct PlanktonLayer
    {
        REB_Mesh* mesh = nullptr;
        s32 texture = -1;
    };

    void InitScene();
    void ReleaseScene();
    REB_Mesh* CreateQuad(u32 _overlay);
    // The two fog textures in the best format the device has; _caption names the caller.
    void CreateFogTextures(const char* _caption);
    void RefreshFogTexture(f32 _height);
    // The fog textures and layer every fogging pass draws with.
    void HandFogTextures(s32 _fogTexture, s32 _otherFogTexture);
    void UpdateCaustics(f32 _time);
    void FileBodies(Brisel_Renderable* const* _bodies, s32 _count, f32 _time);
    void SortBucketZero();
    void DrawBuckets();
    void DrawLogos();
    void UpdateStatistics();
    Brisel_ResourceTables* Resources(const char* _caption) const;
    // The mesh's box placed by _world against the camera copy: 1 when entirely outside.
    u32 IsOutside(const REB_Mesh* _mesh, const MAT_Matrix34& _world) const;
    void AddObjectLight(const MAT_Vector3& _position);
    void SetAmbientBytes(const u8 _color[4]);
    void DrawPlant(const REB_Mesh* _mesh, const MAT_Matrix34& _world, const u8 _color[4], f32 _fadeStart, f32 _fadeEnd);
    PlantTile& CheckTile(s32 _tile, const char* _caption);

    Brisel_Statistics m_statistics;
    Brisel_DisplayConfiguration m_configuration;
    s32 m_textureBudget = 0x1000000;
    u32 m_pixelShaders = 0;
    u32 m_renderFlags = 0;

    CausticPair m_causticTerrain;
    CausticPair m_causticObject;
    CausticPair m_causticBuilding;
    s32 m_causticHandle = 0;

    REM_FogLayer* m_fogLayer = nullptr;
    MOS_Map<u32> m_fogMap;
    s32 m_fogIndex = 0;
    u32 m_fog4444 = 0;
    f32 m_fogFactor = 0.5f;
    f32 m_fogSecond = 0.0f;

    VEC_Camera m_camera;
    VEC_TransformState m_transform;
    SIM_Path m_cameraPath;
    SIM_Path m_consolePath;
    SIM_Path m_hudPath;

    Brisel_Renderable* m_visible[MAX_VISIBLE_BODIES] = {};
    BucketEntry m_buckets[BRISEL_BUCKET_COUNT][MAX_BUCKET_BODIES];
    s32 m_bucketCount[BRISEL_BUCKET_COUNT] = {};
    Brisel_Renderable* m_permanent[MAX_PERMANENT_BODIES] = {};
    s32 m_permanentCount = 0;
    DepthNode** m_depthHeads = nullptr;
    DepthNode* m_depthPool = nullptr;
    s32 m_depthUsed = 0;

    REB_LightSet* m_lights = nullptr;
    REP_Clear* m_clear = nullptr;
    REB_Mesh* m_sky = nullptr;
    REP_Billboard* m_billboard = nullptr;
    REB_Mesh* m_billboardQuad = nullptr;
    REP_Object* m_object = nullptr;
    REP_ObjectPrelit* m_objectPrelit = nullptr;
    REP_Overlay* m_overlay = nullptr;
    REB_Mesh* m_overlayQuad = nullptr;
    REP_Billboard* m_particleBillboard = nullptr;
    REB_Mesh* m_particleQuad = nullptr;
    REP_Sprite* m_sprite = nullptr;
    REP_Plant* m_plant = nullptr;
    PlantTile m_plantTiles[PLANT_TILES];
    REP_Trail* m_trail = nullptr;
    VEC_MeshPart* m_trailPart = nullptr;
    REP_TerrainPrelit* m_terrain = nullptr;
    Brisel_TerrainVertex* m_terrainVertices = nullptr;
    VEC_Triangle* m_terrainTriangles = nullptr;
    REB_Mesh* m_terrainMesh = nullptr;
    REB_Mesh* m_trailMesh = nullptr;
    PlanktonLayer m_plankton[PLANKTON_LAYERS];

    s32 m_terrainMaterial[TERRAIN_MATERIALS] = {-1, -1, -1, -1};
    f32 m_terrainScale[TERRAIN_MATERIALS] = {1.0f, 1.0f, 1.0f, 1.0f};
    s32 m_terrainLightmap = -1;

    GFX_Font m_fonts[2];
    s32 m_logos[LOGO_COUNT] = {-1, -1, -1, -1, -1};
    u32 m_drawLogos = 1;
    char m_lightMeshTextureFolder[260] = {};
};
