// The render-state and texture-stage caches: an equal value never reaches the device.
#include "dsp_display.h"
#include "dsp_display_local.h"
#include "os_fatal.h"

#define DSP_SITE_BASE 2000

namespace
{

struct StateDefault
{
    u32 code;
    u32 value;
};

const StateDefault s_renderStateDefaults[DSP_RS_COUNT] = {
    {DEV_RS_ZENABLE, 1},
    {DEV_RS_FILLMODE, DEV_FILL_SOLID},
    {DEV_RS_ZWRITEENABLE, 1},
    {DEV_RS_ALPHATESTENABLE, 1},
    {DEV_RS_SRCBLEND, DEV_BLEND_ONE},
    {DEV_RS_DESTBLEND, DEV_BLEND_ZERO},
    {DEV_RS_CULLMODE, DEV_CULL_CCW},
    {DEV_RS_ZFUNC, DEV_CMP_LESSEQUAL},
    {DEV_RS_ALPHAREF, 0},
    {DEV_RS_ALPHAFUNC, DEV_CMP_GREATER},
    {DEV_RS_SPECULARENABLE, 0},
    {DEV_RS_ZBIAS, 0},
    {DEV_RS_TEXTUREFACTOR, 0},
};

// Entry 13 (the texture) has no state code.
const u32 s_stageCodes[DSP_TSS_COUNT] = {
    DEV_TSS_COLOROP,       DEV_TSS_COLORARG1,
    DEV_TSS_COLORARG2,     DEV_TSS_ALPHAOP,
    DEV_TSS_ALPHAARG1,     DEV_TSS_ALPHAARG2,
    DEV_TSS_TEXCOORDINDEX, DEV_TSS_ADDRESSU,
    DEV_TSS_ADDRESSV,      DEV_TSS_MAGFILTER,
    DEV_TSS_MINFILTER,     DEV_TSS_MIPFILTER,
    DEV_TSS_MIPMAPLODBIAS, 0,
};

s32 StageDefault(s32 _stage, s32 _entry)
{
    switch (_entry) {
    case DSP_TSS_COLOROP:
        return _stage == 0 ? DEV_TOP_MODULATE : DEV_TOP_DISABLE;
    case DSP_TSS_COLORARG1:
    case DSP_TSS_ALPHAARG1:
        return DEV_TA_DIFFUSE;
    case DSP_TSS_COLORARG2:
    case DSP_TSS_ALPHAARG2:
        return DEV_TA_TEXTURE;
    case DSP_TSS_ALPHAOP:
        return DEV_TOP_MODULATE;
    case DSP_TSS_TEXCOORDINDEX:
        return _stage;
    case DSP_TSS_ADDRESSU:
    case DSP_TSS_ADDRESSV:
        return DEV_TADDRESS_WRAP;
    case DSP_TSS_MAGFILTER:
    case DSP_TSS_MINFILTER:
        return DEV_TEXF_LINEAR;
    case DSP_TSS_MIPFILTER:
        return DEV_TEXF_POINT;
    case DSP_TSS_TEXTURE:
        return -1;
    default:
        return 0;
    }
}

}  // namespace

void DSP_Display::ResetStateTables()
{
    for (s32 i = 0; i < DSP_RS_COUNT; ++i) {
        m_renderStates[i].code = s_renderStateDefaults[i].code;
        m_renderStates[i].value = s_renderStateDefaults[i].value;
    }
    for (s32 stage = 0; stage < DSP_NUM_STAGES; ++stage) {
        for (s32 entry = 0; entry < DSP_TSS_COUNT; ++entry) {
            m_stages[stage][entry].code = s_stageCodes[entry];
            m_stages[stage][entry].value = StageDefault(stage, entry);
        }
    }
}

