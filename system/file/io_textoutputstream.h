// IO_TextOutputStream: a filter that writes the 2- to 8-byte values as text.
//
// Numbers go out in their printf form ("%f" for floats, "%d"/"%u" for the integers, 16-bit
// ones widened), back to back with no separator or terminator; an f64 whose text exceeds 127
// characters (about 1e120 and beyond) is cut to its first 127. Bytes, characters and their
// arrays go out raw. Everything else, including the flag word and the error state, belongs to
// the wrapped stream; the filter's own stay 0. Destruction releases the wrapped stream
// without flushing it.
#pragma once

#include "io_outputstream.h"
#include "io_streamref.h"

class IO_TextOutputStream : public IO_OutputStream
{
public:
    // Takes a reference to _wrapped, which must not be null.
    explicit IO_TextOutputStream(IO_OutputStream* _wrapped);

    u32 IsEOF() const override;
    u32 HasError() const override;
    u32 GetErrorCode() const override;
    u32 TestFlag4() const override;
    void SetFlag4(bool _on) override;
    u32 TestFlag8() const override;
    void SetThrowExceptions(bool _on) override;
    u32 GetThrowExceptions() const override;
    s32 Seek(s32 _mode, s32 _offset) override;
    s32 Tell() override;
    void DispatchTo(IO_StreamVisitor& _visitor) override;  // VisitTextOutput
    void SetError(u32 _code) override;
    void SetEOF(bool _raise) override;

    s32 Close() override;
    s32 Available() override;
    void Flush() override;
    s32 Write(const u8* _buffer, s32 _count, s32 _start) override;
    s32 WriteByte(u8 _value) override;

    void WriteF64(const f64& _value) override;
    void WriteF32(const f32& _value) override;
    void WriteS32(const s32& _value) override;
    void WriteU32(const u32& _value) override;
    void WriteS16(const s16& _value) override;
    void WriteU16(const u16& _value) override;
    void WriteS8(const s8& _value) override;
    void WriteU8(const u8& _value) override;
    void WriteChar(const char& _value) override;

    s32 WriteS8Array(const s8* _base, s32 _count, s32 _start) override;
    s32 WriteU8Array(const u8* _base, s32 _count, s32 _start) override;
    s32 WriteCharArray(const char* _base, s32 _count, s32 _start) override;

    IO_OutputStream* GetWrapped() const { return static_cast<IO_OutputStream*>(m_stream.Get()); }

private:
    template <typename T>
    void WriteNumber(const char* _format, T _value);

    IO_StreamRef m_stream;
};
