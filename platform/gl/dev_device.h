// The graphics device under the display layer: a narrow interface shaped like Direct3D 8, so
// that the display layer keeps the call sequence, the numbers and the failure rules it was
// designed around. Two implementations: the OpenGL 3.3 device (dev_gl_*.cpp) and the null
// device over memory (dev_null.h), which tests, fuzz targets and benchmarks install with
// DEV_SetFactory.
//
// Contract:
// - Every numeric code below (states, values, formats, flags, results) is Direct3D 8's, and
//   every operation does what Direct3D 8 does with the same arguments, within what the
//   display layer uses. Results are 0 (DEV_OK) or one of the DEV_ERR_* codes.
// - Resources are named by handles: 0 means none, a handle is never reused while its
//   resource exists. The device owns every resource it created; deleting the device releases
//   them all. Default-pool resources (dynamic buffers) and shaders must be released before
//   Reset and created again after it; managed ones (static buffers, textures) survive.
// - A lock names a byte range of a buffer (size 0 = from the offset to the end); a range that
//   does not lie inside the buffer fails with DEV_ERR_INVALIDCALL and hands out no pointer.
//   A draw whose index or vertex range leaves the bound buffers fails the same way.
// - One thread. Nothing is locked.
#pragma once

#include "os_types.h"

typedef u32 DEV_Handle;  // 0: none

// ---- results (HRESULT values) ----
constexpr s32 DEV_OK = 0;
constexpr s32 DEV_MakeError(u32 _code) { return (s32)(0x88760000u | _code); }
constexpr s32 DEV_ERR_WRONGTEXTUREFORMAT = DEV_MakeError(2072);
constexpr s32 DEV_ERR_UNSUPPORTEDCOLOROPERATION = DEV_MakeError(2073);
constexpr s32 DEV_ERR_UNSUPPORTEDCOLORARG = DEV_MakeError(2074);
constexpr s32 DEV_ERR_UNSUPPORTEDALPHAOPERATION = DEV_MakeError(2075);
constexpr s32 DEV_ERR_UNSUPPORTEDALPHAARG = DEV_MakeError(2076);
constexpr s32 DEV_ERR_TOOMANYOPERATIONS = DEV_MakeError(2077);
constexpr s32 DEV_ERR_CONFLICTINGTEXTUREFILTER = DEV_MakeError(2078);
constexpr s32 DEV_ERR_UNSUPPORTEDFACTORVALUE = DEV_MakeError(2079);
constexpr s32 DEV_ERR_CONFLICTINGRENDERSTATE = DEV_MakeError(2081);
constexpr s32 DEV_ERR_UNSUPPORTEDTEXTUREFILTER = DEV_MakeError(2082);
constexpr s32 DEV_ERR_CONFLICTINGTEXTUREPALETTE = DEV_MakeError(2086);
constexpr s32 DEV_ERR_DRIVERINTERNALERROR = DEV_MakeError(2087);
constexpr s32 DEV_ERR_NOTFOUND = DEV_MakeError(2150);
constexpr s32 DEV_ERR_MOREDATA = DEV_MakeError(2151);
constexpr s32 DEV_ERR_DEVICELOST = DEV_MakeError(2152);
constexpr s32 DEV_ERR_DEVICENOTRESET = DEV_MakeError(2153);
constexpr s32 DEV_ERR_NOTAVAILABLE = DEV_MakeError(2154);
constexpr s32 DEV_ERR_OUTOFVIDEOMEMORY = DEV_MakeError(380);
constexpr s32 DEV_ERR_INVALIDDEVICE = DEV_MakeError(2155);
constexpr s32 DEV_ERR_INVALIDCALL = DEV_MakeError(2156);
constexpr s32 DEV_E_FAIL = (s32)0x80004005u;
constexpr s32 DEV_E_OUTOFMEMORY = (s32)0x8007000Eu;
constexpr s32 DEV_E_INVALIDARG = (s32)0x80070057u;