void DSP_Display::WriteDefaultStates()
{
    const StateDefault renderStates[] = {
        {DEV_RS_ZENABLE, m_zBufferType},
        {DEV_RS_FILLMODE, DEV_FILL_SOLID},
        {DEV_RS_SHADEMODE, DEV_SHADE_GOURAUD},
        {DEV_RS_LINEPATTERN, 0},
        {DEV_RS_ZWRITEENABLE, 1},
        {DEV_RS_ALPHATESTENABLE, 1},
        {DEV_RS_LASTPIXEL, 1},
        {DEV_RS_SRCBLEND, DEV_BLEND_ONE},
        {DEV_RS_DESTBLEND, DEV_BLEND_ZERO},
        {DEV_RS_CULLMODE, DEV_CULL_CCW},
        {DEV_RS_ZFUNC, DEV_CMP_LESSEQUAL},
        {DEV_RS_ALPHAREF, 0},
        {DEV_RS_ALPHAFUNC, DEV_CMP_GREATER},
        {DEV_RS_DITHERENABLE, 0},
        {DEV_RS_ALPHABLENDENABLE, 1},
        {DEV_RS_FOGENABLE, 0},
        {DEV_RS_SPECULARENABLE, 0},
        {DEV_RS_EDGEANTIALIAS, 0},
        {DEV_RS_ZBIAS, 0},
        {DEV_RS_RANGEFOGENABLE, 0},
        {DEV_RS_STENCILENABLE, 0},
        {DEV_RS_TEXTUREFACTOR, 0},
        {DEV_RS_CLIPPING, 1},
        {DEV_RS_LIGHTING, 0},
        {DEV_RS_AMBIENT, 0},
        {DEV_RS_FOGVERTEXMODE, 0},
        {DEV_RS_NORMALIZENORMALS, 0},
        {DEV_RS_VERTEXBLEND, 0},
        {DEV_RS_CLIPPLANEENABLE, 0},
        {DEV_RS_SOFTWAREVERTEXPROCESSING, HasHardwareVertexProcessing() ? 0u : 1u},
        {DEV_RS_MULTISAMPLEANTIALIAS, 1},
        {DEV_RS_MULTISAMPLEMASK, 0xFFFFFFFFu},
    };
    for (const StateDefault& state : renderStates)
        DSP_CHECK(m_device->SetRenderState(state.code, state.value));

    for (u32 stage = 0; stage < DSP_NUM_STAGES; ++stage) {
        const StateDefault stageStates[] = {
            {DEV_TSS_COLOROP, stage == 0 ? (u32)DEV_TOP_MODULATE : (u32)DEV_TOP_DISABLE},
            {DEV_TSS_COLORARG1, DEV_TA_DIFFUSE},
            {DEV_TSS_COLORARG2, DEV_TA_TEXTURE},
            {DEV_TSS_ALPHAOP, DEV_TOP_MODULATE},
            {DEV_TSS_ALPHAARG1, DEV_TA_DIFFUSE},
            {DEV_TSS_ALPHAARG2, DEV_TA_TEXTURE},
            {DEV_TSS_BUMPENVMAT00, 0},
            {DEV_TSS_BUMPENVMAT01, 0},
            {DEV_TSS_BUMPENVMAT10, 0},
            {DEV_TSS_BUMPENVMAT11, 0},
            {DEV_TSS_TEXCOORDINDEX, stage},
            {DEV_TSS_ADDRESSU, DEV_TADDRESS_WRAP},
            {DEV_TSS_ADDRESSV, DEV_TADDRESS_WRAP},
            {DEV_TSS_BORDERCOLOR, 0},
            {DEV_TSS_MAGFILTER, DEV_TEXF_LINEAR},
            {DEV_TSS_MINFILTER, DEV_TEXF_LINEAR},
            {DEV_TSS_MIPFILTER, DEV_TEXF_POINT},
            {DEV_TSS_MIPMAPLODBIAS, 0},
            {DEV_TSS_MAXMIPLEVEL, 0},
            {DEV_TSS_MAXANISOTROPY, 1},
            {DEV_TSS_BUMPENVLSCALE, 0},
            {DEV_TSS_BUMPENVLOFFSET, 0},
            {DEV_TSS_TEXTURETRANSFORMFLAGS, 0},
            {DEV_TSS_ADDRESSW, DEV_TADDRESS_WRAP},
        };
        for (const StateDefault& state : stageStates)
            DSP_CHECK(m_device->SetTextureStageState(stage, state.code, state.value));
    }
}

