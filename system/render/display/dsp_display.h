// The display layer: the one object through which the program reaches the graphics device.
//
// It opens a board (adapter) and a resolution (device) and from then on hands out small ids:
// vertex buffers 1-512 and index buffers 1-1024 (16-bit entries), vertex shaders 1-128, pixel
// shaders 1-64 (0 meaning none for all of them) and texture ids 0..table size-1 (-1 none). It
// keeps the render states and texture-stage states in caches so that an equal value never
// reaches the device, counts what each frame costs, clears, draws and flips, survives the
// loss of the device (OS_ReleaseResources / OS_ReAllocateResources, then a one-second pause)
// and writes screenshots.
//
// Every failure is fatal through OS_Fatal ("DSP_Display::<operation>()" and the fault); every
// tested device result goes through CheckResult ("D3D Error", "<code name> (<call site>)").
// Operations answer 0 for success unless they say otherwise. One thread; nothing is locked.
// The device's numbers (state codes and values) are Direct3D 8's: see dev_device.h.
#pragma once

#include "dev_device.h"
#include "mem_alloc.h"
#include "os_types.h"

class D3DUtil_Application;
class DSP_Texture;
class DSP_TextureCache;

// The one vertex of the program, 40 bytes, read as shader inputs v0..v4 from stream 0.
struct DSP_Vertex
{
    f32 x = 0.0f, y = 0.0f, z = 0.0f;
    f32 nx = 0.0f, ny = 0.0f, nz = 0.0f;
    u32 color = 0;  // 0xAARRGGBB: in memory the bytes B, G, R, A
    f32 u = 0.0f, v = 0.0f;
    f32 extra = 0.0f;  // declared by the shaders, read by none
};
static_assert(sizeof(DSP_Vertex) == 40, "DSP_Vertex is the 40-byte stream layout");

struct DSP_BoardInfo
{
    char description[256] = {};  // NUL-filled
    s32 ordinal = 0;
};

struct DSP_ResolutionInfo
{
    u32 width = 0;
    u32 height = 0;
    u16 bitsPerPixel = 0;
    u16 multisampleBits = 0;  // bit n-1: n samples available (n = 2..16)
};

// The 13 cached render states; SetRenderStates takes its values in this order.
enum DSP_RenderStateIndex : s32
{
    DSP_RS_ZENABLE = 0,
    DSP_RS_FILLMODE = 1,
    DSP_RS_ZWRITEENABLE = 2,
    DSP_RS_ALPHATESTENABLE = 3,
    DSP_RS_SRCBLEND = 4,
    DSP_RS_DESTBLEND = 5,
    DSP_RS_CULLMODE = 6,
    DSP_RS_ZFUNC = 7,
    DSP_RS_ALPHAREF = 8,
    DSP_RS_ALPHAFUNC = 9,
    DSP_RS_SPECULARENABLE = 10,
    DSP_RS_ZBIAS = 11,
    DSP_RS_TEXTUREFACTOR = 12,
    DSP_RS_COUNT = 13
};

// The 14 cached entries of a texture stage; SetTextureStageStates takes them in this order.
enum DSP_TextureStageIndex : s32
{
    DSP_TSS_COLOROP = 0,
    DSP_TSS_COLORARG1 = 1,
    DSP_TSS_COLORARG2 = 2,
    DSP_TSS_ALPHAOP = 3,
    DSP_TSS_ALPHAARG1 = 4,
    DSP_TSS_ALPHAARG2 = 5,
    DSP_TSS_TEXCOORDINDEX = 6,
    DSP_TSS_ADDRESSU = 7,
    DSP_TSS_ADDRESSV = 8,
    DSP_TSS_MAGFILTER = 9,
    DSP_TSS_MINFILTER = 10,
    DSP_TSS_MIPFILTER = 11,
    DSP_TSS_MIPMAPLODBIAS = 12,
    DSP_TSS_TEXTURE = 13,  // the bound texture id, -1 none
    DSP_TSS_COUNT = 14
};

enum
{
    DSP_NUM_STAGES = 8,
    DSP_NUM_VERTEXBUFFERS = 512,
    DSP_NUM_INDEXBUFFERS = 1024,
    DSP_NUM_VERTEXSHADERS = 128,
    DSP_NUM_PIXELSHADERS = 64,
    DSP_SHARED_BUFFER_SIZE = 0x400000,  // vertices, and entries, of the shared dynamic buffers
};