// ---- formats ----
constexpr u32 DEV_MakeFourCC(char _a, char _b, char _c, char _d)
{
    return (u32)(u8)_a | ((u32)(u8)_b << 8) | ((u32)(u8)_c << 16) | ((u32)(u8)_d << 24);
}
enum DEV_Format : u32
{
    DEV_FMT_UNKNOWN = 0,
    DEV_FMT_R8G8B8 = 20,
    DEV_FMT_A8R8G8B8 = 21,
    DEV_FMT_X8R8G8B8 = 22,
    DEV_FMT_R5G6B5 = 23,
    DEV_FMT_X1R5G5B5 = 24,
    DEV_FMT_A1R5G5B5 = 25,
    DEV_FMT_A4R4G4B4 = 26,
    DEV_FMT_R3G3B2 = 27,
    DEV_FMT_A8 = 28,
    DEV_FMT_A8R3G3B2 = 29,
    DEV_FMT_X4R4G4B4 = 30,
    DEV_FMT_D16_LOCKABLE = 70,
    DEV_FMT_D32 = 71,
    DEV_FMT_D15S1 = 73,
    DEV_FMT_D24S8 = 75,
    DEV_FMT_D16 = 80,
    DEV_FMT_D24X8 = 77,
    DEV_FMT_D24X4S4 = 79,
    DEV_FMT_INDEX16 = 101,
    DEV_FMT_INDEX32 = 102,
    DEV_FMT_DXT1 = DEV_MakeFourCC('D', 'X', 'T', '1'),
    DEV_FMT_DXT2 = DEV_MakeFourCC('D', 'X', 'T', '2'),
    DEV_FMT_DXT3 = DEV_MakeFourCC('D', 'X', 'T', '3'),
    DEV_FMT_DXT4 = DEV_MakeFourCC('D', 'X', 'T', '4'),
    DEV_FMT_DXT5 = DEV_MakeFourCC('D', 'X', 'T', '5'),
    DEV_FMT_YUY2 = DEV_MakeFourCC('Y', 'U', 'Y', '2'),
};

// ---- render states (D3DRENDERSTATETYPE) ----
enum DEV_RenderStateType : u32
{
    DEV_RS_ZENABLE = 7,
    DEV_RS_FILLMODE = 8,
    DEV_RS_SHADEMODE = 9,
    DEV_RS_LINEPATTERN = 10,
    DEV_RS_ZWRITEENABLE = 14,
    DEV_RS_ALPHATESTENABLE = 15,
    DEV_RS_LASTPIXEL = 16,
    DEV_RS_SRCBLEND = 19,
    DEV_RS_DESTBLEND = 20,
    DEV_RS_CULLMODE = 22,
    DEV_RS_ZFUNC = 23,
    DEV_RS_ALPHAREF = 24,
    DEV_RS_ALPHAFUNC = 25,
    DEV_RS_DITHERENABLE = 26,
    DEV_RS_ALPHABLENDENABLE = 27,
    DEV_RS_FOGENABLE = 28,
    DEV_RS_SPECULARENABLE = 29,
    DEV_RS_EDGEANTIALIAS = 40,
    DEV_RS_ZBIAS = 47,
    DEV_RS_RANGEFOGENABLE = 48,
    DEV_RS_STENCILENABLE = 52,
    DEV_RS_TEXTUREFACTOR = 60,
    DEV_RS_CLIPPING = 136,
    DEV_RS_LIGHTING = 137,
    DEV_RS_AMBIENT = 139,
    DEV_RS_FOGVERTEXMODE = 140,
    DEV_RS_NORMALIZENORMALS = 143,
    DEV_RS_VERTEXBLEND = 151,
    DEV_RS_CLIPPLANEENABLE = 152,
    DEV_RS_SOFTWAREVERTEXPROCESSING = 153,
    DEV_RS_MULTISAMPLEANTIALIAS = 161,
    DEV_RS_MULTISAMPLEMASK = 162,
};

