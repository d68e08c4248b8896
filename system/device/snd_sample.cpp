// Sound files read whole through the sound library.
#include "snd_sample.h"

#include "plt_audio.h"

u32 SND_Sample::Load(const char* _name)
{
    Free();
    void* block = PLT_AudioFileRead(_name);
    if (block == nullptr)
        return 0;
    m_block = block;
    m_size = OS_ReadU32LE((const u8*)block);
    m_data = (const u8*)block + 4;
    m_type = PLT_AudioFileType(m_data, m_size);
    return 1;
}

void SND_Sample::Free()
{
    if (m_block != nullptr)
        PLT_AudioMemFreeLock(m_block);
    m_block = nullptr;
    m_data = nullptr;
    m_size = 0;
    m_type = 0;
}
