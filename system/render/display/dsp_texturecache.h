// The display's texture cache: one DSP_Texture per texture id, and the choice of a level for
// every named texture so that all of them together fit a byte budget.
//
// The display tells the cache which types and levels its device takes, names the textures,
// then calls ChooseLevels; afterwards GetTextureLevel gives each texture that has files, with
// the type and level to create. The cache owns its records and their names.
#pragma once

#include "dsp_texture.h"
#include "mem_alloc.h"
#include "os_types.h"

class DSP_TextureCache : public MEM_Object
{
public:
    explicit DSP_TextureCache(s32 _count);  // _count records, every flag off
    ~DSP_TextureCache();
    DSP_TextureCache(const DSP_TextureCache&) = delete;
    DSP_TextureCache& operator=(const DSP_TextureCache&) = delete;

    void AllowFormat(s32 _type, s32 _allowed);  // type 0-8
    void AllowLevel(s32 _level, s32 _allowed);  // level 0-11
    // Names the record of _id (null clears it) and forgets its choice.
    void RequestTexture(const char* _name, s32 _id);

    // Reads every named texture's files again and starts each at its smallest available level;
    // then passes over the ids in order, raising every texture that can grow by its next
    // available level while the levels reached by raising stay below _budget bytes. A texture
    // whose only levels from 0 are level 0 alone is charged its level-0 size in every pass.
    // Always returns 1.
    s32 ChooseLevels(s32 _budget);

    // The record of _id and true when it is named and has a chosen type; else null and false.
    bool GetTextureLevel(s32 _id, DSP_Texture** _texture);

    s32 GetCount() const { return m_count; }

private:
    DSP_Texture* m_textures = nullptr;
    s32 m_count = 0;
    s32 m_formatAllowed[DSP_TEXTURE_NUM_FORMATS] = {};
    s32 m_levelAllowed[DSP_TEXTURE_NUM_LEVELS] = {};
};