// Render-state values.
enum : u32
{
    DEV_ZB_FALSE = 0,
    DEV_ZB_TRUE = 1,
    DEV_FILL_POINT = 1,
    DEV_FILL_WIREFRAME = 2,
    DEV_FILL_SOLID = 3,
    DEV_SHADE_FLAT = 1,
    DEV_SHADE_GOURAUD = 2,
    DEV_BLEND_ZERO = 1,
    DEV_BLEND_ONE = 2,
    DEV_BLEND_SRCCOLOR = 3,
    DEV_BLEND_INVSRCCOLOR = 4,
    DEV_BLEND_SRCALPHA = 5,
    DEV_BLEND_INVSRCALPHA = 6,
    DEV_BLEND_DESTALPHA = 7,
    DEV_BLEND_INVDESTALPHA = 8,
    DEV_BLEND_DESTCOLOR = 9,
    DEV_BLEND_INVDESTCOLOR = 10,
    DEV_BLEND_SRCALPHASAT = 11,
    DEV_CULL_NONE = 1,
    DEV_CULL_CW = 2,
    DEV_CULL_CCW = 3,
    DEV_CMP_NEVER = 1,
    DEV_CMP_LESS = 2,
    DEV_CMP_EQUAL = 3,
    DEV_CMP_LESSEQUAL = 4,
    DEV_CMP_GREATER = 5,
    DEV_CMP_NOTEQUAL = 6,
    DEV_CMP_GREATEREQUAL = 7,
    DEV_CMP_ALWAYS = 8,
};

// ---- texture-stage states (D3DTEXTURESTAGESTATETYPE) ----
enum DEV_TextureStageStateType : u32
{
    DEV_TSS_COLOROP = 1,
    DEV_TSS_COLORARG1 = 2,
    DEV_TSS_COLORARG2 = 3,
    DEV_TSS_ALPHAOP = 4,
    DEV_TSS_ALPHAARG1 = 5,
    DEV_TSS_ALPHAARG2 = 6,
    DEV_TSS_BUMPENVMAT00 = 7,
    DEV_TSS_BUMPENVMAT01 = 8,
    DEV_TSS_BUMPENVMAT10 = 9,
    DEV_TSS_BUMPENVMAT11 = 10,
    DEV_TSS_TEXCOORDINDEX = 11,
    DEV_TSS_ADDRESSU = 13,
    DEV_TSS_ADDRESSV = 14,
    DEV_TSS_BORDERCOLOR = 15,
    DEV_TSS_MAGFILTER = 16,
    DEV_TSS_MINFILTER = 17,
    DEV_TSS_MIPFILTER = 18,
    DEV_TSS_MIPMAPLODBIAS = 19,
    DEV_TSS_MAXMIPLEVEL = 20,
    DEV_TSS_MAXANISOTROPY = 21,
    DEV_TSS_BUMPENVLSCALE = 22,
    DEV_TSS_BUMPENVLOFFSET = 23,
    DEV_TSS_TEXTURETRANSFORMFLAGS = 24,
    DEV_TSS_ADDRESSW = 25,
};

// Texture-stage values. Operations and arguments are those the render passes use; any other
// operation or argument may be refused with DEV_ERR_UNSUPPORTEDCOLOROPERATION and friends at
// the draw that uses it.
enum : u32
{
    DEV_TOP_DISABLE = 1,
    DEV_TOP_SELECTARG1 = 2,
    DEV_TOP_SELECTARG2 = 3,
    DEV_TOP_MODULATE = 4,
    DEV_TOP_MODULATE2X = 5,
    DEV_TOP_ADD = 7,
    DEV_TOP_BLENDTEXTUREALPHA = 13,
    DEV_TOP_BLENDFACTORALPHA = 14,
    DEV_TOP_BLENDCURRENTALPHA = 16,
    DEV_TOP_MODULATEALPHA_ADDCOLOR = 18,
    DEV_TA_DIFFUSE = 0,
    DEV_TA_CURRENT = 1,
    DEV_TA_TEXTURE = 2,
    DEV_TA_TFACTOR = 3,
    DEV_TADDRESS_WRAP = 1,
    DEV_TADDRESS_MIRROR = 2,
    DEV_TADDRESS_CLAMP = 3,
    DEV_TEXF_NONE = 0,
    DEV_TEXF_POINT = 1,
    DEV_TEXF_LINEAR = 2,
};

