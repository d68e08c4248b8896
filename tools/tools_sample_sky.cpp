#include "tools_sample_sky.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools_mesh.h"
#include "tools_sample_local.h"
#include "tools_tse.h"

namespace
{

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
    auto angleFromZenith = [](s32 _ring) { return TOOL_PI * (f32)_ring / (f32)RINGS; };
    auto azimuth = [](f32 _segment) { return 2.0f * TOOL_PI * _segment / (f32)SEGMENTS; };
    auto ringVertex = [](s32 _ring, s32 _segment) { return 1 + (_ring - 1) * SEGMENTS + _segment % SEGMENTS; };
    auto u = [](f32 _fromZenith, f32 _azimuth) {
        return 0.5f + SKY_UV_RADIUS * _fromZenith / TOOL_PI * std::cos(_azimuth);
    };
    auto v = [](f32 _fromZenith, f32 _azimuth) {
        return 0.5f + SKY_UV_RADIUS * _fromZenith / TOOL_PI * std::sin(_azimuth);
    };

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

    return TOOL_SampleFile(TOOL_SamplePath(_outDir, "vfx\\msh\\sky03.msh"), TOOL_MeshText(mesh));
}

// vfx\tex\sky: the view up through open water in the mapping of the sky mesh: light from the
// surface with soft shafts at the zenith, blue-green at the horizon, deep blue below.
bool WriteSkyTexture(const std::filesystem::path& _outDir)
{
    const TOOL_Colour zenith{0.62f, 0.88f, 0.95f};
    const TOOL_Colour horizon{0.06f, 0.30f, 0.42f};
    const TOOL_Colour deep{0.01f, 0.05f, 0.13f};
    const TOOL_TGA picture = TOOL_ShadePicture(256, 1, [&](f32 _x, f32 _y) {
        const f32 radius = 0.5f * std::sqrt(_x * _x + _y * _y);
        const f32 phi = std::min(radius / SKY_UV_RADIUS, 1.0f) * TOOL_PI;  // from the zenith
        const f32 up = std::cos(phi);
        TOOL_Colour colour =
            up >= 0.0f ? TOOL_Mix(horizon, zenith, std::pow(up, 2.5f)) : TOOL_Mix(horizon, deep, std::pow(-up, 0.6f));
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
    return TOOL_SampleTexture(_outDir, "vfx\\tex\\sky", picture);
}

}  // namespace

bool TOOL_SampleSky(TOOL_SampleOutput& _output)
{
    bool ok = WriteSkyMesh(_output.dir);
    ok = WriteSkyTexture(_output.dir) && ok;
    return ok;
}

// A net of bright lines on the borders of cells that wobble around their centres. The cells are
// measured on a torus, so the pattern tiles; every centre turns once round its circle over the
// frames, so the animation loops.
bool TOOL_SampleCaustics(TOOL_SampleOutput& _output)
{
    constexpr s32 FRAMES = 16;
    constexpr s32 GRID = 4;  // cells per side of the tile
    struct Centre
    {
        f32 x, y, radius, phase, turn;
    };
    std::vector<Centre> centres;
    TOOL_Random random(0x5EA5EA);
    for (s32 gy = 0; gy < GRID; ++gy)
        for (s32 gx = 0; gx < GRID; ++gx) {
            Centre centre;
            centre.x = ((f32)gx + 0.2f + 0.6f * random.Next()) / (f32)GRID;
            centre.y = ((f32)gy + 0.2f + 0.6f * random.Next()) / (f32)GRID;
            centre.radius = (0.04f + 0.03f * random.Next());
            centre.phase = 2.0f * TOOL_PI * random.Next();
            centre.turn = random.Next() < 0.5f ? -1.0f : 1.0f;
            centres.push_back(centre);
        }

    bool ok = true;
    std::vector<std::array<f32, 2>> points(centres.size());
    for (s32 frame = 0; frame < FRAMES; ++frame) {
        for (size_t i = 0; i < centres.size(); ++i) {
            const Centre& c = centres[i];
            const f32 angle = c.phase + c.turn * 2.0f * TOOL_PI * (f32)frame / (f32)FRAMES;
            points[i] = {c.x + c.radius * std::cos(angle), c.y + c.radius * std::sin(angle)};
        }
        const TOOL_TGA picture = TOOL_ShadePicture(64, 1, [&](f32 _x, f32 _y) {
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
            return TOOL_Colour{0.78f * light, 0.94f * light, light, 1.0f};
        });
        char name[64];
        snprintf(name, sizeof(name), "vfx\\tex\\caustic\\caustic%03d", frame + 1);
        ok = TOOL_SampleTexture(_output.dir, name, picture) && ok;
    }

    return TOOL_SampleFile(TOOL_SamplePath(_output.dir, "vfx\\tex\\caustic\\caustic.tse"),
                           TOOL_TextureSetText("vfx\\tex\\caustic\\caustic", FRAMES)) &&
           ok;
}
