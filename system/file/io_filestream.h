// IO_FileOutputStream and IO_FileInputStream: streams on a duplicate of a file descriptor.
//
// Construction duplicates the given descriptor (a failure is recorded as the stream's error,
// with the runtime's error number) and sets flag 8. The stream owns the duplicate: Close gives
// it back, destruction does not. After Close the stream holds no descriptor, so a second Close
// or any later operation records EBADF and never reaches a descriptor that was opened since.
// Every failed runtime call records errno through SetError. No buffering: one runtime call per
// operation, one per byte for WriteByte and ReadByte. Positions are s32.
#pragma once

#include "io_inputstream.h"
#include "io_outputstream.h"

class IO_FileOutputStream : public IO_OutputStream
{
public:
    explicit IO_FileOutputStream(const s32& _descriptor);

    s32 Seek(s32 _mode, s32 _offset) override;  // the new position, or -1
    s32 Tell() override;                        // the position, or -1
    s32 Close() override;                       // 0, or -1
    s32 Available() override;                   // bytes from the position to the end
    void Flush() override;
    s32 Write(const u8* _buffer, s32 _count, s32 _start) override;  // bytes written, or -1
    s32 WriteByte(u8 _value) override;                              // 1, or -1

    s32 GetDescriptor() const { return m_descriptor; }

private:
    s32 m_descriptor = -1;
};

class IO_FileInputStream : public IO_InputStream
{
public:
    explicit IO_FileInputStream(const s32& _descriptor);

    s32 Seek(s32 _mode, s32 _offset) override;
    s32 Tell() override;
    s32 Available() override;
    s32 Close() override;
    // _count < 1: 0; else one runtime read: the bytes read, -1 at the end or on failure.
    s32 Read(u8* _buffer, s32 _count, s32 _start) override;
    s32 ReadByte() override;
    // Moves the position forward; the distance moved, 0 on failure.
    s32 Skip(s32 _count) override;

    s32 GetDescriptor() const { return m_descriptor; }

private:
    s32 m_descriptor = -1;
};