// Read and zeroed once a frame by the renderer's statistics.
struct DSP_FrameCounters
{
    u32 triangles = 0;
    u32 textureBinds = 0;
    u32 streamBinds = 0;
    u32 indexBufferBinds = 0;
    u32 pixelShaderChanges = 0;
    u32 vertexShaderChanges = 0;
};

// How well a cache works: every call, the calls that changed nothing, the calls applied.
struct DSP_CacheCounters
{
    u32 calls = 0;
    u32 redundant = 0;
    u32 applied = 0;
};

class DSP_Display : public MEM_Object
{
public:
    // *_ok = 0 (and nothing else happens) when the machine's graphics runtime is too old;
    // else 1 and the adapter list is built. _instance is kept but unused.
    DSP_Display(u32* _ok, void* _window, void* _instance, u32 _fullscreen);
    ~DSP_Display();
    DSP_Display(const DSP_Display&) = delete;
    DSP_Display& operator=(const DSP_Display&) = delete;

    // The enumeration's device filter: hardware vertex processing only with vertex shaders.
    static s32 ConfirmDevice(const DEV_Caps* _caps, u32 _behavior, u32 _format);

    // ---- boards and modes ----
    // Without records: the number of usable adapters in *_count (result 1 with no count).
    s32 QueryBoards(DSP_BoardInfo* _boards, s32* _count);
    s32 OpenBoard(const DSP_BoardInfo* _board);
    s32 QueryResolutions(DSP_ResolutionInfo* _resolutions, s32* _count);
    // Creates the device. A board must be open and no resolution.
    s32 OpenResolution(s32 _width, s32 _height, s32 _bitsPerPixel, u32 _multisampleBits);
    // Releases buffers, shaders, textures and the device; the texture table and cache stay.
    s32 CloseResolution();
    s32 GetMode(s32* _width, s32* _height, s32* _bitsPerPixel);
    // The multisample count of the open resolution (0 none, else 2-16); 0 without one.
    u32 GetMultisampleType() const { return m_device != nullptr ? m_present.multiSampleType : 0; }
    s32 GetPixelShaderVersion(s32* _major, s32* _minor);
    s32 IsTextureTypeSupported(s32 _type);
    s32 HasDevice();

    // ---- frame ----
    s32 BeginScene();
    s32 EndScene();
    s32 Clear(s32 _target, s32 _depth, u32 _color);
    s32 Flip();
    // Mode 0 triangle list, 1 strip, 2 fan, 3 line list, 4 line strip; counts are indices.
    // An index or vertex range outside its buffer is fatal through CheckResult.
    s32 DrawVertexArray(s32 _mode, s32 _indexBuffer, s32 _startIndex, s32 _indexCount, s32 _vertexBuffer,
                        s32 _baseVertexIndex, s32 _minIndex, s32 _vertexCount);

    // ---- state caches ----
    s32 SetRenderState(s32 _index, u32 _value);
    s32 GetRenderState(s32 _index, u32* _value);
    // Indices 0 and 2-12 from a 13-value block; the fill mode is left alone.
    s32 SetRenderStates(const u32* _values);
    // Entry 13 binds a texture id (-1 none).
    s32 SetTextureStageState(s32 _stage, s32 _entry, s32 _value);
    // Entries 0-13 from a 14-value descriptor; null disables the stage and all later ones.
    s32 SetTextureStageStates(s32 _stage, const s32* _values);
    // The texture override of the wireframe view: while on, texture binds are ignored.
    s32 DisableTextures();
    s32 EnableTextures();

    // ---- buffers (counts and offsets in vertices / entries) ----
    // _type 0 static, 1 dynamic.
    s32 VertexBuffer_Create(s32* _id, s32 _type, s32 _count);
    s32 VertexBuffer_Destroy(s32 _id);
    // _lockType 0 plain, 1 discard, 2 no-overwrite.
    s32 VertexBuffer_Lock(s32 _id, s32 _lockType, void** _data, s32 _first, s32 _count);
    s32 VertexBuffer_Unlock(s32 _id);
    // _entryType 0: 16-bit entries (the only kind).
    s32 IndexBuffer_Create(s32* _id, s32 _type, s32 _entryType, s32 _count);
    s32 IndexBuffer_Destroy(s32 _id);
    s32 IndexBuffer_Lock(s32 _id, s32 _lockType, void** _data, s32 _first, s32 _count);
    s32 IndexBuffer_Unlock(s32 _id);
    // Locks and unlocks every buffer eight times so the driver places it before timing.
    s32 VertexBuffer_TouchAll();
    s32 IndexBuffer_TouchAll();
    s32 GetSharedVertexBuffer() const { return m_sharedVertexBuffer; }
    s32 GetSharedIndexBuffer() const { return m_sharedIndexBuffer; }

