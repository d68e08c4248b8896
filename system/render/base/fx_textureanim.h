// The texture animation of a particle emitter: a texture set played once over a particle's life
// or looped at a frame rate. The emitter description owns it; the renderer reads the first three
// fields through FX_TextureSet::GetTextureID.
#pragma once

#include "os_types.h"

enum : s32
{
    FX_TEXTUREANIM_ONESHOT = 0,
    FX_TEXTUREANIM_LOOP = 1,
    FX_TEXTUREANIM_NONE = 2  // after construction
};

struct FX_TextureAnim
{
    s32 type = FX_TEXTUREANIM_NONE;
    s32 textureSet = 0;  // 1-based handle into the resource cache's texture-set table, 0 none
    f32 frames = 1.0f;   // frames per unit of the animation parameter, set when the emitter starts
    f32 fps = 1.0f;      // frames per second of a looping animation
};
