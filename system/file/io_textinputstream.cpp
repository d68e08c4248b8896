// Text input: tokens of number characters, converted with sscanf.
#include "io_textinputstream.h"

#include <cctype>
#include <cstdio>

namespace
{
constexpr s32 TOKEN_SIZE = 64;

u32 IsTokenChar(s32 _c)
{
    return std::isdigit(_c) || _c == '+' || _c == '-' || _c == 'E' || _c == 'e' || _c == '.' || _c == ',';
}

// _format must convert into exactly a T; _value is left as it was when the token does not convert.
template <typename T>
bool ScanToken(IO_TextInputStream& _stream, const char* _format, T& _value)
{
    char token[TOKEN_SIZE];
    _stream.ReadToken(token, TOKEN_SIZE);
    T value;
    if (std::sscanf(token, _format, &value) != 1)
        return false;
    _value = value;
    return true;
}
}  // namespace

IO_TextInputStream::IO_TextInputStream(IO_InputStream* _wrapped) : m_stream(_wrapped) {}

u32 IO_TextInputStream::IsEOF() const { return GetWrapped()->IsEOF(); }
u32 IO_TextInputStream::HasError() const { return GetWrapped()->HasError(); }
u32 IO_TextInputStream::GetErrorCode() const { return GetWrapped()->GetErrorCode(); }
u32 IO_TextInputStream::TestFlag4() const { return GetWrapped()->TestFlag4(); }
void IO_TextInputStream::SetFlag4(bool _on) { GetWrapped()->SetFlag4(_on); }
u32 IO_TextInputStream::TestFlag8() const { return GetWrapped()->TestFlag8(); }
void IO_TextInputStream::SetThrowExceptions(bool _on) { GetWrapped()->SetThrowExceptions(_on); }
u32 IO_TextInputStream::GetThrowExceptions() const { return GetWrapped()->GetThrowExceptions(); }
s32 IO_TextInputStream::Seek(s32 _mode, s32 _offset) { return GetWrapped()->Seek(_mode, _offset); }
s32 IO_TextInputStream::Tell() { return GetWrapped()->Tell(); }
void IO_TextInputStream::DispatchTo(IO_StreamVisitor& _visitor) { _visitor.VisitTextInput(*this); }
void IO_TextInputStream::SetError(u32 _code) { GetWrapped()->SetError(_code); }
void IO_TextInputStream::SetEOF(bool _raise) { GetWrapped()->SetEOF(_raise); }

s32 IO_TextInputStream::Available() { return GetWrapped()->Available(); }
s32 IO_TextInputStream::Close() { return GetWrapped()->Close(); }

s32 IO_TextInputStream::Read(u8* _buffer, s32 _count, s32 _start)
{
    return GetWrapped()->Read(_buffer, _count, _start);
}

s32 IO_TextInputStream::ReadByte()
{
    if (m_pushedBack != 0) {
        const s32 c = m_pushedBack;
        m_pushedBack = 0;
        return c;
    }
    return GetWrapped()->ReadByte();
}

s32 IO_TextInputStream::Skip(s32 _count) { return GetWrapped()->Skip(_count); }

void IO_TextInputStream::ReadToken(char* _buffer, s32 _size)
{
    if (_size < 1)
        return;
    s32 budget = _size - 1;
    if (budget > 0) {
        s32 c;
        for (;;) {
            c = ReadByte();
            if (c == -1 || !std::isspace(c))
                break;
            if (--budget == 0)
                break;
        }
        if (c != -1)
            m_pushedBack = c;
    }
    --budget;
    // The budget is tested before each read, so a collected character is never also the
    // pushed-back one.
    s32 length = 0;
    while (budget > 0) {
        const s32 c = ReadByte();
        if (c == -1)
            break;
        if (!IsTokenChar(c)) {
            m_pushedBack = c;
            break;
        }
        _buffer[length++] = (char)c;
        --budget;
    }
    _buffer[length] = 0;
}

void IO_TextInputStream::ReadF64(f64& _value) { ScanToken(*this, "%lf", _value); }
void IO_TextInputStream::ReadF32(f32& _value) { ScanToken(*this, "%f", _value); }

// 32-bit targets take the 32-bit conversions: "%ld" would store 8 bytes here.
void IO_TextInputStream::ReadS32(s32& _value) { ScanToken(*this, "%d", _value); }
void IO_TextInputStream::ReadU32(u32& _value) { ScanToken(*this, "%u", _value); }

void IO_TextInputStream::ReadS16(s16& _value)
{
    s32 value;
    if (ScanToken(*this, "%d", value))
        _value = (s16)(u16)((u32)value & 0xFFFFu);
}

void IO_TextInputStream::ReadU16(u16& _value)
{
    u32 value;
    if (ScanToken(*this, "%u", value))
        _value = (u16)(value & 0xFFFFu);
}

void IO_TextInputStream::ReadS8(s8& _value) { GetWrapped()->ReadS8(_value); }
void IO_TextInputStream::ReadU8(u8& _value) { GetWrapped()->ReadU8(_value); }
void IO_TextInputStream::ReadChar(char& _value) { GetWrapped()->ReadChar(_value); }

s32 IO_TextInputStream::ReadS8Array(s8* _base, s32 _count, s32 _start)
{
    return GetWrapped()->Read((u8*)_base, _count, _start);
}

s32 IO_TextInputStream::ReadU8Array(u8* _base, s32 _count, s32 _start)
{
    return GetWrapped()->Read(_base, _count, _start);
}

s32 IO_TextInputStream::ReadCharArray(char* _base, s32 _count, s32 _start)
{
    return GetWrapped()->Read((u8*)_base, _count, _start);
}
