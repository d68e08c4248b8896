// The base output stream: everything through WriteByte.
#include "io_outputstream.h"

#include <bit>

namespace
{
// The end and error tests run before each element and after the last one.
template <typename T, typename WRITE>
s32 WriteEach(IO_OutputStream& _stream, const T* _base, s32 _count, s32 _start, WRITE _write)
{
    for (s32 i = 0;; ++i) {
        if (const u32 stop = _stream.IsEOF())
            return (s32)stop;
        if (const u32 stop = _stream.HasError())
            return (s32)stop;
        if (i >= _count)
            return 0;
        _write(_base[_start + i]);
    }
}

template <typename T>
void WriteRaw(IO_OutputStream& _stream, const T& _value)
{
    static_assert(sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8, "raw values of 2, 4 or 8 bytes");
    const u64 bits = std::bit_cast<IO_RawBits<T>>(_value);
    u8 bytes[sizeof(T)];
    for (u32 i = 0; i < sizeof(T); ++i)
        bytes[i] = (u8)(bits >> (8 * i));
    _stream.Write(bytes, (s32)sizeof(T), 0);
}
}  // namespace

void IO_OutputStream::DispatchTo(IO_StreamVisitor& _visitor) { _visitor.VisitOutput(*this); }

s32 IO_OutputStream::Close()
{
    Flush();
    return 0;
}

s32 IO_OutputStream::Available() { return 0; }
void IO_OutputStream::Flush() {}

s32 IO_OutputStream::Write(const u8* _buffer, s32 _count, s32 _start)
{
    return WriteEach(*this, _buffer, _count, _start, [this](u8 _byte) { WriteByte(_byte); });
}

void IO_OutputStream::WriteF64(const f64& _value) { WriteRaw(*this, _value); }
void IO_OutputStream::WriteF32(const f32& _value) { WriteRaw(*this, _value); }
void IO_OutputStream::WriteS32(const s32& _value) { WriteRaw(*this, _value); }
void IO_OutputStream::WriteU32(const u32& _value) { WriteRaw(*this, _value); }
void IO_OutputStream::WriteS16(const s16& _value) { WriteRaw(*this, _value); }
void IO_OutputStream::WriteU16(const u16& _value) { WriteRaw(*this, _value); }
void IO_OutputStream::WriteS8(const s8& _value) { WriteByte((u8)_value); }
void IO_OutputStream::WriteU8(const u8& _value) { WriteByte(_value); }
void IO_OutputStream::WriteChar(const char& _value) { WriteByte((u8)_value); }

s32 IO_OutputStream::WriteF64Array(const f64* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const f64& _v) { WriteF64(_v); });
}

s32 IO_OutputStream::WriteF32Array(const f32* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const f32& _v) { WriteF32(_v); });
}

s32 IO_OutputStream::WriteS32Array(const s32* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const s32& _v) { WriteS32(_v); });
}

s32 IO_OutputStream::WriteU32Array(const u32* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const u32& _v) { WriteU32(_v); });
}

s32 IO_OutputStream::WriteS16Array(const s16* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const s16& _v) { WriteS16(_v); });
}

s32 IO_OutputStream::WriteU16Array(const u16* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const u16& _v) { WriteU16(_v); });
}

s32 IO_OutputStream::WriteS8Array(const s8* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const s8& _v) { WriteS8(_v); });
}

s32 IO_OutputStream::WriteU8Array(const u8* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const u8& _v) { WriteU8(_v); });
}

s32 IO_OutputStream::WriteCharArray(const char* _base, s32 _count, s32 _start)
{
    return WriteEach(*this, _base, _count, _start, [this](const char& _v) { WriteChar(_v); });
}

s32 IO_OutputStream::TransferChars(char* _chars, s32 _count, s32 _start)
{
    return WriteCharArray(_chars, _count, _start);
}
