// One voice of the sound manager: the sample it plays and the device voice playing it.
//
// A voice is idle (device voice -1) or playing (device voice 0 or more, holding one reference
// to its sample). It plays through the device it was given; a voice without a device does
// nothing at all. The device is borrowed and must outlive the voice's last operation.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class SND_SampleInfo;
class SND_SoundDevice;

class SND_SampleVoice : public MEM_Object
{
public:
    SND_SampleVoice() = default;
    explicit SND_SampleVoice(SND_SoundDevice* _device) : m_device(_device) {}
    SND_SampleVoice(const SND_SampleVoice&) = delete;
    SND_SampleVoice& operator=(const SND_SampleVoice&) = delete;

    // Stops what the voice played and plays the description with freshly drawn parameters.
    // When the device has no free voice the voice stays idle and keeps no reference.
    void Play(const SND_SampleInfo& _description);
    // Playing voice whose device voice has finished: gives the sample back and goes idle.
    void Reclaim();
    // Playing voice: stops it, gives the sample back and goes idle.
    void Stop();

    s32 GetSample() const { return m_sample; }  // stale while idle
    s32 GetDeviceVoice() const { return m_deviceVoice; }
    SND_SoundDevice* GetDevice() const { return m_device; }
    void SetDevice(SND_SoundDevice* _device) { m_device = _device; }

private:
    void GiveBack();

    s32 m_sample = 0;        // handle in the samples cache, the reference held while playing
    s32 m_deviceVoice = -1;  // -1: idle
    SND_SoundDevice* m_device = nullptr;
};
