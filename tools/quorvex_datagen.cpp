// Writes the sample data the benchmark runs on out of the box:
//   quorvex_datagen <outdir> [--scene-seconds N]
// every file the program reads from start to exit except the script glue library (the build
// copies that from tools/data): configuration, fonts, the menu's pictures, meshes, textures and
// sounds, the renderer's own files and the benchmark scene "map\kovra1\script\quorvex" with
// what its nodes read. The scene ends after N seconds of scene time (90 by default). Pictures
// and sounds that the program reads through its file layer go into the archive pair
// "dorim.hdr" / "dorim.dat"; the rest is written as loose files. One function per data file;
// each creates its directories and reports what it could not do.
//
// Data names are written as the program asks for them ("vfx\tex\sky"), each backslash a
// directory, in lower case: the program matches every component without regard to case.
// Pictures are computed from a few shapes and gradients (only the letters of the fonts are
// drawn by hand), which keeps the generator fast enough to run in every build.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools_archive.h"
#include "tools_font.h"
#include "tools_mesh.h"
#include "tools_scenario.h"
#include "tools_terrain.h"
#include "tools_tga.h"
#include "tools_tse.h"
#include "tools_wav.h"

namespace
{

constexpr f32 PI = 3.14159265f;

// ---------------------------------------------------------------------------------------------
// Files and directories

std::filesystem::path DiskPath(const std::filesystem::path& _outDir, const std::string& _name)
{
    std::filesystem::path path = _outDir;
    size_t start = 0;
    for (;;) {
        const size_t end = _name.find('\\', start);
        path /= _name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos)
            return path;
        start = end + 1;
    }
}

bool Report(const std::filesystem::path& _path, bool _written)
{
    if (!_written)
        fprintf(stderr, "quorvex_datagen: cannot write %s\n", _path.string().c_str());
    return _written;
}

bool MakeParent(const std::filesystem::path& _path)
{
    std::error_code error;
    std::filesystem::create_directories(_path.parent_path(), error);
    return !error;
}

bool WriteText(const std::filesystem::path& _path, const char* _text)
{
    if (!MakeParent(_path))
        return Report(_path, false);
    FILE* file = fopen(_path.string().c_str(), "wb");
    if (file == nullptr)
        return Report(_path, false);
    const bool written = fputs(_text, file) >= 0;
    return Report(_path, fclose(file) == 0 && written);
}

bool WritePicture(const std::filesystem::path& _path, const TOOL_TGA& _picture)
{
    return Report(_path, MakeParent(_path) && TOOL_WriteTGA(_path.string(), _picture) == 1);
}

// ---------------------------------------------------------------------------------------------
// Colours and pictures

struct Colour
{
    f32 r = 0.0f;
    f32 g = 0.0f;
    f32 b = 0.0f;
    f32 a = 1.0f;
};

f32 Clamp01(f32 _value) { return _value < 0.0f ? 0.0f : _value > 1.0f ? 1.0f : _value; }

Colour Mix(const Colour& _a, const Colour& _b, f32 _t)
{
    return {_a.r + (_b.r - _a.r) * _t, _a.g + (_b.g - _a.g) * _t, _a.b + (_b.b - _a.b) * _t, _a.a + (_b.a - _a.a) * _t};
}

u32 Byte(f32 _value) { return (u32)std::lround(Clamp01(_value) * 255.0f); }

u32 Pack(const Colour& _colour)
{
    return Byte(_colour.a) << 24 | Byte(_colour.r) << 16 | Byte(_colour.g) << 8 | Byte(_colour.b);
}

// A square 32-bit picture of _side pixels. _shade gets points of the picture in -1..1 (x to
// the right, y up) and is sampled _samples x _samples times per pixel; the samples are
// averaged by their alpha, so that shapes on a transparent ground keep their colour at the
// edges.
TOOL_TGA ShadePicture(s32 _side, s32 _samples, const std::function<Colour(f32, f32)>& _shade)
{
    TOOL_TGA picture = TOOL_MakeTGA(_side, _side, 32, 0);
    const f32 step = 2.0f / (f32)(_side * _samples);
    for (s32 py = 0; py < _side; ++py)
        for (s32 px = 0; px < _side; ++px) {
            Colour sum{0.0f, 0.0f, 0.0f, 0.0f};
            for (s32 sy = 0; sy < _samples; ++sy)
                for (s32 sx = 0; sx < _samples; ++sx) {
                    const f32 x = -1.0f + step * ((f32)(px * _samples + sx) + 0.5f);
                    const f32 y = 1.0f - step * ((f32)(py * _samples + sy) + 0.5f);
                    const Colour c = _shade(x, y);
                    const f32 a = Clamp01(c.a);
                    sum.r += c.r * a;
                    sum.g += c.g * a;
                    sum.b += c.b * a;
                    sum.a += a;
                }
            Colour pixel{0.0f, 0.0f, 0.0f, sum.a / (f32)(_samples * _samples)};
            if (sum.a > 0.0f) {
                pixel.r = sum.r / sum.a;
                pixel.g = sum.g / sum.a;
                pixel.b = sum.b / sum.a;
            }
            picture.pixels[(size_t)py * (size_t)_side + (size_t)px] = Pack(pixel);
        }
    return picture;
}

// The next smaller mip level: 2 x 2 pixels averaged, colours weighted by alpha as above.
TOOL_TGA HalfSize(const TOOL_TGA& _picture)
{
    const s32 side = _picture.width / 2;
    TOOL_TGA half = TOOL_MakeTGA(side, side, 32, 0);
    for (s32 y = 0; y < side; ++y)
        for (s32 x = 0; x < side; ++x) {
            u32 sum[4] = {};  // alpha-weighted red, green, blue; alpha
            for (s32 k = 0; k < 4; ++k) {
                const u32 p =
                    _picture.pixels[(size_t)(2 * y + k / 2) * (size_t)_picture.width + (size_t)(2 * x + k % 2)];
                const u32 a = p >> 24;
                sum[0] += ((p >> 16) & 0xFF) * a;
                sum[1] += ((p >> 8) & 0xFF) * a;
                sum[2] += (p & 0xFF) * a;
                sum[3] += a;
            }
            u32 pixel = ((sum[3] + 2) / 4) << 24;
            if (sum[3] != 0)
                pixel |= (sum[0] + sum[3] / 2) / sum[3] << 16 | (sum[1] + sum[3] / 2) / sum[3] << 8 |
                         (sum[2] + sum[3] / 2) / sum[3];
            half.pixels[(size_t)y * (size_t)side + (size_t)x] = pixel;
        }
    return half;
}

