// Fakes of the scene interfaces the frame renderer draws from (brisel_scene.h): bodies, the
// camera, console and head-up display nodes under a root, the resource cache's tables, the
// particle system, trails and the terrain triangulation. Each installs itself where the world
// and game layers would install the real one and puts back what it replaced when it goes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "brisel_scene.h"
#include "fx_textureset.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "os_path.h"
#include "os_string.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "vec_camera.h"
#include "vec_mesh.h"

// A body that records its draws, in order, into a shared list.
class TST_FakeBody final : public Brisel_Renderable
{
public:
    TST_FakeBody(std::vector<const TST_FakeBody*>* _drawn, s16 _bucket, const MAT_Vector3& _position)
        : position(_position), m_drawn(_drawn)
    {
        renderBucket = _bucket;
    }
    void Render() override
    {
        if (m_drawn != nullptr)
            m_drawn->push_back(this);
        if (onRender)
            onRender();
    }
    MAT_Vector3 GetWorldPositionAtTime(f32 _time) override
    {
        times.push_back(_time);
        return position;
    }

    MAT_Vector3 position;
    std::vector<f32> times;
    std::function<void()> onRender;

private:
    std::vector<const TST_FakeBody*>* m_drawn = nullptr;
};

class TST_FakeCameraNode : public NOD_Node, public Brisel_CameraView
{
public:
    const VEC_Camera* GetCameraAtTime(f32 _time) override
    {
        times.push_back(_time);
        return &camera;
    }
    void GetVisibleBodies(Brisel_Renderable** _bodies, s32* _count) override
    {
        capacity = *_count;
        s32 n = 0;
        for (Brisel_Renderable* body : visible)
            if (body != nullptr && n < *_count)
                _bodies[n++] = body;
        *_count = n;
    }

    VEC_Camera camera;
    std::vector<Brisel_Renderable*> visible;
    std::vector<f32> times;
    s32 capacity = 0;
};

// The console and the head-up display.
class TST_FakeScreenNode : public NOD_Node, public Brisel_ScreenLayer
{
public:
    void Render() override
    {
        ++renders;
        if (onRender)
            onRender();
    }

    s32 renders = 0;
    std::function<void()> onRender;
};

// A root with a camera, and the casts that tell the renderer which node is what.
class TST_FakeScene
{
public:
    TST_FakeScene()
    {
        root = new NOD_Node();
        root->SetName("root");
        camera = new TST_FakeCameraNode();
        camera->SetName("camera");
        root->AddSon(camera);
        m_previousRoot = NOD_Node::GetRoot();
        NOD_Node::SetRoot(root);
        Brisel_SceneCasts casts;
        casts.camera = &CastCamera;
        casts.console = &CastScreen;
        casts.hud = &CastScreen;
        m_previousCasts = Brisel_Scene::SetCasts(casts);
    }
    ~TST_FakeScene()
    {
        Brisel_Scene::SetCasts(m_previousCasts);
        delete root;
        NOD_Node::SetRoot(m_previousRoot);
    }
    TST_FakeScene(const TST_FakeScene&) = delete;
    TST_FakeScene& operator=(const TST_FakeScene&) = delete;

    // A screen node under the root (the caller names it "console" or "hud").
    TST_FakeScreenNode* AddScreen(const char* _name)
    {
        TST_FakeScreenNode* node = new TST_FakeScreenNode();
        node->SetName(_name);
        root->AddSon(node);
        return node;
    }

    static Brisel_CameraView* CastCamera(NOD_Node* _node) { return dynamic_cast<TST_FakeCameraNode*>(_node); }
    static Brisel_ScreenLayer* CastScreen(NOD_Node* _node) { return dynamic_cast<TST_FakeScreenNode*>(_node); }

    NOD_Node* root = nullptr;
    TST_FakeCameraNode* camera = nullptr;

private:
    NOD_Node* m_previousRoot = nullptr;
    Brisel_SceneCasts m_previousCasts;
};

class TST_FakeDetailedMesh : public Brisel_DetailedMesh
{
public:
    REB_Mesh* GetMeshByDistance(f32 _distance) override
    {
        distances.push_back(_distance);
        return _distance < switchDistance ? near : far;
    }
    s32 GetRenderMeshCount() const override { return (s32)meshes.size(); }
    REB_Mesh* GetRenderMesh(s32 _index) override { return meshes[(size_t)_index]; }

    REB_Mesh* near = nullptr;
    REB_Mesh* far = nullptr;
    f32 switchDistance = 100.0f;
    std::vector<REB_Mesh*> meshes;
    std::vector<f32> distances;
};

