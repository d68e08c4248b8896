// The scene as the frame renderer sees it: the narrow interfaces through which it reaches the
// bodies, the camera, the console and head-up display, the particles, trails and terrain, and
// the resource cache.
//
// The world and game layers sit above the renderer: they implement these interfaces and
// install what is process-wide (the node casts, the resource tables, the particle system)
// through Brisel_Scene for as long as the installing object lives, as a resource cache
// installs FX_TextureSet's registry. The renderer never includes their headers. Nothing
// installed means: no camera can be found (fatal in Render), no resource cache (fatal where
// one is needed), no particles (none drawn).
//
// The classes are mix-ins: an implementer derives from its own engine base (MEM_Object
// through RTI_Class for nodes) and from one of these, so they bring no allocator of their own
// and a protected destructor; nobody deletes an object through them. One thread.
#pragma once

#include "fx_textureanim.h"
#include "mat_vector.h"
#include "os_types.h"
#include "vfx_keytrack.h"

class FX_TextureSet;
class NOD_Node;
class REB_Mesh;
class REB_TextureCache;
class VEC_Camera;
class VEC_Mesh;
struct VEC_MeshPart;
struct VEC_Triangle;

// Render buckets: bodies are filed by their bucket and the buckets drawn in order; any other
// value (the default among them) keeps a body out of the frame.
enum : s16
{
    BRISEL_BUCKET_SOLID = 0,  // vessels, vehicles, turret guns, torpedoes, buzzers, characters, wheels
    BRISEL_BUCKET_TERRAIN = 1,
    BRISEL_BUCKET_PLANTS = 2,  // plants, light rays and cones
    BRISEL_BUCKET_TRAILS = 3,
    BRISEL_BUCKET_BULLETS = 4,
    BRISEL_BUCKET_HALOS = 5,
    BRISEL_BUCKET_GUNS = 6,
    BRISEL_BUCKET_FLARES = 7,
    BRISEL_BUCKET_PLANKTON = 8,
    BRISEL_BUCKET_COCKPIT = 9,
    BRISEL_BUCKET_COUNT = 10,
    BRISEL_BUCKET_NONE = 10,
};

// A body that the renderer files and draws (NOD_Body derives from it).
class Brisel_Renderable
{
public:
    // Draws the body through the renderer's submission calls; once per filed body per frame.
    virtual void Render() = 0;
    // The translation of the body's world transform at _time. Called once per frame with the
    // frame time, so implementations cache the transform by time.
    virtual MAT_Vector3 GetWorldPositionAtTime(f32 _time) = 0;

    s16 renderBucket = BRISEL_BUCKET_NONE;

protected:
    Brisel_Renderable() = default;
    Brisel_Renderable(const Brisel_Renderable&) = default;
    Brisel_Renderable& operator=(const Brisel_Renderable&) = default;
    ~Brisel_Renderable() = default;
};

// The camera node's view of the frame (NOD_Camera implements it).
class Brisel_CameraView
{
public:
    // The camera evaluated at _time; the renderer copies the whole record at once.
    virtual const VEC_Camera* GetCameraAtTime(f32 _time) = 0;
    // Writes up to *_count non-null bodies and sets *_count to the number written.
    virtual void GetVisibleBodies(Brisel_Renderable** _bodies, s32* _count) = 0;

protected:
    ~Brisel_CameraView() = default;
};

// The console and the head-up display: drawn after the scene through the 2D calls.
class Brisel_ScreenLayer
{
public:
    virtual void Render() = 0;

protected:
    ~Brisel_ScreenLayer() = default;
};

// Node casts the renderer needs for "/camera", "/console" and "/hud": each answers the node
// as that interface when the node's class is (or derives from) the class the game layer
// means, else null. A hook left null answers null.
struct Brisel_SceneCasts
{
    Brisel_CameraView* (*camera)(NOD_Node* _node) = nullptr;
    Brisel_ScreenLayer* (*console)(NOD_Node* _node) = nullptr;
    Brisel_ScreenLayer* (*hud)(NOD_Node* _node) = nullptr;
};

// What the renderer reads of a particle emitter description; FX_ParticleEmitter derives from
// it and keeps these as its own fields. Curves run over the particle's age 0..1 with values
// 0..1 (colours) or a size factor.
struct Brisel_ParticleLook
{
    s32 textureId = -1;  // -1: the texture animation picks the texture
    f32 size = 1.0f;     // world size of a particle at size-curve value 1
    VFX_KeyTrack red;
    VFX_KeyTrack green;
    VFX_KeyTrack blue;
    VFX_KeyTrack alpha;
    VFX_KeyTrack sizeCurve;
    FX_TextureAnim animation;
    u8 renderMode = 0;  // blend mode of the particle quad's material (REB_Map blend modes)
};

// One live particle as the renderer reads it.
struct Brisel_ParticleState
{
    f32 birth = 0.0f;
    f32 ageRate = 0.0f;  // 1 / lifetime
    MAT_Vector3 position;
    MAT_Vector3 previousPosition;  // one simulation step earlier
    f32 angle = 0.0f;
    f32 previousAngle = 0.0f;
    const Brisel_ParticleLook* look = nullptr;
};

class Brisel_ParticleVisitor
{
public:
    virtual void Visit(const Brisel_ParticleState& _particle) = 0;

protected:
    ~Brisel_ParticleVisitor() = default;
};

