// The program's sound output: up to eight voices playing in-memory sound files with volume,
// pan, playback rate and loop count, configured from "ini\sound.des" (section "Sound":
// SoundOn, NumOfChannels 1 or 2, Rate 44100/22050/11025, Bits 8 or 16).
//
// One device exists while sound is on; the application deletes a device that obtained no
// voice, so every user tests its pointer. Voice indices outside 0..GetNumChannels()-1
// (-1 means none) are ignored by every operation. Main thread only.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class SND_Sample;
struct PLT_AudioDriver;
struct PLT_AudioSample;

// What to play, filled in by the caller.
struct SND_PlayParams
{
    SND_Sample* sample = nullptr;
    s32 rate = 0;       // playback rate in Hz
    f32 pan = 0.0f;     // -1 left .. 1 right
    s32 loopCount = 0;  // plays, handed to the library unchanged (0 = forever)
    f32 volume = 0.0f;  // 0 .. 1
    // Carried from the sample description for positional sound, which this device does not
    // implement: ignored here.
    f32 minRange = 0.0f;
    f32 maxRange = 0.0f;
};

class SND_SoundDevice : public MEM_Object
{
public:
    virtual ~SND_SoundDevice() {}
    // The voice index, or -1 when no voice is free or there is nothing to play.
    virtual s32 Play(const SND_PlayParams& _params) = 0;
    virtual void Stop(s32 _voice) = 0;
    virtual void SetVolume(s32 _voice, s32 _volume) = 0;   // 0..127
    virtual void SetRate(s32 _voice, s32 _rate) = 0;       // Hz
    virtual void SetPosition(f32 _x, f32 _y, f32 _z) = 0;  // positional sound: no effect
    virtual s32 IsPlaying(s32 _voice) = 0;
    virtual s32 GetVolume(s32 _voice) = 0;  // 0 for no voice
    virtual s32 GetRate(s32 _voice) = 0;    // 1 for no voice
    virtual s32 GetNumChannels() = 0;       // voices obtained, 0..8
    virtual void Release() = 0;             // the application lost the foreground: pause
    virtual void Reacquire() = 0;           // it regained it: resume what Release paused
    // Keeps the playing voices' sound decoded ahead; call once per frame. Nothing to do for a
    // device that holds its sounds whole.
    virtual void Update() {}
};

class SND_SoundDevice2D : public SND_SoundDevice
{
public:
    enum
    {
        MAX_VOICES = 8
    };

    // Reads the settings file and opens the output; bad settings are fatal, a missing
    // output is not (the device then has no voice).
    explicit SND_SoundDevice2D(const char* _settings);
    ~SND_SoundDevice2D() override;
    SND_SoundDevice2D(const SND_SoundDevice2D&) = delete;
    SND_SoundDevice2D& operator=(const SND_SoundDevice2D&) = delete;

    s32 Play(const SND_PlayParams& _params) override;
    void Stop(s32 _voice) override;
    void SetVolume(s32 _voice, s32 _volume) override;
    void SetRate(s32 _voice, s32 _rate) override;
    void SetPosition(f32 _x, f32 _y, f32 _z) override;
    s32 IsPlaying(s32 _voice) override;
    s32 GetVolume(s32 _voice) override;
    s32 GetRate(s32 _voice) override;
    s32 GetNumChannels() override;
    void Release() override;
    void Reacquire() override;
    void Update() override;

private:
    void Init(const char* _settings);
    PLT_AudioSample* Voice(s32 _voice) const;  // null outside the obtained voices

    PLT_AudioDriver* m_driver = nullptr;
    PLT_AudioSample* m_voices[MAX_VOICES] = {};
    s32 m_voiceCount = 0;
};
