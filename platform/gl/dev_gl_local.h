// The OpenGL 3.3 device behind dev_device.h (private to platform/): the only code that makes
// GL calls. One context for the life of the program; the device draws into framebuffer
// objects of the back buffer's size and shows them in the window at Present.
//
// Direct3D conventions are kept in one place each: the vertex epilogue (clip depth 0..w,
// pixel centres on integers, y down, saturated colours), the rows of every framebuffer
// (row 0 is the top of the picture, so culling, screenshots and the blit to the window all
// follow from it) and texture uploads (rows in memory order, no flip).
#pragma once

#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "dev_checks_local.h"
#include "dev_device.h"

enum : u32
{
    DEV_GL_STAGES = 8,        // texture stages, each with its own texture unit and sampler
    DEV_GL_TEXCOORDS = 4,     // oT0 .. oT3
    DEV_GL_CONSTANTS = 96,    // vertex-shader constant registers
    DEV_GL_UPLOAD_UNIT = 15,  // texture unit for uploads, so stage bindings stay untouched
    DEV_GL_MAX_LEVELS = DEV_MAX_TEXTURE_LEVELS,
};

// ---- what the machine's GL offers (read once with the context) ----
struct DEV_GLInfo
{
    char renderer[256] = {};
    char version[256] = {};
    u32 hasS3TC = 0;
    u32 maxTextureSize = 0;
    u32 sampleCounts = 0;  // bit n set: n samples per pixel really work (n = 2 .. 16)
};

// Makes the program's one context current on the window (creating it the first time).
// 0 on success.
s32 DEV_GLAcquireContext(void* _window, const DEV_GLInfo** _info);
// Shows the default framebuffer of the context's window.
void DEV_GLSwapWindow();
// Frames to wait for the vertical blank at each swap (0: none).
void DEV_GLSetSwapInterval(u32 _interval);
// The window's drawable size in pixels.
void DEV_GLDrawableSize(s32* _width, s32* _height);
// Devices alive on the context (at most one: its GL state is the device's).
void DEV_GLCountDevice(s32 _delta);

// ---- fixed-function texture stages as a fragment-program key ----
struct DEV_GLStageKey
{
    u8 colorOp = 0;  // 0 past the end of the chain
    u8 colorArg1 = 0;
    u8 colorArg2 = 0;
    u8 alphaOp = 0;
    u8 alphaArg1 = 0;
    u8 alphaArg2 = 0;
    u8 texCoord = 0;  // texture-coordinate set the stage samples (only when it samples)
    u8 sample = 0;    // 1: the stage reads its texture and one is bound
};

// Everything a generated fragment program depends on. Unused fields stay zero, so that equal
// setups give equal keys.
struct DEV_GLFragmentKey
{
    DEV_GLStageKey stages[DEV_GL_STAGES];
    u32 pixelShader = 0;  // handle of a pixel program, 0: the texture stages
    u8 alphaFunc = 0;     // DEV_CMP_*, 0: no alpha test
    u8 specular = 0;
    u8 flat = 0;  // 1: flat shading, both colours taken from the triangle's first vertex
    u8 pad = 0;
};
static_assert(sizeof(DEV_GLFragmentKey) == 72, "the key is compared and hashed as bytes");

bool operator==(const DEV_GLFragmentKey& _a, const DEV_GLFragmentKey& _b);
struct DEV_GLFragmentKeyHash
{
    size_t operator()(const DEV_GLFragmentKey& _key) const;
};

// Builds the key from the raw stage states (Direct3D codes, [stage][type]) and the stages
// that have a texture bound. DEV_OK or the Direct3D error for an operation or argument that
// the generator does not know.
s32 DEV_GLBuildStageKey(const u32 (*_stageStates)[32], u32 _boundMask, DEV_GLFragmentKey* _key);

