// Helpers the scene library's node classes share.
#pragma once

#include "brisel_cache.h"
#include "os_fatal.h"
#include "os_types.h"
#include "reb_texturecache.h"

// A colour or alpha value of 0..1 scaled to a byte: truncated towards zero, then held to
// 0..255 (a value past 1 would otherwise wrap: 1.1 gave 24); NaN gives 0.
inline u8 NOD_ColorByte(f32 _scaled)
{
    if (!(_scaled > 0.0f))
        return 0;
    if (_scaled >= 255.0f)
        return 255;
    return (u8)(s32)_scaled;
}

// The id of an effect texture name in the run's registry (priority 32); fatal for _where when
// there is no resource cache.
inline s32 NOD_RegisterEffectTexture(const char* _name, const char* _where)
{
    if (Brisel_TheCache == nullptr)
        OS_Fatal(_where, "no resource cache");
    return Brisel_TheCache->GetTextureNames()->RegisterTextureName(_name, 32);
}
