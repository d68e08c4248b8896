// The GL device: targets, presentation, frame calls, Direct3D state and the draw.
#include <cstring>

#include "dev_gl_local.h"

namespace
{

GLenum CompareFunction(u32 _func)
{
    switch (_func) {
    case DEV_CMP_NEVER:
        return GL_NEVER;
    case DEV_CMP_LESS:
        return GL_LESS;
    case DEV_CMP_EQUAL:
        return GL_EQUAL;
    case DEV_CMP_LESSEQUAL:
        return GL_LEQUAL;
    case DEV_CMP_GREATER:
        return GL_GREATER;
    case DEV_CMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case DEV_CMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum BlendFactor(u32 _blend)
{
    switch (_blend) {
    case DEV_BLEND_ZERO:
        return GL_ZERO;
    case DEV_BLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case DEV_BLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case DEV_BLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case DEV_BLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case DEV_BLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case DEV_BLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case DEV_BLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case DEV_BLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case DEV_BLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

GLenum AddressMode(u32 _address)
{
    switch (_address) {
    case DEV_TADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case DEV_TADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case 4:  // border
        return GL_CLAMP_TO_BORDER;
    default:
        return GL_REPEAT;
    }
}

void ColorOf(u32 _argb, f32* _rgba)
{
    _rgba[0] = (f32)((_argb >> 16) & 0xFF) / 255.0f;
    _rgba[1] = (f32)((_argb >> 8) & 0xFF) / 255.0f;
    _rgba[2] = (f32)(_argb & 0xFF) / 255.0f;
    _rgba[3] = (f32)(_argb >> 24) / 255.0f;
}

bool HasAlpha(u32 _format)
{
    return _format == DEV_FMT_A8R8G8B8 || _format == DEV_FMT_A1R5G5B5 || _format == DEV_FMT_A4R4G4B4 ||
           _format == DEV_FMT_A8R3G3B2;
}

// Our targets always store alpha; on a back buffer without it Direct3D reads destination
// alpha as 1, which leaves these factors constant.
u32 WithoutDestinationAlpha(u32 _blend)
{
    switch (_blend) {
    case DEV_BLEND_DESTALPHA:
        return DEV_BLEND_ONE;
    case DEV_BLEND_INVDESTALPHA:
    case DEV_BLEND_SRCALPHASAT:  // min(source alpha, 1 - 1)
        return DEV_BLEND_ZERO;
    default:
        return _blend;
    }
}

}  // namespace

DEV_GLDevice::DEV_GLDevice(const DEV_GLInfo* _info, void* _window) : m_info(_info), m_window(_window)
{
    DEV_GLCountDevice(1);
}

DEV_GLDevice::~DEV_GLDevice()
{
    for (auto& slot : m_buffers.slots)
        if (slot.item)
            DestroyBuffer(slot.item.get());
    for (auto& slot : m_textures.slots)
        if (slot.item)
            DestroyTexture(slot.item.get());
    for (auto& slot : m_vertexShaders.slots)
        if (slot.item)
            DestroyVertexShader(slot.item.get());
    for (Fragment& fragment : m_fragments)
        if (fragment.name != 0)
            glDeleteShader(fragment.name);
    DestroyTargets();
    if (m_vertexArray != 0) {
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &m_vertexArray);
    }
    glDeleteSamplers(DEV_GL_STAGES, m_samplers);
    glUseProgram(0);
    DEV_GLCountDevice(-1);
}

s32 DEV_GLDevice::Init(const DEV_PresentParameters& _parameters)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenVertexArrays(1, &m_vertexArray);
    glBindVertexArray(m_vertexArray);
    for (GLuint attribute = 0; attribute < 5; ++attribute)
        glEnableVertexAttribArray(attribute);
    glGenSamplers(DEV_GL_STAGES, m_samplers);
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage)
        glBindSampler(stage, m_samplers[stage]);
    // Rows of every upload and read-back lie back to back, whatever their width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glDisable(GL_DITHER);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glFrontFace(GL_CCW);
    // Flat shading takes the colours of each triangle's first vertex, as Direct3D does.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);

    m_parameters = _parameters;
    const s32 result = CreateTargets();
    if (result != DEV_OK)
        return result;
    SetDefaultStates();
    return DEV_OK;
}

// ---- targets ----

s32 DEV_GLDevice::CreateTargets()
{
    while (glGetError() != GL_NO_ERROR) {
    }
    if (m_parameters.backBufferWidth == 0 || m_parameters.backBufferHeight == 0) {
        // As Direct3D does in a window: the client area's size.
        s32 width = 0, height = 0;
        DEV_GLDrawableSize(&width, &height);
        m_parameters.backBufferWidth = (u32)width;
        m_parameters.backBufferHeight = (u32)height;
    }
    const u32 width = m_parameters.backBufferWidth, height = m_parameters.backBufferHeight;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width == 0 || height == 0 || width > (u32)maxSize || height > (u32)maxSize)
        return DEV_ERR_INVALIDCALL;
    const u32 samples = m_parameters.multiSampleType;
    if (samples != DEV_MULTISAMPLE_NONE && (samples < 2 || samples > 16 || !(m_info->sampleCounts & (1u << samples))))
        return DEV_ERR_INVALIDCALL;
    m_samples = samples;
    m_targetHasAlpha = HasAlpha(m_parameters.backBufferFormat) ? 1 : 0;
    const bool depth = m_parameters.enableAutoDepthStencil != 0;

