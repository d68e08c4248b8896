// The run's sound manager: the music voice and one effect voice for every device voice
// beyond the first. Once per rendered frame Update gives back the samples of voices whose
// sound has ended; the destructor stops whatever still plays.
//
// It plays through the sound device it is given, which exists only while sound is on: with
// a null device the manager and every voice do nothing. The device is borrowed and must
// outlive the manager. One manager per benchmark run, reached through Brisel_TheSoundSystem.
// One thread.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"
#include "snd_samplevoice.h"

class SND_SampleInfo;
class SND_SoundDevice;

class Brisel_SoundSystem : public MEM_Object
{
public:
    explicit Brisel_SoundSystem(SND_SoundDevice* _device);
    ~Brisel_SoundSystem();
    Brisel_SoundSystem(const Brisel_SoundSystem&) = delete;
    Brisel_SoundSystem& operator=(const Brisel_SoundSystem&) = delete;

    // Keeps the device's voices decoded ahead, then reclaims the music voice and each effect
    // voice in table order.
    void Update();
    // Effect sounds are loaded by their owners but never played.
    void PlayEffect(s32 _kind, const SND_SampleInfo* _description);

    SND_SampleVoice& GetMusicVoice() { return m_musicVoice; }
    s32 GetEffectVoiceCount() const { return m_effectVoiceCount; }
    // Null outside 0..count - 1.
    const SND_SampleVoice* GetEffectVoice(s32 _index) const;

private:
    SND_SampleVoice m_musicVoice;  // first: the game node plays its music on it
    SND_SampleVoice* m_effectVoices = nullptr;
    s32 m_effectVoiceCount = 0;
    SND_SoundDevice* m_device = nullptr;
};

// The run's manager while a run exists, else null.
extern Brisel_SoundSystem* Brisel_TheSoundSystem;