// The resource cache: tables the test fills (it owns what it puts in), a texture-set table
// with the cache's allocation rules and texts, and the global texture-name registry, which it
// also installs for the texture sets.
class TST_FakeResources final : public Brisel_ResourceTables
{
public:
    explicit TST_FakeResources(s32 _setCapacity = 64)
        : names(REB_GLOBAL_TEXTURE_CAPACITY, REB_GLOBAL_TEXTURE_FIRST_ID), m_sets((size_t)_setCapacity)
    {
        m_previous = Brisel_Scene::SetResources(this);
        FX_TextureSet::SetRegistry(&names);
        Current() = this;
        FX_TextureSet::SetTable(&Resolve);
    }
    ~TST_FakeResources()
    {
        for (SetSlot& slot : m_sets)
            delete slot.set;
        FX_TextureSet::SetTable(nullptr);
        FX_TextureSet::SetRegistry(nullptr);
        Current() = nullptr;
        Brisel_Scene::SetResources(m_previous);
    }
    TST_FakeResources(const TST_FakeResources&) = delete;
    TST_FakeResources& operator=(const TST_FakeResources&) = delete;

    s32 GetCapacity(Brisel_ResourceTable _table) const override
    {
        switch (_table) {
        case BRISEL_TABLE_MESHES:
            return (s32)meshes.size();
        case BRISEL_TABLE_RENDER_MESHES:
            return (s32)renderMeshes.size();
        case BRISEL_TABLE_DETAILED_MESHES:
            return (s32)detailed.size();
        case BRISEL_TABLE_LIGHT_MESHES:
            return (s32)lightMeshes.size();
        }
        return 0;
    }
    VEC_Mesh* GetMesh(s32 _slot) override { return meshes[(size_t)_slot]; }
    REB_Mesh* GetRenderMesh(s32 _slot) override { return renderMeshes[(size_t)_slot]; }
    Brisel_DetailedMesh* GetDetailedMesh(s32 _slot) override { return detailed[(size_t)_slot]; }
    REB_Mesh* GetLightMesh(s32 _slot) override { return lightMeshes[(size_t)_slot]; }

    s32 AllocateTextureSet(const char* _name) override
    {
        size_t free = m_sets.size();
        for (size_t i = 0; i < m_sets.size(); ++i) {
            if (m_sets[i].set == nullptr) {
                if (free == m_sets.size())
                    free = i;
            } else if (OS_StrICmp(m_sets[i].name.c_str(), _name) == 0) {
                ++m_sets[i].references;
                return (s32)i + 1;
            }
        }
        if (free == m_sets.size())
            OS_Fatal("CON_Cache<T>::Allocate() - cache overflow", _name);
        const std::string path = std::string("vfx\\tex\\") + _name;
        char resolved[4096];
        FX_TextureSet* set = new FX_TextureSet();
        if (!OS_ResolvePath(path.c_str(), resolved, sizeof(resolved)) || !set->Load(path.c_str())) {
            delete set;
            OS_Fatal("CON_Cache::Allocate() file not found", path.c_str());
        }
        m_sets[free] = {set, 1, _name};
        return (s32)free + 1;
    }
    void ReleaseTextureSet(s32 _handle) override
    {
        if (_handle < 1 || _handle > (s32)m_sets.size() || m_sets[(size_t)_handle - 1].set == nullptr)
            return;
        SetSlot& slot = m_sets[(size_t)_handle - 1];
        if (--slot.references == 0) {
            delete slot.set;
            slot = SetSlot();
        }
    }
    FX_TextureSet* GetTextureSet(s32 _handle) override
    {
        if (_handle < 1 || _handle > (s32)m_sets.size())
            return nullptr;
        return m_sets[(size_t)_handle - 1].set;
    }
    s32 GetReferences(s32 _handle) const
    {
        return _handle < 1 || _handle > (s32)m_sets.size() ? 0 : m_sets[(size_t)_handle - 1].references;
    }
    REB_TextureCache* GetTextureNames() override { return &names; }
    void SetLightMeshFolder(const char* _path) override { lightMeshFolder = _path; }

    REB_TextureCache names;
    std::vector<VEC_Mesh*> meshes;
    std::vector<REB_Mesh*> renderMeshes;
    std::vector<Brisel_DetailedMesh*> detailed;
    std::vector<REB_Mesh*> lightMeshes;
    std::string lightMeshFolder;

private:
    struct SetSlot
    {
        FX_TextureSet* set = nullptr;
        s32 references = 0;
        std::string name;
    };

    static TST_FakeResources*& Current()
    {
        static TST_FakeResources* current = nullptr;
        return current;
    }
    static FX_TextureSet* Resolve(s32 _handle)
    {
        return Current() != nullptr ? Current()->GetTextureSet(_handle) : nullptr;
    }

    Brisel_ResourceTables* m_previous = nullptr;
    std::vector<SetSlot> m_sets;
};

class TST_FakeParticles final : public Brisel_ParticleSource
{
public:
    TST_FakeParticles() { m_previous = Brisel_Scene::SetParticles(this); }
    ~TST_FakeParticles() { Brisel_Scene::SetParticles(m_previous); }
    TST_FakeParticles(const TST_FakeParticles&) = delete;
    TST_FakeParticles& operator=(const TST_FakeParticles&) = delete;

    void VisitParticles(Brisel_ParticleVisitor& _visitor) const override
    {
        for (const Brisel_ParticleState& particle : particles)
            _visitor.Visit(particle);
    }

