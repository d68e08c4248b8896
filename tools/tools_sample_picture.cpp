#include "tools_sample_picture.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "tools_sample_font.h"
#include "tools_sample_local.h"
#include "tools_tga.h"

namespace
{

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
        const f32 angle = TOOL_PI / 2.0f + 2.0f * TOOL_PI * (f32)k / 3.0f;
        inside = std::max(inside, Ring(_x, _y, 0.3f * _scale * std::cos(angle), 0.3f * _scale * std::sin(angle),
                                       0.45f * _scale, 0.07f * _scale));
    }
    return inside;
}

// vfx\tex\menu\menu_loading: shown while a run loads. 256 x 256 keeps all its levels within
// the megabyte the loading picture is given.
bool WriteLoadingPicture(const std::filesystem::path& _outDir)
{
    const TOOL_Colour top{0.05f, 0.22f, 0.32f};
    const TOOL_Colour bottom{0.01f, 0.04f, 0.10f};
    const TOOL_Colour emblem{0.70f, 0.90f, 0.95f};
    const TOOL_TGA picture = TOOL_ShadePicture(256, 2, [&](f32 _x, f32 _y) {
        TOOL_Colour colour = TOOL_Mix(bottom, top, 0.5f * (_y + 1.0f));
        colour = TOOL_Mix(colour, emblem, 0.85f * ThreeRings(_x, _y - 0.15f, 0.9f));
        // An empty bar below the emblem.
        const f32 ax = std::fabs(_x), ay = std::fabs(_y + 0.7f);
        const bool frame = ax < 0.62f && ay < 0.07f && !(ax < 0.59f && ay < 0.04f);
        if (frame)
            colour = TOOL_Mix(colour, emblem, 0.9f);
        colour.a = 1.0f;
        return colour;
    });
    return TOOL_SampleTexture(_outDir, "vfx\\tex\\menu\\menu_loading", picture);
}

// Simple emblems on a transparent ground for the four logos of a run (the second of the
// renderer's five logo places stays empty): the names, in the order of the places 0, 2, 3
// and 4, are logo_halvane, logo_publisher, logo_ostrel and logo_url, under vfx\tex\logo\.
bool WriteLogos(const std::filesystem::path& _outDir)
{
    const TOOL_Colour white{1.0f, 1.0f, 1.0f};
    auto family = [](f32 _x, f32 _y) { return TOOL_Colour{1.0f, 0.76f, 0.25f, ThreeRings(_x, _y, 1.2f)}; };
    auto publisher = [&](f32 _x, f32 _y) {
        const f32 d = std::fabs(_x) + std::fabs(_y);
        if (d < 0.3f)
            return white;
        return TOOL_Colour{0.20f, 0.80f, 0.78f, d < 0.92f && d > 0.5f ? 1.0f : 0.0f};
    };
    auto maker = [](f32 _x, f32 _y) {
        // An upright triangle with an inverted one cut out of its middle.
        const f32 s = std::sqrt(3.0f);
        auto inTriangle = [s](f32 _px, f32 _py, f32 _size) {
            return _py > -0.5f * _size && s * _px + _py < _size && -s * _px + _py < _size;
        };
        const bool outer = inTriangle(_x, _y + 0.15f, 0.9f);
        const bool hole = inTriangle(_x, -(_y + 0.15f), 0.38f);
        return TOOL_Colour{0.95f, 0.38f, 0.22f, outer && !hole ? 1.0f : 0.0f};
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
        return TOOL_Colour{0.45f, 0.72f, 1.0f, inside};
    };
    bool ok = TOOL_SampleTexture(_outDir, "vfx\\tex\\logo\\logo_halvane", TOOL_ShadePicture(128, 3, family));
    ok = TOOL_SampleTexture(_outDir, "vfx\\tex\\logo\\logo_publisher", TOOL_ShadePicture(128, 3, publisher)) && ok;
    ok = TOOL_SampleTexture(_outDir, "vfx\\tex\\logo\\logo_ostrel", TOOL_ShadePicture(128, 3, maker)) && ok;
    ok = TOOL_SampleTexture(_outDir, "vfx\\tex\\logo\\logo_url", TOOL_ShadePicture(256, 3, web)) && ok;
    return ok;
}

// _text in the font's letters, each glyph pixel a square of _scale pixels, centred on
// (_centreX, _top) of a 24-bit picture, in _colour over what is there.
void StampText(TOOL_TGA& _picture, const std::string& _text, s32 _centreX, s32 _top, s32 _scale, u32 _colour)
{
    const s32 advance = (TOOL_GLYPH_COLUMNS + 1) * _scale;
    const s32 left = _centreX - ((s32)_text.size() * advance - _scale) / 2;
    for (size_t i = 0; i < _text.size(); ++i) {
        const s32 glyph = (u8)_text[i] >= 32 && (u8)_text[i] < 128 ? (u8)_text[i] - 32 : 95;
        for (s32 y = 0; y < TOOL_GLYPH_ROWS * _scale; ++y)
            for (s32 x = 0; x < TOOL_GLYPH_COLUMNS * _scale; ++x) {
                const s32 px = left + (s32)i * advance + x, py = _top + y;
                if (px < 0 || py < 0 || px >= _picture.width || py >= _picture.height)
                    continue;
                if (TOOL_GlyphInk(glyph, x / _scale, y / _scale))
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
    const TOOL_Colour top{0.10f + 0.10f * _hue, 0.38f, 0.52f - 0.10f * _hue};
    const TOOL_Colour bottom{0.0f, 0.03f, 0.09f};
    for (s32 y = 0; y < HEIGHT; ++y)
        for (s32 x = 0; x < WIDTH; ++x) {
            const f32 down = (f32)y / (f32)HEIGHT;
            TOOL_Colour colour = TOOL_Mix(top, bottom, std::sqrt(down));
            const f32 u = (f32)x / (f32)WIDTH - 0.5f;
            const f32 shafts = 0.5f + 0.5f * std::cos(23.0f * (u + 0.25f * down) + 3.0f * _hue);
            const f32 light = (1.0f - down) * (1.0f - down) * 0.18f * shafts * shafts;
            colour.r += light;
            colour.g += light;
            colour.b += light;
            picture.pixels[(size_t)y * WIDTH + (size_t)x] = TOOL_Pack(colour) & 0x00FFFFFFu;
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

}  // namespace

bool TOOL_SamplePictures(TOOL_SampleOutput& _output)
{
    bool ok = WriteLoadingPicture(_output.dir);
    ok = WriteLogos(_output.dir) && ok;
    AddPictures(_output.archive);
    return ok;
}
