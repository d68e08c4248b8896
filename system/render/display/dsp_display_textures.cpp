// The texture table: creation, loading through the texture cache, locks and release.
#include <cstring>

#include "dsp_display.h"
#include "dsp_display_local.h"
#include "dsp_enum.h"
#include "dsp_texture.h"
#include "dsp_texturecache.h"
#include "os_fatal.h"

#define DSP_SITE_BASE 5000

namespace
{

// Support-flag index (R5G6B5, A1R5G5B5, A8R8G8B8, A4R4G4B4, DXT1..DXT5) of each texture type.
const s32 s_supportOfType[DSP_TEXTURE_NUM_FORMATS] = {4, 5, 6, 7, 8, 1, 0, 2, 3};

}  // namespace

u32 DSP_TextureFormat(s32 _type)
{
    static const u32 s_formats[DSP_TEXTURE_NUM_FORMATS] = {
        DEV_FMT_DXT1,     DEV_FMT_DXT2,   DEV_FMT_DXT3,     DEV_FMT_DXT4,     DEV_FMT_DXT5,
        DEV_FMT_A1R5G5B5, DEV_FMT_R5G6B5, DEV_FMT_A8R8G8B8, DEV_FMT_A4R4G4B4,
    };
    return s_formats[_type];
}

void DSP_Display::CheckTextureRange(s32* _first, s32* _last, const char* _caption) const
{
    if (*_first == -1 && *_last == -1) {
        *_first = 0;
        *_last = m_textureCount - 1;
        return;
    }
    if (*_first > *_last)
        OS_Fatal(_caption, "minid must be lower than maxid");
    if (*_last >= m_textureCount)
        OS_Fatal(_caption, "maxid must be less than maxnumoftextures");
    // A negative first id reaches back to the start of the table, never before it.
    if (*_first < 0)
        *_first = 0;
}

void DSP_Display::ReleaseTextureRange(s32 _first, s32 _last)
{
    for (s32 id = _first; id <= _last; ++id) {
        if (m_textures[id] != 0) {
            m_device->ReleaseTexture(m_textures[id]);
            m_textures[id] = 0;
        }
    }
}

void DSP_Display::ForgetStageTextures()
{
    for (s32 stage = 0; stage < DSP_NUM_STAGES; ++stage)
        m_stages[stage][DSP_TSS_TEXTURE].value = -1;
}

void DSP_Display::UnbindTextureEverywhere(s32 _id)
{
    for (s32 stage = 0; stage < DSP_NUM_STAGES; ++stage)
        if (m_stages[stage][DSP_TSS_TEXTURE].value == _id)
            SetTextureStageState(stage, DSP_TSS_TEXTURE, -1);
}

void DSP_Display::ReleaseTextureTable()
{
    if (m_textures == nullptr)
        return;
    for (s32 id = 0; id < m_textureCount; ++id)
        if (m_textures[id] != 0 && m_device != nullptr)
            m_device->ReleaseTexture(m_textures[id]);
    MEM_Free(m_textures);
    m_textures = nullptr;
    m_textureCount = 0;
}

void DSP_Display::PreloadTextures()
{
    for (s32 id = 0; id < m_textureCount; ++id)
        if (m_textures[id] != 0)
            m_device->PreLoad(m_textures[id]);
}

s32 DSP_Display::SetTextureCacheSize(s32 _count)
{
    ReleaseTextureTable();
    // Stage bindings name ids of the old table; none of them exists any more.
    ForgetStageTextures();
    delete m_textureCache;
    m_textureCache = nullptr;
    if (_count < 0)
        _count = 0;
    m_textures = (DEV_Handle*)MEM_AllocOrDie((u32)(_count > 0 ? _count : 1) * (u32)sizeof(DEV_Handle),
                                             "DSP_Display::SetTextureCacheSize()");
    memset(m_textures, 0, (size_t)(_count > 0 ? _count : 1) * sizeof(DEV_Handle));
    m_textureCount = _count;
    m_textureCache = new DSP_TextureCache(_count);
    return 0;
}