// A texture as the texture cache looks for it: one TGA file per level, "<name>_l<level>.tga"
// (levels 9 to 11 with two digits), from the picture's own side down to 1 x 1, so that every
// level below the chosen one can be read as a mip.
bool WriteTexture(const std::filesystem::path& _outDir, const std::string& _name, TOOL_TGA _picture)
{
    s32 level = 0;
    while ((1 << level) < _picture.width)
        ++level;
    bool ok = true;
    for (;; --level) {
        const std::string suffix = level == 9 ? "09" : std::to_string(level);
        ok = WritePicture(DiskPath(_outDir, _name + "_l" + suffix + ".tga"), _picture) && ok;
        if (level == 0)
            return ok;
        _picture = HalfSize(_picture);
    }
}

// A small linear congruential generator: the pictures must come out the same on every machine
// and with every standard library.
class Random
{
public:
    explicit Random(u32 _seed) : m_state(_seed) {}
    f32 Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (f32)(m_state >> 8) * (1.0f / 16777216.0f);
    }

private:
    u32 m_state;
};

// ---------------------------------------------------------------------------------------------
// Configuration

// ini\display.des: the start-up display mode, the texture cache size (kilobytes) and the
// renderer's switches.
bool WriteDisplayConfig(const std::filesystem::path& _outDir)
{
    return WriteText(_outDir / "ini" / "display.des",
                     "// Display configuration read at start-up.\n"
                     "// Width, Height, Depth: the display mode (a mode switch on the command line wins).\n"
                     "// Texturecachesize: texture memory in kilobytes.\n"
                     "// UseMipMap, UseCompressedTextures: 1 loads mip levels, 1 allows DXT textures.\n"
                     "// RenderRays: not used. RenderPlankton: plankton layers drawn (0-5).\n"
                     "// RenderPlants: divides the plants of every terrain tile.\n"
                     "[Display]\n"
                     "{\n"
                     "    Width = 640\n"
                     "    Height = 480\n"
                     "    Depth = 32\n"
                     "    Texturecachesize = 24\n"
                     "    UseMipMap = 1\n"
                     "    UseCompressedTextures = 1\n"
                     "    RenderRays = 1\n"
                     "    RenderPlankton = 5\n"
                     "    RenderPlants = 1\n"
                     "}\n");
}

// ini\sound.des: sound output settings. Without an audio device the program runs silent.
bool WriteSoundConfig(const std::filesystem::path& _outDir)
{
    return WriteText(_outDir / "ini" / "sound.des",
                     "// Sound output read at start-up.\n"
                     "// SoundOn: 0 runs without sound. NumOfChannels: 1 mono, 2 stereo.\n"
                     "// Rate: 44100, 22050 or 11025 Hz (lower rates and 8 bits are tried when refused).\n"
                     "// Bits: 8 or 16.\n"
                     "[Sound]\n"
                     "{\n"
                     "    SoundOn = 1\n"
                     "    NumOfChannels = 2\n"
                     "    Rate = 44100\n"
                     "    Bits = 16\n"
                     "}\n");
}

// ---------------------------------------------------------------------------------------------
// Sky