    // ---- shaders: GLSL text (see dev_device.h) that lives as long as the program ----
    s32 VertexShader_CreateFromFile(s32* _id, const char* _program);
    s32 VertexShader_Destroy(s32 _id);
    s32 VertexShader_Set(s32 _id);
    // *_id = 0 when the device has no pixel shaders.
    s32 PixelShader_CreateFromMemory(s32* _id, const char* _program);
    s32 PixelShader_Destroy(s32 _id);
    s32 PixelShader_Set(s32 _id);  // 0: the texture stages
    s32 SetVertexShaderConstant(s32 _register, const f32* _data, s32 _count);

    // ---- textures ----
    // Releases every texture and makes a new table and cache of _count ids.
    s32 SetTextureCacheSize(s32 _count);
    s32 RequestTexture(s32 _id, const char* _name);
    // Chooses levels within _budget bytes and loads ids _first.._last ((-1, -1): all).
    // Result 1 when the textures do not fit.
    s32 Texture_ReloadTextures(s32 _first, s32 _last, s32 _budget, s32 _mipMap, s32 _compressed);
    // Releases the range and forgets every stage binding; result 1 without a table.
    s32 Texture_FlushTextures(s32 _first, s32 _last);
    s32 Texture_ReleaseTextureSurfaces(s32 _first, s32 _last);
    // A square texture of side 2^_level with _mipCount levels of DSP_TextureType _type.
    s32 Texture_Create(s32 _id, s32 _type, s32 _level, s32 _mipCount);
    // Result 1.
    s32 Texture_CreateFromFile(s32 _id, DSP_Texture* _texture, s32 _mipMap);
    // Copies packed rows in the texture's own format into level 0; result 1 for a format
    // without a pixel size. With _bytes, the size of the caller's picture, a level that needs
    // more (a texture file of another size or format than the picture drawn for it) is left
    // as it is with a log line and result 1, never read past the picture.
    s32 Texture_Refresh(s32 _id, const void* _pixels, u64 _bytes = ~0ull);
    s32 Texture_Lock(s32 _id, s32 _level, void** _bits, s32* _pitch);
    s32 Texture_Unlock(s32 _id, s32 _level);
    s32 Texture_Destroy(s32 _id);
    s32 GetTextureTableSize() const { return m_textureCount; }

    // ---- device loss (the shell's pause and resume); result 1 ----
    s32 OS_ReleaseResources();
    s32 OS_ReAllocateResources();

    // ---- pictures; result 1 in a window ----
    // Without pixels: *_size = width x height x 3. Else B, G, R per pixel, top row first.
    s32 Export(u8* _pixels, s32* _width, s32* _height, s32* _size);
    // Writes "<base><number, five digits at least>.tga"; result 0 when written, 1 in a
    // window, when the export fails or when the file cannot be created.
    s32 SaveScreenshot(const char* _base, s32 _number);

    // Fatal ("D3D Error", "<name> (<call site>)") unless _result is 0.
    static void CheckResult(s32 _result, s32 _callSite);
    // The name CheckResult gives a result code.
    static const char* GetResultName(s32 _result);

    // ---- counters ----
    DSP_FrameCounters& GetFrameCounters() { return m_frame; }
    const DSP_CacheCounters& GetRenderStateCounters() const { return m_renderStateCounters; }
    const DSP_CacheCounters& GetTextureStageCounters(s32 _stage) const
    {
        return m_stageCounters[_stage & (DSP_NUM_STAGES - 1)];
    }
    const DSP_CacheCounters& GetVertexShaderCounters() const { return m_vertexShaderCounters; }
    const DSP_CacheCounters& GetPixelShaderCounters() const { return m_pixelShaderCounters; }
    u32 AreTexturesDisabled() const { return m_flags & FLAG_TEXTURE_OVERRIDE; }

private:
    enum : u32
    {
        FLAG_TEXTURE_OVERRIDE = 1
    };
    enum : s32
    {
        BUFFER_STATIC = 0,
        BUFFER_DYNAMIC = 1,
        BUFFER_EMPTY_MARKED = 2
    };

