// Compact counts.
#include "rpl_compactcount.h"

void MOS_WriteCompactCount(IO_OutputStream& _stream, u32 _value)
{
    u8 bytes[5];
    u32 count;
    if (_value < 0x80u) {
        bytes[0] = (u8)_value;
        count = 1;
    } else if (_value < 0x4000u) {
        bytes[0] = (u8)(0x80u | (_value >> 8));
        count = 2;
    } else if (_value < 0x200000u) {
        bytes[0] = (u8)(0xC0u | (_value >> 16));
        count = 3;
    } else if (_value < 0x10000000u) {
        bytes[0] = (u8)(0xE0u | (_value >> 24));
        count = 4;
    } else {
        bytes[0] = 0xF0u;
        count = 5;
    }
    // The bytes after the first carry the value's low bytes, most significant first.
    for (u32 i = 1; i < count; ++i)
        bytes[i] = (u8)(_value >> (8 * (count - 1 - i)));
    for (u32 i = 0; i < count; ++i)
        _stream.WriteByte(bytes[i]);
}

u32 MOS_ReadCompactCount(IO_InputStream& _stream)
{
    const s32 first = _stream.ReadByte();
    if (first < 0) {
        _stream.SetEOF(true);
        return 0;
    }
    u32 following = 0;
    while (following < 4 && (first & (0x80 >> following)))
        ++following;
    // 6, 5 or 4 low bits start the value; the five-byte form starts from nothing.
    u32 value = following < 4 ? (u32)first & (0x7Fu >> following) : 0;
    for (u32 i = 0; i < following; ++i) {
        const s32 byte = _stream.ReadByte();
        if (byte < 0) {
            _stream.SetEOF(true);
            return 0;
        }
        value = (value << 8) | (u32)byte;
    }
    return value;
}
