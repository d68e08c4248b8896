// The run's resource caches.
#include "brisel_cache.h"

#include "brisel_mesh.h"
#include "cos_obbs_treecache.h"
#include "fx_textureset.h"
#include "mto_patch.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "snd_sample.h"
#include "snd_samplecache.h"
#include "snd_sampletable.h"
#include "vca_cache.h"
#include "vec_mesh.h"

template class CON_Cache<VEC_Mesh>;
template class CON_Cache<REB_Mesh>;
template class CON_Cache<Brisel_Mesh>;
template class CON_Cache<SND_Sample>;
template class CON_Cache<FX_TextureSet>;
template class CON_Cache<VCA_Cache>;
template class CON_Cache<MTO_Patch>;

Brisel_Cache* Brisel_TheCache = nullptr;

namespace
{

// The caches whose texture-set table FX_TextureSet resolves handles through.
Brisel_Cache* s_textureSetOwner = nullptr;

FX_TextureSet* ResolveTextureSet(s32 _handle)
{
    return s_textureSetOwner != nullptr ? s_textureSetOwner->GetTextureSetCache()->Get(_handle) : nullptr;
}

template <class T>
CON_Cache<T>* MakeTable(s32 _capacity, const char* _folder)
{
    CON_Cache<T>* table = new CON_Cache<T>(_capacity);
    table->SetPath(_folder);
    return table;
}

template <class T>
void DeleteTable(CON_Cache<T>*& _table)
{
    delete _table;
    _table = nullptr;
}

}  // namespace

Brisel_Cache::Brisel_Cache()
{
    m_textureNames = new REB_TextureCache(REB_GLOBAL_TEXTURE_CAPACITY, REB_GLOBAL_TEXTURE_FIRST_ID);
    m_trees = new COS_OBBS_Tree_Cache();
    m_trees->SetPath("vfx\\col\\");
    m_soundFiles = new SND_SampleCache();
    m_soundFiles->SetPath("sfx\\sound\\");
    m_meshes = MakeTable<VEC_Mesh>(BRISEL_CACHE_MESHES, "vfx\\msh\\");
    m_renderMeshes = MakeTable<REB_Mesh>(BRISEL_CACHE_RENDER_MESHES, "vfx\\msh\\");
    m_lightMeshes = MakeTable<REB_Mesh>(BRISEL_CACHE_LIGHT_MESHES, "dat\\lmesh\\");
    m_visuals = MakeTable<Brisel_Mesh>(BRISEL_CACHE_VISUALS, "vfx\\ash\\");
    m_samples = MakeTable<SND_Sample>(BRISEL_CACHE_SAMPLES, "sfx\\sample\\");
    m_textureSets = MakeTable<FX_TextureSet>(BRISEL_CACHE_TEXTURE_SETS, "vfx\\tex\\");
    m_animations = MakeTable<VCA_Cache>(BRISEL_CACHE_ANIMATIONS, "dat\\animation\\");
    m_topologies = MakeTable<MTO_Patch>(BRISEL_CACHE_TOPOLOGIES, "vfx\\top\\");

    FX_TextureSet::SetRegistry(m_textureNames);
    s_textureSetOwner = this;
    FX_TextureSet::SetTable(ResolveTextureSet);
    m_sampleTable = new SND_SampleTableOver<CON_Cache<SND_Sample>>(m_samples);
    SND_SampleTable::SetCurrent(m_sampleTable);
    COS_OBBS_Tree_Cache::SetCurrent(m_trees);
    m_previousResources = Brisel_Scene::SetResources(this);
}

Brisel_Cache::~Brisel_Cache()
{
    // Each hook is taken back right before what it points at goes, so the clean-ups of the
    // objects still held (a visual giving back its meshes) run with everything else in place.
    if (Brisel_Scene::GetResources() == this)
        Brisel_Scene::SetResources(m_previousResources);
    DeleteTable(m_topologies);
    DeleteTable(m_animations);
    FX_TextureSet::SetTable(nullptr);
    s_textureSetOwner = nullptr;
    DeleteTable(m_textureSets);
    SND_SampleTable::SetCurrent(nullptr);
    delete m_sampleTable;
    m_sampleTable = nullptr;
    DeleteTable(m_samples);
    DeleteTable(m_visuals);
    DeleteTable(m_lightMeshes);
    DeleteTable(m_renderMeshes);
    DeleteTable(m_meshes);
    delete m_soundFiles;
    m_soundFiles = nullptr;
    COS_OBBS_Tree_Cache::SetCurrent(nullptr);
    delete m_trees;
    m_trees = nullptr;
    FX_TextureSet::SetRegistry(nullptr);
    delete m_textureNames;
    m_textureNames = nullptr;
}

s32 Brisel_Cache::GetCapacity(Brisel_ResourceTable _table) const
{
    switch (_table) {
    case BRISEL_TABLE_MESHES:
        return m_meshes->GetCapacity();
    case BRISEL_TABLE_RENDER_MESHES:
        return m_renderMeshes->GetCapacity();
    case BRISEL_TABLE_DETAILED_MESHES:
        return m_visuals->GetCapacity();
    case BRISEL_TABLE_LIGHT_MESHES:
        return m_lightMeshes->GetCapacity();
    }
    return 0;
}

VEC_Mesh* Brisel_Cache::GetMesh(s32 _slot) { return m_meshes->GetSlot(_slot); }

REB_Mesh* Brisel_Cache::GetRenderMesh(s32 _slot) { return m_renderMeshes->GetSlot(_slot); }

Brisel_DetailedMesh* Brisel_Cache::GetDetailedMesh(s32 _slot) { return m_visuals->GetSlot(_slot); }

REB_Mesh* Brisel_Cache::GetLightMesh(s32 _slot) { return m_lightMeshes->GetSlot(_slot); }

s32 Brisel_Cache::AllocateTextureSet(const char* _name) { return m_textureSets->Allocate(_name, 1); }

void Brisel_Cache::ReleaseTextureSet(s32 _handle) { m_textureSets->Release(_handle); }

FX_TextureSet* Brisel_Cache::GetTextureSet(s32 _handle) { return m_textureSets->Get(_handle); }

void Brisel_Cache::SetLightMeshFolder(const char* _path) { m_lightMeshes->SetPath(_path); }