// ---- primitives, locks, usage, pools, clears ----
enum DEV_PrimitiveType : u32
{
    DEV_PT_LINELIST = 2,
    DEV_PT_LINESTRIP = 3,
    DEV_PT_TRIANGLELIST = 4,
    DEV_PT_TRIANGLESTRIP = 5,
    DEV_PT_TRIANGLEFAN = 6,
};
enum : u32
{
    DEV_LOCK_NOSYSLOCK = 0x800,
    DEV_LOCK_NOOVERWRITE = 0x1000,
    DEV_LOCK_DISCARD = 0x2000,
    DEV_USAGE_WRITEONLY = 0x8,
    DEV_USAGE_SOFTWAREPROCESSING = 0x10,
    DEV_USAGE_DYNAMIC = 0x200,
    DEV_USAGE_DEPTHSTENCIL = 0x2,
    DEV_POOL_DEFAULT = 0,
    DEV_POOL_MANAGED = 1,
    DEV_RTYPE_SURFACE = 1,
    DEV_RTYPE_TEXTURE = 3,
    DEV_CLEAR_TARGET = 1,
    DEV_CLEAR_ZBUFFER = 2,
    DEV_CLEAR_STENCIL = 4,
};

// ---- devices, behaviour, presentation, capabilities ----
enum : u32
{
    DEV_DEVTYPE_HAL = 1,
    DEV_DEVTYPE_REF = 2,
    DEV_CREATE_PUREDEVICE = 0x10,
    DEV_CREATE_SOFTWARE_VERTEXPROCESSING = 0x20,
    DEV_CREATE_HARDWARE_VERTEXPROCESSING = 0x40,
    DEV_CREATE_MIXED_VERTEXPROCESSING = 0x80,
    DEV_SWAPEFFECT_DISCARD = 1,
    DEV_PRESENT_INTERVAL_DEFAULT = 0,
    DEV_PRESENT_INTERVAL_IMMEDIATE = 0x80000000u,
    DEV_MULTISAMPLE_NONE = 0,  // 2 .. 16: that many samples
    DEV_DEVCAPS_HWTRANSFORMANDLIGHT = 0x10000,
    DEV_DEVCAPS_PUREDEVICE = 0x100000,
    DEV_CAPS2_CANRENDERWINDOWED = 0x80000,
};
constexpr u32 DEV_VS_VERSION(u32 _major, u32 _minor) { return 0xFFFE0000u | (_major << 8) | _minor; }
constexpr u32 DEV_PS_VERSION(u32 _major, u32 _minor) { return 0xFFFF0000u | (_major << 8) | _minor; }

struct DEV_AdapterIdentifier
{
    char driver[512] = {};
    char description[512] = {};  // the GL renderer string on the GL device
};

struct DEV_DisplayMode
{
    u32 width = 0;
    u32 height = 0;
    u32 refreshRate = 0;
    u32 format = DEV_FMT_UNKNOWN;
};

// The part of D3DCAPS8 that the display layer reads.
struct DEV_Caps
{
    u32 deviceType = 0;
    u32 adapterOrdinal = 0;
    u32 caps2 = 0;    // DEV_CAPS2_*
    u32 devCaps = 0;  // DEV_DEVCAPS_*
    u32 maxTextureWidth = 0;
    u32 maxTextureHeight = 0;
    u32 maxStreams = 0;            // 0: not a usable device
    u32 vertexShaderVersion = 0;   // DEV_VS_VERSION(1, 1) on the GL device
    u32 maxVertexShaderConst = 0;  // 96
    u32 pixelShaderVersion = 0;    // DEV_PS_VERSION(1, 1) on the GL device
    u32 maxSimultaneousTextures = 0;
};