    std::vector<Brisel_ParticleState> particles;

private:
    const Brisel_ParticleSource* m_previous = nullptr;
};

// A trail whose ribbon is a strip of quads: _quads quads give 2 (_quads + 1) vertices and
// 2 _quads triangles, laid along x from _start with the given half width (world coordinates).
class TST_FakeTrail : public Brisel_TrailGeometry
{
public:
    u32 BuildGeometry(f32 _time, VEC_MeshPart* _part) override
    {
        times.push_back(_time);
        if (quads <= 0)
            return 0;
        const s32 vertices = 2 * (quads + 1);
        const s32 triangles = 2 * quads;
        if (vertices > _part->vertexCapacity || triangles > _part->triangleCapacity)
            return 0;
        for (s32 i = 0; i <= quads; ++i) {
            for (s32 side = 0; side < 2; ++side) {
                DSP_Vertex& v = _part->vertices[2 * i + side];
                v = DSP_Vertex();
                v.x = start.x + length * (f32)i / (f32)quads;
                v.y = start.y;
                v.z = start.z + (side == 0 ? halfWidth : -halfWidth);
                v.ny = -1.0f;
                v.color = color;
                v.u = (f32)i / (f32)quads;
                v.v = (f32)side;
            }
        }
        for (s32 q = 0; q < quads; ++q) {
            const u16 a = (u16)(2 * q);
            const u16 t0[3] = {a, (u16)(a + 2), (u16)(a + 1)};
            const u16 t1[3] = {(u16)(a + 1), (u16)(a + 2), (u16)(a + 3)};
            for (s32 k = 0; k < 3; ++k) {
                _part->triangles[2 * q].vertex[k] = t0[k];
                _part->triangles[2 * q + 1].vertex[k] = t1[k];
            }
        }
        _part->vertexCount = vertices;
        _part->triangleCount = triangles;
        return 1;
    }

    s32 quads = 1;
    MAT_Vector3 start;
    f32 length = 1.0f;
    f32 halfWidth = 0.5f;
    u32 color = 0xFFFFFFFFu;
    std::vector<f32> times;
};

// One tile: the vertices and triangles it emits (cut to the room it is given, unless told to
// report more than that) and its place.
class TST_FakeTerrainTile final : public Brisel_TerrainTile
{
public:
    void BuildTileGeometry(Brisel_TerrainVertex* _vertices, s32 _vertexRoom, VEC_Triangle* _triangles,
                           s32 _triangleRoom, s32* _vertexCount, s32* _triangleCount) override
    {
        vertexRooms.push_back(_vertexRoom);
        triangleRooms.push_back(_triangleRoom);
        const s32 n = (s32)vertices.size() < _vertexRoom ? (s32)vertices.size() : _vertexRoom;
        const s32 m = (s32)triangles.size() < _triangleRoom ? (s32)triangles.size() : _triangleRoom;
        for (s32 i = 0; i < n; ++i)
            _vertices[i] = vertices[(size_t)i];
        for (s32 i = 0; i < m; ++i)
            _triangles[i] = triangles[(size_t)i];
        *_vertexCount = reportVertices >= 0 ? reportVertices : n;
        *_triangleCount = reportTriangles >= 0 ? reportTriangles : m;
    }
    MAT_Vector3 GetOrigin() const override { return origin; }
    MAT_Vector3 GetScale() const override { return scale; }

    // A tile of _n vertices on a row of the grid and _m triangles over them.
    void Fill(s32 _n, s32 _m)
    {
        vertices.assign((size_t)_n, Brisel_TerrainVertex());
        for (s32 i = 0; i < _n; ++i) {
            vertices[(size_t)i].x = (u32)(i % 64);
            vertices[(size_t)i].y = (u32)(i / 64);
            vertices[(size_t)i].z = (f32)(i % 7);
        }
        triangles.assign((size_t)_m, VEC_Triangle());
        for (s32 t = 0; t < _m; ++t)
            for (s32 k = 0; k < 3; ++k)
                triangles[(size_t)t].vertex[k] = (u16)(_n > 0 ? (t + k) % _n : 0);
    }

    std::vector<Brisel_TerrainVertex> vertices;
    std::vector<VEC_Triangle> triangles;
    MAT_Vector3 origin;
    MAT_Vector3 scale{1.0f, 1.0f, 1.0f};
    s32 reportVertices = -1;
    s32 reportTriangles = -1;
    std::vector<s32> vertexRooms;
    std::vector<s32> triangleRooms;
};

class TST_FakeTerrain : public Brisel_TerrainTriangulation
{
public:
    void BeginTriangulation() override
    {
        ++passes;
        m_next = 0;
    }
    Brisel_TerrainTile* UpdateTriangulation() override { return m_next < tiles.size() ? &tiles[m_next++] : nullptr; }

    std::vector<TST_FakeTerrainTile> tiles;
    s32 passes = 0;

private:
    size_t m_next = 0;
};
