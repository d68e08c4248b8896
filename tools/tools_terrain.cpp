#include "tools_terrain.h"

#include <algorithm>

// ---- Height fields --------------------------------------------------------------------------

namespace
{

// splitmix64: small, fast and the same everywhere.
class HeightRandom
{
public:
    explicit HeightRandom(u32 _seed) : m_state(0x5EED0000DEADBEEFull ^ (u64)_seed) {}
    u64 Next()
    {
        u64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in -_amplitude .. _amplitude.
    s64 Displacement(s64 _amplitude) { return (s64)(Next() % (u64)(2 * _amplitude + 1)) - _amplitude; }

private:
    u64 m_state;
};

}  // namespace

TOOL_TGA TOOL_HeightFieldTGA(s32 _size, const std::vector<u16>& _samples, u8 _depth)
{
    TOOL_TGA picture = TOOL_MakeTGA(_size, _size, _depth, 0);
    for (s32 y = 0; y < _size; ++y)
        for (s32 x = 0; x < _size; ++x) {
            const size_t index = (size_t)y * (size_t)_size + (size_t)x;
            const u32 sample = index < _samples.size() ? _samples[index] : 0;
            // The picture lists its top row first; the field's row 0 is the bottom row.
            picture.pixels[(size_t)(_size - 1 - y) * (size_t)_size + (size_t)x] = 0xFF000000u | (sample << 8);
        }
    return picture;
}

u32 TOOL_WriteHeightField(const std::string& _path, s32 _size, const std::vector<u16>& _samples, u8 _depth)
{
    return TOOL_WriteTGA(_path, TOOL_HeightFieldTGA(_size, _samples, _depth));
}

std::vector<u16> TOOL_RandomHeightField(s32 _size, u32 _seed, u16 _low, u16 _high)
{
    const s32 period = _size - 1;
    if (period < 1 || (period & (period - 1)) != 0)
        return {};
    if (_low > _high)
        std::swap(_low, _high);

    // Integer arithmetic throughout, so no machine rounds differently. The grid has one period
    // and every index wraps: the last row and column are copies of the first.
    std::vector<s64> grid((size_t)period * (size_t)period, 0);
    auto at = [&](s32 _x, s32 _y) -> s64& {
        return grid[(size_t)((_y % period + period) % period) * (size_t)period +
                    (size_t)((_x % period + period) % period)];
    };
    HeightRandom random(_seed);
    s64 amplitude = (s64)1 << 24;
    for (s32 step = period; step > 1; step /= 2, amplitude /= 2) {
        const s32 half = step / 2;
        // Square centres from their four corners.
        for (s32 y = 0; y < period; y += step)
            for (s32 x = 0; x < period; x += step)
                at(x + half, y + half) = (at(x, y) + at(x + step, y) + at(x, y + step) + at(x + step, y + step)) / 4 +
                                         random.Displacement(amplitude);
        // Edge midpoints from their four neighbours, wrapping around the borders.
        for (s32 y = 0; y < period; y += half)
            for (s32 x = ((y / half) & 1) == 0 ? half : 0; x < period; x += step)
                at(x, y) = (at(x - half, y) + at(x + half, y) + at(x, y - half) + at(x, y + half)) / 4 +
                           random.Displacement(amplitude);
    }

    const auto [lowest, highest] = std::minmax_element(grid.begin(), grid.end());
    const s64 span = *highest - *lowest;
    const s64 range = (s64)_high - (s64)_low;
    std::vector<u16> samples((size_t)_size * (size_t)_size);
    for (s32 y = 0; y < _size; ++y)
        for (s32 x = 0; x < _size; ++x) {
            const s64 value = span == 0 ? 0 : (at(x, y) - *lowest) * range / span;
            samples[(size_t)y * (size_t)_size + (size_t)x] = (u16)((s64)_low + value);
        }
    return samples;
}

// ---- End of height fields -------------------------------------------------------------------
