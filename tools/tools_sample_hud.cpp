#include "tools_sample_hud.h"

#include <cmath>

#include "tools_sample_local.h"

bool TOOL_SampleHud(TOOL_SampleOutput& _output)
{
    const TOOL_Colour white{1.0f, 1.0f, 1.0f, 1.0f};
    const TOOL_Colour none{1.0f, 1.0f, 1.0f, 0.0f};
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
    bool ok = TOOL_SampleTexture(_output.dir, "vfx\\tex\\hud\\hud_arrow", TOOL_ShadePicture(64, 2, arrow));
    ok = TOOL_SampleTexture(_output.dir, "vfx\\tex\\hud\\hud_terrain", TOOL_ShadePicture(64, 2, terrain)) && ok;
    ok = TOOL_SampleTexture(_output.dir, "vfx\\tex\\hud\\hud_lock3",
                            TOOL_ShadePicture(64, 2, [&](f32 _x, f32 _y) { return corners(_x, _y, 0.85f); })) &&
         ok;
    ok = TOOL_SampleTexture(_output.dir, "vfx\\tex\\hud\\hud_lock4",
                            TOOL_ShadePicture(64, 2, [&](f32 _x, f32 _y) { return corners(_x, _y, 0.6f); })) &&
         ok;
    ok = TOOL_SampleTexture(_output.dir, "vfx\\tex\\hud\\hud_rect", TOOL_ShadePicture(64, 2, frame)) && ok;
    ok = TOOL_SampleTexture(_output.dir, "vfx\\tex\\hud\\hud_reticle2",
                            TOOL_ShadePicture(64, 2, [&](f32 _x, f32 _y) { return reticle(_x, _y, 0.5f); })) &&
         ok;
    ok = TOOL_SampleTexture(_output.dir, "vfx\\tex\\hud\\hud_snipe1",
                            TOOL_ShadePicture(128, 2, [&](f32 _x, f32 _y) { return reticle(_x, _y, 0.92f); })) &&
         ok;
    return ok;
}