s32 DSP_Display::RequestTexture(s32 _id, const char* _name)
{
    if (m_textureCache == nullptr)
        OS_Fatal("DSP_Display::RequestTexture()", "no texturcache set");
    m_textureCache->RequestTexture(_name, _id);
    return 0;
}

s32 DSP_Display::Texture_ReloadTextures(s32 _first, s32 _last, s32 _budget, s32 _mipMap, s32 _compressed)
{
    if (m_textures == nullptr)
        return 1;
    s32 first = _first;
    s32 last = _last;
    CheckTextureRange(&first, &last, "DSP_Display::Texture_ReloadTextures()");
    DSP_RequireDevice(m_device, "DSP_Display::Texture_ReloadTextures()");

    for (s32 type = DSP_TEXTURE_DXT1; type <= DSP_TEXTURE_DXT5; ++type)
        m_textureCache->AllowFormat(type, _compressed && m_formatSupported[s_supportOfType[type]] ? 1 : 0);
    for (s32 type = DSP_TEXTURE_A1R5G5B5; type <= DSP_TEXTURE_A8R8G8B8; ++type)
        m_textureCache->AllowFormat(type, m_formatSupported[s_supportOfType[type]] ? 1 : 0);
    m_textureCache->AllowFormat(DSP_TEXTURE_A4R4G4B4, 0);
    for (s32 level = 0; level < DSP_TEXTURE_NUM_LEVELS; ++level)
        m_textureCache->AllowLevel(
            level, m_caps.maxTextureWidth >= (1u << level) && m_caps.maxTextureHeight >= (1u << level) ? 1 : 0);
    if (!m_textureCache->ChooseLevels(_budget))
        return 1;

    Texture_FlushTextures(_first, _last);
    for (s32 id = first; id <= last; ++id) {
        DSP_Texture* texture = nullptr;
        if (!m_textureCache->GetTextureLevel(id, &texture))
            continue;
        Texture_CreateFromFile(id, texture, _mipMap);
        m_device->PreLoad(m_textures[id]);
    }
    return 0;
}

s32 DSP_Display::Texture_FlushTextures(s32 _first, s32 _last)
{
    if (m_textures == nullptr)
        return 1;
    CheckTextureRange(&_first, &_last, "DSP_Display::Texture_FlushTextures()");
    ReleaseTextureRange(_first, _last);
    ForgetStageTextures();
    return 0;
}

s32 DSP_Display::Texture_ReleaseTextureSurfaces(s32 _first, s32 _last)
{
    if (m_textures == nullptr)
        return 1;
    CheckTextureRange(&_first, &_last, "DSP_Display::Texture_ReleaseTextureSurfaces()");
    ReleaseTextureRange(_first, _last);
    return 0;
}

s32 DSP_Display::Texture_Create(s32 _id, s32 _type, s32 _level, s32 _mipCount)
{
    const char* caption = "DSP_Display::Texture_Create()";
    if (_id < 0 || _id >= m_textureCount)
        OS_Fatal(caption, "ID is out of range");
    if (_mipCount < 1 || _mipCount > 12)
        OS_Fatal(caption, "numofmiplevels is out of range");
    if (_type < 0 || _type > 8)
        OS_Fatal(caption, "illegal type");
    DSP_RequireDevice(m_device, caption);
    if (m_textures[_id] != 0) {
        // A stage that still held the old texture would keep drawing with a released one.
        UnbindTextureEverywhere(_id);
        m_device->ReleaseTexture(m_textures[_id]);
        m_textures[_id] = 0;
    }
    if (_level < 0 || _level >= DSP_TEXTURE_NUM_LEVELS)
        DSP_CHECK(DEV_ERR_INVALIDCALL);
    const u32 side = 1u << _level;
    DEV_Handle texture = 0;
    DSP_CHECK(
        m_device->CreateTexture(side, side, (u32)_mipCount, 0, DSP_TextureFormat(_type), DEV_POOL_MANAGED, &texture));
    m_textures[_id] = texture;
    return 0;
}

