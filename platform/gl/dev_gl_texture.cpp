// Textures of the GL device. Level memory is the Direct3D layout (rows in memory order, row 0
// first, B, G, R, A for 8888, the packed 16-bit words of 1555, 565 and 4444, 4x4 blocks for
// DXT), and it goes to GL unchanged: GL's first row is texture coordinate v = 0 as Direct3D's
// is, and the packed GL types below read those words as they are.
#include <cstring>

#include "dev_gl_local.h"

namespace
{

const DEV_GLFormat s_formats[] = {
    {DEV_FMT_A1R5G5B5, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, 0},
    {DEV_FMT_R5G6B5, GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, 0},
    {DEV_FMT_A8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, 0},
    {DEV_FMT_A4R4G4B4, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, 0},
    {DEV_FMT_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, 0, 8},
    // Premultiplied or not, Direct3D decodes DXT2 as DXT3 and DXT4 as DXT5.
    {DEV_FMT_DXT2, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, 0, 16},
    {DEV_FMT_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, 0, 16},
    {DEV_FMT_DXT4, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 0, 16},
    {DEV_FMT_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 0, 16},
};

constexpr u32 LOCK_READONLY = 0x10;

}  // namespace

const DEV_GLFormat* DEV_GLFindFormat(u32 _format, u32 _hasS3TC)
{
    for (const DEV_GLFormat& format : s_formats)
        if (format.format == _format)
            return format.bytesPerBlock != 0 && !_hasS3TC ? nullptr : &format;
    return nullptr;
}

u32 DEV_GLLevelPitch(const DEV_GLFormat& _format, u32 _width)
{
    if (_format.bytesPerBlock != 0)
        return ((_width + 3) / 4) * _format.bytesPerBlock;
    return _width * _format.bytesPerPixel;
}

u32 DEV_GLLevelSize(const DEV_GLFormat& _format, u32 _width, u32 _height)
{
    const u32 rows = _format.bytesPerBlock != 0 ? (_height + 3) / 4 : _height;
    return DEV_GLLevelPitch(_format, _width) * rows;
}

s32 DEV_GLDevice::CreateTexture(u32 _width, u32 _height, u32 _levels, u32 _usage, u32 _format, u32 _pool,
                                DEV_Handle* _texture)
{
    if (_texture == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_texture = 0;
    const DEV_GLFormat* format = DEV_GLFindFormat(_format, m_info->hasS3TC);
    if (format == nullptr || _usage != 0 || (_pool != DEV_POOL_MANAGED && _pool != DEV_POOL_DEFAULT) || _width == 0 ||
        _height == 0 || _width > m_info->maxTextureSize || _height > m_info->maxTextureSize)
        return DEV_ERR_INVALIDCALL;
    const u32 levels = DEV_TextureLevels(_width, _height, _levels);
    if (levels == 0)
        return DEV_ERR_INVALIDCALL;

    std::unique_ptr<Texture> texture(new Texture);
    texture->format = format;
    texture->usage = _usage;
    texture->pool = _pool;
    texture->levelCount = levels;
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenTextures(1, &texture->name);
    glActiveTexture(GL_TEXTURE0 + DEV_GL_UPLOAD_UNIT);
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, (GLint)levels - 1);
    for (u32 i = 0; i < levels; ++i) {
        Level& level = texture->levels[i];
        level.width = _width >> i ? _width >> i : 1;
        level.height = _height >> i ? _height >> i : 1;
        level.pitch = DEV_GLLevelPitch(*format, level.width);
        level.size = DEV_GLLevelSize(*format, level.width, level.height);
        if (format->bytesPerBlock != 0) {
            // Compressed storage must come with its data; zeros decode to black.
            std::vector<u8> zeros(level.size, 0);
            glCompressedTexImage2D(GL_TEXTURE_2D, (GLint)i, format->internalFormat, (GLsizei)level.width,
                                   (GLsizei)level.height, 0, (GLsizei)level.size, zeros.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, (GLint)i, (GLint)format->internalFormat, (GLsizei)level.width,
                         (GLsizei)level.height, 0, format->dataFormat, format->dataType, nullptr);
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture->name);
        return DEV_ERR_OUTOFVIDEOMEMORY;
    }
    const GLuint name = texture->name;
    *_texture = Insert(m_textures, KIND_TEXTURE, std::move(texture));
    if (*_texture == 0) {
        glDeleteTextures(1, &name);
        return DEV_E_OUTOFMEMORY;
    }
    return DEV_OK;
}

s32 DEV_GLDevice::GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc)
{
    Texture* texture = Find(m_textures, KIND_TEXTURE, _texture);
    if (texture == nullptr || _level >= texture->levelCount || _desc == nullptr)
        return DEV_ERR_INVALIDCALL;
    const Level& level = texture->levels[_level];
    *_desc = DEV_SurfaceDesc();
    _desc->format = texture->format->format;
    _desc->usage = texture->usage;
    _desc->pool = texture->pool;
    _desc->size = level.size;
    _desc->width = level.width;
    _desc->height = level.height;
    return DEV_OK;
}

