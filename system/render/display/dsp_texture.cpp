// Texture files: TGA level files and DDS files, found through OS_File.
//
// Everything read here may be missing, stale or damaged: the files are looked at again at
// every collection and every load, and a load writes only when the file holds exactly the
// level asked for and it fits the destination.
#include "dsp_texture.h"

#include <cstring>

#include "dsp_dds.h"
#include "gfx_picturetga.h"
#include "os_fatal.h"
#include "os_file.h"
#include "os_string.h"

namespace
{

// Room for "_l11.tga" or ".dds" after the name.
const u32 kSuffixRoom = 16;

// A file name built from the texture name; freed with the object.
class FileName
{
public:
    explicit FileName(const char* _name)
    {
        m_size = OS_StrLen(_name) + kSuffixRoom;
        m_text = (char*)MEM_AllocOrDie(m_size, "DSP_Texture");
        OS_StrCopyBounded(m_text, _name, m_size);
    }
    ~FileName() { MEM_Free(m_text); }
    FileName(const FileName&) = delete;
    FileName& operator=(const FileName&) = delete;

    char* Text() { return m_text; }
    u32 Size() const { return m_size; }

private:
    char* m_text = nullptr;
    u32 m_size = 0;
};

void Put(s32* _out, s32 _value)
{
    if (_out != nullptr)
        *_out = _value;
}

bool IsLevel(s32 _level) { return _level >= 0 && _level < DSP_TEXTURE_NUM_LEVELS; }
bool IsDxt(s32 _type) { return _type >= DSP_TEXTURE_DXT1 && _type <= DSP_TEXTURE_DXT5; }

}  // namespace

DSP_Texture::DSP_Texture()
{
    for (s32& type : m_levelType)
        type = DSP_TEXTURE_NONE;
}

DSP_Texture::~DSP_Texture()
{
    if (m_name != nullptr)
        OS_StrFree(m_name);
}

void DSP_Texture::SetName(const char* _name)
{
    if (m_name != nullptr)
        OS_StrFree(m_name);
    m_name = _name != nullptr ? OS_StrDup(_name) : nullptr;
    m_loadType = DSP_TEXTURE_NONE;
    m_loadLevel = DSP_TEXTURE_NO_LEVEL;
}

s32 DSP_Texture::GetLevelType(s32 _level) const
{
    if (!IsLevel(_level))
        OS_Fatal("DSP_Texture::GetLevelType()", "illegal level");
    return m_levelType[_level];
}

s32 DSP_Texture::GetTexelCount(s32 _level)
{
    if (!IsLevel(_level))
        OS_Fatal("DSP_Texture::GetTexelCount()", "illegal level");
    return (s32)1 << (2 * _level);
}

s32 DSP_Texture::GetTexelSize(s32 _type)
{
    static const s32 kBits[8] = {4, 8, 8, 8, 8, 16, 16, 32};
    if (_type < 0 || _type > DSP_TEXTURE_A8R8G8B8)
        OS_Fatal("DSP_Texture::GetTexelSize()", "illegal texture type");
    return kBits[_type];
}

s32 DSP_Texture::GetTextureWidth(s32 _level)
{
    if (!IsLevel(_level))
        OS_Fatal("DSP_Texture::GetTextureWidth()", "illegal level");
    return (s32)1 << _level;
}

s32 DSP_Texture::GetTextureHeight(s32 _level)
{
    if (!IsLevel(_level))
        OS_Fatal("DSP_Texture::GetTextureHeight()", "illegal level");
    return (s32)1 << _level;
}

s32 DSP_Texture::GetLevelSize(s32 _type, s32 _level)
{
    const s32 bits = GetTexelSize(_type);
    const s32 texels = GetTexelCount(_level);
    // Compressed levels below 4x4 still take one whole block.
    if (IsDxt(_type) && _level < 2)
        return _type == DSP_TEXTURE_DXT1 ? 8 : 16;
    return texels * bits / 8;
}

s32 DSP_Texture::CountLevelsFromZero() const
{
    s32 count = 0;
    while (count < DSP_TEXTURE_NUM_LEVELS && m_levelType[count] != DSP_TEXTURE_NONE)
        ++count;
    return count;
}

