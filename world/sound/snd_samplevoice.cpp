#include "snd_samplevoice.h"

#include "snd_sampleinfo.h"
#include "snd_sampletable.h"
#include "snd_sounddevice.h"

void SND_SampleVoice::Play(const SND_SampleInfo& _description)
{
    if (m_device == nullptr)
        return;
    Stop();
    SND_PlayParams params;
    _description.MakePlayParams(&params);
    m_sample = _description.GetSample();
    const s32 deviceVoice = m_device->Play(params);
    // No free device voice: nothing will ever report this play as ended, so the reference
    // the parameters took is given back now rather than held until the program ends.
    if (deviceVoice < 0) {
        GiveBack();
        return;
    }
    m_deviceVoice = deviceVoice;
}

void SND_SampleVoice::Reclaim()
{
    if (m_device == nullptr || m_deviceVoice == -1)
        return;
    if (m_device->IsPlaying(m_deviceVoice) != 0)
        return;
    GiveBack();
}

void SND_SampleVoice::Stop()
{
    if (m_device == nullptr || m_deviceVoice == -1)
        return;
    m_device->Stop(m_deviceVoice);
    GiveBack();
}

void SND_SampleVoice::GiveBack()
{
    SND_SampleTable* table = SND_SampleTable::GetCurrent();
    if (table != nullptr)
        table->Release(m_sample);
    m_deviceVoice = -1;
}
