// One texture id's files: which levels exist in which type, which level is chosen, and the
// reading of the chosen level and its mips into memory the display has locked.
//
// A texture named "dat\tex\rock" comes either as one uncompressed TGA per level
// ("dat\tex\rock_l0.tga" .. "dat\tex\rock_l11.tga", side 2^level) or as one DXT-compressed
// "dat\tex\rock.dds" with its smaller levels; a DDS file replaces the TGA files for the levels
// 2 and up that it holds. Files are found through OS_File (disk first, then the archive).
// Level L is a square of side 2^L; level 12 means none. Every query of a level or type outside
// its table is fatal; a missing or refused file is not: the texture simply has fewer levels.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

// Shared with the display layer.
enum DSP_TextureType : s32
{
    DSP_TEXTURE_DXT1 = 0,
    DSP_TEXTURE_DXT2 = 1,
    DSP_TEXTURE_DXT3 = 2,
    DSP_TEXTURE_DXT4 = 3,
    DSP_TEXTURE_DXT5 = 4,
    DSP_TEXTURE_A1R5G5B5 = 5,
    DSP_TEXTURE_R5G6B5 = 6,
    DSP_TEXTURE_A8R8G8B8 = 7,
    DSP_TEXTURE_A4R4G4B4 = 8,
    DSP_TEXTURE_NONE = 9,
};

enum
{
    DSP_TEXTURE_NUM_FORMATS = 9,  // allowed-format flags: types 0-8
    DSP_TEXTURE_NUM_LEVELS = 12,  // levels 0-11
    DSP_TEXTURE_NO_LEVEL = 12,
};

class DSP_Texture : public MEM_Object
{
public:
    DSP_Texture();
    ~DSP_Texture();
    DSP_Texture(const DSP_Texture&) = delete;
    DSP_Texture& operator=(const DSP_Texture&) = delete;

    // A private copy of _name (a path without extension); null clears it. The choice is reset.
    void SetName(const char* _name);
    const char* GetName() const { return m_name; }
    // The type the files offer at _level (9 where none); fatal outside 0-11.
    s32 GetLevelType(s32 _level) const;

    // Reads the files again: the level types, then the smallest available level as the choice.
    // Only levels whose flag is set are looked for as TGA; a DDS file counts only when its
    // type's flag is set. Returns 0 only when there is no name.
    u32 CollectInformation(const s32* _formatAllowed, const s32* _levelAllowed);

    // The chosen level: type, level, side, side, byte size; 9, 12, -1, -1, -1 when none.
    void GetLoadInfo(s32* _type, s32* _level, s32* _width, s32* _height, s32* _size) const;
    // The nearest available level above the chosen one, in the same form.
    void GetNextLevelInfo(s32* _type, s32* _level, s32* _width, s32* _height, s32* _size) const;
    void SetLoadInfo(s32 _type, s32 _level);
    // 1 plus the available levels directly below the chosen one, up to the first gap: mip i is
    // read from level (chosen level - i), so no mip below a gap could be filled. A DDS load
    // counts only the levels of the DDS file (levels 2 and up): its mips are read from it alone.
    s32 GetNumOfMipLevels() const;
    // Reads level (chosen level - _mip) into _destination, rows _pitch bytes apart, bottom row
    // first. Returns 0 when there is no name, the file is missing, does not hold that level at
    // its expected side or does not fit _size bytes; then nothing is written.
    u32 LoadFromFile(void* _destination, s32 _pitch, s32 _size, s32 _destinationType, s32 _mip);

    static s32 GetTexelCount(s32 _level);    // 4^level
    static s32 GetTexelSize(s32 _type);      // bits per texel, types 0-7
    static s32 GetTextureWidth(s32 _level);  // 2^level
    static s32 GetTextureHeight(s32 _level);
    // Bytes of one level: texels x bits / 8, at least one 4x4 block for the DXT types.
    static s32 GetLevelSize(s32 _type, s32 _level);
    // Consecutive available levels from level 0 (0 when level 0 is missing, 12 for all).
    s32 CountLevelsFromZero() const;

    // The type of the level file of _level (9 when missing, not square or not 2^level wide).
    static s32 CheckTGA(const char* _name, s32 _level);
    // Appends "_l<level>.tga" to the name in _buffer (levels 9-11 with two digits: "_l09").
    // _bufferSize bounds the whole result; a name that would not fit is cut, never overrun.
    static void TGA_AppendTextureLevelNameExtension(char* _buffer, u32 _bufferSize, s32 _level);

    // Marks the levels 2..side of "<name>.dds" with its DXT type when the file is accepted.
    void DDS_CollectInformation(const s32* _formatAllowed);
    // Reads level (chosen level - _mip) of the DDS file straight into _destination.
    u32 DDS_LoadLevel(void* _destination, s32 _size, s32 _mip);

private:
    char* m_name = nullptr;
    s32 m_levelType[DSP_TEXTURE_NUM_LEVELS] = {};
    s32 m_loadType = DSP_TEXTURE_NONE;
    s32 m_loadLevel = DSP_TEXTURE_NO_LEVEL;
};
