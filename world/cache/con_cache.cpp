// How the engine's resource kinds load and give back what they hold.
#include "con_cache.h"

#include <cstdio>

#include "brisel_mesh.h"
#include "des_file.h"
#include "fx_textureset.h"
#include "os_path.h"
#include "reb_mesh.h"
#include "snd_sample.h"
#include "vca_cache.h"
#include "vec_mesh.h"

namespace
{

// The mesh readers stop the program on a missing file themselves; the table wants to say so
// in its own words, or log it for a mesh that may be absent. A mesh file is a description
// file: its pre-parsed image alone is a mesh there too, which the reader then loads.
// A name that resolves to a directory (an empty one names the folder) is no mesh file.
bool RegularFileThere(const char* _path)
{
    FILE* file = OS_OpenDataFile(_path, "rb");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

bool MeshFileThere(const char* _path)
{
    if (RegularFileThere(_path))
        return true;
    char image[1024];
    return DES_ImageName(_path, image, sizeof(image)) != 0 && RegularFileThere(image);
}

}  // namespace

u32 CON_CacheKind<VEC_Mesh>::Load(VEC_Mesh* _object, const char* _path)
{
    return MeshFileThere(_path) && _object->Load(_path) != 0 ? 1 : 0;
}

void CON_CacheKind<VEC_Mesh>::Destroy(VEC_Mesh* _object) { delete _object; }

u32 CON_CacheKind<REB_Mesh>::Load(REB_Mesh* _object, const char* _path)
{
    return MeshFileThere(_path) && _object->LoadFromFile(_path) != 0 ? 1 : 0;
}

void CON_CacheKind<REB_Mesh>::Destroy(REB_Mesh* _object) { delete _object; }

u32 CON_CacheKind<Brisel_Mesh>::Load(Brisel_Mesh* _object, const char* _path)
{
    return _object->Load(_path) != 0 ? 1 : 0;
}

// Gives the visual's meshes back to their tables before it goes. The table made the object
// as a Brisel_Mesh, so deleting it as one is exact although its renderer base has no
// virtual destructor.
void CON_CacheKind<Brisel_Mesh>::Destroy(Brisel_Mesh* _object)
{
    _object->Release();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
    delete _object;
#pragma GCC diagnostic pop
}

u32 CON_CacheKind<SND_Sample>::Load(SND_Sample* _object, const char* _path)
{
    return _object->Load(_path) != 0 ? 1 : 0;
}

void CON_CacheKind<SND_Sample>::Destroy(SND_Sample* _object)
{
    _object->Free();
    delete _object;
}

u32 CON_CacheKind<FX_TextureSet>::Load(FX_TextureSet* _object, const char* _path)
{
    return _object->Load(_path) != 0 ? 1 : 0;
}

void CON_CacheKind<FX_TextureSet>::Destroy(FX_TextureSet* _object)
{
    _object->Clear();
    delete _object;
}

u32 CON_CacheKind<VCA_Cache>::Load(VCA_Cache* _object, const char* _path) { return _object->Load(_path) != 0 ? 1 : 0; }

void CON_CacheKind<VCA_Cache>::Destroy(VCA_Cache* _object)
{
    _object->Release();
    delete _object;
}
