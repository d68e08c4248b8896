// What the GL draw benchmarks share: the window, the device, the draw content (tiny quads
// with state changes between them, or a 640x480 screen of small textured triangles) and the
// device-level and plain-GL runs of those draws, so every program measures the same work.
//
// BM_DeviceDraws and BM_PlainGLDraws issue the same tiny draws with the same state changes
// between them (vertex program, texture, stage operation, blend pair, depth writes, four
// transform registers and two colour registers): once through the device and once as direct
// GL calls with the programs linked beforehand. Argument 1: those changes between draws; 0:
// only the constants change.
//
// Each run draws one frame before the timing starts: a software rasteriser compiles code for
// each new combination of state at its first use, and that belongs to no later frame.
#pragma once

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dev_device.h"
#include "plt_system.h"

namespace bench_gl
{

constexpr u32 WIDTH = 640, HEIGHT = 480;
constexpr u32 DRAWS_PER_FRAME = 1000;
constexpr u32 TEXTURE_SIDE = 64, GRID_TEXTURE_SIDE = 256;

inline const char* const s_vertexPrograms[2] = {
    "void VS_Main()\n"
    "{\n"
    "    oPos = vec4(dot(v0, c[3]), dot(v0, c[4]), dot(v0, c[5]), dot(v0, c[6]));\n"
    "    oD0 = c[50] * v2;\n"
    "    oT0 = v3;\n"
    "}\n",
    "void VS_Main()\n"
    "{\n"
    "    oPos = vec4(dot(v0, c[3]), dot(v0, c[4]), dot(v0, c[5]), dot(v0, c[6]));\n"
    "    oD0 = c[50] * v2 + c[51];\n"
    "    oT0 = v3 * 2.0;\n"
    "}\n",
};

inline const f32 s_identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
inline const f32 s_tint[8] = {1.0f, 0.9f, 0.8f, 1.0f, 0.1f, 0.1f, 0.1f, 0.0f};
inline const u32 s_blends[4][2] = {{DEV_BLEND_ONE, DEV_BLEND_ZERO},
                                   {DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA},
                                   {DEV_BLEND_ONE, DEV_BLEND_ONE},
                                   {DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR}};

struct Vertex
{
    f32 x, y, z, nx, ny, nz;
    u32 color;
    f32 u, v, extra;
};
static_assert(sizeof(Vertex) == 40, "the 40-byte stream layout");

// The shell's window for the whole run; null when there is no video.
inline void* Window()
{
    static void* s_window = nullptr;
    static bool s_tried = false;
    if (!s_tried) {
        s_tried = true;
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        PLT_System* system = PLT_GetSystem();
        PLT_WindowDesc desc;
        desc.title = "bench";
        desc.width = (s32)WIDTH;
        desc.height = (s32)HEIGHT;
        if (system->Init() == 0 && system->CreateWindow(desc) == 0)
            s_window = system->Window();
    }
    return s_window;
}

// The program's driver for the device-level runs.
inline DEV_Driver* Driver()
{
    static DEV_Driver* s_driver = nullptr;
    if (s_driver == nullptr && Window() != nullptr)
        s_driver = DEV_CreateGLDevice(Window());
    return s_driver;
}

inline DEV_Device* OpenDevice()
{
    DEV_Driver* driver = Driver();
    if (driver == nullptr)
        return nullptr;
    DEV_PresentParameters parameters;
    parameters.backBufferWidth = WIDTH;
    parameters.backBufferHeight = HEIGHT;
    parameters.backBufferFormat = DEV_FMT_X8R8G8B8;
    parameters.backBufferCount = 1;
    parameters.swapEffect = DEV_SWAPEFFECT_DISCARD;
    parameters.windowed = 1;
    parameters.enableAutoDepthStencil = 1;
    parameters.autoDepthStencilFormat = DEV_FMT_D16;
    DEV_Device* device = nullptr;
    driver->CreateDevice(0, DEV_DEVTYPE_HAL, nullptr, DEV_CREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device);
    return device;
}

// A8R8G8B8 texels of a square texture, the same for every path that builds it.
inline void FillTexels(u8* _bits, s32 _pitch, u32 _side, u32 _seed)
{
    for (u32 y = 0; y < _side; ++y)
        for (u32 x = 0; x < _side * 4; ++x)
            _bits[y * (u32)_pitch + x] = (u8)((x * 7 + y * 13 + _seed * 31) | 0x40);
}

inline DEV_Handle MakeTexture(DEV_Device* _device, u32 _side, u32 _seed)
{
    DEV_Handle texture = 0;
    _device->CreateTexture(_side, _side, 1, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &texture);
    u8* bits = nullptr;
    s32 pitch = 0;
    _device->LockRect(texture, 0, &bits, &pitch, 0);
    FillTexels(bits, pitch, _side, _seed);
    _device->UnlockRect(texture, 0);
    return texture;
}

// Small quads scattered over the target: the draws cost their calls, not their pixels.
inline void MakeQuads(std::vector<Vertex>* _vertices, std::vector<u16>* _indices, u32 _count)
{
    for (u32 i = 0; i < _count; ++i) {
        const f32 x = -0.9f + (f32)(i % 32) * 0.056f, y = -0.9f + (f32)(i / 32 % 32) * 0.056f, size = 0.008f;
        const u16 base = (u16)_vertices->size();
        const f32 corners[4][2] = {{x, y + size}, {x + size, y + size}, {x + size, y}, {x, y}};
        for (u32 k = 0; k < 4; ++k) {
            Vertex vertex = {};
            vertex.x = corners[k][0];
            vertex.y = corners[k][1];
            vertex.z = 0.5f;
            vertex.color = 0xFFC08040u;
            vertex.u = (f32)(k == 1 || k == 2);
            vertex.v = (f32)(k >= 2);
            _vertices->push_back(vertex);
        }
        const u16 quad[6] = {base, (u16)(base + 1), (u16)(base + 2), base, (u16)(base + 2), (u16)(base + 3)};
        _indices->insert(_indices->end(), quad, quad + 6);
    }
}

// The whole 640x480 target as 4x4-pixel quads, coloured and textured per vertex.
inline void MakeGrid(std::vector<Vertex>* _vertices, std::vector<u16>* _indices)
{
    const u32 columns = WIDTH / 4, rows = HEIGHT / 4;
    for (u32 y = 0; y <= rows; ++y)
        for (u32 x = 0; x <= columns; ++x) {
            Vertex vertex = {};
            vertex.x = -1.0f + 2.0f * (f32)x / (f32)columns;
            vertex.y = 1.0f - 2.0f * (f32)y / (f32)rows;
            vertex.z = 0.5f;
            vertex.color = 0xFF000000u | ((x * 3) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | 0xC0;
            vertex.u = (f32)x / 16.0f;
            vertex.v = (f32)y / 16.0f;
            _vertices->push_back(vertex);
        }
    for (u32 y = 0; y < rows; ++y)
        for (u32 x = 0; x < columns; ++x) {
            const u16 a = (u16)(y * (columns + 1) + x), b = (u16)(a + 1), c = (u16)(a + columns + 2),
                      d = (u16)(a + columns + 1);
            const u16 quad[6] = {a, b, c, a, c, d};
            _indices->insert(_indices->end(), quad, quad + 6);
        }
}

inline void Upload(DEV_Device* _device, const std::vector<Vertex>& _vertices, const std::vector<u16>& _indices,
                   DEV_Handle* _vertexBuffer, DEV_Handle* _indexBuffer)
{
    u8* data = nullptr;
    _device->CreateVertexBuffer((u32)(_vertices.size() * 40), DEV_USAGE_WRITEONLY, DEV_POOL_MANAGED, _vertexBuffer);
    _device->LockVertexBuffer(*_vertexBuffer, 0, 0, 0, &data);
    memcpy(data, _vertices.data(), _vertices.size() * 40);
    _device->UnlockVertexBuffer(*_vertexBuffer);
    _device->CreateIndexBuffer((u32)(_indices.size() * 2), DEV_USAGE_WRITEONLY, DEV_FMT_INDEX16, DEV_POOL_MANAGED,
                               _indexBuffer);
    _device->LockIndexBuffer(*_indexBuffer, 0, 0, 0, &data);
    memcpy(data, _indices.data(), _indices.size() * 2);
    _device->UnlockIndexBuffer(*_indexBuffer);
}

inline void CountItems(benchmark::State& _state, u32 _perIteration, const char* _counter)
{
    _state.SetItemsProcessed(_state.iterations() * _perIteration);
    _state.counters[_counter] =
        benchmark::Counter((f64)_state.iterations() * _perIteration, benchmark::Counter::kIsRate);
}

inline void BM_DeviceDraws(benchmark::State& _state)
{
    const bool changes = _state.range(0) != 0;
    DEV_Device* device = OpenDevice();
    if (device == nullptr) {
        _state.SkipWithError("no OpenGL 3.3 device");
        return;
    }
    std::vector<Vertex> vertices;
    std::vector<u16> indices;
    MakeQuads(&vertices, &indices, DRAWS_PER_FRAME);
    DEV_Handle vertexBuffer = 0, indexBuffer = 0, shaders[2] = {}, textures[4] = {};
    Upload(device, vertices, indices, &vertexBuffer, &indexBuffer);
    for (u32 i = 0; i < 2; ++i)
        device->CreateVertexShader(s_vertexPrograms[i], 0, &shaders[i]);
    for (u32 i = 0; i < 4; ++i)
        textures[i] = MakeTexture(device, TEXTURE_SIDE, i);
    device->SetRenderState(DEV_RS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, DEV_TSS_COLORARG1, DEV_TA_TEXTURE);
    device->SetTextureStageState(0, DEV_TSS_COLORARG2, DEV_TA_DIFFUSE);
    device->SetStreamSource(0, vertexBuffer, 40);
    device->SetIndices(indexBuffer, 0);

    const auto frame = [&]() {
        device->Clear(DEV_CLEAR_TARGET | DEV_CLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        for (u32 i = 0; i < DRAWS_PER_FRAME; ++i) {
            const u32 m = changes ? i % 4 : 0;
            device->SetVertexShader(shaders[m % 2]);
            device->SetTexture(0, textures[m]);
            device->SetTextureStageState(0, DEV_TSS_COLOROP, m % 2 ? DEV_TOP_MODULATE : DEV_TOP_MODULATE2X);
            device->SetRenderState(DEV_RS_SRCBLEND, s_blends[m][0]);
            device->SetRenderState(DEV_RS_DESTBLEND, s_blends[m][1]);
            device->SetRenderState(DEV_RS_ZWRITEENABLE, m < 2);
            device->SetVertexShaderConstant(3, s_identity, 4);
            device->SetVertexShaderConstant(50, s_tint, 2);
            device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, i * 4, 4, i * 6, 2);
        }
        device->EndScene();
        device->Present();
    };
    frame();
    for (auto _ : _state)
        frame();
    CountItems(_state, DRAWS_PER_FRAME, "draws/s");
    delete device;
}

// ---- the same draws as plain GL ----

inline GLuint Compile(GLenum _type, const std::string& _source)
{
    const GLuint shader = glCreateShader(_type);
    const char* text = _source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

inline void BM_PlainGLDraws(benchmark::State& _state)
{
    const bool changes = _state.range(0) != 0;
    DEV_Device* device = OpenDevice();  // the context and the draw target
    if (device == nullptr) {
        _state.SkipWithError("no OpenGL 3.3 device");
        return;
    }
    device->Clear(DEV_CLEAR_TARGET | DEV_CLEAR_ZBUFFER, 0, 1.0f, 0);
    std::vector<Vertex> vertices;
    std::vector<u16> indices;
    MakeQuads(&vertices, &indices, DRAWS_PER_FRAME);

    const std::string vertexHeader = "#version 330 core\n"
                                     "layout(location = 0) in vec4 v0;\n"
                                     "layout(location = 2) in vec4 v2;\n"
                                     "layout(location = 3) in vec4 v3;\n"
                                     "uniform vec4 c[96];\n"
                                     "out vec4 d0;\n"
                                     "out vec4 t0;\n";
    const std::string vertexBodies[2] = {
        "void main() { gl_Position = vec4(dot(v0, c[3]), -dot(v0, c[4]), 2.0 * dot(v0, c[5]) - dot(v0, c[6]), "
        "dot(v0, c[6])); d0 = clamp(c[50] * v2, 0.0, 1.0); t0 = v3; }\n",
        "void main() { gl_Position = vec4(dot(v0, c[3]), -dot(v0, c[4]), 2.0 * dot(v0, c[5]) - dot(v0, c[6]), "
        "dot(v0, c[6])); d0 = clamp(c[50] * v2 + c[51], 0.0, 1.0); t0 = v3 * 2.0; }\n",
    };
    const std::string fragmentHeader = "#version 330 core\n"
                                       "in vec4 d0;\n"
                                       "in vec4 t0;\n"
                                       "uniform sampler2D s0;\n"
                                       "out vec4 color;\n";
    const std::string fragmentBodies[2] = {
        "void main() { vec4 t = texture(s0, t0.xy); color = clamp(vec4(t.rgb * d0.rgb * 2.0, t.a), 0.0, 1.0); }\n",
        "void main() { vec4 t = texture(s0, t0.xy); color = clamp(vec4(t.rgb * d0.rgb, t.a), 0.0, 1.0); }\n",
    };
    GLuint programs[4];
    GLint constants[4], tints[4];
    for (u32 m = 0; m < 4; ++m) {
        programs[m] = glCreateProgram();
        glAttachShader(programs[m], Compile(GL_VERTEX_SHADER, vertexHeader + vertexBodies[m % 2]));
        glAttachShader(programs[m], Compile(GL_FRAGMENT_SHADER, fragmentHeader + fragmentBodies[m % 2]));
        glLinkProgram(programs[m]);
        constants[m] = glGetUniformLocation(programs[m], "c[3]");
        tints[m] = glGetUniformLocation(programs[m], "c[50]");
    }
    GLuint textures[4];
    glGenTextures(4, textures);
    std::vector<u8> texels(TEXTURE_SIDE * TEXTURE_SIDE * 4);
    for (u32 m = 0; m < 4; ++m) {
        FillTexels(texels.data(), (s32)TEXTURE_SIDE * 4, TEXTURE_SIDE, m);
        glBindTexture(GL_TEXTURE_2D, textures[m]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, TEXTURE_SIDE, TEXTURE_SIDE, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    }
    GLuint vertexArray, buffers[2];
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(vertices.size() * 40), vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)(indices.size() * 2), indices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(2);
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 40, (const void*)0);
    glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 40, (const void*)24);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, 40, (const void*)28);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    const GLenum blends[4][2] = {
        {GL_ONE, GL_ZERO}, {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}, {GL_ONE, GL_ONE}, {GL_DST_COLOR, GL_SRC_COLOR}};

