#include "fx_textureset.h"

#include <cstdio>

#include "des_file.h"
#include "mat_round.h"
#include "os_fatal.h"
#include "reb_texturecache.h"

namespace
{

REB_TextureCache* s_registry = nullptr;
FX_TextureSet::Resolver s_resolver = nullptr;

// Frame names are registered with the priority every texture of the program uses.
const s32 FRAME_PRIORITY = 32;

}  // namespace

void FX_TextureSet::SetRegistry(REB_TextureCache* _registry) { s_registry = _registry; }

void FX_TextureSet::SetTable(Resolver _resolver) { s_resolver = _resolver; }

u32 FX_TextureSet::Load(const char* _path)
{
    DES_File file;
    DES_Section root;
    file.Open(&root, _path);
    Clear();

    DES_Section section;
    if (!root.FindSection(&section, "TextureSet"))
        DES_FatalSection("FX_TextureSet::Load", "TextureSet", file.GetName());
    // Longer than any registered name may be: the registry refuses what does not fit rather
    // than the getter cutting it short.
    char name[260] = {};
    section.GetString("Name", name, sizeof(name));
    s32 count = 0;
    section.GetS32("NumT", &count);
    if (count < 0 || count > MAX_FRAMES)
        OS_Fatal("FX_TextureSet::Load() - illegal number of textures", file.GetName());
    if (count == 0) {
        file.Close();
        return 0;
    }
    if (s_registry == nullptr)
        OS_Fatal("FX_TextureSet::Load()", "no texture-name registry");

    m_ids = (s32*)MEM_Alloc((u32)count * (u32)sizeof(s32));
    for (s32 i = 0; i < count; ++i) {
        char frameName[sizeof(name) + 12];  // room for any s32, though counts stop at 999
        snprintf(frameName, sizeof(frameName), "%s%03d", name, i + 1);
        m_ids[i] = s_registry->RegisterTextureName(frameName, FRAME_PRIORITY);
        m_count = i + 1;
    }
    file.Close();
    return 1;
}

void FX_TextureSet::Clear()
{
    MEM_Free(m_ids);
    m_ids = nullptr;
    m_count = 0;
}

s32 FX_TextureSet::GetID(s32 _frame) const
{
    if (_frame < 0 || _frame >= m_count)
        return -1;
    return m_ids[_frame];
}

s32 FX_TextureSet::GetTextureID(const FX_TextureAnim& _animation, f32 _a)
{
    const FX_TextureSet* set = s_resolver != nullptr ? s_resolver(_animation.textureSet) : nullptr;
    s32 frame = 0;
    switch (_animation.type) {
    case FX_TEXTUREANIM_ONESHOT:
        if (_a <= 0.0f)
            frame = 0;
        else if (_a >= 1.0f)
            frame = set != nullptr ? set->m_count - 1 : -1;
        else
            frame = MAT_FloorByRounding(_a * _animation.frames);
        break;
    case FX_TEXTUREANIM_LOOP: {
        // An empty set is answered before the modulo, which would divide by its zero count.
        if (set == nullptr || set->m_count == 0)
            return -1;
        const f32 fraction = _a - (f32)MAT_FloorByRounding(_a);
        frame = MAT_FloorByRounding(fraction * _animation.frames) % set->m_count;
        break;
    }
    default:
        OS_Fatal("FX_TextureSet::GetTextureID()", "illegal animation type");
    }
    return set != nullptr ? set->GetID(frame) : -1;
}