// GLSL text of the fixed-function fragment program for a key.
std::string DEV_GLStageSource(const DEV_GLFragmentKey& _key);
// GLSL text of a pixel program (the caller's PS_Main) with the alpha test of the key.
std::string DEV_GLPixelProgramSource(const char* _body, const DEV_GLFragmentKey& _key);
// GLSL text of a vertex program (the caller's VS_Main) inside prologue and epilogue. It hands
// the colours on twice, smooth and flat; the fragment program reads the pair its key names.
std::string DEV_GLVertexProgramSource(const char* _body);

// Compiles one shader object; 0 on failure, with the compiler's log on standard error.
GLuint DEV_GLCompile(GLenum _type, const std::string& _source);

// ---- textures ----
struct DEV_GLFormat
{
    u32 format = 0;  // DEV_FMT_*
    GLenum internalFormat = 0;
    GLenum dataFormat = 0;  // 0 for block-compressed formats
    GLenum dataType = 0;
    u32 bytesPerPixel = 0;  // 0 for block-compressed formats
    u32 bytesPerBlock = 0;  // 4x4 block of a compressed format
};
// The GL form of a texture format, or null when the device cannot make it.
const DEV_GLFormat* DEV_GLFindFormat(u32 _format, u32 _hasS3TC);
// Bytes of one row (of blocks for DXT) and of a whole level of that size.
u32 DEV_GLLevelPitch(const DEV_GLFormat& _format, u32 _width);
u32 DEV_GLLevelSize(const DEV_GLFormat& _format, u32 _width, u32 _height);

// ---- the device ----
class DEV_GLDevice : public DEV_Device
{
public:
    DEV_GLDevice(const DEV_GLInfo* _info, void* _window);
    ~DEV_GLDevice() override;
    DEV_GLDevice(const DEV_GLDevice&) = delete;
    DEV_GLDevice& operator=(const DEV_GLDevice&) = delete;

    // Sets up the targets and the default state; DEV_OK or the reason it cannot.
    s32 Init(const DEV_PresentParameters& _parameters);
    // The parameters in use, a size of 0 replaced by the window's.
    const DEV_PresentParameters& Parameters() const { return m_parameters; }

    s32 GetDeviceCaps(DEV_Caps* _caps) override;
    s32 GetBackBufferDesc(DEV_SurfaceDesc* _desc) override;
    s32 TestCooperativeLevel() override;
    s32 Reset(DEV_PresentParameters* _parameters) override;
    s32 Present() override;
    s32 GetFrontBuffer(u8* _pixels, u32 _width, u32 _height) override;

    s32 BeginScene() override;
    s32 EndScene() override;
    s32 SetViewport(const DEV_Viewport& _viewport) override;
    s32 Clear(u32 _flags, u32 _color, f32 _z, u32 _stencil) override;

    s32 SetRenderState(u32 _state, u32 _value) override;
    s32 SetTextureStageState(u32 _stage, u32 _type, u32 _value) override;

    s32 CreateVertexBuffer(u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer) override;
    s32 LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data) override;
    s32 UnlockVertexBuffer(DEV_Handle _buffer) override;
    void ReleaseVertexBuffer(DEV_Handle _buffer) override;
    s32 CreateIndexBuffer(u32 _length, u32 _usage, u32 _format, u32 _pool, DEV_Handle* _buffer) override;
    s32 LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data) override;
    s32 UnlockIndexBuffer(DEV_Handle _buffer) override;
    void ReleaseIndexBuffer(DEV_Handle _buffer) override;

    s32 SetStreamSource(u32 _stream, DEV_Handle _buffer, u32 _stride) override;
    s32 SetIndices(DEV_Handle _buffer, u32 _baseVertexIndex) override;
    s32 DrawIndexedPrimitive(u32 _type, u32 _minIndex, u32 _numVertices, u32 _startIndex, u32 _primitiveCount) override;

    s32 CreateTexture(u32 _width, u32 _height, u32 _levels, u32 _usage, u32 _format, u32 _pool,
                      DEV_Handle* _texture) override;
    s32 GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc) override;
    s32 LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32 _flags) override;
    s32 UnlockRect(DEV_Handle _texture, u32 _level) override;
    void PreLoad(DEV_Handle _texture) override;
    void ReleaseTexture(DEV_Handle _texture) override;
    s32 SetTexture(u32 _stage, DEV_Handle _texture) override;

    s32 CreateVertexShader(const char* _source, u32 _usage, DEV_Handle* _shader) override;
    s32 DeleteVertexShader(DEV_Handle _shader) override;
    s32 SetVertexShader(DEV_Handle _shader) override;
    s32 SetVertexShaderConstant(u32 _register, const f32* _data, u32 _count) override;
    s32 CreatePixelShader(const char* _source, DEV_Handle* _shader) override;
    s32 DeletePixelShader(DEV_Handle _shader) override;
    s32 SetPixelShader(DEV_Handle _shader) override;

