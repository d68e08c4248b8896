#include "tools_sample.h"

#include <cmath>
#include <cstdio>
#include <system_error>

#include "tools_file.h"
#include "tools_sample_local.h"

namespace
{

bool Report(const std::filesystem::path& _path, bool _written)
{
    if (!_written)
        fprintf(stderr, "quorvex_datagen: cannot write %s\n", _path.string().c_str());
    return _written;
}

u32 Byte(f32 _value) { return (u32)std::lround(TOOL_Clamp01(_value) * 255.0f); }

// The next smaller mip level: 2 x 2 pixels averaged, colours weighted by alpha.
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

}  // namespace

bool TOOL_SampleArchive(TOOL_SampleOutput& _output)
{
    return Report(_output.dir / "dorim.hdr", TOOL_WriteArchive(_output.dir.string(), _output.archive) == 1);
}

std::filesystem::path TOOL_SamplePath(const std::filesystem::path& _dir, const std::string& _name)
{
    std::filesystem::path path = _dir;
    size_t start = 0;
    for (;;) {
        const size_t end = _name.find('\\', start);
        path /= _name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos)
            return path;
        start = end + 1;
    }
}

bool TOOL_SampleFile(const std::filesystem::path& _path, const std::string& _bytes)
{
    std::error_code error;
    std::filesystem::create_directories(_path.parent_path(), error);
    return Report(_path, !error && TOOL_WriteBytes(_path.string().c_str(), _bytes) == 1);
}

bool TOOL_SampleFiles(const std::filesystem::path& _dir, const std::vector<std::pair<std::string, std::string>>& _files)
{
    bool ok = true;
    for (const auto& file : _files)
        ok = TOOL_SampleFile(_dir / file.first, file.second) && ok;
    return ok;
}

f32 TOOL_Clamp01(f32 _value) { return _value < 0.0f ? 0.0f : _value > 1.0f ? 1.0f : _value; }

TOOL_Colour TOOL_Mix(const TOOL_Colour& _a, const TOOL_Colour& _b, f32 _t)
{
    return {_a.r + (_b.r - _a.r) * _t, _a.g + (_b.g - _a.g) * _t, _a.b + (_b.b - _a.b) * _t, _a.a + (_b.a - _a.a) * _t};
}

u32 TOOL_Pack(const TOOL_Colour& _colour)
{
    return Byte(_colour.a) << 24 | Byte(_colour.r) << 16 | Byte(_colour.g) << 8 | Byte(_colour.b);
}

TOOL_TGA TOOL_ShadePicture(s32 _side, s32 _samples, const std::function<TOOL_Colour(f32, f32)>& _shade)
{
    TOOL_TGA picture = TOOL_MakeTGA(_side, _side, 32, 0);
    const f32 step = 2.0f / (f32)(_side * _samples);
    for (s32 py = 0; py < _side; ++py)
        for (s32 px = 0; px < _side; ++px) {
            TOOL_Colour sum{0.0f, 0.0f, 0.0f, 0.0f};
            for (s32 sy = 0; sy < _samples; ++sy)
                for (s32 sx = 0; sx < _samples; ++sx) {
                    const f32 x = -1.0f + step * ((f32)(px * _samples + sx) + 0.5f);
                    const f32 y = 1.0f - step * ((f32)(py * _samples + sy) + 0.5f);
                    const TOOL_Colour c = _shade(x, y);
                    const f32 a = TOOL_Clamp01(c.a);
                    sum.r += c.r * a;
                    sum.g += c.g * a;
                    sum.b += c.b * a;
                    sum.a += a;
                }
            TOOL_Colour pixel{0.0f, 0.0f, 0.0f, sum.a / (f32)(_samples * _samples)};
            if (sum.a > 0.0f) {
                pixel.r = sum.r / sum.a;
                pixel.g = sum.g / sum.a;
                pixel.b = sum.b / sum.a;
            }
            picture.pixels[(size_t)py * (size_t)_side + (size_t)px] = TOOL_Pack(pixel);
        }
    return picture;
}

bool TOOL_SampleTexture(const std::filesystem::path& _dir, const std::string& _name, TOOL_TGA _picture)
{
    s32 level = 0;
    while ((1 << level) < _picture.width)
        ++level;
    bool ok = true;
    for (;; --level) {
        const std::string suffix = level == 9 ? "09" : std::to_string(level);
        ok = TOOL_SampleFile(TOOL_SamplePath(_dir, _name + "_l" + suffix + ".tga"), TOOL_TGABytes(_picture)) && ok;
        if (level == 0)
            return ok;
        _picture = HalfSize(_picture);
    }
}
