// IO_InputStream: the raw-byte input interface.
//
// The typed reads take each value's bytes little-endian; the base moves one byte per ReadByte
// call, with no buffering. A short typed read sets end of stream (SetEOF with raise) and the
// value keeps the bytes that did arrive. The array reads stop at the first sign of end or
// error and answer _start plus the number of reads made (a read that met the end counts).
#pragma once

#include "io_stream.h"

class IO_InputStream : public IO_Stream
{
public:
    void DispatchTo(IO_StreamVisitor& _visitor) override;  // VisitInput

    virtual s32 Available();
    virtual s32 Close();
    // Reads into _buffer[_start ..]: _start + _count when all arrived, -1 as soon as
    // ReadByte answers -1, _start for a count of 0.
    virtual s32 Read(u8* _buffer, s32 _count, s32 _start);
    // The next byte (0..255), or -1 at the end.
    virtual s32 ReadByte() = 0;
    // The base consumes nothing and answers _count.
    virtual s32 Skip(s32 _count);

    virtual void ReadF64(f64& _value);
    virtual void ReadF32(f32& _value);
    virtual void ReadS32(s32& _value);
    virtual void ReadU32(u32& _value);
    virtual void ReadS16(s16& _value);
    virtual void ReadU16(u16& _value);
    // -1 sets end of stream and leaves the value as it was.
    virtual void ReadS8(s8& _value);
    virtual void ReadU8(u8& _value);
    virtual void ReadChar(char& _value);

    virtual s32 ReadF64Array(f64* _base, s32 _count, s32 _start);
    virtual s32 ReadF32Array(f32* _base, s32 _count, s32 _start);
    virtual s32 ReadS32Array(s32* _base, s32 _count, s32 _start);
    virtual s32 ReadU32Array(u32* _base, s32 _count, s32 _start);
    virtual s32 ReadS16Array(s16* _base, s32 _count, s32 _start);
    virtual s32 ReadU16Array(u16* _base, s32 _count, s32 _start);
    virtual s32 ReadS8Array(s8* _base, s32 _count, s32 _start);
    virtual s32 ReadU8Array(u8* _base, s32 _count, s32 _start);
    virtual s32 ReadCharArray(char* _base, s32 _count, s32 _start);

protected:
    s32 TransferChars(char* _chars, s32 _count, s32 _start) override;  // ReadCharArray
};