private:
    // What changed since the last draw.
    enum : u32
    {
        DIRTY_DEPTH = 1 << 0,
        DIRTY_BLEND = 1 << 1,
        DIRTY_RASTER = 1 << 2,
        DIRTY_FRAGMENT = 1 << 3,  // the fragment program (stages, alpha test, pixel shader)
        DIRTY_PROGRAM = 1 << 4,   // the vertex shader
        DIRTY_STREAM = 1 << 5,
        DIRTY_INDICES = 1 << 6,
        DIRTY_ALL = 0xFFFFFFFF,
    };
    enum : u32
    {
        KIND_BUFFER = 1,
        KIND_TEXTURE = 2,
        KIND_VERTEX_SHADER = 3,
        KIND_PIXEL_SHADER = 4,
    };

    // ---- resources (slot tables; a handle is kind, generation and slot) ----
    struct Buffer
    {
        GLuint name = 0;
        u32 length = 0;
        u32 usage = 0;
        u32 pool = 0;
        u32 index = 0;  // 1: index buffer
        u32 locked = 0;
    };
    struct Level
    {
        u32 width = 0;
        u32 height = 0;
        u32 pitch = 0;
        u32 size = 0;
        u32 written = 0;             // the GL level holds data (else locks start from zeros)
        std::vector<u8> lockMemory;  // only while locked
        u32 locked = 0;
    };
    struct Texture
    {
        GLuint name = 0;
        const DEV_GLFormat* format = nullptr;
        u32 usage = 0;
        u32 pool = 0;
        u32 levelCount = 0;
        u32 baseLevel = 0;  // GL's base level: the most detailed level a stage lets it use
        Level levels[DEV_GL_MAX_LEVELS];
    };
    struct Program
    {
        GLuint name = 0;
        GLint constantLocations[DEV_GL_CONSTANTS] = {};
        u32 constantCount = 0;  // active elements of c[]
        GLint pixelShift = -1;
        GLint textureFactor = -1;
        GLint alphaRef = -1;
        u64 constantStamp = 0;  // constants uploaded up to this stamp
        u64 uniformStamp = 0;   // viewport, factor and reference uploaded at this stamp
    };
    struct VertexShader
    {
        GLuint name = 0;
        u32 usage = 0;
        // Linked programs by fragment program (index into m_fragments).
        std::unordered_map<u32, std::unique_ptr<Program>> programs;
    };
    struct PixelShader
    {
        std::string source;
    };
    struct Fragment
    {
        DEV_GLFragmentKey key;
        GLuint name = 0;
    };
    template <typename T>
    struct Table
    {
        struct Slot
        {
            std::unique_ptr<T> item;
            u32 generation = 0;
        };
        std::vector<Slot> slots;
        std::vector<u32> freeSlots;
    };
    template <typename T>
    static DEV_Handle Insert(Table<T>& _table, u32 _kind, std::unique_ptr<T> _item);
    template <typename T>
    static T* Find(Table<T>& _table, u32 _kind, DEV_Handle _handle);
    template <typename T>
    static std::unique_ptr<T> Remove(Table<T>& _table, u32 _kind, DEV_Handle _handle);

    s32 CreateBuffer(u32 _length, u32 _usage, u32 _pool, u32 _index, DEV_Handle* _buffer);
    // The buffer of the handle when it is of the kind asked for (_index 1: index buffer).
    Buffer* FindBuffer(DEV_Handle _buffer, u32 _index);
    s32 LockBuffer(Buffer* _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data);
    s32 UnlockBuffer(Buffer* _buffer);
    void DestroyBuffer(Buffer* _buffer);
    void DestroyTexture(Texture* _texture);
    void DestroyVertexShader(VertexShader* _shader);
    void UploadLevel(Texture* _texture, u32 _level, const u8* _data);

    // ---- targets ----
    s32 CreateTargets();
    void DestroyTargets();
    void BindDrawTarget();

    // ---- state ----
    void SetDefaultStates();
    void ApplyDrawState();
    s32 SelectProgram();
    u32 FindFragment(const DEV_GLFragmentKey& _key);
    Program* LinkProgram(VertexShader* _shader, u32 _fragment);
    void UpdateUniforms(Program* _program);
    void ApplySampler(u32 _stage);
    void ApplyTextures();
    void SetCapability(GLenum _capability, u32 _on, u8* _cached);

    const DEV_GLInfo* m_info = nullptr;
    void* m_window = nullptr;
    DEV_PresentParameters m_parameters;
    u32 m_samples = 0;  // samples per pixel of the draw target, 0: single

    // Single-sample: draw and front swap at Present (the swap effect discards the back
    // buffer). Multisampled: the multisampled target resolves into the front one.
    GLuint m_drawFramebuffer = 0;
    GLuint m_frontFramebuffer = 0;
    GLuint m_colorBuffers[2] = {};
    GLuint m_framebuffers[2] = {};
    GLuint m_depthBuffer = 0;
    GLuint m_msFramebuffer = 0;
    GLuint m_msColor = 0;
    GLuint m_msDepth = 0;
    u32 m_drawIndex = 0;

    GLuint m_vertexArray = 0;
    GLuint m_samplers[DEV_GL_STAGES] = {};

    Table<Buffer> m_buffers;
    Table<Texture> m_textures;
    Table<VertexShader> m_vertexShaders;
    Table<PixelShader> m_pixelShaders;
    std::vector<Fragment> m_fragments;
    std::unordered_map<DEV_GLFragmentKey, u32, DEV_GLFragmentKeyHash> m_fragmentIndex;

    // Direct3D state as the application set it.
    u32 m_renderStates[256] = {};
    u32 m_stageStates[DEV_GL_STAGES][32] = {};
    DEV_Handle m_stageTextures[DEV_GL_STAGES] = {};
    Texture* m_stageTextureObjects[DEV_GL_STAGES] = {};
    u32 m_boundMask = 0;  // stages with a texture bound
    DEV_Viewport m_viewport;
    DEV_Handle m_streamBuffer = 0;
    u32 m_streamStride = 0;
    DEV_Handle m_indexBuffer = 0;
    u32 m_baseVertex = 0;
    DEV_Handle m_vertexShader = 0;
    DEV_Handle m_pixelShader = 0;
    f32 m_constants[DEV_GL_CONSTANTS * 4] = {};
    u64 m_constantStamps[DEV_GL_CONSTANTS] = {};
    u64 m_constantStamp = 1;
    u64 m_uniformStamp = 1;
    u32 m_inScene = 0;

    // What changed since the last draw.
    u32 m_dirty = 0;
    u32 m_dirtySamplers = 0;
    // Stages whose texture or most detailed level changed. Binding waits for the draw, so
    // the unbind-then-bind the display layer does at each texture change costs no GL call.
    u32 m_dirtyTextures = 0;
    u32 m_keyBoundMask = 0;  // the bound stages the current fragment program was chosen for
    Program* m_program = nullptr;
    s32 m_programResult = DEV_OK;

    // GL state as last written, so only changes reach the driver.
    u8 m_glDepthTest = 0xFF;
    u8 m_glBlend = 0xFF;
    u8 m_glCull = 0xFF;
    u8 m_glMultisample = 0xFF;
    u8 m_glPolygonOffset = 0xFF;
    GLboolean m_glDepthMask = 0xFF;
    GLenum m_glDepthFunc = 0;
    GLenum m_glBlendSource = 0;
    GLenum m_glBlendDest = 0;
    GLenum m_glCullFace = 0;
    GLenum m_glPolygonMode = 0;
    f32 m_glOffsetUnits = 0.0f;
    GLuint m_glProgram = 0;
    GLuint m_glArrayBuffer = 0;
    GLuint m_glElementBuffer = 0;
    GLuint m_glTextures[DEV_GL_STAGES] = {};
    u32 m_targetHasAlpha = 0;  // else destination alpha reads as 1, as on a surface without it
};

