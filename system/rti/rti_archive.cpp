// The byte archive over one OS_File.
#include "rti_archive.h"

#include "os_fatal.h"

RTI_Archive::~RTI_Archive() { Close(); }

u32 RTI_Archive::OpenRead(const char* _name)
{
    Close();
    if (!m_file.Open(_name))
        return 0;
    m_mode = MODE_READ;
    return 1;
}

u32 RTI_Archive::OpenWrite(const char* _name)
{
    Close();
    if (!m_file.OpenWrite(_name))
        return 0;
    m_mode = MODE_WRITE;
    return 1;
}

void RTI_Archive::Close()
{
    m_file.Close();
    m_mode = MODE_CLOSED;
    m_failed = 0;
}

void RTI_Archive::Serialize(u8* _buffer, s32* _length)
{
    if (m_mode != MODE_READ && m_mode != MODE_WRITE)
        OS_Fatal("RTI_Archive::Serialize(u8)", "illegal mode");
    if (*_length < 0) {
        *_length = 0;
        m_failed = 1;
        return;
    }
    const u32 length = (u32)*_length;
    if (m_mode == MODE_WRITE) {
        for (u32 i = 0; i < length; ++i)
            m_file.WriteU8(_buffer[i]);
        return;
    }
    for (u32 i = 0; i < length; ++i) {
        if (m_file.ReadByte(&_buffer[i]) == 0) {
            for (u32 rest = i; rest < length; ++rest)
                _buffer[rest] = 0;
            *_length = (s32)i;
            m_failed = 1;
            return;
        }
    }
}