struct DEV_PresentParameters
{
    u32 backBufferWidth = 0;
    u32 backBufferHeight = 0;
    u32 backBufferFormat = DEV_FMT_UNKNOWN;  // 16-bit formats still render at 32 bits
    u32 backBufferCount = 0;
    u32 multiSampleType = DEV_MULTISAMPLE_NONE;
    u32 swapEffect = 0;
    void* deviceWindow = nullptr;
    u32 windowed = 0;
    u32 enableAutoDepthStencil = 0;
    u32 autoDepthStencilFormat = DEV_FMT_UNKNOWN;
    u32 flags = 0;
    u32 fullScreenRefreshRate = 0;
    u32 fullScreenPresentationInterval = 0;
};

struct DEV_SurfaceDesc
{
    u32 format = DEV_FMT_UNKNOWN;
    u32 usage = 0;
    u32 pool = 0;
    u32 size = 0;  // bytes of the level or surface as locked memory holds it
    u32 multiSampleType = 0;
    u32 width = 0;
    u32 height = 0;
};

struct DEV_Viewport
{
    u32 x = 0;
    u32 y = 0;
    u32 width = 0;
    u32 height = 0;
    f32 minZ = 0.0f;
    f32 maxZ = 1.0f;
};

struct DEV_Rect
{
    s32 left = 0;
    s32 top = 0;
    s32 right = 0;
    s32 bottom = 0;
};

class DEV_Device;

// The adapter-level object (IDirect3D8): what the machine offers, and device creation.
// The GL device has one adapter (ordinal 0) with one hardware device; every query about
// another adapter or the reference device answers DEV_ERR_INVALIDCALL or DEV_ERR_NOTAVAILABLE.
class DEV_Driver
{
public:
    virtual ~DEV_Driver() {}

    virtual u32 GetAdapterCount() = 0;
    virtual s32 GetAdapterIdentifier(u32 _adapter, DEV_AdapterIdentifier* _identifier) = 0;
    // The desktop's current mode.
    virtual s32 GetAdapterDisplayMode(u32 _adapter, DEV_DisplayMode* _mode) = 0;
    // The full-screen modes, in any order, refresh rates included; the display layer filters,
    // merges and sorts them. The GL device reports DEV_BuildModeList's list.
    virtual u32 GetAdapterModeCount(u32 _adapter) = 0;
    virtual s32 EnumAdapterModes(u32 _adapter, u32 _mode, DEV_DisplayMode* _result) = 0;
    virtual s32 GetDeviceCaps(u32 _adapter, u32 _deviceType, DEV_Caps* _caps) = 0;
    // DEV_OK when the device can run that display format with that back-buffer format.
    virtual s32 CheckDeviceType(u32 _adapter, u32 _deviceType, u32 _displayFormat, u32 _backBufferFormat,
                                u32 _windowed) = 0;
    // DEV_OK when a resource of that type, usage and format can be made (textures and
    // depth-stencil surfaces; DXT formats only where the driver has S3TC).
    virtual s32 CheckDeviceFormat(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _usage, u32 _resourceType,
                                  u32 _checkFormat) = 0;
    // DEV_OK when that many samples per pixel work (2 .. 16, up to the driver's limit).
    virtual s32 CheckDeviceMultiSampleType(u32 _adapter, u32 _deviceType, u32 _surfaceFormat, u32 _windowed,
                                           u32 _multiSampleType) = 0;
    virtual s32 CheckDepthStencilMatch(u32 _adapter, u32 _deviceType, u32 _adapterFormat, u32 _renderTargetFormat,
                                       u32 _depthStencilFormat) = 0;
    // Creates the device; the caller owns it and deletes it before the driver.
    virtual s32 CreateDevice(u32 _adapter, u32 _deviceType, void* _focusWindow, u32 _behaviorFlags,
                             DEV_PresentParameters* _parameters, DEV_Device** _device) = 0;
    // The window's outer rectangle on the desktop and its client rectangle (left/top 0).
    virtual void GetWindowRects(void* _window, DEV_Rect* _windowRect, DEV_Rect* _clientRect) = 0;
};