void DSP_Texture::TGA_AppendTextureLevelNameExtension(char* _buffer, u32 _bufferSize, s32 _level)
{
    if (!IsLevel(_level))
        OS_Fatal("DSP_Texture::TGA_AppendTextureLevelNameExtension()", "illegal texture level");
    if (_buffer == nullptr || _bufferSize == 0)
        return;
    const u32 length = (u32)strnlen(_buffer, _bufferSize - 1);
    // The level files of 9 to 11 carry two digits: level 9 is "_l09", never "_l9".
    OS_SNPrintf(_buffer + length, _bufferSize - length, _level == 9 ? "_l09.tga" : "_l%d.tga", (int)_level);
}

s32 DSP_Texture::CheckTGA(const char* _name, s32 _level)
{
    if (!IsLevel(_level))
        OS_Fatal("DSP_Texture::CheckTGA()", "illegal texturelevel");
    FileName fileName(_name);
    TGA_AppendTextureLevelNameExtension(fileName.Text(), fileName.Size(), _level);
    GFX_PictureTGA picture;
    if (!picture.Open(fileName.Text(), 0))
        return DSP_TEXTURE_NONE;
    if (picture.GetWidth() != picture.GetHeight() || picture.GetWidth() != GetTextureWidth(_level))
        return DSP_TEXTURE_NONE;
    switch (picture.GetDepth()) {
    case 16:
        return DSP_TEXTURE_A1R5G5B5;
    case 24:
        return DSP_TEXTURE_R5G6B5;
    case 32:
        return DSP_TEXTURE_A8R8G8B8;
    default:
        return DSP_TEXTURE_NONE;
    }
}

void DSP_Texture::DDS_CollectInformation(const s32* _formatAllowed)
{
    if (m_name == nullptr || _formatAllowed == nullptr)
        return;
    FileName fileName(m_name);
    OS_StrCat(fileName.Text(), ".dds");
    OS_File file;
    if (!file.Open(fileName.Text()))
        return;
    u8 bytes[DSP_DDS_DATA_OFFSET];
    const u32 got = file.Read(bytes, sizeof(bytes));
    DSP_DdsHeader header;
    if (!DSP_DdsDecodeHeader(bytes, got, &header)) {
        if (got < sizeof(bytes))
            OS_Log(OS_Format("DSP_Texture::DDS_CollectInformation(): %s is shorter than its header, ignored",
                             fileName.Text()));
        return;
    }
    if ((header.flags & DSP_DDS_FLAG_WIDTH) == 0)
        return;
    const s32 type = DSP_DdsTypeOfCode(header.fourCC);
    if (type == DSP_TEXTURE_NONE || _formatAllowed[type] == 0)
        return;
    if (header.width != header.height)
        return;
    const s32 fileLevel = DSP_DdsLevelOfSide(header.width);
    if (fileLevel < 0)
        OS_Fatal("DSP_Texture::DDS_CollectInformation()", "illegal texture width");
    if (fileLevel == 0)
        OS_Fatal("DSP_Texture::DDS_CollectInformation() - dxt compressed texture have to be 4x4 or bigger, "
                 "this one is 1x1",
                 m_name);
    if (fileLevel == 1)
        OS_Fatal("DSP_Texture::DDS_CollectInformation() - dxt compressed texture have to be 4x4 or bigger, "
                 "this one is 2x2",
                 m_name);

    // The file stands for every level from its side down to 4x4, so it must hold all of them.
    const u32 needed = (u32)fileLevel - 1;
    if (DSP_DdsStoredLevels(header) < needed) {
        OS_Log(OS_Format("DSP_Texture::DDS_CollectInformation(): %s stores %u of %u levels, ignored", fileName.Text(),
                         DSP_DdsStoredLevels(header), needed));
        return;
    }
    const u64 end = DSP_DdsLevelOffset(type, fileLevel, 1);
    if ((u64)file.Size() < end) {
        OS_Log(OS_Format("DSP_Texture::DDS_CollectInformation(): %s is shorter than its levels, ignored",
                         fileName.Text()));
        return;
    }
    for (s32 level = 2; level <= fileLevel; ++level)
        m_levelType[level] = type;
}