s32 DSP_Display::Texture_CreateFromFile(s32 _id, DSP_Texture* _texture, s32 _mipMap)
{
    s32 type = 0, level = 0, width = 0, height = 0, size = 0;
    _texture->GetLoadInfo(&type, &level, &width, &height, &size);
    if (type < 0 || type > 7)
        OS_Fatal("DSP_Display::Texture_LoadFromFile()", "illegal type");
    const s32 mipCount = _mipMap ? _texture->GetNumOfMipLevels() : 1;
    Texture_Create(_id, type, level, mipCount);
    for (s32 mip = 0; mip < mipCount; ++mip) {
        u8* bits = nullptr;
        s32 pitch = 0;
        DSP_CHECK(m_device->LockRect(m_textures[_id], (u32)mip, &bits, &pitch, 0));
        _texture->LoadFromFile(bits, pitch, size, type, mip);
        DSP_CHECK(m_device->UnlockRect(m_textures[_id], (u32)mip));
    }
    return 1;
}

s32 DSP_Display::Texture_Refresh(s32 _id, const void* _pixels, u64 _bytes)
{
    const char* caption = "DSP_Display::Texture_Refresh()";
    if (_id < 0 || _id >= m_textureCount)
        OS_Fatal(caption, "ID is out of range");
    if (m_textures[_id] == 0)
        OS_Fatal(caption, "no surface created");
    DEV_SurfaceDesc desc;
    DSP_CHECK(m_device->GetLevelDesc(m_textures[_id], 0, &desc));
    const u32 rowBytes = desc.width * D3DUtil_BitsPerPixel(desc.format) / 8;
    if (rowBytes == 0)
        return 1;
    if ((u64)rowBytes * desc.height > _bytes) {
        OS_Log(OS_Format("%s texture %d is %ux%u, larger than the %llu bytes given: not refreshed", caption, (int)_id,
                         (unsigned)desc.width, (unsigned)desc.height, (unsigned long long)_bytes));
        return 1;
    }
    u8* bits = nullptr;
    s32 pitch = 0;
    DSP_CHECK(m_device->LockRect(m_textures[_id], 0, &bits, &pitch, 0));
    const u8* source = (const u8*)_pixels;
    // Rows stop where the level's memory ends, whatever the format's row count would say.
    for (u32 row = 0; row < desc.height; ++row) {
        const u64 end = (u64)row * (u64)pitch + rowBytes;
        if (pitch <= 0 || end > desc.size)
            break;
        memcpy(bits + (size_t)row * (size_t)pitch, source + (size_t)row * rowBytes, rowBytes);
    }
    DSP_CHECK(m_device->UnlockRect(m_textures[_id], 0));
    return 0;
}

s32 DSP_Display::Texture_Lock(s32 _id, s32 _level, void** _bits, s32* _pitch)
{
    const char* caption = "DSP_Display::Texture_Lock()";
    if (_id < 0 || _id >= m_textureCount)
        OS_Fatal(caption, "ID is out of range");
    if (m_textures[_id] == 0)
        OS_Fatal(caption, "no surface created");
    u8* bits = nullptr;
    *_bits = nullptr;
    DSP_CHECK(m_device->LockRect(m_textures[_id], (u32)_level, &bits, _pitch, 0));
    *_bits = bits;
    return 0;
}

s32 DSP_Display::Texture_Unlock(s32 _id, s32 _level)
{
    const char* caption = "DSP_Display::Texture_Unlock()";
    if (_id < 0 || _id >= m_textureCount)
        OS_Fatal(caption, "ID is out of range");
    if (m_textures[_id] == 0)
        OS_Fatal(caption, "no surface created");
    DSP_CHECK(m_device->UnlockRect(m_textures[_id], (u32)_level));
    return 0;
}

s32 DSP_Display::Texture_Destroy(s32 _id)
{
    const char* caption = "DSP_Display::Texture_Destroy()";
    if (_id < 0 || _id >= m_textureCount)
        OS_Fatal(caption, "ID is out of range");
    if (m_textures[_id] == 0)
        OS_Fatal(caption, "no surface created");
    UnbindTextureEverywhere(_id);
    m_device->ReleaseTexture(m_textures[_id]);
    m_textures[_id] = 0;
    return 0;
}
