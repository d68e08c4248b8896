// IO_StreamRef: a counted handle to a stream.
//
// Taking a stream (from a pointer or a copy) adds one to its count; Release gives it back
// and deletes the stream when it was the last reference. A released handle is always null.
#pragma once

#include "io_stream.h"

class IO_StreamRef
{
public:
    IO_StreamRef() = default;
    explicit IO_StreamRef(IO_Stream* _stream);
    IO_StreamRef(const IO_StreamRef& _other);
    IO_StreamRef& operator=(const IO_StreamRef& _other);
    // Takes _stream, then releases the previous one (the same stream survives).
    IO_StreamRef& operator=(IO_Stream* _stream);
    ~IO_StreamRef();

    void Release();
    IO_Stream* Get() const { return m_stream; }
    explicit operator bool() const { return m_stream != nullptr; }

    // Moves characters through the stream's own character array operation: WriteCharArray
    // on an output stream, ReadCharArray on an input stream. 0 for a null handle.
    s32 TransferChars(char* _chars, s32 _count, s32 _start);

private:
    IO_Stream* m_stream = nullptr;
};
