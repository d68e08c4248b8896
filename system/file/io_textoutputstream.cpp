// Text output: numbers in their printf form, everything else passed through.
#include "io_textoutputstream.h"

#include "os_string.h"

IO_TextOutputStream::IO_TextOutputStream(IO_OutputStream* _wrapped) : m_stream(_wrapped) {}

u32 IO_TextOutputStream::IsEOF() const { return GetWrapped()->IsEOF(); }
u32 IO_TextOutputStream::HasError() const { return GetWrapped()->HasError(); }
u32 IO_TextOutputStream::GetErrorCode() const { return GetWrapped()->GetErrorCode(); }
u32 IO_TextOutputStream::TestFlag4() const { return GetWrapped()->TestFlag4(); }
void IO_TextOutputStream::SetFlag4(bool _on) { GetWrapped()->SetFlag4(_on); }
u32 IO_TextOutputStream::TestFlag8() const { return GetWrapped()->TestFlag8(); }
void IO_TextOutputStream::SetThrowExceptions(bool _on) { GetWrapped()->SetThrowExceptions(_on); }
u32 IO_TextOutputStream::GetThrowExceptions() const { return GetWrapped()->GetThrowExceptions(); }
s32 IO_TextOutputStream::Seek(s32 _mode, s32 _offset) { return GetWrapped()->Seek(_mode, _offset); }
s32 IO_TextOutputStream::Tell() { return GetWrapped()->Tell(); }
void IO_TextOutputStream::DispatchTo(IO_StreamVisitor& _visitor) { _visitor.VisitTextOutput(*this); }
void IO_TextOutputStream::SetError(u32 _code) { GetWrapped()->SetError(_code); }
void IO_TextOutputStream::SetEOF(bool _raise) { GetWrapped()->SetEOF(_raise); }

s32 IO_TextOutputStream::Close() { return GetWrapped()->Close(); }
s32 IO_TextOutputStream::Available() { return GetWrapped()->Available(); }
void IO_TextOutputStream::Flush() { GetWrapped()->Flush(); }

s32 IO_TextOutputStream::Write(const u8* _buffer, s32 _count, s32 _start)
{
    return GetWrapped()->Write(_buffer, _count, _start);
}

s32 IO_TextOutputStream::WriteByte(u8 _value) { return GetWrapped()->WriteByte(_value); }

// 128 bytes hold every integer and f32 in full; only huge f64 values are cut.
template <typename T>
void IO_TextOutputStream::WriteNumber(const char* _format, T _value)
{
    char text[128];
    OS_SNPrintf(text, sizeof(text), _format, _value);
    GetWrapped()->Write((const u8*)text, (s32)OS_StrLen(text), 0);
}

void IO_TextOutputStream::WriteF64(const f64& _value) { WriteNumber("%f", _value); }
void IO_TextOutputStream::WriteF32(const f32& _value) { WriteNumber("%f", (f64)_value); }

// 32-bit values take the 32-bit conversions: "%ld" would read 8 bytes here.
void IO_TextOutputStream::WriteS32(const s32& _value) { WriteNumber("%d", _value); }
void IO_TextOutputStream::WriteU32(const u32& _value) { WriteNumber("%u", _value); }
void IO_TextOutputStream::WriteS16(const s16& _value) { WriteNumber("%d", (s32)_value); }
void IO_TextOutputStream::WriteU16(const u16& _value) { WriteNumber("%u", (u32)_value); }

void IO_TextOutputStream::WriteS8(const s8& _value) { GetWrapped()->WriteS8(_value); }
void IO_TextOutputStream::WriteU8(const u8& _value) { GetWrapped()->WriteU8(_value); }
void IO_TextOutputStream::WriteChar(const char& _value) { GetWrapped()->WriteChar(_value); }

s32 IO_TextOutputStream::WriteS8Array(const s8* _base, s32 _count, s32 _start)
{
    return Write((const u8*)_base, _count, _start);
}

s32 IO_TextOutputStream::WriteU8Array(const u8* _base, s32 _count, s32 _start) { return Write(_base, _count, _start); }

s32 IO_TextOutputStream::WriteCharArray(const char* _base, s32 _count, s32 _start)
{
    return Write((const u8*)_base, _count, _start);
}