// The simulation's particle system.
class Brisel_ParticleSource
{
public:
    // Hands every live particle to the visitor, oldest first; the record lives for the call.
    virtual void VisitParticles(Brisel_ParticleVisitor& _visitor) const = 0;

protected:
    ~Brisel_ParticleSource() = default;
};

// A trail's ribbon (VFX_Trail implements it).
class Brisel_TrailGeometry
{
public:
    // Writes the ribbon at _time into _part in world coordinates, within the part's capacities,
    // and sets its counts; 0 when there is nothing to draw.
    virtual u32 BuildGeometry(f32 _time, VEC_MeshPart* _part) = 0;

protected:
    ~Brisel_TrailGeometry() = default;
};

// One emitted terrain vertex: a sample of the tile's grid and its height in height units.
struct Brisel_TerrainVertex
{
    u32 x = 0;
    u32 y = 0;
    f32 z = 0.0f;
    u32 unused = 0;
};
static_assert(sizeof(Brisel_TerrainVertex) == 16, "a terrain vertex record is four 32-bit words");

// One tile of the current triangulation (MRT_TileView implements it).
class Brisel_TerrainTile
{
public:
    // Emits the tile from index 0 of both arrays, never more than the room given, and reports
    // how many vertices and triangles it wrote; triangle indices count from 0 for the tile.
    virtual void BuildTileGeometry(Brisel_TerrainVertex* _vertices, s32 _vertexRoom, VEC_Triangle* _triangles,
                                   s32 _triangleRoom, s32* _vertexCount, s32* _triangleCount) = 0;
    // World place of the grid: a sample (x, y, z) lies at (x, y, z) * scale + origin.
    virtual MAT_Vector3 GetOrigin() const = 0;
    virtual MAT_Vector3 GetScale() const = 0;

protected:
    ~Brisel_TerrainTile() = default;
};

// The terrain's triangulation of one pass (MRT_Terrain implements it).
class Brisel_TerrainTriangulation
{
public:
    virtual void BeginTriangulation() = 0;
    // The next tile to draw in this pass; null once the pass is complete.
    virtual Brisel_TerrainTile* UpdateTriangulation() = 0;

protected:
    ~Brisel_TerrainTriangulation() = default;
};

// A body visual with levels of detail (Brisel_Mesh implements it).
class Brisel_DetailedMesh
{
public:
    // The render mesh for viewing distance _distance, or null.
    virtual REB_Mesh* GetMeshByDistance(f32 _distance) = 0;
    // Every render mesh the visual holds (for their texture names); entries may be null.
    virtual s32 GetRenderMeshCount() const = 0;
    virtual REB_Mesh* GetRenderMesh(s32 _index) = 0;

protected:
    ~Brisel_DetailedMesh() = default;
};

// The tables of the resource cache that the renderer walks.
enum Brisel_ResourceTable : s32
{
    BRISEL_TABLE_MESHES = 0,         // VEC_Mesh
    BRISEL_TABLE_RENDER_MESHES = 1,  // REB_Mesh
    BRISEL_TABLE_DETAILED_MESHES = 2,
    BRISEL_TABLE_LIGHT_MESHES = 3,  // REB_Mesh
};

// The application's resource cache (Brisel_Cache implements it).
class Brisel_ResourceTables
{
public:
    // Slots 0..capacity - 1; a free slot answers null.
    virtual s32 GetCapacity(Brisel_ResourceTable _table) const = 0;
    virtual VEC_Mesh* GetMesh(s32 _slot) = 0;
    virtual REB_Mesh* GetRenderMesh(s32 _slot) = 0;
    virtual Brisel_DetailedMesh* GetDetailedMesh(s32 _slot) = 0;
    virtual REB_Mesh* GetLightMesh(s32 _slot) = 0;

    // The texture-set table (folder "vfx\tex\"): Allocate answers a 1-based handle, loading the
    // set on first use; a full table is fatal "CON_Cache<T>::Allocate() - cache overflow" (the
    // name as text), a set that does not load is fatal "CON_Cache::Allocate() file not found"
    // (the path as text). Release drops one reference; handles outside the table are ignored.
    virtual s32 AllocateTextureSet(const char* _name) = 0;
    virtual void ReleaseTextureSet(s32 _handle) = 0;
    // Null for a handle outside the table or a free slot.
    virtual FX_TextureSet* GetTextureSet(s32 _handle) = 0;

    // The global texture-name registry (ids 512 to 703).
    virtual REB_TextureCache* GetTextureNames() = 0;
    // Takes the drive and directory of _path as the light-mesh table's folder.
    virtual void SetLightMeshFolder(const char* _path) = 0;

protected:
    ~Brisel_ResourceTables() = default;
};

// The process-wide installations. Each setter answers what it replaces, so an installer can
// put it back when it goes.
class Brisel_Scene
{
public:
    static Brisel_SceneCasts SetCasts(const Brisel_SceneCasts& _casts);
    static const Brisel_SceneCasts& GetCasts();
    static Brisel_ResourceTables* SetResources(Brisel_ResourceTables* _resources);
    static Brisel_ResourceTables* GetResources();
    static const Brisel_ParticleSource* SetParticles(const Brisel_ParticleSource* _particles);
    static const Brisel_ParticleSource* GetParticles();
};
