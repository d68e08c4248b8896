// Vertex- and pixel-shader slots, selection and constants.
#include "dsp_display.h"
#include "dsp_display_local.h"
#include "os_fatal.h"

#define DSP_SITE_BASE 4000

const char* DSP_VertexShaderPrograms[DSP_NUM_VERTEXSHADERS] = {};
const char* DSP_PixelShaderPrograms[DSP_NUM_PIXELSHADERS] = {};

namespace
{

// The first unused slot of a shader table; a full table is fatal.
template <typename Slot>
s32 FreeShaderSlot(const Slot* _slots, s32 _count, const char* _caption)
{
    s32 slot = 0;
    while (slot < _count && _slots[slot].used)
        ++slot;
    if (slot == _count)
        OS_Fatal(_caption, "overflow");
    return slot;
}

// The slot a shader ID (1.._count) names, which must hold a created shader. Both kinds report
// a missing shader with the same text.
template <typename Slot>
Slot& CreatedShaderSlot(Slot* _slots, s32 _count, s32 _id, const char* _caption)
{
    if (_id < 1 || _id > _count)
        OS_Fatal(_caption, "ID is out of range");
    if (!_slots[_id - 1].used)
        OS_Fatal(_caption, "vertex shader not created");
    return _slots[_id - 1];
}

}  // namespace

u32 DSP_Display::VertexShaderUsage() const
{
    return HasHardwareVertexProcessing() ? 0u : (u32)DEV_USAGE_SOFTWAREPROCESSING;
}

void DSP_Display::CreateShaderTables()
{
    m_pixelShaders =
        (ShaderSlot*)MEM_AllocOrDie(DSP_NUM_PIXELSHADERS * (u32)sizeof(ShaderSlot), "DSP_Display::OpenResolution()");
    for (s32 i = 0; i < DSP_NUM_PIXELSHADERS; ++i) {
        m_pixelShaders[i] = ShaderSlot();
        DSP_PixelShaderPrograms[i] = nullptr;
    }
    m_selectedPixelShader = -1;
    m_pixelShaderCounters = DSP_CacheCounters();

    m_vertexShaders =
        (ShaderSlot*)MEM_AllocOrDie(DSP_NUM_VERTEXSHADERS * (u32)sizeof(ShaderSlot), "DSP_Display::OpenResolution()");
    for (s32 i = 0; i < DSP_NUM_VERTEXSHADERS; ++i) {
        m_vertexShaders[i] = ShaderSlot();
        DSP_VertexShaderPrograms[i] = nullptr;
    }
    m_selectedVertexShader = -1;
    m_vertexShaderCounters = DSP_CacheCounters();
}

void DSP_Display::DestroyShaderTables()
{
    if (m_vertexShaders != nullptr) {
        for (s32 i = 0; i < DSP_NUM_VERTEXSHADERS; ++i) {
            if (m_vertexShaders[i].used)
                m_device->DeleteVertexShader(m_vertexShaders[i].handle);
            DSP_VertexShaderPrograms[i] = nullptr;
        }
        MEM_Free(m_vertexShaders);
        m_vertexShaders = nullptr;
    }
    if (m_pixelShaders != nullptr) {
        for (s32 i = 0; i < DSP_NUM_PIXELSHADERS; ++i) {
            if (m_pixelShaders[i].used)
                m_device->DeletePixelShader(m_pixelShaders[i].handle);
            DSP_PixelShaderPrograms[i] = nullptr;
        }
        MEM_Free(m_pixelShaders);
        m_pixelShaders = nullptr;
    }
    m_selectedVertexShader = -1;
    m_selectedPixelShader = -1;
}

void DSP_Display::DeleteDeviceShaders()
{
    // The slots stay used, with their programs, to be created again after the reset.
    for (s32 i = 0; i < DSP_NUM_PIXELSHADERS; ++i)
        if (m_pixelShaders[i].used)
            m_device->DeletePixelShader(m_pixelShaders[i].handle);
    for (s32 i = 0; i < DSP_NUM_VERTEXSHADERS; ++i)
        if (m_vertexShaders[i].used)
            m_device->DeleteVertexShader(m_vertexShaders[i].handle);
}

void DSP_Display::RecreateDeviceShaders()
{
    for (s32 i = 0; i < DSP_NUM_PIXELSHADERS; ++i)
        if (m_pixelShaders[i].used)
            DSP_CHECK(m_device->CreatePixelShader(DSP_PixelShaderPrograms[i], &m_pixelShaders[i].handle));
    for (s32 i = 0; i < DSP_NUM_VERTEXSHADERS; ++i)
        if (m_vertexShaders[i].used)
            DSP_CHECK(m_device->CreateVertexShader(DSP_VertexShaderPrograms[i], VertexShaderUsage(),
                                                   &m_vertexShaders[i].handle));
}

