#include "tools_sample_menu.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tools_mesh.h"
#include "tools_sample_font.h"
#include "tools_sample_local.h"
#include "tools_tga.h"
#include "tools_wav.h"

namespace
{

// vfx\msh\menu\menu_background.msh and menu_title.msh: one unit quad each in the x-z plane,
// facing -y like the text quads of the menu pages, the top of the texture at z = +0.5. The
// overlay pass scales them to the screen; their textures are read from vfx\tex\menu\.
bool WriteMenuQuad(const std::filesystem::path& _outDir, const std::string& _name)
{
    TOOL_Mesh mesh;
    mesh.vertices = {{0.5f, 0.0f, -0.5f}, {-0.5f, 0.0f, -0.5f}, {-0.5f, 0.0f, 0.5f}, {0.5f, 0.0f, 0.5f}};
    const std::array<f32, 2> uv[4] = {{1.0f, 1.0f}, {0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 0.0f}};
    for (const std::array<s32, 3>& corners : {std::array<s32, 3>{0, 1, 2}, std::array<s32, 3>{0, 2, 3}}) {
        TOOL_MeshTriangle triangle;
        triangle.vertex = corners;
        triangle.hasUV = true;
        for (s32 k = 0; k < 3; ++k) {
            triangle.uv[(size_t)(2 * k)] = uv[corners[(size_t)k]][0];
            triangle.uv[(size_t)(2 * k + 1)] = uv[corners[(size_t)k]][1];
        }
        mesh.triangles.push_back(triangle);
    }
    TOOL_MeshMaterial material;
    material.selfIllumination = 1.0f;
    material.depthBuffered = 0;
    material.oneSided = 0;
    material.diffuseBitmap = _name;
    mesh.materials.push_back(material);
    return TOOL_SampleFile(TOOL_SamplePath(_outDir, "vfx\\msh\\menu\\" + _name + ".msh"), TOOL_MeshText(mesh));
}

// The menu's textures: the backdrop (open water with light from above), the title (the name in
// large letters on a transparent ground, in the upper part of the quad that the menu draws over
// the middle of the screen) and the plankton sprite "plank01" (a soft dot, drawn additively).
bool WriteMenuTextures(const std::filesystem::path& _outDir)
{
    const TOOL_Colour surface{0.16f, 0.50f, 0.62f};
    const TOOL_Colour deep{0.0f, 0.04f, 0.12f};
    bool ok =
        TOOL_SampleTexture(_outDir, "vfx\\tex\\menu\\menu_background", TOOL_ShadePicture(256, 1, [&](f32 _x, f32 _y) {
                               TOOL_Colour colour = TOOL_Mix(deep, surface, std::pow(0.5f * (_y + 1.0f), 1.6f));
                               const f32 shafts = 0.5f + 0.5f * std::cos(9.0f * (_x + 0.3f * _y));
                               const f32 light = 0.12f * shafts * shafts * std::max(0.0f, _y);
                               colour.r += light;
                               colour.g += light;
                               colour.b += light;
                               colour.a = 1.0f;
                               return colour;
                           }));

    TOOL_TGA title = TOOL_MakeTGA(256, 256, 32, 0x00000000u);
    const std::string name = "QUORVEX";
    constexpr s32 SCALE = 5;
    const s32 advance = (TOOL_GLYPH_COLUMNS + 1) * SCALE;
    const s32 left = 128 - ((s32)name.size() * advance - SCALE) / 2;
    for (size_t i = 0; i < name.size(); ++i)
        for (s32 y = 0; y < 7 * SCALE; ++y)
            for (s32 x = 0; x < TOOL_GLYPH_COLUMNS * SCALE; ++x) {
                const s32 glyph = name[i] - 32;
                const s32 px = left + (s32)i * advance + x, py = 24 + y;
                if (TOOL_GlyphInk(glyph, x / SCALE, y / SCALE)) {
                    const f32 fade = 1.0f - 0.4f * (f32)y / (f32)(7 * SCALE);
                    title.pixels[(size_t)py * 256 + (size_t)px] =
                        TOOL_Pack(TOOL_Colour{0.85f * fade, 0.95f * fade, 1.0f, 1.0f});
                } else if (TOOL_GlyphInk(glyph, (x - 2) / SCALE, (y - 2) / SCALE) && x >= 2 && y >= 2) {
                    title.pixels[(size_t)py * 256 + (size_t)px] = 0xC0021020u;  // shadow
                }
            }
    ok = TOOL_SampleTexture(_outDir, "vfx\\tex\\menu\\menu_title", title) && ok;

    ok = TOOL_SampleTexture(_outDir, "vfx\\tex\\menu\\plank01",
                            TOOL_ShadePicture(32, 2,
                                              [](f32 _x, f32 _y) {
                                                  const f32 r = std::sqrt(_x * _x + _y * _y);
                                                  const f32 glow = std::max(0.0f, 1.0f - r);
                                                  const f32 v = glow * glow;
                                                  return TOOL_Colour{0.55f * v, 0.85f * v, 0.80f * v, v};
                                              })) &&
         ok;
    return ok;
}

// The five menu sounds under sfx\sample\menu\, 22050 Hz mono 16-bit, in the archive: a slow
// chord that loops, a rising sweep, a click, a low buzz and a short blip.
void AddMenuSounds(std::vector<TOOL_ArchiveFile>& _archive)
{
    constexpr u32 RATE = 22050;
    auto sound = [](f32 _seconds, const std::function<f64(f64)>& _wave) {
        std::vector<s16> samples((size_t)(_seconds * (f32)RATE));
        for (size_t i = 0; i < samples.size(); ++i) {
            const f64 t = (f64)i / RATE;
            // Short fades at both ends, so that nothing clicks.
            const f64 edge = std::min({1.0, t / 0.005, ((f64)samples.size() / RATE - t) / 0.005});
            samples[i] = (s16)std::lround(12000.0 * edge * std::clamp(_wave(t), -1.0, 1.0));
        }
        return TOOL_WavPcmBytes(1, RATE, 16, samples);
    };
    const f64 TAU = 6.283185307179586;
    // The chord's tones complete whole periods in the four seconds, so the loop has no seam.
    _archive.push_back({"sfx\\sample\\menu\\menu_background.wav", sound(4.0f, [TAU](f64 _t) {
                            return 0.3 * std::sin(TAU * 110.0 * _t) + 0.2 * std::sin(TAU * 165.0 * _t) +
                                   0.15 * std::sin(TAU * 220.25 * _t) * (0.5 + 0.5 * std::sin(TAU * 0.25 * _t));
                        })});
    _archive.push_back({"sfx\\sample\\menu\\menu_buildup.wav",
                        sound(0.35f, [TAU](f64 _t) { return 0.6 * std::sin(TAU * (300.0 + 900.0 * _t) * _t); })});
    _archive.push_back({"sfx\\sample\\menu\\menu_click.wav",
                        sound(0.04f, [TAU](f64 _t) { return std::sin(TAU * 1800.0 * _t) * std::exp(-_t * 120.0); })});
    _archive.push_back({"sfx\\sample\\menu\\menu_error.wav",
                        sound(0.25f, [TAU](f64 _t) { return 0.5 * (std::sin(TAU * 98.0 * _t) > 0.0 ? 1.0 : -1.0); })});
    _archive.push_back({"sfx\\sample\\menu\\menu_rollover.wav", sound(0.08f, [TAU](f64 _t) {
                            return 0.7 * std::sin(TAU * 880.0 * _t) * std::exp(-_t * 30.0);
                        })});
}

}  // namespace

bool TOOL_SampleMenu(TOOL_SampleOutput& _output)
{
    bool ok = WriteMenuQuad(_output.dir, "menu_background");
    ok = WriteMenuQuad(_output.dir, "menu_title") && ok;
    ok = WriteMenuTextures(_output.dir) && ok;
    AddMenuSounds(_output.archive);
    return ok;
}