// The device (IDirect3DDevice8). Deleting it releases every resource it still holds.
class DEV_Device
{
public:
    virtual ~DEV_Device() {}

    virtual s32 GetDeviceCaps(DEV_Caps* _caps) = 0;
    // Back buffer 0 as the application sees it (its width, height and the mode's format).
    virtual s32 GetBackBufferDesc(DEV_SurfaceDesc* _desc) = 0;
    // DEV_OK, or DEV_ERR_DEVICELOST / DEV_ERR_DEVICENOTRESET (never on the GL device).
    virtual s32 TestCooperativeLevel() = 0;
    // Applies new presentation parameters (another size, another sample count); every state
    // returns to Direct3D's defaults, nothing is bound.
    virtual s32 Reset(DEV_PresentParameters* _parameters) = 0;
    // Shows the whole back buffer in the window, scaled to fit.
    virtual s32 Present() = 0;
    // The last presented frame, presentation size, 4 bytes a pixel B, G, R, A, top row first,
    // rows back to back. DEV_ERR_INVALIDCALL when the size does not match.
    virtual s32 GetFrontBuffer(u8* _pixels, u32 _width, u32 _height) = 0;

    virtual s32 BeginScene() = 0;
    virtual s32 EndScene() = 0;
    virtual s32 SetViewport(const DEV_Viewport& _viewport) = 0;
    // DEV_CLEAR_* flags; whole viewport; DEV_CLEAR_STENCIL only with a stencil format.
    virtual s32 Clear(u32 _flags, u32 _color, f32 _z, u32 _stencil) = 0;

    virtual s32 SetRenderState(u32 _state, u32 _value) = 0;
    virtual s32 SetTextureStageState(u32 _stage, u32 _type, u32 _value) = 0;