u32 DSP_Texture::CollectInformation(const s32* _formatAllowed, const s32* _levelAllowed)
{
    if (_formatAllowed == nullptr)
        OS_Fatal("DSP_Texture::CollectInformation()", "format array must not be NULL");
    if (_levelAllowed == nullptr)
        OS_Fatal("DSP_Texture::CollectInformation()", "level array must not be NULL");
    if (m_name == nullptr)
        return 0;
    for (s32 level = DSP_TEXTURE_NUM_LEVELS - 1; level >= 0; --level) {
        m_levelType[level] = DSP_TEXTURE_NONE;
        if (_levelAllowed[level] != 0)
            m_levelType[level] = CheckTGA(m_name, level);
    }
    DDS_CollectInformation(_formatAllowed);

    m_loadType = DSP_TEXTURE_NONE;
    m_loadLevel = DSP_TEXTURE_NO_LEVEL;
    for (s32 level = 0; level < DSP_TEXTURE_NUM_LEVELS; ++level) {
        if (m_levelType[level] != DSP_TEXTURE_NONE) {
            m_loadType = m_levelType[level];
            m_loadLevel = level;
            break;
        }
    }
    return 1;
}

void DSP_Texture::GetLoadInfo(s32* _type, s32* _level, s32* _width, s32* _height, s32* _size) const
{
    if (m_loadType == DSP_TEXTURE_NONE) {
        Put(_type, DSP_TEXTURE_NONE);
        Put(_level, DSP_TEXTURE_NO_LEVEL);
        Put(_width, -1);
        Put(_height, -1);
        Put(_size, -1);
        return;
    }
    Put(_type, m_loadType);
    Put(_level, m_loadLevel);
    Put(_width, GetTextureWidth(m_loadLevel));
    Put(_height, GetTextureHeight(m_loadLevel));
    Put(_size, GetLevelSize(m_loadType, m_loadLevel));
}

void DSP_Texture::GetNextLevelInfo(s32* _type, s32* _level, s32* _width, s32* _height, s32* _size) const
{
    for (s32 level = m_loadLevel + 1; level < DSP_TEXTURE_NUM_LEVELS; ++level) {
        const s32 type = m_levelType[level];
        if (type == DSP_TEXTURE_NONE)
            continue;
        Put(_type, type);
        Put(_level, level);
        Put(_width, GetTextureWidth(level));
        Put(_height, GetTextureHeight(level));
        Put(_size, GetLevelSize(type, level));
        return;
    }
    Put(_type, DSP_TEXTURE_NONE);
    Put(_level, DSP_TEXTURE_NO_LEVEL);
    Put(_width, -1);
    Put(_height, -1);
    Put(_size, -1);
}

void DSP_Texture::SetLoadInfo(s32 _type, s32 _level)
{
    if (_type < 0 || _type > DSP_TEXTURE_NONE)
        OS_Fatal("DSP_Texture::SetLoadInfo()", "illegal type");
    if (_level < 0 || _level > DSP_TEXTURE_NO_LEVEL)
        OS_Fatal("DSP_Texture::SetLoadInfo()", "illegal level");
    m_loadType = _type;
    m_loadLevel = _level;
}

s32 DSP_Texture::GetNumOfMipLevels() const
{
    if (!IsLevel(m_loadLevel))
        OS_Fatal("DSP_Texture::GetNumOfMipLevels()", "loadtexturelevel is not valid");
    // A DDS load reads every mip from the DDS file, so a level below it that only a TGA file
    // gives would be created and never filled.
    s32 count = 1;
    for (s32 level = m_loadLevel - 1; level >= 0 && m_levelType[level] != DSP_TEXTURE_NONE; --level) {
        if (IsDxt(m_loadType) && m_levelType[level] != m_loadType)
            break;
        ++count;
    }
    return count;
}