    const auto frame = [&]() {
        glClearColor(0, 0, 0, 0);
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(programs[0]);
        glBindTexture(GL_TEXTURE_2D, textures[0]);
        glDisable(GL_BLEND);
        for (u32 i = 0; i < DRAWS_PER_FRAME; ++i) {
            const u32 m = changes ? i % 4 : 0;
            if (changes) {
                glUseProgram(programs[m]);
                glBindTexture(GL_TEXTURE_2D, textures[m]);
                if (m == 0) {
                    glDisable(GL_BLEND);
                } else {
                    glEnable(GL_BLEND);
                    glBlendFunc(blends[m][0], blends[m][1]);
                }
                glDepthMask(m < 2 ? GL_TRUE : GL_FALSE);
            }
            glUniform4fv(constants[m], 4, s_identity);
            glUniform4fv(tints[m], 2, s_tint);
            glDrawRangeElementsBaseVertex(GL_TRIANGLES, i * 4, i * 4 + 3, 6, GL_UNSIGNED_SHORT,
                                          (const void*)((size_t)i * 12), 0);
        }
        device->Present();
    };
    frame();
    for (auto _ : _state)
        frame();
    CountItems(_state, DRAWS_PER_FRAME, "draws/s");
    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteBuffers(2, buffers);
    glDeleteTextures(4, textures);
    for (GLuint program : programs)
        glDeleteProgram(program);
    delete device;
}

}  // namespace bench_gl