// The adapter object over the one context.
class DEV_GLDriver : public DEV_Driver
{
public:
    DEV_GLDriver(const DEV_GLInfo* _info, void* _window);

    u32 GetAdapterCount() override;
    s32 GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier) override;
    s32 GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode) override;
    u32 GetAdapterModeCount(u32 _adapter) override;
    s32 EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result) override;
    s32 GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps) override;
    s32 CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat,
                        u32 _windowed) override;
    s32 CheckDeviceFormat(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _usage, u32 _resourceType,
                          u32 _checkFormat) override;
    s32 CheckDeviceMultiSampleType(u32 _adapter, u32 _deviceType, u32 _surfaceFormat, u32 _windowed,
                                   u32 _multiSampleType) override;
    s32 CheckDepthStencilMatch(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _renderTargetFormat,
                               u32 _depthStencilFormat) override;
    s32 CreateDevice(u32 _adapter, u32 _deviceType, void* _focusWindow, u32 _behaviorFlags,
                     DEV_PresentParameters* _parameters, DEV_Device** _device) override;
    void GetWindowRects(void* _window, DEV_Rect* _windowRect, DEV_Rect* _clientRect) override;

private:
    void BuildModes();

    const DEV_GLInfo* m_info = nullptr;
    void* m_window = nullptr;
    DEV_DisplayMode m_modes[64];
    u32 m_modeCount = 0;
};

