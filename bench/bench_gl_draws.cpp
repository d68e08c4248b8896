// The GL device's cost per draw and its fill rate, on whatever GL the machine has
// (SDL_VIDEODRIVER=offscreen for Mesa's software rasteriser).
//
// BM_DeviceDraws and BM_PlainGLDraws (bench_gl_common.h) issue the same tiny draws with the
// same state changes between them, once through the device and once as direct GL calls; the
// ratio of their draws per second is the overhead of the device. A software rasteriser pays
// dearly for some state changes itself (Mesa's llvmpipe flushes its vertex pipeline at every
// change of vertex program), so the variant with only the constants changing between draws
// shows the layer's own cost best.
// BM_TexturedTriangles draws a screen of small textured triangles at 640x480 and presents it.
#include "bench_gl_common.h"

namespace
{

using namespace bench_gl;

// A 640x480 screen covered once by small textured, lit-by-vertex triangles (4x4-pixel
// quads), depth-tested, then presented.
void BM_TexturedTriangles(benchmark::State& _state)
{
    DEV_Device* device = OpenDevice();
    if (device == nullptr) {
        _state.SkipWithError("no OpenGL 3.3 device");
        return;
    }
    std::vector<Vertex> vertices;
    std::vector<u16> indices;
    MakeGrid(&vertices, &indices);
    const u32 triangles = (u32)indices.size() / 3;
    DEV_Handle vertexBuffer = 0, indexBuffer = 0, shader = 0;
    Upload(device, vertices, indices, &vertexBuffer, &indexBuffer);
    device->CreateVertexShader(s_vertexPrograms[0], 0, &shader);
    device->SetVertexShader(shader);
    device->SetVertexShaderConstant(3, s_identity, 4);
    device->SetVertexShaderConstant(50, s_tint, 1);
    device->SetTexture(0, MakeTexture(device, GRID_TEXTURE_SIDE, 1));
    device->SetTextureStageState(0, DEV_TSS_COLORARG1, DEV_TA_TEXTURE);
    device->SetTextureStageState(0, DEV_TSS_COLORARG2, DEV_TA_DIFFUSE);
    device->SetTextureStageState(0, DEV_TSS_MAGFILTER, DEV_TEXF_LINEAR);
    device->SetTextureStageState(0, DEV_TSS_MINFILTER, DEV_TEXF_LINEAR);
    device->SetStreamSource(0, vertexBuffer, 40);
    device->SetIndices(indexBuffer, 0);
    const auto frame = [&]() {
        device->Clear(DEV_CLEAR_TARGET | DEV_CLEAR_ZBUFFER, 0xFF102030u, 1.0f, 0);
        device->BeginScene();
        device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, (u32)vertices.size(), 0, triangles);
        device->EndScene();
        device->Present();
    };
    frame();
    for (auto _ : _state)
        frame();
    CountItems(_state, triangles, "triangles/s");
    _state.counters["frames/s"] = benchmark::Counter((f64)_state.iterations(), benchmark::Counter::kIsRate);
    delete device;
}

}  // namespace

using bench_gl::BM_DeviceDraws;
using bench_gl::BM_PlainGLDraws;

// Argument 1: the state changes between draws; 0: only the constants change.
BENCHMARK(BM_DeviceDraws)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainGLDraws)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TexturedTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();