    struct VertexBufferSlot
    {
        DEV_Handle buffer = 0;
        s32 type = BUFFER_STATIC;
        s32 count = 0;
    };
    struct IndexBufferSlot
    {
        DEV_Handle buffer = 0;
        s32 type = BUFFER_STATIC;
        s32 entryType = 0;
        s32 count = 0;
    };
    struct ShaderSlot
    {
        u32 used = 0;
        DEV_Handle handle = 0;
    };
    struct RenderStateEntry
    {
        u32 code = 0;
        u32 value = 0;
    };
    struct StageEntry
    {
        u32 code = 0;
        s32 value = 0;
    };

    // dsp_display_states.cpp
    void ResetStateTables();
    void WriteDefaultStates();
    // dsp_display_buffers.cpp
    void CreateVertexBufferInSlot(s32 _slot, s32 _type, s32 _count, const char* _caption);
    void CreateIndexBufferInSlot(s32 _slot, s32 _type, s32 _entryType, s32 _count, const char* _caption);
    void ReleaseAllBuffers();
    // dsp_display_shaders.cpp
    void CreateShaderTables();
    void DestroyShaderTables();
    void DeleteDeviceShaders();
    void RecreateDeviceShaders();
    u32 VertexShaderUsage() const;
    // dsp_display_textures.cpp
    void CheckTextureRange(s32* _first, s32* _last, const char* _caption) const;
    void ReleaseTextureRange(s32 _first, s32 _last);
    void ForgetStageTextures();
    void UnbindTextureEverywhere(s32 _id);
    void ReleaseTextureTable();
    void PreloadTextures();

    u32 HasHardwareVertexProcessing() const;

    DSP_FrameCounters m_frame;
    DSP_CacheCounters m_renderStateCounters;
    DSP_CacheCounters m_stageCounters[DSP_NUM_STAGES];
    DSP_CacheCounters m_vertexShaderCounters;
    DSP_CacheCounters m_pixelShaderCounters;

    void* m_window = nullptr;
    void* m_instance = nullptr;
    u32 m_windowed = 0;
    DEV_Rect m_windowRect;
    DEV_Rect m_clientRect;

    D3DUtil_Application* m_enumeration = nullptr;
    s32 m_board = -1;

    DEV_PresentParameters m_present;
    DEV_Device* m_device = nullptr;
    DEV_Caps m_caps;
    DEV_SurfaceDesc m_backBuffer;
    u32 m_zBufferType = 0;
    u32 m_behavior = 0;  // the open mode's vertex-processing flags

    VertexBufferSlot m_vertexBuffers[DSP_NUM_VERTEXBUFFERS];
    IndexBufferSlot m_indexBuffers[DSP_NUM_INDEXBUFFERS];

    // R5G6B5, A1R5G5B5, A8R8G8B8, A4R4G4B4, DXT1..DXT5
    u32 m_formatSupported[9] = {};

    RenderStateEntry m_renderStates[DSP_RS_COUNT];
    StageEntry m_stages[DSP_NUM_STAGES][DSP_TSS_COUNT];

    s32 m_boundVertexBuffer = 0;
    s32 m_boundIndexBuffer = 0;
    s32 m_boundBaseVertexIndex = 0;

    DSP_TextureCache* m_textureCache = nullptr;
    DEV_Handle* m_textures = nullptr;
    s32 m_textureCount = 0;

    ShaderSlot* m_pixelShaders = nullptr;  // DSP_NUM_PIXELSHADERS while a resolution is open
    s32 m_selectedPixelShader = -1;
    ShaderSlot* m_vertexShaders = nullptr;  // DSP_NUM_VERTEXSHADERS while a resolution is open
    s32 m_selectedVertexShader = -1;

    s32 m_sharedVertexBuffer = 0;
    s32 m_sharedIndexBuffer = 0;
    u32 m_flags = 0;
};

// The display singleton: null until UTL_QuickIntegrator::CreateDisplay, and after DestroyAll.
extern DSP_Display* SITO_DISPLAY;

// Writes an uncompressed 24-bit top-left-origin TGA with the TRUEVISION-XFILE footer from
// B, G, R pixel bytes, top row first. Result 1.
s32 DSP_WriteTGA(const char* _name, const u8* _pixels, s32 _width, s32 _height);

// The screen copies of the picture layer; they draw nothing and answer 0.
s32 DSP_BlitToScreen(const void* _pixels, s32 _width, s32 _height, s32 _pitch, s32 _x, s32 _y);
s32 DSP_BlitToScreenKeyed(const void* _pixels, s32 _width, s32 _height, s32 _pitch, s32 _x, s32 _y, u16 _key);