    // Whatever the mode's depth, the picture is drawn at 8 bits a channel; the depth buffer
    // always has 24 bits and a stencil.
    glGenFramebuffers(2, m_framebuffers);
    glGenRenderbuffers(2, m_colorBuffers);
    if (depth)
        glGenRenderbuffers(1, &m_depthBuffer);
    for (u32 i = 0; i < 2; ++i) {
        glBindRenderbuffer(GL_RENDERBUFFER, m_colorBuffers[i]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, (GLsizei)width, (GLsizei)height);
    }
    if (depth) {
        glBindRenderbuffer(GL_RENDERBUFFER, m_depthBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, (GLsizei)width, (GLsizei)height);
    }
    for (u32 i = 0; i < 2; ++i) {
        glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffers[i]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colorBuffers[i]);
        if (depth)
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_depthBuffer);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            return DEV_ERR_OUTOFVIDEOMEMORY;
    }
    if (m_samples != 0) {
        glGenFramebuffers(1, &m_msFramebuffer);
        glGenRenderbuffers(1, &m_msColor);
        glBindRenderbuffer(GL_RENDERBUFFER, m_msColor);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, (GLsizei)m_samples, GL_RGBA8, (GLsizei)width,
                                         (GLsizei)height);
        glBindFramebuffer(GL_FRAMEBUFFER, m_msFramebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_msColor);
        if (depth) {
            glGenRenderbuffers(1, &m_msDepth);
            glBindRenderbuffer(GL_RENDERBUFFER, m_msDepth);
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, (GLsizei)m_samples, GL_DEPTH24_STENCIL8, (GLsizei)width,
                                             (GLsizei)height);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_msDepth);
        }
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            return DEV_ERR_OUTOFVIDEOMEMORY;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (glGetError() == GL_OUT_OF_MEMORY)
        return DEV_ERR_OUTOFVIDEOMEMORY;

    // Direct3D 8 waits for the vertical blank only in full screen with an interval other than
    // immediate; in a window it presents at once.
    const bool wait =
        !m_parameters.windowed && m_parameters.fullScreenPresentationInterval != DEV_PRESENT_INTERVAL_IMMEDIATE;
    DEV_GLSetSwapInterval(wait ? 1 : 0);

    // Nothing has been presented yet: the front buffer is black.
    m_drawIndex = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffers[1]);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    BindDrawTarget();
    return DEV_OK;
}

void DEV_GLDevice::DestroyTargets()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(2, m_framebuffers);
    glDeleteRenderbuffers(2, m_colorBuffers);
    glDeleteRenderbuffers(1, &m_depthBuffer);
    glDeleteFramebuffers(1, &m_msFramebuffer);
    glDeleteRenderbuffers(1, &m_msColor);
    glDeleteRenderbuffers(1, &m_msDepth);
    memset(m_framebuffers, 0, sizeof(m_framebuffers));
    memset(m_colorBuffers, 0, sizeof(m_colorBuffers));
    m_depthBuffer = m_msFramebuffer = m_msColor = m_msDepth = 0;
    m_drawFramebuffer = m_frontFramebuffer = 0;
}

