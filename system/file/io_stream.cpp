// Flags, error state and the base answers of every stream.
#include "io_stream.h"

#include <cerrno>

#include "io_exception.h"

u32 IO_Stream::IsEOF() const { return m_flags & FLAG_EOF; }
u32 IO_Stream::HasError() const { return m_flags & FLAG_ERROR; }
u32 IO_Stream::GetErrorCode() const { return m_errorCode; }
u32 IO_Stream::TestFlag4() const { return m_flags & FLAG_MODE; }
u32 IO_Stream::TestFlag8() const { return m_flags & FLAG_DESCRIPTOR; }
u32 IO_Stream::GetThrowExceptions() const { return m_flags & FLAG_THROW; }

void IO_Stream::SetFlag4(bool _on) { m_flags = _on ? (u16)(m_flags | FLAG_MODE) : (u16)(m_flags & ~FLAG_MODE); }

void IO_Stream::SetThrowExceptions(bool _on)
{
    m_flags = _on ? (u16)(m_flags | FLAG_THROW) : (u16)(m_flags & ~FLAG_THROW);
}

s32 IO_Stream::Seek(s32, s32)
{
    SetError(ERANGE);
    return -1;
}

s32 IO_Stream::Tell() { return 0; }

void IO_Stream::DispatchTo(IO_StreamVisitor& _visitor) { _visitor.VisitStream(*this); }

void IO_Stream::SetError(u32 _code)
{
    m_flags |= FLAG_ERROR;
    m_errorCode = _code;
    if (m_flags & FLAG_THROW)
        throw IO_IOException("", _code);
}

void IO_Stream::SetEOF(bool _raise)
{
    m_flags |= FLAG_EOF;
    if (_raise && (m_flags & FLAG_THROW))
        throw IO_EOFException("", 0);
}

s32 IO_Stream::TransferChars(char*, s32, s32) { return 0; }
