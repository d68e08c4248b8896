// RTI_Archive: the byte stream through which registered objects serialise themselves.
//
// One archive is either reading (mode 0) or writing (mode 1) one file; a closed archive has
// no mode, and moving bytes through it is fatal. Reading past the end of the file never reads
// beyond the caller's buffer: the missing bytes read as zeros and the archive remembers the
// failure, which the readers of fixed-size records also set when a record is malformed.
#pragma once

#include "mem_alloc.h"
#include "os_file.h"
#include "os_types.h"

class RTI_Archive : public MEM_Object
{
public:
    enum
    {
        MODE_CLOSED = -1,
        MODE_READ = 0,
        MODE_WRITE = 1
    };

    RTI_Archive() = default;
    ~RTI_Archive();
    RTI_Archive(const RTI_Archive&) = delete;
    RTI_Archive& operator=(const RTI_Archive&) = delete;

    // Open a file for reading (disk, else the packed archive) or create one for writing.
    // 1 on success; on failure the archive stays closed. Opening clears the failure flag.
    u32 OpenRead(const char* _name);
    u32 OpenWrite(const char* _name);
    void Close();
    s32 GetMode() const { return m_mode; }

    // Moves *_length bytes between the buffer and the file in the archive's direction and
    // leaves in *_length the number moved. A short read zero-fills the rest of the buffer;
    // a short read or a negative length marks the archive failed.
    void Serialize(u8* _buffer, s32* _length);

    u32 HasFailed() const { return m_failed; }
    void SetFailed() { m_failed = 1; }

private:
    s32 m_mode = MODE_CLOSED;
    u32 m_failed = 0;
    OS_File m_file;
};