void DEV_GLDevice::BindDrawTarget()
{
    m_frontFramebuffer = m_framebuffers[m_drawIndex ^ 1];
    m_drawFramebuffer = m_samples != 0 ? m_msFramebuffer : m_framebuffers[m_drawIndex];
    glBindFramebuffer(GL_FRAMEBUFFER, m_drawFramebuffer);
}

s32 DEV_GLDevice::GetDeviceCaps(DEV_Caps* _caps)
{
    if (_caps == nullptr)
        return DEV_ERR_INVALIDCALL;
    DEV_GLFillCaps(*m_info, _caps);
    return DEV_OK;
}

s32 DEV_GLDevice::GetBackBufferDesc(DEV_SurfaceDesc* _desc)
{
    if (_desc == nullptr)
        return DEV_ERR_INVALIDCALL;
    DEV_DescribeBackBuffer(m_parameters, _desc);
    return DEV_OK;
}

s32 DEV_GLDevice::TestCooperativeLevel() { return DEV_OK; }

s32 DEV_GLDevice::Reset(DEV_PresentParameters* _parameters)
{
    if (_parameters == nullptr)
        return DEV_ERR_INVALIDCALL;
    // As Direct3D: default-pool resources and shaders must be gone first.
    for (auto& slot : m_buffers.slots)
        if (slot.item && slot.item->pool == DEV_POOL_DEFAULT)
            return DEV_ERR_INVALIDCALL;
    for (auto& slot : m_vertexShaders.slots)
        if (slot.item)
            return DEV_ERR_INVALIDCALL;
    for (auto& slot : m_pixelShaders.slots)
        if (slot.item)
            return DEV_ERR_INVALIDCALL;
    DestroyTargets();
    m_parameters = *_parameters;
    const s32 result = CreateTargets();
    if (result != DEV_OK)
        return result;
    *_parameters = m_parameters;
    SetDefaultStates();
    return DEV_OK;
}

s32 DEV_GLDevice::Present()
{
    const GLint width = (GLint)m_parameters.backBufferWidth, height = (GLint)m_parameters.backBufferHeight;
    glDisable(GL_SCISSOR_TEST);
    if (m_samples != 0) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_msFramebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_framebuffers[m_drawIndex ^ 1]);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
        // The swap effect discards the back buffer, so the frame just drawn simply becomes
        // the front buffer and the old front is drawn over next.
        m_drawIndex ^= 1;
    }
    const GLuint front = m_framebuffers[m_drawIndex ^ 1];

    // Scaled to fit, keeping the picture's proportions; row 0 is the top, so the blit
    // turns it upright for the window.
    s32 windowWidth = 0, windowHeight = 0;
    DEV_GLDrawableSize(&windowWidth, &windowHeight);
    if (windowWidth > 0 && windowHeight > 0) {
        GLint targetWidth = windowWidth, targetHeight = (GLint)((s64)windowWidth * height / width);
        if (targetHeight > windowHeight) {
            targetHeight = windowHeight;
            targetWidth = (GLint)((s64)windowHeight * width / height);
        }
        const GLint x = (windowWidth - targetWidth) / 2, y = (windowHeight - targetHeight) / 2;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, front);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        if (targetWidth != windowWidth || targetHeight != windowHeight) {
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        const GLenum filter = targetWidth == width && targetHeight == height ? GL_NEAREST : GL_LINEAR;
        glBlitFramebuffer(0, 0, width, height, x, y + targetHeight, x + targetWidth, y, GL_COLOR_BUFFER_BIT, filter);
        DEV_GLSwapWindow();
    }
    BindDrawTarget();
    return DEV_OK;
}

s32 DEV_GLDevice::GetFrontBuffer(u8* _pixels, u32 _width, u32 _height)
{
    if (_pixels == nullptr || _width != m_parameters.backBufferWidth || _height != m_parameters.backBufferHeight)
        return DEV_ERR_INVALIDCALL;
    // Row 0 of the framebuffer is the top row, so GL's bottom-up read hands it out first.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffers[m_drawIndex ^ 1]);
    glReadPixels(0, 0, (GLsizei)_width, (GLsizei)_height, GL_BGRA, GL_UNSIGNED_BYTE, _pixels);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_drawFramebuffer);
    return glGetError() == GL_NO_ERROR ? DEV_OK : DEV_ERR_INVALIDCALL;
}

