#include "tools_sample_scenario.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tools_sample_local.h"
#include "tools_scenario.h"
#include "tools_scenario_local.h"
#include "tools_terrain.h"
#include "tools_tga.h"

// The run's script and what its nodes read: a seeded terrain of 2 x 2 tiles (33 x 33 samples,
// 64 units apart) in vfx\terrain\sample, a camera flying a loop of positions above it, the
// player body the head-up display needs, plants, plankton, light rays, fog and caustics, a
// drone with a trail and bubbles ahead of the camera, a standing emitter and debris bursting
// under the drone; the game ends after _seconds of scene time. The script seeds the C-runtime generator first, and
// nothing in the scene draws random numbers from anything else, so every run computes the
// same frames.
TOOL_Scenario TOOL_SampleScenarioDescription(f32 _seconds)
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
                const f32 alpha = TOOL_Clamp01(std::pow(depth, 0.8f) * (0.85f + 0.15f * low));
                fog.pixels[((size_t)layer * 64 + (size_t)column) * 64 + (size_t)row] =
                    TOOL_Pack(TOOL_Colour{0.05f, 0.24f + 0.05f * low, 0.34f, alpha});
            }
    scenario.effects = true;
    scenario.caustics = true;
    scenario.causticTiling = 0.01f;
    scenario.causticHeightFactor = 0.5f;
    // The fight in front of the player, which hovers 30 units above the ground there.
    scenario.armed = true;
    scenario.playerStart[2] = TOOL_ScenarioGround(terrain, scenario.playerStart[0], scenario.playerStart[1]) + 30.0f;
    return scenario;
}

namespace
{

// The terrain's selector picture, 256 x 256 at 32 bits, in place of the plain one of the
// terrain directory.
// Alpha names the material of each point (0x00, 0x10, 0x20 for materials 0, 1 and 2: low
// ground, hollows, ridges of a rolling height field); red, green and blue are the light
// falling on that point, from the slope of the same field.
TOOL_TGA LitSelector()
{
    constexpr s32 SIDE = 256;
    auto height = [](f32 _u, f32 _v) {
        return 0.5f * std::sin(_u + 0.7f) * std::cos(2.0f * _v) + 0.3f * std::sin(3.0f * _u + 2.0f * _v + 1.3f) +
               0.2f * std::cos(5.0f * _u - 4.0f * _v);
    };
    TOOL_TGA picture = TOOL_MakeTGA(SIDE, SIDE, 32, 0);
    const f32 step = 2.0f * TOOL_PI / (f32)SIDE;
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
            const TOOL_Colour colour{lit, 0.97f * lit, 0.88f * lit, 0.0f};
            picture.pixels[(size_t)(y * SIDE + x)] = material << 24 | (TOOL_Pack(colour) & 0x00FFFFFFu);
        }
    return picture;
}

}  // namespace

bool TOOL_SampleScenario(TOOL_SampleOutput& _output)
{
    const TOOL_Scenario scenario = TOOL_SampleScenarioDescription(_output.sceneSeconds);
    std::vector<std::pair<std::string, std::string>> files = TOOL_ScenarioFiles(scenario);
    const std::string selector = scenario.terrainDirectory.directory + "/material_s.tga";
    std::erase_if(files, [&](const auto& _file) { return _file.first == selector; });
    files.emplace_back(selector, TOOL_TGABytes(LitSelector()));
    files.emplace_back("map/kovra1/script/quorvex.sco", TOOL_ScenarioScript(scenario));
    return TOOL_SampleFiles(_output.dir, files);
}
