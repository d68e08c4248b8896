// The base input stream: everything through ReadByte.
#include "io_inputstream.h"

#include <bit>

namespace
{
template <typename T, typename READ>
s32 ReadEach(IO_InputStream& _stream, T* _base, s32 _count, s32 _start, READ _read)
{
    s32 reads = 0;
    while (reads < _count && !_stream.IsEOF() && !_stream.HasError()) {
        _read(_base[_start + reads]);
        ++reads;
    }
    return _start + reads;
}

// The value's current bytes are the starting point, so a short read changes only the bytes
// that arrived.
template <typename T>
void ReadRaw(IO_InputStream& _stream, T& _value)
{
    static_assert(sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8, "raw values of 2, 4 or 8 bytes");
    using BITS = IO_RawBits<T>;
    const u64 before = std::bit_cast<BITS>(_value);
    u8 bytes[sizeof(T)];
    for (u32 i = 0; i < sizeof(T); ++i)
        bytes[i] = (u8)(before >> (8 * i));
    const s32 result = _stream.Read(bytes, (s32)sizeof(T), 0);
    u64 after = 0;
    for (u32 i = 0; i < sizeof(T); ++i)
        after |= (u64)bytes[i] << (8 * i);
    _value = std::bit_cast<T>((BITS)after);
    if (result != (s32)sizeof(T))
        _stream.SetEOF(true);
}

template <typename T>
void ReadOne(IO_InputStream& _stream, T& _value)
{
    const s32 byte = _stream.ReadByte();
    if (byte == -1)
        _stream.SetEOF(true);
    else
        _value = (T)(u8)byte;
}
}  // namespace

void IO_InputStream::DispatchTo(IO_StreamVisitor& _visitor) { _visitor.VisitInput(*this); }

s32 IO_InputStream::Available() { return 0; }
s32 IO_InputStream::Close() { return 0; }

s32 IO_InputStream::Read(u8* _buffer, s32 _count, s32 _start)
{
    for (s32 i = 0; i < _count; ++i) {
        const s32 byte = ReadByte();
        if (byte == -1)
            return -1;
        _buffer[_start + i] = (u8)byte;
    }
    return _count > 0 ? _start + _count : _start;
}

s32 IO_InputStream::Skip(s32 _count) { return _count; }

void IO_InputStream::ReadF64(f64& _value) { ReadRaw(*this, _value); }
void IO_InputStream::ReadF32(f32& _value) { ReadRaw(*this, _value); }
void IO_InputStream::ReadS32(s32& _value) { ReadRaw(*this, _value); }
void IO_InputStream::ReadU32(u32& _value) { ReadRaw(*this, _value); }
void IO_InputStream::ReadS16(s16& _value) { ReadRaw(*this, _value); }
void IO_InputStream::ReadU16(u16& _value) { ReadRaw(*this, _value); }
void IO_InputStream::ReadS8(s8& _value) { ReadOne(*this, _value); }
void IO_InputStream::ReadU8(u8& _value) { ReadOne(*this, _value); }
void IO_InputStream::ReadChar(char& _value) { ReadOne(*this, _value); }

s32 IO_InputStream::ReadF64Array(f64* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](f64& _v) { ReadF64(_v); });
}

s32 IO_InputStream::ReadF32Array(f32* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](f32& _v) { ReadF32(_v); });
}

s32 IO_InputStream::ReadS32Array(s32* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](s32& _v) { ReadS32(_v); });
}

s32 IO_InputStream::ReadU32Array(u32* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](u32& _v) { ReadU32(_v); });
}

s32 IO_InputStream::ReadS16Array(s16* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](s16& _v) { ReadS16(_v); });
}

s32 IO_InputStream::ReadU16Array(u16* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](u16& _v) { ReadU16(_v); });
}

s32 IO_InputStream::ReadS8Array(s8* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](s8& _v) { ReadS8(_v); });
}

s32 IO_InputStream::ReadU8Array(u8* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](u8& _v) { ReadU8(_v); });
}

s32 IO_InputStream::ReadCharArray(char* _base, s32 _count, s32 _start)
{
    return ReadEach(*this, _base, _count, _start, [this](char& _v) { ReadChar(_v); });
}

s32 IO_InputStream::TransferChars(char* _chars, s32 _count, s32 _start)
{
    return ReadCharArray(_chars, _count, _start);
}