s32 DEV_GLDevice::LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32 _flags)
{
    if (_bits == nullptr || _pitch == nullptr)
        return DEV_ERR_INVALIDCALL;
    *_bits = nullptr;
    *_pitch = 0;
    Texture* texture = Find(m_textures, KIND_TEXTURE, _texture);
    if (texture == nullptr || _level >= texture->levelCount || texture->levels[_level].locked)
        return DEV_ERR_INVALIDCALL;
    Level& level = texture->levels[_level];
    level.lockMemory.assign(level.size, 0);
    if (level.written) {
        // The level as the last unlock left it.
        glActiveTexture(GL_TEXTURE0 + DEV_GL_UPLOAD_UNIT);
        glBindTexture(GL_TEXTURE_2D, texture->name);
        if (texture->format->bytesPerBlock != 0)
            glGetCompressedTexImage(GL_TEXTURE_2D, (GLint)_level, level.lockMemory.data());
        else
            glGetTexImage(GL_TEXTURE_2D, (GLint)_level, texture->format->dataFormat, texture->format->dataType,
                          level.lockMemory.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    level.locked = (_flags & LOCK_READONLY) ? 2 : 1;
    *_bits = level.lockMemory.data();
    *_pitch = (s32)level.pitch;
    return DEV_OK;
}

void DEV_GLDevice::UploadLevel(Texture* _texture, u32 _level, const u8* _data)
{
    const Level& level = _texture->levels[_level];
    glActiveTexture(GL_TEXTURE0 + DEV_GL_UPLOAD_UNIT);
    glBindTexture(GL_TEXTURE_2D, _texture->name);
    if (_texture->format->bytesPerBlock != 0)
        glCompressedTexSubImage2D(GL_TEXTURE_2D, (GLint)_level, 0, 0, (GLsizei)level.width, (GLsizei)level.height,
                                  _texture->format->internalFormat, (GLsizei)level.size, _data);
    else
        glTexSubImage2D(GL_TEXTURE_2D, (GLint)_level, 0, 0, (GLsizei)level.width, (GLsizei)level.height,
                        _texture->format->dataFormat, _texture->format->dataType, _data);
    glBindTexture(GL_TEXTURE_2D, 0);
}

s32 DEV_GLDevice::UnlockRect(DEV_Handle _texture, u32 _level)
{
    Texture* texture = Find(m_textures, KIND_TEXTURE, _texture);
    if (texture == nullptr || _level >= texture->levelCount || !texture->levels[_level].locked)
        return DEV_ERR_INVALIDCALL;
    Level& level = texture->levels[_level];
    if (level.locked == 1) {
        UploadLevel(texture, _level, level.lockMemory.data());
        level.written = 1;
    }
    level.locked = 0;
    std::vector<u8>().swap(level.lockMemory);
    return DEV_OK;
}

void DEV_GLDevice::PreLoad(DEV_Handle /*_texture*/)
{
    // Levels reach the driver at every unlock; there is nothing left to place.
}

void DEV_GLDevice::DestroyTexture(Texture* _texture)
{
    // GL unbinds a deleted texture from every unit, and may hand its name to the next one made.
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage) {
        if (m_glTextures[stage] == _texture->name)
            m_glTextures[stage] = 0;
        if (m_stageTextureObjects[stage] == _texture) {
            m_stageTextureObjects[stage] = nullptr;
            m_dirtyTextures |= 1u << stage;
        }
    }
    glDeleteTextures(1, &_texture->name);
    _texture->name = 0;
}

void DEV_GLDevice::ReleaseTexture(DEV_Handle _texture)
{
    Texture* texture = Find(m_textures, KIND_TEXTURE, _texture);
    if (texture == nullptr)
        return;
    // Direct3D would keep a bound texture alive until it is unbound; here the stage simply
    // loses it, which the display layer never lets happen.
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage)
        if (m_stageTextures[stage] == _texture)
            SetTexture(stage, 0);
    DestroyTexture(texture);
    Remove(m_textures, KIND_TEXTURE, _texture);
}

s32 DEV_GLDevice::SetTexture(u32 _stage, DEV_Handle _texture)
{
    if (_stage >= DEV_GL_STAGES)
        return DEV_ERR_INVALIDCALL;
    Texture* texture = nullptr;
    if (_texture != 0) {
        texture = Find(m_textures, KIND_TEXTURE, _texture);
        if (texture == nullptr)
            return DEV_ERR_INVALIDCALL;
    }
    m_stageTextures[_stage] = _texture;
    m_stageTextureObjects[_stage] = texture;
    m_boundMask = _texture != 0 ? m_boundMask | (1u << _stage) : m_boundMask & ~(1u << _stage);
    m_dirtyTextures |= 1u << _stage;
    return DEV_OK;
}

void DEV_GLDevice::ApplyTextures()
{
    for (u32 dirty = m_dirtyTextures; dirty != 0; dirty &= dirty - 1) {
        const u32 stage = (u32)__builtin_ctz(dirty);
        Texture* texture = m_stageTextureObjects[stage];
        const GLuint name = texture != nullptr ? texture->name : 0;
        // Direct3D's most detailed level is per stage, GL's per texture: the stage that
        // binds the texture sets it, clamped to the texture's last level.
        u32 base = 0;
        if (texture != nullptr) {
            base = m_stageStates[stage][DEV_TSS_MAXMIPLEVEL];
            if (base > texture->levelCount - 1)
                base = texture->levelCount - 1;
        }
        const bool bind = m_glTextures[stage] != name;
        const bool level = texture != nullptr && texture->baseLevel != base;
        if (!bind && !level)
            continue;
        glActiveTexture(GL_TEXTURE0 + stage);
        if (bind) {
            m_glTextures[stage] = name;
            glBindTexture(GL_TEXTURE_2D, name);
        }
        if (level) {
            texture->baseLevel = base;
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, (GLint)base);
        }
    }
    m_dirtyTextures = 0;
}
