// Counted stream handles.
#include "io_streamref.h"

IO_StreamRef::IO_StreamRef(IO_Stream* _stream) : m_stream(_stream)
{
    if (m_stream)
        ++m_stream->m_references;
}

IO_StreamRef::IO_StreamRef(const IO_StreamRef& _other) : IO_StreamRef(_other.m_stream) {}

IO_StreamRef& IO_StreamRef::operator=(const IO_StreamRef& _other) { return *this = _other.m_stream; }

IO_StreamRef& IO_StreamRef::operator=(IO_Stream* _stream)
{
    if (_stream)
        ++_stream->m_references;
    Release();
    m_stream = _stream;
    return *this;
}

IO_StreamRef::~IO_StreamRef() { Release(); }

void IO_StreamRef::Release()
{
    IO_Stream* stream = m_stream;
    m_stream = nullptr;
    if (!stream)
        return;
    if (stream->m_references <= 1)
        delete stream;
    else
        --stream->m_references;
}

s32 IO_StreamRef::TransferChars(char* _chars, s32 _count, s32 _start)
{
    return m_stream ? m_stream->TransferChars(_chars, _count, _start) : 0;
}