s32 DSP_Display::SetRenderState(s32 _index, u32 _value)
{
    const char* caption = "DSP_Display::SetRenderState()";
    DSP_RequireDevice(m_device, caption);
    if (_index < 0 || _index >= DSP_RS_COUNT)
        OS_Fatal(caption, "illegal index");
    ++m_renderStateCounters.calls;
    RenderStateEntry& entry = m_renderStates[_index];
    if (entry.value == _value) {
        ++m_renderStateCounters.redundant;
        return 0;
    }
    ++m_renderStateCounters.applied;
    entry.value = _value;
    if (_index == DSP_RS_ZENABLE)
        m_device->SetRenderState(entry.code, _value ? m_zBufferType : (u32)DEV_ZB_FALSE);
    else
        m_device->SetRenderState(entry.code, _value);
    return 0;
}

s32 DSP_Display::GetRenderState(s32 _index, u32* _value)
{
    if (_index < 0 || _index >= DSP_RS_COUNT)
        OS_Fatal("DSP_Display::GetRenderState()", "illegal index");
    *_value = m_renderStates[_index].value;
    return 0;
}

s32 DSP_Display::SetRenderStates(const u32* _values)
{
    // The fill mode belongs to the renderer's wireframe switch alone.
    for (s32 i = 0; i < DSP_RS_COUNT; ++i)
        if (i != DSP_RS_FILLMODE)
            SetRenderState(i, _values[i]);
    return 0;
}

s32 DSP_Display::SetTextureStageState(s32 _stage, s32 _entry, s32 _value)
{
    const char* caption = "DSP_Display::SetTextureStageState()";
    DSP_RequireDevice(m_device, caption);
    if (_stage < 0 || _stage >= DSP_NUM_STAGES)
        OS_Fatal(caption, "illegal stage");
    if (_entry < 0 || _entry >= DSP_TSS_COUNT)
        OS_Fatal(caption, "illegal entry");
    DSP_CacheCounters& counters = m_stageCounters[_stage];
    StageEntry& entry = m_stages[_stage][_entry];
    ++counters.calls;
    if (entry.value == _value) {
        ++counters.redundant;
        return 0;
    }
    ++counters.applied;
    if (_entry != DSP_TSS_TEXTURE) {
        m_device->SetTextureStageState((u32)_stage, entry.code, (u32)_value);
        entry.value = _value;
        return 0;
    }
    if (m_flags & FLAG_TEXTURE_OVERRIDE)
        return 0;
    ++m_frame.textureBinds;
    if (entry.value != -1)
        m_device->SetTexture((u32)_stage, 0);
    if (_value < -1 || _value >= m_textureCount)
        OS_Fatal(caption, "texture ID is out of range");
    if (_value != -1 && m_textures[_value] != 0)
        m_device->SetTexture((u32)_stage, m_textures[_value]);
    entry.value = _value;
    return 0;
}

s32 DSP_Display::SetTextureStageStates(s32 _stage, const s32* _values)
{
    if (_values == nullptr)
        return SetTextureStageState(_stage, DSP_TSS_COLOROP, DEV_TOP_DISABLE);
    for (s32 entry = 0; entry < DSP_TSS_COUNT; ++entry)
        SetTextureStageState(_stage, entry, _values[entry]);
    return 0;
}

s32 DSP_Display::DisableTextures()
{
    if (m_flags & FLAG_TEXTURE_OVERRIDE)
        return 0;
    for (s32 stage = 0; stage < DSP_NUM_STAGES; ++stage)
        SetTextureStageState(stage, DSP_TSS_TEXTURE, -1);
    m_flags |= FLAG_TEXTURE_OVERRIDE;
    return 0;
}

s32 DSP_Display::EnableTextures()
{
    m_flags &= ~FLAG_TEXTURE_OVERRIDE;
    return 0;
}
