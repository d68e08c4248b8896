// The animation set.
#include "vca_cache.h"

#include "brisel_cache.h"
#include "des_file.h"
#include "os_fatal.h"
#include "os_string.h"
#include "sim_name.h"
#include "vca_animdata.h"
#include "vca_skin.h"
#include "vec_mesh.h"

namespace
{
const char* const FOLDER = "animation\\";

// FOLDER + _name into _out (PATH_BYTES); a name that does not fit is fatal with the set file.
void AnimationPath(char* _out, const char* _name, const char* _setFile)
{
    const s32 written = OS_SNPrintf(_out, VCA_Cache::PATH_BYTES, "%s%s", FOLDER, _name);
    if (written < 0 || written >= VCA_Cache::PATH_BYTES)
        OS_Fatal("VCA_Cache::LoadSet()", OS_Format("\"%s%s\" is longer than %d characters in file \"%s\"", FOLDER,
                                                   _name, VCA_Cache::PATH_BYTES - 1, _setFile));
}
}  // namespace

VCA_Cache::VCA_Cache() : skin(new VCA_Skin()) {}

VCA_Cache::~VCA_Cache() { Release(); }

u32 VCA_Cache::Load(const char* _path)
{
    (void)_path;
    // The set's loader was never finished: asking for a set stops the program at once.
    OS_Fatal("VCA_Cache::Load()", "not correctly implemented");
}

u32 VCA_Cache::LoadSet(const char* _path)
{
    DES_File file;
    DES_Section root;
    DES_Section total;
    file.Open(&root, _path);
    if (!root.FindSection(&total, "TotalAnimation"))
        DES_FatalSection("VCA_Cache::Load()", "TotalAnimation", file.GetName());

    // Longer than any path may be, so a name that does not fit is refused, not cut.
    char name[2 * PATH_BYTES] = {};
    total.GetString("Mesh", name, sizeof(name));
    // The reference path is checked first: a name too long for it is refused before the mesh
    // table is asked.
    AnimationPath(path, name, file.GetName());
    if (Brisel_TheCache == nullptr)
        OS_Fatal("VCA_Cache::LoadSet()", "no mesh table");
    CON_Cache<VEC_Mesh>* meshes = Brisel_TheCache->GetMeshCache();
    meshHandle = meshes->Allocate(name, 1);

    if (skin == nullptr)
        skin = new VCA_Skin();
    skin->LoadReferenceFrame(path);
    skin->SetMesh(meshes->Get(meshHandle), 1);

    s32 count = 0;
    total.GetS32("NumOfAnimation", &count);
    if (count < 0)
        OS_Fatal("VCA_Cache::LoadSet()", OS_Format("negative NumOfAnimation %d in file \"%s\"", count, file.GetName()));
    // The records are made only for the sections there are; a missing one stops the load when
    // its turn comes, after the ones before it.
    s32 present = 0;
    DES_Section animation;
    while (present < count && total.FindSectionIndexed(&animation, "Animation", (u32)present))
        ++present;
    if (present > 0) {
        animations = new VCA_AnimData[present];
        names = new SIM_Name[present];
        NumOfAnimation = present;
    }

    char animationPath[PATH_BYTES];
    for (s32 i = 0; i < count; ++i) {
        if (i >= present || !total.FindSectionIndexed(&animation, "Animation", (u32)i))
            DES_FatalSectionIndexed("NOD_Character::ParseIniFile()", "Animation", (u32)i, file.GetName());
        animation.GetString("Name", name, sizeof(name));
        names[i].SetName(name);
        animation.GetString("File", name, sizeof(name));
        AnimationPath(animationPath, name, file.GetName());
        animations[i].Load(animationPath, path);
    }
    file.Close();
    return 1;
}

void VCA_Cache::Release()
{
    if (meshHandle != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->GetMeshCache()->Release(meshHandle);
    meshHandle = 0;
    delete skin;
    skin = nullptr;
    // The records go last first.
    delete[] animations;
    animations = nullptr;
    delete[] names;
    names = nullptr;
    NumOfAnimation = 0;
}

s32 VCA_Cache::FindAnimation(const char* _name) const
{
    for (s32 i = 0; i < NumOfAnimation; ++i)
        if (OS_StrICmp(names[i].GetName(), _name) == 0)
            return i;
    return -1;
}