u32 DSP_Texture::DDS_LoadLevel(void* _destination, s32 _size, s32 _mip)
{
    if (m_name == nullptr)
        return 0;
    FileName fileName(m_name);
    OS_StrCat(fileName.Text(), ".dds");
    OS_File file;
    if (!file.Open(fileName.Text()))
        return 0;
    u8 bytes[DSP_DDS_DATA_OFFSET];
    const u32 got = file.Read(bytes, sizeof(bytes));
    DSP_DdsHeader header;
    if (!DSP_DdsDecodeHeader(bytes, got, &header))
        return 0;
    if (header.width != header.height)
        return 0;
    const s32 fileLevel = DSP_DdsLevelOfSide(header.width);
    if (fileLevel < 0)
        OS_Fatal("DSP_Texture::DDS_CollectInformation()", "illegal texture width");

    // The file may have changed since the levels were collected: read only a level it holds,
    // laid out in the chosen type, whole, and only into a destination large enough for it.
    const s32 level = m_loadLevel - _mip;
    const char* refusal = nullptr;
    if (!IsDxt(m_loadType) || DSP_DdsTypeOfCode(header.fourCC) != m_loadType)
        refusal = "is not of the chosen type";
    else if (_mip < 0 || level < 0 || level > fileLevel)
        refusal = "does not have the level";
    else if ((u32)(fileLevel - level) >= DSP_DdsStoredLevels(header))
        refusal = "stores too few levels";
    if (refusal == nullptr) {
        const s32 levelSize = GetLevelSize(m_loadType, level);
        const u64 offset = DSP_DdsLevelOffset(m_loadType, fileLevel, level);
        if (_size < levelSize)
            refusal = "has a level larger than the destination";
        else if (offset + (u64)levelSize > (u64)file.Size())
            refusal = "is shorter than its levels";
        else if (!file.SeekSet((s32)offset) || file.Read(_destination, (u32)levelSize) != (u32)levelSize)
            refusal = "cannot be read";
    }
    if (refusal != nullptr) {
        OS_Log(
            OS_Format("DSP_Texture::DDS_LoadLevel(): %s %s, mip %d not loaded", fileName.Text(), refusal, (int)_mip));
        return 0;
    }
    return 1;
}

u32 DSP_Texture::LoadFromFile(void* _destination, s32 _pitch, s32 _size, s32 _destinationType, s32 _mip)
{
    if (m_name == nullptr)
        return 0;
    if (IsDxt(m_loadType))
        return DDS_LoadLevel(_destination, _size, _mip);

    const s32 level = m_loadLevel - _mip;
    FileName fileName(m_name);
    TGA_AppendTextureLevelNameExtension(fileName.Text(), fileName.Size(), level);
    GFX_PictureTGA picture;
    if (!picture.Open(fileName.Text(), 0))
        return 0;
    const s32 side = picture.GetWidth();
    if (side != picture.GetHeight())
        OS_Fatal("DSP_Texture::LoadFromFile()", "unequal width and height");
    if (DSP_DdsLevelOfSide((u32)side) < 0)
        OS_Fatal("DSP_Texture::LoadFromFile()", "illegal dimension");
    // The destination is the mip of exactly this level: a file of another side would overrun it.
    if (side != GetTextureWidth(level)) {
        OS_Log(OS_Format("DSP_Texture::LoadFromFile(): %s is %dx%d instead of %dx%d, not loaded", fileName.Text(),
                         (int)side, (int)side, (int)GetTextureWidth(level), (int)GetTextureWidth(level)));
        return 0;
    }
    if (GetLevelSize(m_loadType, m_loadLevel) > _size)
        return 0;
    // What the reader writes: side rows at the pitch, each side texels of the destination type.
    const s32 texelBytes = _destinationType == DSP_TEXTURE_A8R8G8B8                                               ? 4
                           : (_destinationType == DSP_TEXTURE_A1R5G5B5 || _destinationType == DSP_TEXTURE_R5G6B5) ? 2
                                                                                                                  : 0;
    if (texelBytes != 0) {
        const s64 rowBytes = (s64)side * texelBytes;
        if ((s64)_pitch < rowBytes || (s64)(side - 1) * _pitch + rowBytes > (s64)_size) {
            OS_Log(OS_Format("DSP_Texture::LoadFromFile(): %s does not fit %d bytes at pitch %d, not loaded",
                             fileName.Text(), (int)_size, (int)_pitch));
            return 0;
        }
    }

    switch (_destinationType) {
    case DSP_TEXTURE_A1R5G5B5:
        if (!picture.ReadData_ARGB1555(_destination, _pitch, 1))
            OS_Fatal("DSP_Texture::LoadFromFile()", "read data error (ARGB1555)");
        break;
    case DSP_TEXTURE_R5G6B5:
        if (!picture.ReadData_RGB565(_destination, _pitch, 1))
            OS_Fatal("DSP_Texture::LoadFromFile()", "read data error (RGB565)");
        break;
    case DSP_TEXTURE_A8R8G8B8:
        if (!picture.ReadData_BGRA8888(_destination, _pitch, 1))
            OS_Fatal("DSP_Texture::LoadFromFile()", "read data error (BGRA8888)");
        break;
    default:
        OS_Fatal("DSP_Texture::LoadFromFile()", "illegal type specified");
    }
    return 1;
}