// ---- frame ----

s32 DEV_GLDevice::BeginScene()
{
    if (m_inScene)
        return DEV_ERR_INVALIDCALL;
    m_inScene = 1;
    return DEV_OK;
}

s32 DEV_GLDevice::EndScene()
{
    if (!m_inScene)
        return DEV_ERR_INVALIDCALL;
    m_inScene = 0;
    return DEV_OK;
}

s32 DEV_GLDevice::SetViewport(const DEV_Viewport& _viewport)
{
    if (!DEV_ViewportFits(_viewport, m_parameters))
        return DEV_ERR_INVALIDCALL;
    m_viewport = _viewport;
    // Row 0 is the top row in our framebuffers, so Direct3D's y is GL's.
    glViewport((GLint)_viewport.x, (GLint)_viewport.y, (GLsizei)_viewport.width, (GLsizei)_viewport.height);
    glDepthRange(_viewport.minZ, _viewport.maxZ);
    ++m_uniformStamp;
    return DEV_OK;
}

s32 DEV_GLDevice::Clear(u32 _flags, u32 _color, f32 _z, u32 _stencil)
{
    if (!DEV_ClearFits(_flags, m_parameters))
        return DEV_ERR_INVALIDCALL;
    GLbitfield mask = 0;
    const GLboolean previousMask = m_glDepthMask;
    if (_flags & DEV_CLEAR_TARGET) {
        f32 rgba[4];
        ColorOf(_color, rgba);
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (_flags & DEV_CLEAR_ZBUFFER) {
        glClearDepth(_z);
        mask |= GL_DEPTH_BUFFER_BIT;
        // Direct3D clears the depth buffer whatever the z-write state says.
        if (previousMask != GL_TRUE)
            glDepthMask(GL_TRUE);
    }
    if (_flags & DEV_CLEAR_STENCIL) {
        glClearStencil((GLint)_stencil);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (mask == 0)
        return DEV_OK;
    // The whole viewport, not the whole target.
    glEnable(GL_SCISSOR_TEST);
    glScissor((GLint)m_viewport.x, (GLint)m_viewport.y, (GLsizei)m_viewport.width, (GLsizei)m_viewport.height);
    glClear(mask);
    glDisable(GL_SCISSOR_TEST);
    if ((_flags & DEV_CLEAR_ZBUFFER) && previousMask != GL_TRUE) {
        if (previousMask == GL_FALSE)
            glDepthMask(GL_FALSE);
        else
            m_glDepthMask = GL_TRUE;
    }
    return DEV_OK;
}

// ---- state ----

void DEV_GLDevice::SetDefaultStates()
{
    // Direct3D 8's state after device creation and after Reset.
    memset(m_renderStates, 0, sizeof(m_renderStates));
    m_renderStates[DEV_RS_ZENABLE] = m_parameters.enableAutoDepthStencil ? DEV_ZB_TRUE : DEV_ZB_FALSE;
    m_renderStates[DEV_RS_FILLMODE] = DEV_FILL_SOLID;
    m_renderStates[DEV_RS_SHADEMODE] = DEV_SHADE_GOURAUD;
    m_renderStates[DEV_RS_ZWRITEENABLE] = 1;
    m_renderStates[DEV_RS_LASTPIXEL] = 1;
    m_renderStates[DEV_RS_SRCBLEND] = DEV_BLEND_ONE;
    m_renderStates[DEV_RS_DESTBLEND] = DEV_BLEND_ZERO;
    m_renderStates[DEV_RS_CULLMODE] = DEV_CULL_CCW;
    m_renderStates[DEV_RS_ZFUNC] = DEV_CMP_LESSEQUAL;
    m_renderStates[DEV_RS_ALPHAFUNC] = DEV_CMP_ALWAYS;
    m_renderStates[DEV_RS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    m_renderStates[DEV_RS_CLIPPING] = 1;
    m_renderStates[DEV_RS_LIGHTING] = 1;
    m_renderStates[DEV_RS_MULTISAMPLEANTIALIAS] = 1;
    m_renderStates[DEV_RS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    memset(m_stageStates, 0, sizeof(m_stageStates));
    for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage) {
        u32* states = m_stageStates[stage];
        states[DEV_TSS_COLOROP] = stage == 0 ? DEV_TOP_MODULATE : DEV_TOP_DISABLE;
        states[DEV_TSS_COLORARG1] = DEV_TA_TEXTURE;
        states[DEV_TSS_COLORARG2] = DEV_TA_CURRENT;
        states[DEV_TSS_ALPHAOP] = stage == 0 ? DEV_TOP_SELECTARG1 : DEV_TOP_DISABLE;
        states[DEV_TSS_ALPHAARG1] = DEV_TA_TEXTURE;
        states[DEV_TSS_ALPHAARG2] = DEV_TA_CURRENT;
        states[DEV_TSS_TEXCOORDINDEX] = stage;
        states[DEV_TSS_ADDRESSU] = DEV_TADDRESS_WRAP;
        states[DEV_TSS_ADDRESSV] = DEV_TADDRESS_WRAP;
        states[DEV_TSS_ADDRESSW] = DEV_TADDRESS_WRAP;
        states[DEV_TSS_MAGFILTER] = DEV_TEXF_POINT;
        states[DEV_TSS_MINFILTER] = DEV_TEXF_POINT;
        states[DEV_TSS_MIPFILTER] = DEV_TEXF_NONE;
        states[DEV_TSS_MAXANISOTROPY] = 1;
        glActiveTexture(GL_TEXTURE0 + stage);
        glBindTexture(GL_TEXTURE_2D, 0);
        m_glTextures[stage] = 0;
        m_stageTextures[stage] = 0;
        m_stageTextureObjects[stage] = nullptr;
    }
    m_boundMask = 0;
    m_keyBoundMask = 0;
    m_dirtyTextures = 0;
    m_streamBuffer = 0;
    m_streamStride = 0;
    m_indexBuffer = 0;
    m_baseVertex = 0;
    m_vertexShader = 0;
    m_pixelShader = 0;
    m_program = nullptr;
    m_inScene = 0;
    memset(m_constants, 0, sizeof(m_constants));
    ++m_constantStamp;
    for (u64& stamp : m_constantStamps)
        stamp = m_constantStamp;

    DEV_Viewport viewport;
    viewport.width = m_parameters.backBufferWidth;
    viewport.height = m_parameters.backBufferHeight;
    SetViewport(viewport);

    // Nothing is known about the GL state any more: write everything at the next draw.
    m_glDepthTest = m_glBlend = m_glCull = m_glMultisample = m_glPolygonOffset = 0xFF;
    m_glDepthMask = 0xFF;
    m_glDepthFunc = m_glBlendSource = m_glBlendDest = m_glCullFace = m_glPolygonMode = 0;
    m_glOffsetUnits = -1.0f;
    m_glProgram = 0;
    glUseProgram(0);
    m_glArrayBuffer = 0;
    m_glElementBuffer = 0;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    m_dirty = DIRTY_ALL;
    m_dirtySamplers = (1u << DEV_GL_STAGES) - 1;
}

s32 DEV_GLDevice::SetRenderState(u32 _state, u32 _value)
{
    if (_state >= 256)
        return DEV_ERR_INVALIDCALL;
    if (m_renderStates[_state] == _value)
        return DEV_OK;
    m_renderStates[_state] = _value;
    switch (_state) {
    case DEV_RS_ZENABLE:
    case DEV_RS_ZWRITEENABLE:
    case DEV_RS_ZFUNC:
        m_dirty |= DIRTY_DEPTH;
        break;
    case DEV_RS_ALPHABLENDENABLE:
    case DEV_RS_SRCBLEND:
    case DEV_RS_DESTBLEND:
        m_dirty |= DIRTY_BLEND;
        break;
    case DEV_RS_CULLMODE:
    case DEV_RS_FILLMODE:
    case DEV_RS_ZBIAS:
    case DEV_RS_MULTISAMPLEANTIALIAS:
        m_dirty |= DIRTY_RASTER;
        break;
    case DEV_RS_ALPHATESTENABLE:
    case DEV_RS_ALPHAFUNC:
    case DEV_RS_SPECULARENABLE:
    case DEV_RS_SHADEMODE:
        m_dirty |= DIRTY_FRAGMENT;
        break;
    case DEV_RS_ALPHAREF:
    case DEV_RS_TEXTUREFACTOR:
        ++m_uniformStamp;
        break;
    default:  // kept, without effect on this device
        break;
    }
    return DEV_OK;
}

s32 DEV_GLDevice::SetTextureStageState(u32 _stage, u32 _type, u32 _value)
{
    if (_stage >= DEV_GL_STAGES || _type >= 32)
        return DEV_ERR_INVALIDCALL;
    if (m_stageStates[_stage][_type] == _value)
        return DEV_OK;
    m_stageStates[_stage][_type] = _value;
    switch (_type) {
    case DEV_TSS_COLOROP:
    case DEV_TSS_COLORARG1:
    case DEV_TSS_COLORARG2:
    case DEV_TSS_ALPHAOP:
    case DEV_TSS_ALPHAARG1:
    case DEV_TSS_ALPHAARG2:
    case DEV_TSS_TEXCOORDINDEX:
        m_dirty |= DIRTY_FRAGMENT;
        break;
    case DEV_TSS_ADDRESSU:
    case DEV_TSS_ADDRESSV:
    case DEV_TSS_ADDRESSW:
    case DEV_TSS_BORDERCOLOR:
    case DEV_TSS_MAGFILTER:
    case DEV_TSS_MINFILTER:
    case DEV_TSS_MIPFILTER:
    case DEV_TSS_MIPMAPLODBIAS:
        m_dirtySamplers |= 1u << _stage;
        break;
    case DEV_TSS_MAXMIPLEVEL:
        m_dirtyTextures |= 1u << _stage;
        break;
    default:
        break;
    }
    return DEV_OK;
}

void DEV_GLDevice::SetCapability(GLenum _capability, u32 _on, u8* _cached)
{
    if (*_cached == _on)
        return;
    *_cached = (u8)_on;
    if (_on)
        glEnable(_capability);
    else
        glDisable(_capability);
}

void DEV_GLDevice::ApplySampler(u32 _stage)
{
    const u32* states = m_stageStates[_stage];
    const GLuint sampler = m_samplers[_stage];
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, (GLint)AddressMode(states[DEV_TSS_ADDRESSU]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, (GLint)AddressMode(states[DEV_TSS_ADDRESSV]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, (GLint)AddressMode(states[DEV_TSS_ADDRESSW]));
    const bool magLinear = states[DEV_TSS_MAGFILTER] >= DEV_TEXF_LINEAR;
    const bool minLinear = states[DEV_TSS_MINFILTER] >= DEV_TEXF_LINEAR;
    GLenum minFilter;
    switch (states[DEV_TSS_MIPFILTER]) {
    case DEV_TEXF_NONE:
        minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
        break;
    case DEV_TEXF_POINT:
        minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        break;
    default:
        minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        break;
    }
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, (GLint)minFilter);
    f32 bias;
    memcpy(&bias, &states[DEV_TSS_MIPMAPLODBIAS], sizeof(bias));
    glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, bias);
    f32 border[4];
    ColorOf(states[DEV_TSS_BORDERCOLOR], border);
    glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
}

void DEV_GLDevice::ApplyDrawState()
{
    const u32 dirty = m_dirty;
    if (dirty & DIRTY_DEPTH) {
        const u32 test = m_renderStates[DEV_RS_ZENABLE] != DEV_ZB_FALSE && m_parameters.enableAutoDepthStencil;
        SetCapability(GL_DEPTH_TEST, test, &m_glDepthTest);
        const GLboolean mask = m_renderStates[DEV_RS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE;
        if (mask != m_glDepthMask) {
            m_glDepthMask = mask;
            glDepthMask(mask);
        }
        const GLenum func = CompareFunction(m_renderStates[DEV_RS_ZFUNC]);
        if (func != m_glDepthFunc) {
            m_glDepthFunc = func;
            glDepthFunc(func);
        }
    }
    if (dirty & DIRTY_BLEND) {
        u32 source = m_renderStates[DEV_RS_SRCBLEND], dest = m_renderStates[DEV_RS_DESTBLEND];
        if (source == 12) {  // both source alpha
            source = DEV_BLEND_SRCALPHA;
            dest = DEV_BLEND_INVSRCALPHA;
        } else if (source == 13) {  // both inverse source alpha
            source = DEV_BLEND_INVSRCALPHA;
            dest = DEV_BLEND_SRCALPHA;
        }
        if (!m_targetHasAlpha) {
            source = WithoutDestinationAlpha(source);
            dest = WithoutDestinationAlpha(dest);
        }
        // One-zero blending writes the source unchanged: skip the blender.
        const u32 on =
            m_renderStates[DEV_RS_ALPHABLENDENABLE] != 0 && !(source == DEV_BLEND_ONE && dest == DEV_BLEND_ZERO);
        SetCapability(GL_BLEND, on, &m_glBlend);
        const GLenum glSource = BlendFactor(source), glDest = BlendFactor(dest);
        if (on && (glSource != m_glBlendSource || glDest != m_glBlendDest)) {
            m_glBlendSource = glSource;
            m_glBlendDest = glDest;
            glBlendFunc(glSource, glDest);
        }
    }
    if (dirty & DIRTY_RASTER) {
        // Row 0 is the top, so a triangle that Direct3D sees counter-clockwise on the screen
        // is clockwise in GL's window coordinates: it is GL's back face.
        const u32 cull = m_renderStates[DEV_RS_CULLMODE];
        SetCapability(GL_CULL_FACE, cull == DEV_CULL_CW || cull == DEV_CULL_CCW, &m_glCull);
        const GLenum face = cull == DEV_CULL_CW ? GL_FRONT : GL_BACK;
        if (face != m_glCullFace) {
            m_glCullFace = face;
            glCullFace(face);
        }
        const u32 fill = m_renderStates[DEV_RS_FILLMODE];
        const GLenum mode = fill == DEV_FILL_POINT ? GL_POINT : fill == DEV_FILL_WIREFRAME ? GL_LINE : GL_FILL;
        if (mode != m_glPolygonMode) {
            m_glPolygonMode = mode;
            glPolygonMode(GL_FRONT_AND_BACK, mode);
        }
        // A larger z-bias pulls the polygon towards the viewer.
        const u32 bias = m_renderStates[DEV_RS_ZBIAS];
        if (bias != 0 && m_glOffsetUnits != -(f32)bias) {
            m_glOffsetUnits = -(f32)bias;
            glPolygonOffset(0.0f, m_glOffsetUnits);
        }
        const u32 offset = bias != 0;
        if (offset != m_glPolygonOffset) {
            m_glPolygonOffset = (u8)offset;
            if (offset) {
                glEnable(GL_POLYGON_OFFSET_FILL);
                glEnable(GL_POLYGON_OFFSET_LINE);
                glEnable(GL_POLYGON_OFFSET_POINT);
            } else {
                glDisable(GL_POLYGON_OFFSET_FILL);
                glDisable(GL_POLYGON_OFFSET_LINE);
                glDisable(GL_POLYGON_OFFSET_POINT);
            }
        }
        SetCapability(GL_MULTISAMPLE, m_renderStates[DEV_RS_MULTISAMPLEANTIALIAS] != 0, &m_glMultisample);
    }
    if (m_dirtySamplers != 0) {
        for (u32 stage = 0; stage < DEV_GL_STAGES; ++stage)
            if (m_dirtySamplers & (1u << stage))
                ApplySampler(stage);
        m_dirtySamplers = 0;
    }
    m_dirty = dirty & (DIRTY_FRAGMENT | DIRTY_PROGRAM | DIRTY_STREAM | DIRTY_INDICES);
}

s32 DEV_GLDevice::DrawIndexedPrimitive(u32 _type, u32 _minIndex, u32 _numVertices, u32 _startIndex, u32 _primitiveCount)
{
    GLenum mode;
    switch (_type) {
    case DEV_PT_LINELIST:
        mode = GL_LINES;
        break;
    case DEV_PT_LINESTRIP:
        mode = GL_LINE_STRIP;
        break;
    case DEV_PT_TRIANGLELIST:
        mode = GL_TRIANGLES;
        break;
    case DEV_PT_TRIANGLESTRIP:
        mode = GL_TRIANGLE_STRIP;
        break;
    case DEV_PT_TRIANGLEFAN:
        mode = GL_TRIANGLE_FAN;
        break;
    default:
        return DEV_ERR_INVALIDCALL;
    }
    const u64 indexCount = DEV_IndexCount(_type, _primitiveCount);
    if (!m_inScene || _primitiveCount == 0 || _numVertices == 0)
        return DEV_ERR_INVALIDCALL;
    Buffer* vertices = Find(m_buffers, KIND_BUFFER, m_streamBuffer);
    Buffer* indices = Find(m_buffers, KIND_BUFFER, m_indexBuffer);
    if (vertices == nullptr || indices == nullptr || vertices->locked || indices->locked)
        return DEV_ERR_INVALIDCALL;
    // Neither range may leave its buffer.
    if (!DEV_DrawFits(_startIndex, indexCount, indices->length, m_baseVertex, _minIndex, _numVertices, m_streamStride,
                      vertices->length))
        return DEV_ERR_INVALIDCALL;

    ApplyDrawState();
    if (m_dirty & DIRTY_STREAM) {
        if (m_glArrayBuffer != vertices->name) {
            m_glArrayBuffer = vertices->name;
            glBindBuffer(GL_ARRAY_BUFFER, vertices->name);
        }
        const GLsizei stride = (GLsizei)m_streamStride;
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, (const void*)0);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, (const void*)12);
        // GL_BGRA as the size hands the shader (r, g, b, a) from bytes B, G, R, A.
        glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, (const void*)24);
        glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, (const void*)28);
        glVertexAttribPointer(4, 1, GL_FLOAT, GL_FALSE, stride, (const void*)36);
        m_dirty &= ~DIRTY_STREAM;
    }
    if (m_dirty & DIRTY_INDICES) {
        if (m_glElementBuffer != indices->name) {
            m_glElementBuffer = indices->name;
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->name);
        }
        m_dirty &= ~DIRTY_INDICES;
    }
    if (m_dirtyTextures != 0)
        ApplyTextures();
    if (m_boundMask != m_keyBoundMask)
        m_dirty |= DIRTY_FRAGMENT;
    const s32 result = SelectProgram();
    if (result != DEV_OK)
        return result;
    glDrawRangeElementsBaseVertex(mode, _minIndex, _minIndex + _numVertices - 1, (GLsizei)indexCount, GL_UNSIGNED_SHORT,
                                  (const void*)((size_t)_startIndex * 2), (GLint)m_baseVertex);
    return DEV_OK;
}

