// IO_Stream: the root of the engine's unbuffered, reference-counted byte streams.
//
// A stream carries a flag word and an error code. End of stream (1) and error (2) are
// sticky: nothing clears them. Bit 4 is a mode flag for the stream's users (the standard
// streams set it), bit 8 marks streams on a descriptor, bit 16 makes SetError and a raising
// SetEOF throw (IO_IOException, IO_EOFException); streams never throw otherwise. Streams are
// counted by IO_StreamRef and deleted through the virtual destructor when the last reference
// goes. Single-threaded: a stream takes no locks.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

#include <type_traits>

class IO_Stream;
class IO_OutputStream;
class IO_InputStream;
class IO_TextOutputStream;
class IO_TextInputStream;

// The unsigned integer the size of a raw 2-, 4- or 8-byte value: raw values travel as its
// little-endian bytes (std::bit_cast between the two).
template <typename T>
using IO_RawBits = std::conditional_t<sizeof(T) == 8, u64, std::conditional_t<sizeof(T) == 4, u32, u16>>;

// Double dispatch on the concrete kind of a stream (DispatchTo).
class IO_StreamVisitor
{
public:
    virtual ~IO_StreamVisitor() = default;
    virtual void VisitTextOutput(IO_TextOutputStream& _stream) = 0;
    virtual void VisitOutput(IO_OutputStream& _stream) = 0;
    virtual void VisitTextInput(IO_TextInputStream& _stream) = 0;
    virtual void VisitInput(IO_InputStream& _stream) = 0;
    virtual void VisitStream(IO_Stream& _stream) = 0;
};

class IO_Stream : public MEM_Object
{
public:
    enum : u16
    {
        FLAG_EOF = 1,
        FLAG_ERROR = 2,
        FLAG_MODE = 4,
        FLAG_DESCRIPTOR = 8,
        FLAG_THROW = 16,
    };

    IO_Stream() = default;
    virtual ~IO_Stream() = default;
    IO_Stream(const IO_Stream&) = delete;
    IO_Stream& operator=(const IO_Stream&) = delete;

    // Each answers its flag bit's value (nonzero when set).
    virtual u32 IsEOF() const;
    virtual u32 HasError() const;
    virtual u32 GetErrorCode() const;
    virtual u32 TestFlag4() const;
    virtual void SetFlag4(bool _on);
    virtual u32 TestFlag8() const;
    virtual void SetThrowExceptions(bool _on);
    virtual u32 GetThrowExceptions() const;

    // Mode 0 from the start, 2 from the end, else from the current position; the new
    // position. A stream without positions records ERANGE and answers -1.
    virtual s32 Seek(s32 _mode, s32 _offset);
    virtual s32 Tell();  // 0 without positions

    virtual void DispatchTo(IO_StreamVisitor& _visitor);

    // Sets the error flag and code; throws IO_IOException("", _code) when asked to throw.
    virtual void SetError(u32 _code);
    // Sets the end flag; throws IO_EOFException("", 0) only when _raise and asked to throw.
    virtual void SetEOF(bool _raise);

    u32 GetReferenceCount() const { return m_references; }

protected:
    friend class IO_StreamRef;
    // The stream's character array operation (written or read), for IO_StreamRef.
    virtual s32 TransferChars(char* _chars, s32 _count, s32 _start);
    void SetDescriptorFlag() { m_flags |= FLAG_DESCRIPTOR; }

private:
    u32 m_references = 0;
    u16 m_flags = 0;
    u32 m_errorCode = 0;
};