    // Vertex buffers hold 40-byte vertices: position 3 f32, normal 3 f32, colour u32 as
    // bytes B, G, R, A, texture coordinates 2 f32, one f32 no shader reads.
    virtual s32 CreateVertexBuffer(u32 _length, u32 _usage, u32 _pool, DEV_Handle* _buffer) = 0;
    virtual s32 LockVertexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data) = 0;
    virtual s32 UnlockVertexBuffer(DEV_Handle _buffer) = 0;
    virtual void ReleaseVertexBuffer(DEV_Handle _buffer) = 0;
    // Index buffers: DEV_FMT_INDEX16 only.
    virtual s32 CreateIndexBuffer(u32 _length, u32 _usage, u32 _format, u32 _pool, DEV_Handle* _buffer) = 0;
    virtual s32 LockIndexBuffer(DEV_Handle _buffer, u32 _offset, u32 _size, u32 _flags, u8** _data) = 0;
    virtual s32 UnlockIndexBuffer(DEV_Handle _buffer) = 0;
    virtual void ReleaseIndexBuffer(DEV_Handle _buffer) = 0;

    // Stream 0 only; handle 0 unbinds.
    virtual s32 SetStreamSource(u32 _stream, DEV_Handle _buffer, u32 _stride) = 0;
    // Handle 0 unbinds. Every index is offset by the base vertex index.
    virtual s32 SetIndices(DEV_Handle _buffer, u32 _baseVertexIndex) = 0;
    virtual s32 DrawIndexedPrimitive(u32 _type, u32 _minIndex, u32 _numVertices, u32 _startIndex,
                                     u32 _primitiveCount) = 0;

    // Square or not, 1 .. 12 levels, formats 1555, 565, 8888, 4444 and DXT1 .. DXT5.
    // Level memory holds rows in memory order (row 0 first); DXT levels hold rows of 4x4
    // blocks, the pitch being one row of blocks.
    virtual s32 CreateTexture(u32 _width, u32 _height, u32 _levels, u32 _usage, u32 _format, u32 _pool,
                              DEV_Handle* _texture) = 0;
    virtual s32 GetLevelDesc(DEV_Handle _texture, u32 _level, DEV_SurfaceDesc* _desc) = 0;
    virtual s32 LockRect(DEV_Handle _texture, u32 _level, u8** _bits, s32* _pitch, u32 _flags) = 0;
    // Uploads what the lock wrote.
    virtual s32 UnlockRect(DEV_Handle _texture, u32 _level) = 0;
    virtual void PreLoad(DEV_Handle _texture) = 0;
    // A stage that still has the texture bound has no texture afterwards.
    virtual void ReleaseTexture(DEV_Handle _texture) = 0;
    // Stages 0 .. 7; handle 0 unbinds.
    virtual s32 SetTexture(u32 _stage, DEV_Handle _texture) = 0;

    // Vertex programs are GLSL 3.30 text placed after the device's prologue, which declares
    //   uniform vec4 c[96];
    //   vec4 v0 .. v4: the vertex as Direct3D expands it: position (x, y, z, 1), normal
    //     (x, y, z, 1), colour (r, g, b, a) in 0..1, texture coordinates (u, v, 0, 1),
    //     the fifth value (s, 0, 0, 1);
    //   vec4 oPos, oD0, oD1, oT0 .. oT3: the outputs, preset to (0,0,0,1), (1,1,1,1),
    //     (0,0,0,0) and (0,0,0,1);
    // and must define void VS_Main(). The device's epilogue calls it, maps oPos by Direct3D's
    // conventions (depth 0..w, pixel centres) and saturates oD0 and oD1.
    // _usage: DEV_USAGE_SOFTWAREPROCESSING or 0. The text must live as long as the shader.
    virtual s32 CreateVertexShader(const char* _source, u32 _usage, DEV_Handle* _shader) = 0;
    virtual s32 DeleteVertexShader(DEV_Handle _shader) = 0;
    virtual s32 SetVertexShader(DEV_Handle _shader) = 0;
    // _count registers of four floats from register _register (0 .. 95).
    virtual s32 SetVertexShaderConstant(u32 _register, const f32* _data, u32 _count) = 0;
    // Pixel programs are GLSL 3.30 text placed after the device's prologue, which declares
    //   vec4 t0 .. t3: stage 0 .. 3's texture sampled at texture coordinates oT0 .. oT3 with
    //     that stage's addressing and filters ((0,0,0,1) without a texture);
    //   vec4 v0, v1: the saturated oD0 and oD1;
    // and must define vec4 PS_Main(), whose result is saturated and then goes through the
    // alpha test and blending like a texture-stage result.
    virtual s32 CreatePixelShader(const char* _source, DEV_Handle* _shader) = 0;
    virtual s32 DeletePixelShader(DEV_Handle _shader) = 0;
    // Handle 0: the texture stages again.
    virtual s32 SetPixelShader(DEV_Handle _shader) = 0;
};

// Makes the driver object on the program's window; null when the machine offers no device.
typedef DEV_Driver* (*DEV_Factory)(void* _window);

// The OpenGL 3.3 implementation. Its one GL context lives as long as the program, whatever
// drivers and devices come and go.
DEV_Driver* DEV_CreateGLDevice(void* _window);

// Installs another implementation (the null one, or one derived from it); null restores the
// GL one.
void DEV_SetFactory(DEV_Factory _factory);
// Creates the driver through the installed factory.
DEV_Driver* DEV_CreateDriver(void* _window);

// The full-screen modes the GL device offers: the six sizes 640x480, 800x600, 1024x768,
// 1152x864, 1280x1024 and 1600x1200, then each desktop mode of at least 640x400 that is not
// one of them (in the given order), each size once in R5G6B5 and once in X8R8G8B8, at most
// _capacity entries (the first whole sizes that fit). Returns the number written.
u32 DEV_BuildModeList(const DEV_DisplayMode* _desktopModes, u32 _desktopCount, DEV_DisplayMode* _modes, u32 _capacity);
