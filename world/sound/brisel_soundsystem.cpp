#include "brisel_soundsystem.h"

#include "snd_sounddevice.h"

Brisel_SoundSystem* Brisel_TheSoundSystem = nullptr;

Brisel_SoundSystem::Brisel_SoundSystem(SND_SoundDevice* _device)
{
    if (_device == nullptr)
        return;
    m_device = _device;
    m_musicVoice.SetDevice(_device);
    const s32 voices = _device->GetNumChannels();
    m_effectVoiceCount = voices > 1 ? voices - 1 : 0;
    if (m_effectVoiceCount > 0) {
        m_effectVoices = new SND_SampleVoice[m_effectVoiceCount];
        for (s32 i = 0; i < m_effectVoiceCount; ++i)
            m_effectVoices[i].SetDevice(_device);
    }
}

Brisel_SoundSystem::~Brisel_SoundSystem()
{
    if (m_device == nullptr)
        return;
    for (s32 i = 0; i < m_effectVoiceCount; ++i)
        m_effectVoices[i].Stop();
    m_musicVoice.Stop();
    delete[] m_effectVoices;
    m_effectVoices = nullptr;
    m_effectVoiceCount = 0;
}

void Brisel_SoundSystem::Update()
{
    if (m_device == nullptr)
        return;
    m_device->Update();
    m_musicVoice.Reclaim();
    for (s32 i = 0; i < m_effectVoiceCount; ++i)
        m_effectVoices[i].Reclaim();
}

void Brisel_SoundSystem::PlayEffect(s32 _kind, const SND_SampleInfo* _description)
{
    (void)_kind;
    (void)_description;
}

const SND_SampleVoice* Brisel_SoundSystem::GetEffectVoice(s32 _index) const
{
    if (_index < 0 || _index >= m_effectVoiceCount)
        return nullptr;
    return &m_effectVoices[_index];
}