s32 DSP_Display::VertexShader_CreateFromFile(s32* _id, const char* _program)
{
    const char* caption = "DSP_Display::VertexShader_CreateFromFile()";
    DSP_RequireDevice(m_device, caption);
    const s32 slot = FreeShaderSlot(m_vertexShaders, DSP_NUM_VERTEXSHADERS, caption);
    DEV_Handle handle = 0;
    DSP_CHECK(m_device->CreateVertexShader(_program, VertexShaderUsage(), &handle));
    m_vertexShaders[slot].used = 1;
    m_vertexShaders[slot].handle = handle;
    DSP_VertexShaderPrograms[slot] = _program;
    *_id = slot + 1;
    return 0;
}

s32 DSP_Display::VertexShader_Destroy(s32 _id)
{
    const char* caption = "DSP_Display::VertexShader_Destroy()";
    if (_id == 0)
        return 0;
    DSP_RequireDevice(m_device, caption);
    ShaderSlot& slot = CreatedShaderSlot(m_vertexShaders, DSP_NUM_VERTEXSHADERS, _id, caption);
    if (m_selectedVertexShader == _id - 1)
        m_selectedVertexShader = -1;
    m_device->DeleteVertexShader(slot.handle);
    slot = ShaderSlot();
    DSP_VertexShaderPrograms[_id - 1] = nullptr;
    return 0;
}

s32 DSP_Display::VertexShader_Set(s32 _id)
{
    const char* caption = "DSP_Display::VertexShader_Set()";
    DSP_RequireDevice(m_device, caption);
    const ShaderSlot& slot = CreatedShaderSlot(m_vertexShaders, DSP_NUM_VERTEXSHADERS, _id, caption);
    ++m_vertexShaderCounters.calls;
    if (m_selectedVertexShader == _id - 1) {
        ++m_vertexShaderCounters.redundant;
        return 0;
    }
    ++m_vertexShaderCounters.applied;
    ++m_frame.vertexShaderChanges;
    m_selectedVertexShader = _id - 1;
    DSP_CHECK(m_device->SetVertexShader(slot.handle));
    return 0;
}

s32 DSP_Display::PixelShader_CreateFromMemory(s32* _id, const char* _program)
{
    const char* caption = "DSP_Display::PixelShader_CreateFromMemory()";
    DSP_RequireDevice(m_device, caption);
    // No pixel shaders is not an error: the passes take their texture-stage path.
    if ((m_caps.pixelShaderVersion & 0xFFFF) < 0x0100) {
        *_id = 0;
        return 0;
    }
    const s32 slot = FreeShaderSlot(m_pixelShaders, DSP_NUM_PIXELSHADERS, caption);
    DEV_Handle handle = 0;
    DSP_CHECK(m_device->CreatePixelShader(_program, &handle));
    m_pixelShaders[slot].used = 1;
    m_pixelShaders[slot].handle = handle;
    DSP_PixelShaderPrograms[slot] = _program;
    *_id = slot + 1;
    return 0;
}

s32 DSP_Display::PixelShader_Destroy(s32 _id)
{
    const char* caption = "DSP_Display::PixelShader_Destroy()";
    if (_id == 0)
        return 0;
    DSP_RequireDevice(m_device, caption);
    ShaderSlot& slot = CreatedShaderSlot(m_pixelShaders, DSP_NUM_PIXELSHADERS, _id, caption);
    if (m_selectedPixelShader == _id - 1) {
        m_device->SetPixelShader(0);
        m_selectedPixelShader = -1;
    }
    m_device->DeletePixelShader(slot.handle);
    slot = ShaderSlot();
    DSP_PixelShaderPrograms[_id - 1] = nullptr;
    return 0;
}

s32 DSP_Display::PixelShader_Set(s32 _id)
{
    const char* caption = "DSP_Display::PixelShader_Set()";
    DSP_RequireDevice(m_device, caption);
    if (_id != 0)  // 0: back to the texture stages
        CreatedShaderSlot(m_pixelShaders, DSP_NUM_PIXELSHADERS, _id, caption);
    ++m_pixelShaderCounters.calls;
    const s32 slot = _id - 1;  // -1: the texture stages
    if (m_selectedPixelShader == slot) {
        ++m_pixelShaderCounters.redundant;
        return 0;
    }
    ++m_pixelShaderCounters.applied;
    ++m_frame.pixelShaderChanges;
    m_selectedPixelShader = slot;
    DSP_CHECK(m_device->SetPixelShader(_id == 0 ? 0 : m_pixelShaders[slot].handle));
    return 0;
}

s32 DSP_Display::SetVertexShaderConstant(s32 _register, const f32* _data, s32 _count)
{
    DSP_RequireDevice(m_device, "DSP_Display::SetVertexShaderConstant()");
    if (_register < 0 || _count < 0)
        DSP_CHECK(DEV_ERR_INVALIDCALL);
    DSP_CHECK(m_device->SetVertexShaderConstant((u32)_register, _data, (u32)_count));
    return 0;
}
