// IO_OutputStream: the raw-byte output interface.
//
// The typed writes put out each value's bytes little-endian; the base moves one byte per
// WriteByte call, with no buffering. Write and the array writes test end and error before
// each element and once more at the end: they answer 0 when everything went out, else the
// value of the test that stopped them (1 end, 2 error), so nothing is written to a stream
// that has ended or failed.
#pragma once

#include "io_stream.h"

class IO_OutputStream : public IO_Stream
{
public:
    void DispatchTo(IO_StreamVisitor& _visitor) override;  // VisitOutput

    virtual s32 Close();  // flushes
    virtual s32 Available();
    virtual void Flush();
    // Writes _buffer[_start .. _start + _count).
    virtual s32 Write(const u8* _buffer, s32 _count, s32 _start);
    virtual s32 WriteByte(u8 _value) = 0;

    virtual void WriteF64(const f64& _value);
    virtual void WriteF32(const f32& _value);
    virtual void WriteS32(const s32& _value);
    virtual void WriteU32(const u32& _value);
    virtual void WriteS16(const s16& _value);
    virtual void WriteU16(const u16& _value);
    virtual void WriteS8(const s8& _value);
    virtual void WriteU8(const u8& _value);
    virtual void WriteChar(const char& _value);

    // Each writes _base[_start .. _start + _count) through the single typed write.
    virtual s32 WriteF64Array(const f64* _base, s32 _count, s32 _start);
    virtual s32 WriteF32Array(const f32* _base, s32 _count, s32 _start);
    virtual s32 WriteS32Array(const s32* _base, s32 _count, s32 _start);
    virtual s32 WriteU32Array(const u32* _base, s32 _count, s32 _start);
    virtual s32 WriteS16Array(const s16* _base, s32 _count, s32 _start);
    virtual s32 WriteU16Array(const u16* _base, s32 _count, s32 _start);
    virtual s32 WriteS8Array(const s8* _base, s32 _count, s32 _start);
    virtual s32 WriteU8Array(const u8* _base, s32 _count, s32 _start);
    virtual s32 WriteCharArray(const char* _base, s32 _count, s32 _start);

protected:
    s32 TransferChars(char* _chars, s32 _count, s32 _start) override;  // WriteCharArray
};