// The capabilities of the GL device (one hardware device on adapter 0).
void DEV_GLFillCaps(const DEV_GLInfo& _info, DEV_Caps* _caps);

// ---- handle tables ----
// A handle holds the kind (bits 28-31), a generation (bits 16-27) and the slot (bits 0-15),
// so a stale handle or one of another kind fails instead of reaching a new object.
template <typename T>
DEV_Handle DEV_GLDevice::Insert(Table<T>& _table, u32 _kind, std::unique_ptr<T> _item)
{
    u32 slot;
    if (!_table.freeSlots.empty()) {
        slot = _table.freeSlots.back();
        _table.freeSlots.pop_back();
    } else {
        if (_table.slots.size() >= 0xFFFF)
            return 0;
        slot = (u32)_table.slots.size();
        _table.slots.emplace_back();
    }
    typename Table<T>::Slot& entry = _table.slots[slot];
    entry.item = std::move(_item);
    entry.generation = (entry.generation + 1) & 0xFFF;
    return (_kind << 28) | (entry.generation << 16) | slot;
}

template <typename T>
T* DEV_GLDevice::Find(Table<T>& _table, u32 _kind, DEV_Handle _handle)
{
    const u32 slot = _handle & 0xFFFF;
    if ((_handle >> 28) != _kind || slot >= _table.slots.size())
        return nullptr;
    typename Table<T>::Slot& entry = _table.slots[slot];
    if (entry.item == nullptr || entry.generation != ((_handle >> 16) & 0xFFF))
        return nullptr;
    return entry.item.get();
}

template <typename T>
std::unique_ptr<T> DEV_GLDevice::Remove(Table<T>& _table, u32 _kind, DEV_Handle _handle)
{
    if (Find(_table, _kind, _handle) == nullptr)
        return nullptr;
    const u32 slot = _handle & 0xFFFF;
    _table.freeSlots.push_back(slot);
    return std::move(_table.slots[slot].item);
}