// The sky is seen from the inside only, so its faces point to the origin: a triangle whose
// face normal (p2 - p0) x (p1 - p0), the mesh loader's, points outwards has two corners swapped.
void AddInwardTriangle(TOOL_Mesh& _mesh, std::array<s32, 3> _vertex, std::array<f32, 6> _uv)
{
    const auto& p0 = _mesh.vertices[(size_t)_vertex[0]];
    const auto& p1 = _mesh.vertices[(size_t)_vertex[1]];
    const auto& p2 = _mesh.vertices[(size_t)_vertex[2]];
    const f32 e1[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    const f32 e2[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const f32 n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    f32 outward = 0.0f;
    for (s32 axis = 0; axis < 3; ++axis)
        outward += n[axis] * (p0[(size_t)axis] + p1[(size_t)axis] + p2[(size_t)axis]);
    if (outward > 0.0f) {
        std::swap(_vertex[1], _vertex[2]);
        std::swap(_uv[2], _uv[4]);
        std::swap(_uv[3], _uv[5]);
    }
    TOOL_MeshTriangle triangle;
    triangle.vertex = _vertex;
    triangle.hasUV = true;
    triangle.uv = _uv;
    _mesh.triangles.push_back(triangle);
}

// The sky texture maps the sphere from above: the zenith at the centre of the picture, the
// angle from the zenith outwards along the radius, the nadir on the circle of radius
// SKY_UV_RADIUS. No seam, and the clamped texture addressing of the sky never wraps.
constexpr f32 SKY_UV_RADIUS = 0.48f;

// vfx\msh\sky03.msh: a sphere around the origin. The sky pass centres it on the eye and scales
// it by the sum of the near and far planes, so radius 0.5 puts it between the two. One material
// with the texture "sky", not depth-buffered (the sky lies behind everything).
bool WriteSkyMesh(const std::filesystem::path& _outDir)
{
    constexpr s32 SEGMENTS = 32;  // around the vertical axis
    constexpr s32 RINGS = 16;     // from pole to pole
    constexpr f32 RADIUS = 0.5f;

    TOOL_Mesh mesh;
    auto angleFromZenith = [](s32 _ring) { return PI * (f32)_ring / (f32)RINGS; };
    auto azimuth = [](f32 _segment) { return 2.0f * PI * _segment / (f32)SEGMENTS; };
    auto ringVertex = [](s32 _ring, s32 _segment) { return 1 + (_ring - 1) * SEGMENTS + _segment % SEGMENTS; };
    auto u = [](f32 _fromZenith, f32 _azimuth) { return 0.5f + SKY_UV_RADIUS * _fromZenith / PI * std::cos(_azimuth); };
    auto v = [](f32 _fromZenith, f32 _azimuth) { return 0.5f + SKY_UV_RADIUS * _fromZenith / PI * std::sin(_azimuth); };

    mesh.vertices.push_back({0.0f, 0.0f, RADIUS});
    for (s32 ring = 1; ring < RINGS; ++ring)
        for (s32 segment = 0; segment < SEGMENTS; ++segment) {
            const f32 phi = angleFromZenith(ring);
            const f32 lambda = azimuth((f32)segment);
            mesh.vertices.push_back({RADIUS * std::sin(phi) * std::cos(lambda),
                                     RADIUS * std::sin(phi) * std::sin(lambda), RADIUS * std::cos(phi)});
        }
    const s32 nadir = (s32)mesh.vertices.size();
    mesh.vertices.push_back({0.0f, 0.0f, -RADIUS});

    for (s32 ring = 0; ring < RINGS; ++ring)
        for (s32 segment = 0; segment < SEGMENTS; ++segment) {
            const f32 top = angleFromZenith(ring);
            const f32 bottom = angleFromZenith(ring + 1);
            const f32 left = azimuth((f32)segment);
            const f32 right = azimuth((f32)(segment + 1));
            if (ring == 0) {
                AddInwardTriangle(mesh, {0, ringVertex(1, segment), ringVertex(1, segment + 1)},
                                  {0.5f, 0.5f, u(bottom, left), v(bottom, left), u(bottom, right), v(bottom, right)});
            } else if (ring == RINGS - 1) {
                // The nadir takes the azimuth between its two neighbours; the loader splits it.
                const f32 middle = azimuth((f32)segment + 0.5f);
                AddInwardTriangle(
                    mesh, {ringVertex(ring, segment), ringVertex(ring, segment + 1), nadir},
                    {u(top, left), v(top, left), u(top, right), v(top, right), u(bottom, middle), v(bottom, middle)});
            } else {
                const s32 a = ringVertex(ring, segment), b = ringVertex(ring, segment + 1);
                const s32 c = ringVertex(ring + 1, segment), d = ringVertex(ring + 1, segment + 1);
                AddInwardTriangle(
                    mesh, {a, b, d},
                    {u(top, left), v(top, left), u(top, right), v(top, right), u(bottom, right), v(bottom, right)});
                AddInwardTriangle(
                    mesh, {a, d, c},
                    {u(top, left), v(top, left), u(bottom, right), v(bottom, right), u(bottom, left), v(bottom, left)});
            }
        }

    TOOL_MeshMaterial material;
    material.selfIllumination = 1.0f;
    material.depthBuffered = 0;
    material.diffuseBitmap = "sky";
    mesh.materials.push_back(material);

    const std::filesystem::path path = DiskPath(_outDir, "vfx\\msh\\sky03.msh");
    return Report(path, MakeParent(path) && TOOL_WriteMesh(path.string().c_str(), mesh) == 1);
}

// vfx\tex\sky: the view up through open water in the mapping of the sky mesh: light from the
// surface with soft shafts at the zenith, blue-green at the horizon, deep blue below.
bool WriteSkyTexture(const std::filesystem::path& _outDir)
{
    const Colour zenith{0.62f, 0.88f, 0.95f};
    const Colour horizon{0.06f, 0.30f, 0.42f};
    const Colour deep{0.01f, 0.05f, 0.13f};
    const TOOL_TGA picture = ShadePicture(256, 1, [&](f32 _x, f32 _y) {
        const f32 radius = 0.5f * std::sqrt(_x * _x + _y * _y);
        const f32 phi = std::min(radius / SKY_UV_RADIUS, 1.0f) * PI;  // from the zenith
        const f32 up = std::cos(phi);
        Colour colour = up >= 0.0f ? Mix(horizon, zenith, std::pow(up, 2.5f)) : Mix(horizon, deep, std::pow(-up, 0.6f));
        const f32 lambda = std::atan2(_y, _x);
        const f32 shafts = 0.5f + 0.5f * std::cos(9.0f * lambda + 2.0f * std::sin(3.0f * lambda));
        const f32 light =
            std::max(up, 0.0f) * std::max(up, 0.0f) * (0.10f * shafts + 0.25f * std::exp(-phi * phi * 6.0f));
        colour.r += light;
        colour.g += light;
        colour.b += light * 0.9f;
        colour.a = 1.0f;
        return colour;
    });
    return WriteTexture(_outDir, "vfx\\tex\\sky", picture);
}

// ---------------------------------------------------------------------------------------------
// Fonts

// The characters 32 to 127, five pixels wide: rows of '#' (ink) and '.', top first. Rows 0-6
// hold capitals and digits, lower-case letters start at row 2, rows 7 and 8 take descenders.
const char* const s_glyphs[96] = {
    ".....",                                                  // space
    "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..",              // !
    ".#.#. .#.#. .#.#.",                                      // "
    ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#.",              // #
    "..#.. .#### #.#.. .###. ..#.# ####. ..#..",              // $
    "##... ##..# ...#. ..#.. .#... #..## ...##",              // %
    ".##.. #..#. #.#.. .#... #.#.# #..#. .##.#",              // &
    "..#.. ..#.. .#...",                                      // '
    "...#. ..#.. .#... .#... .#... ..#.. ...#.",              // (
    ".#... ..#.. ...#. ...#. ...#. ..#.. .#...",              // )
    "..... ..#.. #.#.# .###. #.#.# ..#.. .....",              // *
    "..... ..#.. ..#.. ##### ..#.. ..#.. .....",              // +
    "..... ..... ..... ..... ..... .##.. .##.. ..#.. .#...",  // ,
    "..... ..... ..... ##### ..... ..... .....",              // -
    "..... ..... ..... ..... ..... .##.. .##..",              // .
    "..... ....# ...#. ..#.. .#... #.... .....",              // /
    ".###. #...# #..## #.#.# ##..# #...# .###.",              // 0
    "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",              // 1
    ".###. #...# ....# ...#. ..#.. .#... #####",              // 2
    "##### ...#. ..#.. ...#. ....# #...# .###.",              // 3
    "...#. ..##. .#.#. #..#. ##### ...#. ...#.",              // 4
    "##### #.... ####. ....# ....# #...# .###.",              // 5
    "..##. .#... #.... ####. #...# #...# .###.",              // 6
    "##### ....# ...#. ..#.. .#... .#... .#...",              // 7
    ".###. #...# #...# .###. #...# #...# .###.",              // 8
    ".###. #...# #...# .#### ....# ...#. .##..",              // 9
    "..... .##.. .##.. ..... .##.. .##.. .....",              // :
    "..... .##.. .##.. ..... .##.. .##.. ..#.. .#...",        // ;
    "...#. ..#.. .#... #.... .#... ..#.. ...#.",              // <
    "..... ..... ##### ..... ##### ..... .....",              // =
    ".#... ..#.. ...#. ....# ...#. ..#.. .#...",              // >
    ".###. #...# ....# ...#. ..#.. ..... ..#..",              // ?
    ".###. #...# ....# .##.# #.#.# #.#.# .###.",              // @
    ".###. #...# #...# ##### #...# #...# #...#",              // A
    "####. #...# #...# ####. #...# #...# ####.",              // B
    ".###. #...# #.... #.... #.... #...# .###.",              // C
    "###.. #..#. #...# #...# #...# #..#. ###..",              // D
    "##### #.... #.... ####. #.... #.... #####",              // E
    "##### #.... #.... ####. #.... #.... #....",              // F
    ".###. #...# #.... #.### #...# #...# .####",              // G
    "#...# #...# #...# ##### #...# #...# #...#",              // H
    ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",              // I
    "..### ...#. ...#. ...#. ...#. #..#. .##..",              // J
    "#...# #..#. #.#.. ##... #.#.. #..#. #...#",              // K
    "#.... #.... #.... #.... #.... #.... #####",              // L
    "#...# ##.## #.#.# #.#.# #...# #...# #...#",              // M
    "#...# #...# ##..# #.#.# #..## #...# #...#",              // N
    ".###. #...# #...# #...# #...# #...# .###.",              // O
    "####. #...# #...# ####. #.... #.... #....",              // P
    ".###. #...# #...# #...# #.#.# #..#. .##.#",              // Q
    "####. #...# #...# ####. #.#.. #..#. #...#",              // R
    ".#### #.... #.... .###. ....# ....# ####.",              // S
    "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",              // T
    "#...# #...# #...# #...# #...# #...# .###.",              // U
    "#...# #...# #...# #...# #...# .#.#. ..#..",              // V
    "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",              // W
    "#...# #...# .#.#. ..#.. .#.#. #...# #...#",              // X
    "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",              // Y
    "##### ....# ...#. ..#.. .#... #.... #####",              // Z
    ".###. .#... .#... .#... .#... .#... .###.",              // [
    "..... #.... .#... ..#.. ...#. ....# .....",              // backslash
    ".###. ...#. ...#. ...#. ...#. ...#. .###.",              // ]
    "..#.. .#.#. #...#",                                      // ^
    "..... ..... ..... ..... ..... ..... ..... #####",        // _
    ".#... ..#.. ...#.",                                      // `
    "..... ..... .###. ....# .#### #...# .####",              // a
    "#.... #.... #.##. ##..# #...# #...# ####.",              // b
    "..... ..... .###. #.... #.... #...# .###.",              // c
    "....# ....# .##.# #..## #...# #...# .####",              // d
    "..... ..... .###. #...# ##### #.... .###.",              // e
    "..##. .#..# .#... ###.. .#... .#... .#...",              // f
    "..... ..... .#### #...# #...# .#### ....# #...# .###.",  // g
    "#.... #.... #.##. ##..# #...# #...# #...#",              // h
    "..#.. ..... .##.. ..#.. ..#.. ..#.. .###.",              // i
    "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##..",  // j
    "#.... #.... #..#. #.#.. ##... #.#.. #..#.",              // k
    ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",              // l
    "..... ..... ##.#. #.#.# #.#.# #.#.# #.#.#",              // m
    "..... ..... #.##. ##..# #...# #...# #...#",              // n
    "..... ..... .###. #...# #...# #...# .###.",              // o
    "..... ..... ####. #...# #...# ####. #.... #.... #....",  // p
    "..... ..... .#### #...# #...# .#### ....# ....# ....#",  // q
    "..... ..... #.##. ##..# #.... #.... #....",              // r
    "..... ..... .###. #.... .###. ....# ####.",              // s
    ".#... .#... ###.. .#... .#... .#..# ..##.",              // t
    "..... ..... #...# #...# #...# #..## .##.#",              // u
    "..... ..... #...# #...# #...# .#.#. ..#..",              // v
    "..... ..... #...# #...# #.#.# #.#.# .#.#.",              // w
    "..... ..... #...# .#.#. ..#.. .#.#. #...#",              // x
    "..... ..... #...# #...# #...# .#### ....# #...# .###.",  // y
    "..... ..... ##### ...#. ..#.. .#... #####",              // z
    "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#.",              // {
    "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",              // |
    ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#...",              // }
    "..... ..... .#... #.#.# ...#. ..... .....",              // ~
    "##### #...# #...# #...# #...# #...# #####",              // 127: a box
};

constexpr s32 GLYPH_COLUMNS = 5;
constexpr s32 GLYPH_ROWS = 9;

bool GlyphInk(s32 _glyph, s32 _x, s32 _y)
{
    if (_x < 0 || _x >= GLYPH_COLUMNS || _y < 0 || _y >= GLYPH_ROWS)
        return false;
    const char* row = s_glyphs[_glyph];
    for (s32 y = 0; y < _y; ++y) {
        row = std::strchr(row, ' ');
        if (row == nullptr)
            return false;
        ++row;
    }
    return (s32)std::strcspn(row, " ") > _x && row[_x] == '#';
}

// A font sheet with every glyph scaled by _scale into a cell one column (scaled) wider than the
// glyph, which spaces the characters, and _cellHeight pixels high (the font's line height);
// with _shadow, ink casts a dark shadow one pixel down and to the right. Ground and key colour
// are transparent black, so text blitted plain or keyed leaves the surface under it alone.
TOOL_FontSheet FontSheet(s32 _scale, bool _shadow, s32 _sheetWidth, s32 _cellHeight)
{
    constexpr u32 INK = 0xFFFFFFFF;
    constexpr u32 SHADOW = 0xFF102030;
    constexpr u32 GROUND = 0x00000000;
    TOOL_FontSheet sheet;
    sheet.depth = 32;
    sheet.keyColor = GROUND;
    sheet.backgroundColor = GROUND;
    sheet.sheetWidth = _sheetWidth;
    for (s32 glyph = 0; glyph < 96; ++glyph) {
        TOOL_FontGlyph cell;
        cell.width = (GLYPH_COLUMNS + 1) * _scale;
        cell.height = _cellHeight;
        cell.pixels.assign((size_t)(cell.width * cell.height), GROUND);
        for (s32 y = 0; y < cell.height; ++y)
            for (s32 x = 0; x < cell.width; ++x) {
                u32& pixel = cell.pixels[(size_t)(y * cell.width + x)];
                if (GlyphInk(glyph, x / _scale, y / _scale))
                    pixel = INK;
                else if (_shadow && x > 0 && y > 0 && GlyphInk(glyph, (x - 1) / _scale, (y - 1) / _scale))
                    pixel = SHADOW;
            }
        sheet.glyphs.push_back(cell);
    }
    return sheet;
}

// gfx\font\font1.tga, the small font (6 x 10 cells), and gfx\font\font2.tga, the same letters
// twice the size with a shadow (12 x 18 cells: the descenders reach the cell's last row). A menu
// page of 512 pixels gives each line the font's height and two pixels: 42 characters of font 1
// (the results page) and 25 of font 2 (main and setup pages), enough for their longest texts.
constexpr s32 FONT1_LINE_HEIGHT = (GLYPH_ROWS + 1);
constexpr s32 FONT2_LINE_HEIGHT = GLYPH_ROWS * 2;
static_assert(FONT1_LINE_HEIGHT <= 18 && FONT2_LINE_HEIGHT <= 18, "a menu page holds 25 lines of 20 pixels");

bool WriteFonts(const std::filesystem::path& _outDir)
{
    bool ok = WritePicture(DiskPath(_outDir, "gfx\\font\\font1.tga"),
                           TOOL_FontSheetPicture(FontSheet(1, false, 256, FONT1_LINE_HEIGHT), nullptr));
    ok = WritePicture(DiskPath(_outDir, "gfx\\font\\font2.tga"),
                      TOOL_FontSheetPicture(FontSheet(2, true, 512, FONT2_LINE_HEIGHT), nullptr)) &&
         ok;
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Caustics

constexpr s32 CAUSTIC_FRAMES = 16;

// vfx\tex\caustic\caustic.tse and its frames caustic001.. : a net of bright lines on the
// borders of cells that wobble around their centres, the light pattern that a rippled water
// surface throws on the ground. The cells are measured on a torus, so the pattern tiles;
// every centre turns once round its circle over the frames, so the animation loops.
bool WriteCaustics(const std::filesystem::path& _outDir)
{
    constexpr s32 GRID = 4;  // cells per side of the tile
    struct Centre
    {
        f32 x, y, radius, phase, turn;
    };
    std::vector<Centre> centres;
    Random random(0x5EA5EA);
    for (s32 gy = 0; gy < GRID; ++gy)
        for (s32 gx = 0; gx < GRID; ++gx) {
            Centre centre;
            centre.x = ((f32)gx + 0.2f + 0.6f * random.Next()) / (f32)GRID;
            centre.y = ((f32)gy + 0.2f + 0.6f * random.Next()) / (f32)GRID;
            centre.radius = (0.04f + 0.03f * random.Next());
            centre.phase = 2.0f * PI * random.Next();
            centre.turn = random.Next() < 0.5f ? -1.0f : 1.0f;
            centres.push_back(centre);
        }

    bool ok = true;
    std::vector<std::array<f32, 2>> points(centres.size());
    for (s32 frame = 0; frame < CAUSTIC_FRAMES; ++frame) {
        for (size_t i = 0; i < centres.size(); ++i) {
            const Centre& c = centres[i];
            const f32 angle = c.phase + c.turn * 2.0f * PI * (f32)frame / (f32)CAUSTIC_FRAMES;
            points[i] = {c.x + c.radius * std::cos(angle), c.y + c.radius * std::sin(angle)};
        }
        const TOOL_TGA picture = ShadePicture(64, 1, [&](f32 _x, f32 _y) {
            const f32 x = 0.5f * (_x + 1.0f), y = 0.5f * (_y + 1.0f);
            f32 nearest = 2.0f, second = 2.0f;
            for (const auto& p : points) {
                f32 dx = std::fabs(x - p[0]), dy = std::fabs(y - p[1]);
                dx -= std::floor(dx);
                dy -= std::floor(dy);
                dx = std::min(dx, 1.0f - dx);
                dy = std::min(dy, 1.0f - dy);
                const f32 d = dx * dx + dy * dy;  // squared until the two nearest are known
                if (d < nearest) {
                    second = nearest;
                    nearest = d;
                } else if (d < second) {
                    second = d;
                }
            }
            const f32 edge = std::sqrt(second) - std::sqrt(nearest);  // 0 on a border between two cells
            const f32 light = 0.75f * std::exp(-edge / 0.03f) + 0.25f * std::exp(-edge / 0.1f);
            return Colour{0.78f * light, 0.94f * light, light, 1.0f};
        });
        char name[64];
        snprintf(name, sizeof(name), "vfx\\tex\\caustic\\caustic%03d", frame + 1);
        ok = WriteTexture(_outDir, name, picture) && ok;
    }

    const std::filesystem::path path = DiskPath(_outDir, "vfx\\tex\\caustic\\caustic.tse");
    return Report(path, MakeParent(path) &&
                            TOOL_WriteTextureSet(path.string(), "vfx\\tex\\caustic\\caustic", CAUSTIC_FRAMES) == 1) &&
           ok;
}

// ---------------------------------------------------------------------------------------------
// Loading picture and logos

f32 Ring(f32 _x, f32 _y, f32 _cx, f32 _cy, f32 _radius, f32 _halfWidth)
{
    const f32 d = std::sqrt((_x - _cx) * (_x - _cx) + (_y - _cy) * (_y - _cy));
    return std::fabs(d - _radius) < _halfWidth ? 1.0f : 0.0f;
}

// Three rings around the centre, the emblem of the loading picture and of the first logo.
f32 ThreeRings(f32 _x, f32 _y, f32 _scale)
{
    f32 inside = 0.0f;
    for (s32 k = 0; k < 3; ++k) {
        const f32 angle = PI / 2.0f + 2.0f * PI * (f32)k / 3.0f;
        inside = std::max(inside, Ring(_x, _y, 0.3f * _scale * std::cos(angle), 0.3f * _scale * std::sin(angle),
                                       0.45f * _scale, 0.07f * _scale));
    }
    return inside;
}

// vfx\tex\menu\menu_loading: shown while a run loads. 256 x 256 keeps all its levels within
// the megabyte the loading picture is given.
bool WriteLoadingPicture(const std::filesystem::path& _outDir)
{
    const Colour top{0.05f, 0.22f, 0.32f};
    const Colour bottom{0.01f, 0.04f, 0.10f};
    const Colour emblem{0.70f, 0.90f, 0.95f};
    const TOOL_TGA picture = ShadePicture(256, 2, [&](f32 _x, f32 _y) {
        Colour colour = Mix(bottom, top, 0.5f * (_y + 1.0f));
        colour = Mix(colour, emblem, 0.85f * ThreeRings(_x, _y - 0.15f, 0.9f));
        // An empty bar below the emblem.
        const f32 ax = std::fabs(_x), ay = std::fabs(_y + 0.7f);
        const bool frame = ax < 0.62f && ay < 0.07f && !(ax < 0.59f && ay < 0.04f);
        if (frame)
            colour = Mix(colour, emblem, 0.9f);
        colour.a = 1.0f;
        return colour;
    });
    return WriteTexture(_outDir, "vfx\\tex\\menu\\menu_loading", picture);
}

// Simple emblems on a transparent ground for the four logos of a run (the second of the
// renderer's five logo places stays empty): the names, in the order of the places 0, 2, 3
// and 4, are logo_halvane, logo_publisher, logo_ostrel and logo_url, under vfx\tex\logo\.
bool WriteLogos(const std::filesystem::path& _outDir)
{
    const Colour white{1.0f, 1.0f, 1.0f};
    auto family = [](f32 _x, f32 _y) { return Colour{1.0f, 0.76f, 0.25f, ThreeRings(_x, _y, 1.2f)}; };
    auto publisher = [&](f32 _x, f32 _y) {
        const f32 d = std::fabs(_x) + std::fabs(_y);
        if (d < 0.3f)
            return white;
        return Colour{0.20f, 0.80f, 0.78f, d < 0.92f && d > 0.5f ? 1.0f : 0.0f};
    };
    auto maker = [](f32 _x, f32 _y) {
        // An upright triangle with an inverted one cut out of its middle.
        const f32 s = std::sqrt(3.0f);
        auto inTriangle = [s](f32 _px, f32 _py, f32 _size) {
            return _py > -0.5f * _size && s * _px + _py < _size && -s * _px + _py < _size;
        };
        const bool outer = inTriangle(_x, _y + 0.15f, 0.9f);
        const bool hole = inTriangle(_x, -(_y + 0.15f), 0.38f);
        return Colour{0.95f, 0.38f, 0.22f, outer && !hole ? 1.0f : 0.0f};
    };
    auto web = [](f32 _x, f32 _y) {
        const f32 r = std::sqrt(_x * _x + _y * _y);
        f32 inside = std::fabs(r - 0.85f) < 0.06f ? 1.0f : 0.0f;
        if (r < 0.85f) {
            const f32 e = std::sqrt((_x / 0.4f) * (_x / 0.4f) + (_y / 0.85f) * (_y / 0.85f));
            if (std::fabs(_y) < 0.04f || std::fabs(_x) < 0.04f || std::fabs(e - 1.0f) < 0.08f ||
                std::fabs(std::fabs(_y) - 0.45f) < 0.035f)
                inside = 1.0f;
        }
        return Colour{0.45f, 0.72f, 1.0f, inside};
    };
    bool ok = WriteTexture(_outDir, "vfx\\tex\\logo\\logo_halvane", ShadePicture(128, 3, family));
    ok = WriteTexture(_outDir, "vfx\\tex\\logo\\logo_publisher", ShadePicture(128, 3, publisher)) && ok;
    ok = WriteTexture(_outDir, "vfx\\tex\\logo\\logo_ostrel", ShadePicture(128, 3, maker)) && ok;
    ok = WriteTexture(_outDir, "vfx\\tex\\logo\\logo_url", ShadePicture(256, 3, web)) && ok;
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Terrain

// vfx\terrain\sample\material_s.tga: the terrain's selector picture, 256 x 256 at 32 bits.
// Alpha names the material of each point (0x00, 0x10, 0x20 for materials 0, 1 and 2: low
// ground, hollows, ridges of a rolling height field); red, green and blue are the light
// falling on that point, from the slope of the same field.
bool WriteTerrainSelector(const std::filesystem::path& _outDir)
{
    constexpr s32 SIDE = 256;
    auto height = [](f32 _u, f32 _v) {
        return 0.5f * std::sin(_u + 0.7f) * std::cos(2.0f * _v) + 0.3f * std::sin(3.0f * _u + 2.0f * _v + 1.3f) +
               0.2f * std::cos(5.0f * _u - 4.0f * _v);
    };
    TOOL_TGA picture = TOOL_MakeTGA(SIDE, SIDE, 32, 0);
    const f32 step = 2.0f * PI / (f32)SIDE;
    const f32 light[3] = {0.42f, 0.30f, 0.86f};  // towards the sun, roughly unit length
    for (s32 y = 0; y < SIDE; ++y)
        for (s32 x = 0; x < SIDE; ++x) {
            const f32 u = step * (f32)x, v = step * (f32)y;
            const f32 h = height(u, v);
            const u32 material = h < -0.3f ? 0x10u : h > 0.35f ? 0x20u : 0x00u;
            const f32 dx = (height(u + step, v) - height(u - step, v)) / (2.0f * step);
            const f32 dy = (height(u, v + step) - height(u, v - step)) / (2.0f * step);
            const f32 n[3] = {-0.3f * dx, -0.3f * dy, 1.0f};
            const f32 length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            const f32 lit =
                0.5f + 0.5f * std::max(0.0f, (n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / length);
            const Colour colour{lit, 0.97f * lit, 0.88f * lit, 0.0f};
            picture.pixels[(size_t)(y * SIDE + x)] = material << 24 | (Pack(colour) & 0x00FFFFFFu);
        }
    return WritePicture(DiskPath(_outDir, "vfx\\terrain\\sample\\material_s.tga"), picture);
}

// ---------------------------------------------------------------------------------------------
// Intro and outro pictures

// _text in the font's letters, each glyph pixel a square of _scale pixels, centred on
// (_centreX, _top) of a 24-bit picture, in _colour over what is there.
void StampText(TOOL_TGA& _picture, const std::string& _text, s32 _centreX, s32 _top, s32 _scale, u32 _colour)
{
    const s32 advance = (GLYPH_COLUMNS + 1) * _scale;
    const s32 left = _centreX - ((s32)_text.size() * advance - _scale) / 2;
    for (size_t i = 0; i < _text.size(); ++i) {
        const s32 glyph = (u8)_text[i] >= 32 && (u8)_text[i] < 128 ? (u8)_text[i] - 32 : 95;
        for (s32 y = 0; y < GLYPH_ROWS * _scale; ++y)
            for (s32 x = 0; x < GLYPH_COLUMNS * _scale; ++x) {
                const s32 px = left + (s32)i * advance + x, py = _top + y;
                if (px < 0 || py < 0 || px >= _picture.width || py >= _picture.height)
                    continue;
                if (GlyphInk(glyph, x / _scale, y / _scale))
                    _picture.pixels[(size_t)py * (size_t)_picture.width + (size_t)px] = _colour;
            }
    }
}

// A 640 x 480 picture at 24 bits, as the menu shows full screen: deep water darkening
// downwards with light shafts from the surface, a line of large letters and one of small ones.
TOOL_TGA FullScreenPicture(const std::string& _title, const std::string& _line, f32 _hue)
{
    constexpr s32 WIDTH = 640, HEIGHT = 480;
    TOOL_TGA picture = TOOL_MakeTGA(WIDTH, HEIGHT, 24, 0);
    const Colour top{0.10f + 0.10f * _hue, 0.38f, 0.52f - 0.10f * _hue};
    const Colour bottom{0.0f, 0.03f, 0.09f};
    for (s32 y = 0; y < HEIGHT; ++y)
        for (s32 x = 0; x < WIDTH; ++x) {
            const f32 down = (f32)y / (f32)HEIGHT;
            Colour colour = Mix(top, bottom, std::sqrt(down));
            const f32 u = (f32)x / (f32)WIDTH - 0.5f;
            const f32 shafts = 0.5f + 0.5f * std::cos(23.0f * (u + 0.25f * down) + 3.0f * _hue);
            const f32 light = (1.0f - down) * (1.0f - down) * 0.18f * shafts * shafts;
            colour.r += light;
            colour.g += light;
            colour.b += light;
            picture.pixels[(size_t)y * WIDTH + (size_t)x] = Pack(colour) & 0x00FFFFFFu;
        }
    StampText(picture, _title, WIDTH / 2 + 3, 183, 8, 0x00041018u);  // shadow
    StampText(picture, _title, WIDTH / 2, 180, 8, 0x00E8F6FFu);
    StampText(picture, _line, WIDTH / 2, 290, 2, 0x00A8D8E8u);
    return picture;
}

// gfx\picture\intro\intro_01..03.tga before the menu and gfx\picture\mockup\mock01..03.tga at
// the exit, in the archive.
void AddPictures(std::vector<TOOL_ArchiveFile>& _archive)
{
    struct Picture
    {
        const char* name;
        const char* title;
        const char* line;
    };
    const Picture pictures[6] = {
        {"gfx\\picture\\intro\\intro_01.tga", "QUORVEX", "A REAL-TIME 3D BENCHMARK"},
        {"gfx\\picture\\intro\\intro_02.tga", "DEEP", "A FLIGHT OVER THE SEA FLOOR"},
        {"gfx\\picture\\intro\\intro_03.tga", "READY", "ESCAPE ENDS A RUN, RETURN CHOOSES"},
        {"gfx\\picture\\mockup\\mock01.tga", "THANKS", "FOR RUNNING QUORVEX"},
        {"gfx\\picture\\mockup\\mock02.tga", "RESULTS", "WRITTEN TO QUORVEX.TXT"},
        {"gfx\\picture\\mockup\\mock03.tga", "BYE", "RETURN OR ESCAPE TO LEAVE"},
    };
    for (s32 i = 0; i < 6; ++i)
        _archive.push_back(
            {pictures[i].name, TOOL_TGABytes(FullScreenPicture(pictures[i].title, pictures[i].line, (f32)i / 5.0f))});
}

// ---------------------------------------------------------------------------------------------
// Menu scene

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
    const std::filesystem::path path = DiskPath(_outDir, "vfx\\msh\\menu\\" + _name + ".msh");
    return Report(path, MakeParent(path) && TOOL_WriteMesh(path.string().c_str(), mesh) == 1);
}

// The menu's textures: the backdrop (open water with light from above), the title (the name in
// large letters on a transparent ground, in the upper part of the quad that the menu draws over
// the middle of the screen) and the plankton sprite "plank01" (a soft dot, drawn additively).
bool WriteMenuTextures(const std::filesystem::path& _outDir)
{
    const Colour surface{0.16f, 0.50f, 0.62f};
    const Colour deep{0.0f, 0.04f, 0.12f};
    bool ok = WriteTexture(_outDir, "vfx\\tex\\menu\\menu_background", ShadePicture(256, 1, [&](f32 _x, f32 _y) {
                               Colour colour = Mix(deep, surface, std::pow(0.5f * (_y + 1.0f), 1.6f));
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
    const s32 advance = (GLYPH_COLUMNS + 1) * SCALE;
    const s32 left = 128 - ((s32)name.size() * advance - SCALE) / 2;
    for (size_t i = 0; i < name.size(); ++i)
        for (s32 y = 0; y < 7 * SCALE; ++y)
            for (s32 x = 0; x < GLYPH_COLUMNS * SCALE; ++x) {
                const s32 glyph = name[i] - 32;
                const s32 px = left + (s32)i * advance + x, py = 24 + y;
                if (GlyphInk(glyph, x / SCALE, y / SCALE)) {
                    const f32 fade = 1.0f - 0.4f * (f32)y / (f32)(7 * SCALE);
                    title.pixels[(size_t)py * 256 + (size_t)px] = Pack(Colour{0.85f * fade, 0.95f * fade, 1.0f, 1.0f});
                } else if (GlyphInk(glyph, (x - 2) / SCALE, (y - 2) / SCALE) && x >= 2 && y >= 2) {
                    title.pixels[(size_t)py * 256 + (size_t)px] = 0xC0021020u;  // shadow
                }
            }
    ok = WriteTexture(_outDir, "vfx\\tex\\menu\\menu_title", title) && ok;

    ok = WriteTexture(_outDir, "vfx\\tex\\menu\\plank01",
                      ShadePicture(32, 2,
                                   [](f32 _x, f32 _y) {
                                       const f32 r = std::sqrt(_x * _x + _y * _y);
                                       const f32 glow = std::max(0.0f, 1.0f - r);
                                       const f32 v = glow * glow;
                                       return Colour{0.55f * v, 0.85f * v, 0.80f * v, v};
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

// ---------------------------------------------------------------------------------------------
// Head-up display symbols

// The symbols the head-up display draws over the scene, white shapes on a transparent ground
// under vfx\tex\hud\: the direction arrow, the terrain arrow, the two lock brackets, the target
// frame and the two reticles.
bool WriteHudSymbols(const std::filesystem::path& _outDir)
{
    const Colour white{1.0f, 1.0f, 1.0f, 1.0f};
    const Colour none{1.0f, 1.0f, 1.0f, 0.0f};
    auto line = [](f32 _value, f32 _at, f32 _half) { return std::fabs(_value - _at) < _half; };
    auto arrow = [&](f32 _x, f32 _y) {  // pointing up
        return _y < 0.8f && _y > -0.2f && std::fabs(_x) < 0.5f * (0.8f - _y) ? white
               : _y <= -0.2f && _y > -0.8f && std::fabs(_x) < 0.15f          ? white
                                                                             : none;
    };
    auto terrain = [&](f32 _x, f32 _y) {  // a chevron over a ground line
        const bool chevron = std::fabs(_y - 0.6f * (0.5f - std::fabs(_x))) < 0.1f && std::fabs(_x) < 0.7f;
        return chevron || (line(_y, -0.6f, 0.06f) && std::fabs(_x) < 0.8f) ? white : none;
    };
    auto corners = [&](f32 _x, f32 _y, f32 _size) {
        const f32 ax = std::fabs(_x), ay = std::fabs(_y);
        const bool vertical = line(ax, _size, 0.05f) && ay > _size - 0.35f && ay < _size + 0.05f;
        const bool horizontal = line(ay, _size, 0.05f) && ax > _size - 0.35f && ax < _size + 0.05f;
        return vertical || horizontal ? white : none;
    };
    auto frame = [&](f32 _x, f32 _y) {
        const f32 ax = std::fabs(_x), ay = std::fabs(_y);
        return (line(ax, 0.85f, 0.04f) && ay < 0.89f) || (line(ay, 0.85f, 0.04f) && ax < 0.89f) ? white : none;
    };
    auto reticle = [&](f32 _x, f32 _y, f32 _radius) {
        const f32 r = std::sqrt(_x * _x + _y * _y);
        const bool cross = (std::fabs(_x) < 0.03f || std::fabs(_y) < 0.03f) && r > 0.2f && r < 0.9f;
        return cross || line(r, _radius, 0.04f) ? white : none;
    };
    bool ok = WriteTexture(_outDir, "vfx\\tex\\hud\\hud_arrow", ShadePicture(64, 2, arrow));
    ok = WriteTexture(_outDir, "vfx\\tex\\hud\\hud_terrain", ShadePicture(64, 2, terrain)) && ok;
    ok = WriteTexture(_outDir, "vfx\\tex\\hud\\hud_lock3",
                      ShadePicture(64, 2, [&](f32 _x, f32 _y) { return corners(_x, _y, 0.85f); })) &&
         ok;
    ok = WriteTexture(_outDir, "vfx\\tex\\hud\\hud_lock4",
                      ShadePicture(64, 2, [&](f32 _x, f32 _y) { return corners(_x, _y, 0.6f); })) &&
         ok;
    ok = WriteTexture(_outDir, "vfx\\tex\\hud\\hud_rect", ShadePicture(64, 2, frame)) && ok;
    ok = WriteTexture(_outDir, "vfx\\tex\\hud\\hud_reticle2",
                      ShadePicture(64, 2, [&](f32 _x, f32 _y) { return reticle(_x, _y, 0.5f); })) &&
         ok;
    ok = WriteTexture(_outDir, "vfx\\tex\\hud\\hud_snipe1",
                      ShadePicture(128, 2, [&](f32 _x, f32 _y) { return reticle(_x, _y, 0.92f); })) &&
         ok;
    return ok;
}

// ---------------------------------------------------------------------------------------------
// The benchmark scene

// The run's script and what its nodes read: a seeded terrain of 2 x 2 tiles (33 x 33 samples,
// 64 units apart) in vfx\terrain\sample, a camera flying a loop of positions above it, the
// player body the head-up display needs, plants, plankton, light rays, fog and caustics; the
// game ends after _seconds of scene time. The script seeds the C-runtime generator first, and
// nothing in the scene draws random numbers from anything else, so every run computes the
// same frames.
TOOL_Scenario SampleScenario(f32 _seconds)
{
    TOOL_Scenario scenario;
    scenario.seeded = true;
    scenario.seed = 1977;
    TOOL_TerrainDirectory& terrain = scenario.terrainDirectory;
    terrain.directory = "vfx/terrain/sample";
    terrain.size = 33;
    terrain.lines = 2;
    terrain.scale[0] = 64.0f;
    terrain.scale[1] = 64.0f;
    terrain.scale[2] = 256.0f;
    terrain.heights = TOOL_RandomHeightField(terrain.size, 0x51EB, 0, 160);
    scenario.playerMoves = false;
    scenario.playerStart[0] = 2048.0f;
    scenario.playerStart[1] = 2048.0f;
    scenario.playerStart[2] = 400.0f;
    scenario.backPlane = 600.0f;
    scenario.flight = TOOL_ScenarioFlight(terrain, 12, 45.0f);
    scenario.flightSpeed = 60.0f;
    scenario.plantDensity = 6;
    scenario.endSeconds = _seconds;
    scenario.fog = "vfx\\fog\\sample";
    // Blue-green water thickening with view depth (rows, 10 units each) and a little towards
    // the floor (layers, 12 units each from 200 below the ground).
    TOOL_Fog& fog = scenario.fogLayer;
    fog.rows = 64;
    fog.layerCount = 64;
    fog.baseHeight = -200.0f;
    fog.depthStep = 10.0f;
    fog.layerSpacing = 12.0f;
    fog.pixels.resize((size_t)64 * 64 * 64);
    for (s32 layer = 0; layer < 64; ++layer)
        for (s32 column = 0; column < 64; ++column)
            for (s32 row = 0; row < 64; ++row) {
                const f32 depth = (f32)row / 63.0f;
                const f32 low = 1.0f - (f32)layer / 63.0f;
                const f32 alpha = Clamp01(std::pow(depth, 0.8f) * (0.85f + 0.15f * low));
                fog.pixels[((size_t)layer * 64 + (size_t)column) * 64 + (size_t)row] =
                    Pack(Colour{0.05f, 0.24f + 0.05f * low, 0.34f, alpha});
            }
    scenario.caustics = true;
    scenario.causticTiling = 0.01f;
    scenario.causticHeightFactor = 0.5f;
    return scenario;
}

bool WriteFiles(const std::filesystem::path& _outDir, const std::vector<std::pair<std::string, std::string>>& _files)
{
    bool ok = true;
    for (const auto& file : _files) {
        const std::filesystem::path path = _outDir / file.first;
        bool written = MakeParent(path);
        if (written) {
            FILE* out = fopen(path.string().c_str(), "wb");
            written = out != nullptr;
            if (out != nullptr) {
                written = fwrite(file.second.data(), 1, file.second.size(), out) == file.second.size();
                written = fclose(out) == 0 && written;
            }
        }
        ok = Report(path, written) && ok;
    }
    return ok;
}

// map\kovra1\script\quorvex.sco (beside the glue library that the build copies to
// dat\script\lib) and every file its nodes read.
bool WriteSampleScene(const std::filesystem::path& _outDir, f32 _seconds)
{
    const TOOL_Scenario scenario = SampleScenario(_seconds);
    std::vector<std::pair<std::string, std::string>> files = TOOL_ScenarioFiles(scenario);
    files.emplace_back("map/kovra1/script/quorvex.sco", TOOL_ScenarioScript(scenario));
    return WriteFiles(_outDir, files);
}

}  // namespace

int main(int _argc, char** _argv)
{
    // quorvex_datagen <outdir> [--scene-seconds N]: N seconds of scene time before the game ends.
    f32 seconds = 90.0f;
    bool usage = _argc != 2 && _argc != 4;
    if (_argc == 4) {
        char* end = nullptr;
        seconds = std::strtof(_argv[3], &end);
        usage = std::strcmp(_argv[2], "--scene-seconds") != 0 || end == _argv[3] || *end != '\0' || !(seconds > 0.0f) ||
                seconds > 100000.0f;
    }
    if (usage) {
        fprintf(stderr, "usage: quorvex_datagen <outdir> [--scene-seconds N]\n");
        return 2;
    }
    const std::filesystem::path outDir(_argv[1]);
    bool ok = true;
    ok = WriteDisplayConfig(outDir) && ok;
    ok = WriteSoundConfig(outDir) && ok;
    ok = WriteSkyMesh(outDir) && ok;
    ok = WriteSkyTexture(outDir) && ok;
    ok = WriteFonts(outDir) && ok;
    ok = WriteCaustics(outDir) && ok;
    ok = WriteLoadingPicture(outDir) && ok;
    ok = WriteLogos(outDir) && ok;
    ok = WriteMenuQuad(outDir, "menu_background") && ok;
    ok = WriteMenuQuad(outDir, "menu_title") && ok;
    ok = WriteMenuTextures(outDir) && ok;
    ok = WriteHudSymbols(outDir) && ok;
    ok = WriteSampleScene(outDir, seconds) && ok;
    // After the scene: the terrain directory's selector is replaced by the lit one.
    ok = WriteTerrainSelector(outDir) && ok;
    // Pictures and sounds read through the file layer go into the archive pair.
    std::vector<TOOL_ArchiveFile> archive;
    AddPictures(archive);
    AddMenuSounds(archive);
    ok = Report(outDir / "dorim.hdr", TOOL_WriteArchive(outDir.string(), archive) == 1) && ok;
    return ok ? 0 : 1;
}
