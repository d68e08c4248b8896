// The resource caches of a benchmark run: every table of file-backed resources that the
// run's nodes share, owned by one object reached through Brisel_TheCache.
//
// The benchmark state creates it before every other object of the run and deletes it after
// all of them, so no holder of a handle outlives its object. While it lives it is the
// renderer's resource tables (Brisel_Scene), FX_TextureSet's texture-name registry and
// texture-set table, the sample descriptions' samples table (SND_SampleTable) and the run's
// collision-tree cache; its destructor takes all of these back. Destroying it destroys every object its tables still hold, in the order that lets a
// body visual give its meshes back first. One thread.
#pragma once

#include "brisel_scene.h"
#include "con_cache.h"
#include "mem_alloc.h"
#include "os_types.h"

class Brisel_Mesh;
class COS_OBBS_Tree_Cache;
class FX_TextureSet;
class MTO_Patch;
class REB_Mesh;
class REB_TextureCache;
class SND_Sample;
class SND_SampleCache;
class SND_SampleTable;
class VCA_Cache;
class VEC_Mesh;

// Capacities of the tables (entries).
enum : s32
{
    BRISEL_CACHE_MESHES = 128,
    BRISEL_CACHE_RENDER_MESHES = 256,
    BRISEL_CACHE_LIGHT_MESHES = 256,
    BRISEL_CACHE_VISUALS = 128,
    BRISEL_CACHE_SAMPLES = 128,
    BRISEL_CACHE_TEXTURE_SETS = 64,
    BRISEL_CACHE_ANIMATIONS = 64,
    BRISEL_CACHE_TOPOLOGIES = 128,
};

class Brisel_Cache final : public MEM_Object, public Brisel_ResourceTables
{
public:
    Brisel_Cache();
    ~Brisel_Cache();
    Brisel_Cache(const Brisel_Cache&) = delete;
    Brisel_Cache& operator=(const Brisel_Cache&) = delete;

    // Geometry meshes, "vfx\msh\": collision and shrapnel sources, characters' meshes.
    CON_Cache<VEC_Mesh>* GetMeshCache() const { return m_meshes; }
    // Render meshes of bodies, "vfx\msh\".
    CON_Cache<REB_Mesh>* GetRenderMeshCache() const { return m_renderMeshes; }
    // Pre-lit meshes of generic bodies, "dat\lmesh\" until the scene sets its own folder.
    CON_Cache<REB_Mesh>* GetLightMeshCache() const { return m_lightMeshes; }
    // Body visual descriptions, "vfx\ash\".
    CON_Cache<Brisel_Mesh>* GetVisualCache() const { return m_visuals; }
    // Samples named by sample descriptions, "sfx\sample\".
    CON_Cache<SND_Sample>* GetSampleCache() const { return m_samples; }
    // Texture sets of particle emitters and texture animations, "vfx\tex\".
    CON_Cache<FX_TextureSet>* GetTextureSetCache() const { return m_textureSets; }
    // Animation sets of characters, "dat\animation\".
    CON_Cache<VCA_Cache>* GetAnimationCache() const { return m_animations; }
    // Patch topologies, "vfx\top\".
    CON_Cache<MTO_Patch>* GetTopologyCache() const { return m_topologies; }
    // Collision trees, "vfx\col\".
    COS_OBBS_Tree_Cache* GetTreeCache() const { return m_trees; }
    // Sound files of the sound device, "sfx\sound\".
    SND_SampleCache* GetSoundFiles() const { return m_soundFiles; }

    // The renderer's view (Brisel_ResourceTables).
    s32 GetCapacity(Brisel_ResourceTable _table) const override;
    VEC_Mesh* GetMesh(s32 _slot) override;
    REB_Mesh* GetRenderMesh(s32 _slot) override;
    Brisel_DetailedMesh* GetDetailedMesh(s32 _slot) override;
    REB_Mesh* GetLightMesh(s32 _slot) override;
    s32 AllocateTextureSet(const char* _name) override;
    void ReleaseTextureSet(s32 _handle) override;
    FX_TextureSet* GetTextureSet(s32 _handle) override;
    // Texture names with ids 512 to 703.
    REB_TextureCache* GetTextureNames() override { return m_textureNames; }
    void SetLightMeshFolder(const char* _path) override;

private:
    CON_Cache<VEC_Mesh>* m_meshes = nullptr;
    CON_Cache<REB_Mesh>* m_renderMeshes = nullptr;
    CON_Cache<REB_Mesh>* m_lightMeshes = nullptr;
    CON_Cache<Brisel_Mesh>* m_visuals = nullptr;
    CON_Cache<SND_Sample>* m_samples = nullptr;
    CON_Cache<FX_TextureSet>* m_textureSets = nullptr;
    CON_Cache<VCA_Cache>* m_animations = nullptr;
    CON_Cache<MTO_Patch>* m_topologies = nullptr;
    REB_TextureCache* m_textureNames = nullptr;
    COS_OBBS_Tree_Cache* m_trees = nullptr;
    SND_SampleCache* m_soundFiles = nullptr;

    // What it installs beside the tables.
    SND_SampleTable* m_sampleTable = nullptr;
    Brisel_ResourceTables* m_previousResources = nullptr;
};

// The run's resource caches: set by whoever creates them (the benchmark state; tests) and
// cleared when they are deleted; null outside a run.
extern Brisel_Cache* Brisel_TheCache;

// The tables are compiled once, with the caches.
extern template class CON_Cache<VEC_Mesh>;
extern template class CON_Cache<REB_Mesh>;
extern template class CON_Cache<Brisel_Mesh>;
extern template class CON_Cache<SND_Sample>;
extern template class CON_Cache<FX_TextureSet>;
extern template class CON_Cache<VCA_Cache>;
extern template class CON_Cache<MTO_Patch>;