void DEV_GLDevice::UpdateUniforms(Program* _program)
{
    if (_program->constantStamp != m_constantStamp) {
        // One upload per run of registers changed since this program last saw them.
        const u32 count = _program->constantCount;
        for (u32 i = 0; i < count;) {
            if (m_constantStamps[i] <= _program->constantStamp) {
                ++i;
                continue;
            }
            u32 end = i + 1;
            while (end < count && m_constantStamps[end] > _program->constantStamp)
                ++end;
            glUniform4fv(_program->constantLocations[i], (GLsizei)(end - i), &m_constants[i * 4]);
            i = end;
        }
        _program->constantStamp = m_constantStamp;
    }
    if (_program->uniformStamp != m_uniformStamp) {
        if (_program->pixelShift >= 0)
            glUniform2f(_program->pixelShift, 1.0f / (f32)m_viewport.width, 1.0f / (f32)m_viewport.height);
        if (_program->textureFactor >= 0) {
            f32 rgba[4];
            ColorOf(m_renderStates[DEV_RS_TEXTUREFACTOR], rgba);
            glUniform4fv(_program->textureFactor, 1, rgba);
        }
        if (_program->alphaRef >= 0)
            glUniform1f(_program->alphaRef, (f32)(m_renderStates[DEV_RS_ALPHAREF] & 0xFF));
        _program->uniformStamp = m_uniformStamp;
    }
}
