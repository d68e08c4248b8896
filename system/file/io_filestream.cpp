// Streams on file descriptors: one runtime call per operation.
#include "io_filestream.h"

#include <unistd.h>

#include <cerrno>

namespace
{
s32 Duplicate(IO_Stream& _stream, s32 _descriptor)
{
    const s32 duplicate = dup(_descriptor);
    if (duplicate == -1)
        _stream.SetError((u32)errno);
    return duplicate;
}

s32 FileSeek(IO_Stream& _stream, s32 _descriptor, s32 _mode, s32 _offset)
{
    const int whence = _mode == 0 ? SEEK_SET : _mode == 2 ? SEEK_END : SEEK_CUR;
    const off_t position = lseek(_descriptor, _offset, whence);
    if (position == -1) {
        _stream.SetError((u32)errno);
        return -1;
    }
    return (s32)position;
}

s32 FileTell(IO_Stream& _stream, s32 _descriptor)
{
    const off_t position = lseek(_descriptor, 0, SEEK_CUR);
    if (position == -1) {
        _stream.SetError((u32)errno);
        return -1;
    }
    return (s32)position;
}

s32 FileAvailable(IO_Stream& _stream, s32 _descriptor)
{
    const off_t position = lseek(_descriptor, 0, SEEK_CUR);
    if (position == -1) {
        _stream.SetError((u32)errno);
        return 0;
    }
    const off_t end = lseek(_descriptor, 0, SEEK_END);
    if (end == -1) {
        _stream.SetError((u32)errno);
        return 0;
    }
    if (lseek(_descriptor, position, SEEK_SET) == -1) {
        _stream.SetError((u32)errno);
        return 0;
    }
    return (s32)(end - position);
}

// The descriptor is gone after close whatever it answers, so the stream forgets it either way.
s32 FileClose(IO_Stream& _stream, s32& _descriptor)
{
    const s32 result = close(_descriptor);
    const int error = errno;
    _descriptor = -1;
    if (result != 0) {
        _stream.SetError((u32)error);
        return -1;
    }
    return 0;
}
}  // namespace

IO_FileOutputStream::IO_FileOutputStream(const s32& _descriptor)
{
    m_descriptor = Duplicate(*this, _descriptor);
    SetDescriptorFlag();
}

s32 IO_FileOutputStream::Seek(s32 _mode, s32 _offset) { return FileSeek(*this, m_descriptor, _mode, _offset); }
s32 IO_FileOutputStream::Tell() { return FileTell(*this, m_descriptor); }
s32 IO_FileOutputStream::Close() { return FileClose(*this, m_descriptor); }
s32 IO_FileOutputStream::Available() { return FileAvailable(*this, m_descriptor); }
void IO_FileOutputStream::Flush() {}

s32 IO_FileOutputStream::Write(const u8* _buffer, s32 _count, s32 _start)
{
    const ssize_t written = write(m_descriptor, _buffer + _start, _count > 0 ? (size_t)_count : 0);
    if (written == -1) {
        SetError((u32)errno);
        return -1;
    }
    return (s32)written;
}

s32 IO_FileOutputStream::WriteByte(u8 _value)
{
    const ssize_t written = write(m_descriptor, &_value, 1);
    if (written == -1) {
        SetError((u32)errno);
        return -1;
    }
    return (s32)written;
}

IO_FileInputStream::IO_FileInputStream(const s32& _descriptor)
{
    m_descriptor = Duplicate(*this, _descriptor);
    SetDescriptorFlag();
}

s32 IO_FileInputStream::Seek(s32 _mode, s32 _offset) { return FileSeek(*this, m_descriptor, _mode, _offset); }
s32 IO_FileInputStream::Tell() { return FileTell(*this, m_descriptor); }
s32 IO_FileInputStream::Available() { return FileAvailable(*this, m_descriptor); }
s32 IO_FileInputStream::Close() { return FileClose(*this, m_descriptor); }

s32 IO_FileInputStream::Read(u8* _buffer, s32 _count, s32 _start)
{
    if (_count < 1)
        return 0;
    const ssize_t got = read(m_descriptor, _buffer + _start, (size_t)_count);
    if (got > 0)
        return (s32)got;
    if (got == -1)
        SetError((u32)errno);
    return -1;
}

s32 IO_FileInputStream::ReadByte()
{
    u8 byte = 0;
    const ssize_t got = read(m_descriptor, &byte, 1);
    if (got == 1)
        return byte;
    if (got == -1)
        SetError((u32)errno);
    return -1;
}

s32 IO_FileInputStream::Skip(s32 _count)
{
    const off_t from = lseek(m_descriptor, 0, SEEK_CUR);
    if (from == -1) {
        SetError((u32)errno);
        return 0;
    }
    const off_t to = lseek(m_descriptor, _count, SEEK_CUR);
    if (to == -1) {
        SetError((u32)errno);
        return 0;
    }
    return (s32)(to - from);
}
