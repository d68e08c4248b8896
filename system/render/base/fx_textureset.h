// Texture sets: a numbered sequence of textures played as an animation (the caustics, the
// animated particle textures).
//
// A ".tse" description file gives a base name and a count of at most 999; the set registers the
// names base name + "001", "002", ... with the global texture-name registry and keeps only the
// ids it hands out. The registry and the texture-set table belong to the resource cache, which
// installs them here (SetRegistry, SetTable) for as long as it lives; tests install their own.
// A set owns its id array. Frame lookups answer -1 for a missing set, an empty set or a frame
// outside the set, never reading past the ids.
#pragma once

#include "fx_textureanim.h"
#include "mem_alloc.h"
#include "os_types.h"

class REB_TextureCache;

class FX_TextureSet : public MEM_Object
{
public:
    enum
    {
        MAX_FRAMES = 999
    };  // frame numbers have three digits

    // The set of a 1-based table handle, or null (a handle outside the table, an empty slot).
    typedef FX_TextureSet* (*Resolver)(s32 _handle);

    FX_TextureSet() = default;
    ~FX_TextureSet() { Clear(); }
    FX_TextureSet(const FX_TextureSet&) = delete;
    FX_TextureSet& operator=(const FX_TextureSet&) = delete;

    static void SetRegistry(REB_TextureCache* _registry);
    static void SetTable(Resolver _resolver);

    // Reads a ".tse" file, replacing the ids: 1 with at least one frame, 0 for "NumT" 0.
    u32 Load(const char* _path);
    void Clear();
    // The id of frame _frame, -1 outside 0..count - 1.
    s32 GetID(s32 _frame) const;
    s32 GetCount() const { return m_count; }
    // The id of the animation's frame at parameter _a (0..1 over a particle's life), or -1.
    static s32 GetTextureID(const FX_TextureAnim& _animation, f32 _a);

private:
    s32* m_ids = nullptr;
    s32 m_count = 0;
};
