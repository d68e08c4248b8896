// The animation set.
#include "vca_cache.h"

#include "brisel_cache.h"
#include "os_fatal.h"
#include "sim_name.h"

VCA_Cache::~VCA_Cache() { Release(); }

u32 VCA_Cache::Load(const char* _path)
{
    (void)_path;
    // The set's loader was never finished: asking for a set stops the program at once.
    OS_Fatal("VCA_Cache::Load()", "not correctly implemented");
}

void VCA_Cache::Release()
{
    if (meshHandle != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->GetMeshCache()->Release(meshHandle);
    meshHandle = 0;
    // The skin and the animations are created only by the loader, which stops before it
    // makes any: a set never holds them here.
    delete[] names;
    names = nullptr;
    NumOfAnimation = 0;
}
