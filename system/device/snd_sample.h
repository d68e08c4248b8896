// One sound file held whole in memory, read through the sound library's file callbacks
// (so from disk or the packed archive), ready to hand to a voice of the sound device.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class SND_Sample : public MEM_Object
{
public:
    SND_Sample() {}
    ~SND_Sample() { Free(); }
    SND_Sample(const SND_Sample&) = delete;
    SND_Sample& operator=(const SND_Sample&) = delete;

    // Frees what it held, then reads the whole file and detects its type. 1 on success, 0
    // when the file cannot be read (the sample is then empty).
    u32 Load(const char* _name);
    // Lets go of the file. A voice still playing it keeps its own hold on the library's
    // block (voices stream from it rather than decoding it whole), so freeing never cuts
    // a sound short.
    void Free();

    // Null while empty.
    const u8* GetData() const { return m_data; }
    u32 GetSize() const { return m_size; }
    s32 GetType() const { return m_type; }  // the library's file type number

private:
    void* m_block = nullptr;  // the library's block: u32 size, then the data
    const u8* m_data = nullptr;
    u32 m_size = 0;
    s32 m_type = 0;
};
