// The texture budget: every texture starts at its smallest level, then each pass raises every
// texture that can grow by one available level, lower ids first, while the bytes of the levels
// reached by raising stay below the budget.
#include "dsp_texturecache.h"

#include "os_fatal.h"

DSP_TextureCache::DSP_TextureCache(s32 _count)
{
    if (_count > 0) {
        m_textures = new DSP_Texture[_count];
        m_count = _count;
    }
}

DSP_TextureCache::~DSP_TextureCache() { delete[] m_textures; }

void DSP_TextureCache::AllowFormat(s32 _type, s32 _allowed)
{
    if (_type < 0 || _type >= DSP_TEXTURE_NUM_FORMATS)
        OS_Fatal("DSP_TextureCache::AllowFormat()", "illegal format specified");
    m_formatAllowed[_type] = _allowed;
}

void DSP_TextureCache::AllowLevel(s32 _level, s32 _allowed)
{
    if (_level < 0 || _level >= DSP_TEXTURE_NUM_LEVELS)
        OS_Fatal("DSP_TextureCache::AllowLevel()", "illegal level specified");
    m_levelAllowed[_level] = _allowed;
}

void DSP_TextureCache::RequestTexture(const char* _name, s32 _id)
{
    if (_id < 0 || _id >= m_count)
        OS_Fatal("DSP_TextureCache::GetTextureLevel()", "texture id is out of range");
    m_textures[_id].SetName(_name);
}

s32 DSP_TextureCache::ChooseLevels(s32 _budget)
{
    for (s32 id = 0; id < m_count; ++id)
        if (m_textures[id].GetName() != nullptr)
            m_textures[id].CollectInformation(m_formatAllowed, m_levelAllowed);

    // Sums in 64 bits: hundreds of large levels must not wrap around into a small total.
    s64 total = 0;
    s64 passSum = 0;
    for (;;) {
        total += passSum;
        passSum = 0;
        s32 raised = 0;
        for (s32 id = 0; id < m_count; ++id) {
            DSP_Texture& texture = m_textures[id];
            if (texture.GetName() == nullptr)
                continue;
            s32 type = DSP_TEXTURE_NONE;
            s32 level = DSP_TEXTURE_NO_LEVEL;
            s32 width = -1;
            s32 height = -1;
            s32 size = -1;
            if (texture.CountLevelsFromZero() == 1) {
                // Never raised, yet charged again in every pass.
                texture.GetLoadInfo(&type, &level, &width, &height, &size);
                passSum += size;
                continue;
            }
            texture.GetNextLevelInfo(&type, &level, &width, &height, &size);
            if (type != DSP_TEXTURE_NONE && (s64)size + passSum + total < (s64)_budget) {
                texture.SetLoadInfo(type, level);
                passSum += size;
                ++raised;
            }
        }
        if (raised == 0)
            break;
    }
    return 1;
}

bool DSP_TextureCache::GetTextureLevel(s32 _id, DSP_Texture** _texture)
{
    if (_id < 0 || _id >= m_count)
        OS_Fatal("DSP_TextureCache::GetTextureLevel()", "texture id is out of range");
    DSP_Texture& texture = m_textures[_id];
    s32 type = DSP_TEXTURE_NONE;
    texture.GetLoadInfo(&type, nullptr, nullptr, nullptr, nullptr);
    if (texture.GetName() == nullptr || type == DSP_TEXTURE_NONE) {
        if (_texture != nullptr)
            *_texture = nullptr;
        return false;
    }
    if (_texture != nullptr)
        *_texture = &texture;
    return true;
}
