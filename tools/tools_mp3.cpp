// MPEG-1 layer III frames written bit by bit.
#include "tools_mp3.h"

#include <cmath>
#include <vector>

namespace
{

const u32 FRAME_BYTES = 417;  // 144 x 128000 / 44100, rounded down: no padding slot
const u32 QUADS = 24;         // lines 0..95 carry the sound; the rest of the spectrum is zero
const u32 GLOBAL_GAIN = 170;  // each line about 2^-10 of full scale before the filter bank

class BitWriter
{
public:
    explicit BitWriter(std::vector<u8>* _bytes) : m_bytes(_bytes) {}
    void Put(u32 _value, u32 _bits)
    {
        for (u32 i = _bits; i-- > 0;) {
            if ((m_bit & 7) == 0)
                m_bytes->push_back(0);
            if ((_value >> i) & 1)
                m_bytes->back() |= (u8)(0x80u >> (m_bit & 7));
            ++m_bit;
        }
    }
    u32 Bits() const { return m_bit; }

private:
    std::vector<u8>* m_bytes;
    u32 m_bit = 0;
};

u32 Next(u32* _state)
{
    *_state = *_state * 1664525u + 1013904223u;
    return *_state >> 8;
}

// One granule of one channel: QUADS quadruples of table B (4 bits, each bit the inverted
// "non-zero" flag of v, w, x, y), each followed by the signs of its non-zero values.
void PutGranule(BitWriter* _out, u32* _state)
{
    for (u32 q = 0; q < QUADS; ++q) {
        const u32 r = Next(_state);
        const u32 nonZero = (r & 15) & ((r >> 4) & 15);  // about one value in four
        _out->Put(~nonZero & 15, 4);
        for (u32 bit = 8; bit != 0; bit >>= 1) {
            if (nonZero & bit)
                _out->Put((r >> (8 + bit)) & 1, 1);
        }
    }
}

}  // namespace

std::string TOOL_Mp3Bytes(u32 _channels, u32 _frames, u32 _seed)
{
    if (_channels != 1 && _channels != 2)
        return std::string();
    std::string out;
    out.reserve((size_t)_frames * FRAME_BYTES);
    u32 state = _seed * 2654435761u + 1;
    for (u32 f = 0; f < _frames; ++f) {
        // The main data first, to learn each granule's length for the side information.
        std::vector<u8> main;
        BitWriter data(&main);
        u32 lengths[2][2] = {};
        for (u32 g = 0; g < 2; ++g) {
            for (u32 c = 0; c < _channels; ++c) {
                const u32 start = data.Bits();
                PutGranule(&data, &state);
                lengths[g][c] = data.Bits() - start;
            }
        }

        std::vector<u8> frame;
        BitWriter head(&frame);
        head.Put(0xFFFB, 16);                       // sync, MPEG-1, layer III, no CRC
        head.Put(0x90, 8);                          // 128 kbit/s, 44100 Hz, no padding
        head.Put(_channels == 2 ? 0x04 : 0xC4, 8);  // stereo or mono, original
        head.Put(0, 9);                             // main data begins in this frame
        head.Put(0, _channels == 2 ? 3 : 5);        // private bits
        head.Put(0, 4 * _channels);                 // no scale factor sharing
        for (u32 g = 0; g < 2; ++g) {
            for (u32 c = 0; c < _channels; ++c) {
                head.Put(lengths[g][c], 12);  // part 2 and 3 length: no scale factors
                head.Put(0, 9);               // no big values
                head.Put(GLOBAL_GAIN, 8);
                head.Put(0, 4);   // scale factor lengths 0
                head.Put(0, 1);   // long blocks
                head.Put(0, 15);  // table selects
                head.Put(0, 4 + 3);
                head.Put(0, 1 + 1);  // no pre-emphasis, scale factor scale
                head.Put(1, 1);      // count-1 table B
            }
        }
        frame.insert(frame.end(), main.begin(), main.end());
        frame.resize(FRAME_BYTES, 0);
        out.append((const char*)frame.data(), frame.size());
    }
    return out;
}

u32 TOOL_Mp3FramesFor(f64 _seconds) { return (u32)std::ceil(_seconds * 44100.0 / 1152.0); }
