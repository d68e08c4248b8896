// IO_TextInputStream: a filter that reads the 2- to 8-byte values back from text.
//
// Each typed read takes one token (ReadToken) and converts it with sscanf ("%lf", "%f", and
// the 32-bit "%d"/"%u" for every integer, of which the 16-bit reads keep the lower 16 bits).
// Conversion stops at the first character it cannot use; the rest of the token is dropped.
// A token that does not convert leaves the value as it was; the typed reads set no flag.
// One character can be pushed back (0 means none, so a 0 byte that ends a token is lost);
// only ReadByte and ReadToken see it. Bytes, characters, their arrays and Read go to the
// wrapped stream raw, as does all state.
#pragma once

#include "io_inputstream.h"
#include "io_streamref.h"

class IO_TextInputStream : public IO_InputStream
{
public:
    // Takes a reference to _wrapped, which must not be null.
    explicit IO_TextInputStream(IO_InputStream* _wrapped);

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
    void DispatchTo(IO_StreamVisitor& _visitor) override;  // VisitTextInput
    void SetError(u32 _code) override;
    void SetEOF(bool _raise) override;

    s32 Available() override;
    s32 Close() override;
    s32 Read(u8* _buffer, s32 _count, s32 _start) override;
    s32 ReadByte() override;  // the pushed-back character first
    s32 Skip(s32 _count) override;

    void ReadF64(f64& _value) override;
    void ReadF32(f32& _value) override;
    void ReadS32(s32& _value) override;
    void ReadU32(u32& _value) override;
    void ReadS16(s16& _value) override;
    void ReadU16(u16& _value) override;
    void ReadS8(s8& _value) override;
    void ReadU8(u8& _value) override;
    void ReadChar(char& _value) override;

    s32 ReadS8Array(s8* _base, s32 _count, s32 _start) override;
    s32 ReadU8Array(u8* _base, s32 _count, s32 _start) override;
    s32 ReadCharArray(char* _base, s32 _count, s32 _start) override;

    // Skips white space, then collects digits, '+', '-', 'E', 'e', '.' and ',' into _buffer
    // (always terminated). The budget of _size - 1 characters pays for each skipped white
    // space, one unit more, and each collected character: a token without leading white
    // space holds at most _size - 2 characters. The character that ends the white space or
    // the token is pushed back; a collected one never is.
    void ReadToken(char* _buffer, s32 _size);

    IO_InputStream* GetWrapped() const { return static_cast<IO_InputStream*>(m_stream.Get()); }
    s32 GetPushedBack() const { return m_pushedBack; }

private:
    IO_StreamRef m_stream;
    s32 m_pushedBack = 0;
};
