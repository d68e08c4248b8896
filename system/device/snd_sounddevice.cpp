// The sound device over the sound library (platform/plt_audio.h).
#include "snd_sounddevice.h"

#include <cstdlib>

#include "des_file.h"
#include "os_fatal.h"
#include "os_file.h"
#include "plt_audio.h"
#include "snd_local.h"
#include "snd_sample.h"

namespace
{
const char* const INIT = "SND_SoundDevice2D::Init";

void ShutdownAtExit() { PLT_AudioShutdown(); }
}  // namespace

u32 SND_FileOpen(const char* _name, void** _handle)
{
    OS_File* file = new OS_File;
    if (!file->Open(_name)) {
        delete file;
        *_handle = nullptr;
        return 0;
    }
    *_handle = file;
    return 1;
}

void SND_FileClose(void* _handle)
{
    OS_File* file = (OS_File*)_handle;
    file->Close();
    delete file;
}

s32 SND_FileSeek(void* _handle, s32 _offset, u32 _type)
{
    OS_File* file = (OS_File*)_handle;
    switch (_type) {
    case 0:
        file->SeekSet(_offset);
        break;
    case 1:
        file->SeekCur(_offset);
        break;
    case 2:
        file->SeekEnd(_offset);
        break;
    default:
        OS_Fatal("AIL_file_seek_callback", "illegal type");
    }
    return (s32)file->Tell();
}

u32 SND_FileRead(void* _handle, void* _buffer, u32 _bytes) { return ((OS_File*)_handle)->Read(_buffer, _bytes); }

SND_SoundDevice2D::SND_SoundDevice2D(const char* _settings) { Init(_settings); }

void SND_SoundDevice2D::Init(const char* _settings)
{
    s32 soundOn = 0, channels = 0, rate = 0, bits = 0;
    {
        DES_File file;
        DES_Section root;
        file.Open(&root, _settings);
        DES_Section sound;
        if (!root.FindSection(&sound, "Sound"))
            DES_FatalSection(INIT, "Sound", _settings);
        sound.GetS32("SoundOn", &soundOn);
        sound.GetS32("NumOfChannels", &channels);
        sound.GetS32("Rate", &rate);
        sound.GetS32("Bits", &bits);
        if (channels != 1 && channels != 2)
            OS_Fatal("illegal numofchannels", INIT);
        if (rate != 44100 && rate != 22050 && rate != 11025)
            OS_Fatal("illegal rate", INIT);
        if (bits != 8 && bits != 16)
            OS_Fatal("illegal bits", INIT);
        file.Close();
    }

    PLT_AudioSetRedistDirectory("sfx\\driver\\");
    static const int s_registered = atexit(ShutdownAtExit);
    (void)s_registered;
    PLT_AudioStartup();
    // Sound files are read through the game's file system whether or not sound is played:
    // the run's sample descriptions load their files with sound switched off too.
    PLT_AudioSetFileCallbacks(SND_FileOpen, SND_FileClose, SND_FileSeek, SND_FileRead);
    m_voiceCount = 0;
    if (soundOn == 0)
        return;

    PLT_AudioSetPreference(PLT_AUDIO_PREF_OUTPUT_PATH, 0);

    // Halve the rate down to 11025; then the same at 8 bits; then no output.
    s32 tryRate = rate;
    s32 tryBits = bits;
    for (;;) {
        PLT_AudioWaveFormat format;
        format.formatTag = 1;
        format.channels = (u16)channels;
        format.samplesPerSec = (u32)tryRate;
        format.bitsPerSample = (u16)tryBits;
        format.blockAlign = (u16)(tryBits / 8 * channels);
        format.avgBytesPerSec = (u32)(tryBits / 8 * tryRate * channels);
        if (PLT_AudioWaveOutOpen(&m_driver, 0, format) == 0)
            break;
        tryRate /= 2;
        if (tryRate < 11025) {
            if (tryBits != 16) {
                m_driver = nullptr;
                break;
            }
            tryBits = 8;
            tryRate = rate;
        }
    }

    if (m_driver != nullptr) {
        while (m_voiceCount < MAX_VOICES) {
            PLT_AudioSample* voice = PLT_AudioAllocateSampleHandle(m_driver);
            if (voice == nullptr)
                break;
            PLT_AudioInitSample(voice);
            m_voices[m_voiceCount++] = voice;
        }
    }
}

SND_SoundDevice2D::~SND_SoundDevice2D()
{
    for (s32 i = 0; i < m_voiceCount; ++i) {
        PLT_AudioEndSample(m_voices[i]);
        PLT_AudioReleaseSampleHandle(m_voices[i]);
        m_voices[i] = nullptr;
    }
    if (m_voiceCount > 0)
        PLT_AudioWaveOutClose(m_driver);
    m_driver = nullptr;
    m_voiceCount = 0;
    PLT_AudioShutdown();  // also closes a driver that handed out no voice
}

PLT_AudioSample* SND_SoundDevice2D::Voice(s32 _voice) const
{
    return (_voice >= 0 && _voice < m_voiceCount) ? m_voices[_voice] : nullptr;
}

s32 SND_SoundDevice2D::Play(const SND_PlayParams& _params)
{
    if (m_voiceCount == 0)
        return -1;
    const SND_Sample* sample = _params.sample;
    if (sample == nullptr || sample->GetData() == nullptr)
        return -1;
    s32 index = 0;
    while (index < m_voiceCount && PLT_AudioSampleStatus(m_voices[index]) != PLT_AUDIO_SAMPLE_DONE)
        ++index;
    if (index == m_voiceCount)
        return -1;

    PLT_AudioSample* voice = m_voices[index];
    PLT_AudioInitSample(voice);
    switch (sample->GetType()) {
    case PLT_AUDIO_FILE_PCM_WAV:
    case PLT_AUDIO_FILE_ADPCM_WAV:
    case PLT_AUDIO_FILE_VOC:
        PLT_AudioSetSampleFile(voice, sample->GetData(), sample->GetSize());
        break;
    case PLT_AUDIO_FILE_MP3:
        PLT_AudioSetNamedSampleFile(voice, ".mp3", sample->GetData(), sample->GetSize());
        break;
    default:
        OS_Fatal("SND_SoundDevice2D::Play()", "illegal sample filetype");
    }
    PLT_AudioSetSamplePlaybackRate(voice, _params.rate);
    PLT_AudioSetSampleVolume(voice, (s32)(_params.volume * 127.0f));
    PLT_AudioSetSamplePan(voice, (s32)(_params.pan * 64.0f + 63.9999f));
    PLT_AudioSetSampleLoopCount(voice, _params.loopCount);
    PLT_AudioStartSample(voice);
    return index;
}

void SND_SoundDevice2D::Stop(s32 _voice)
{
    if (PLT_AudioSample* voice = Voice(_voice))
        PLT_AudioEndSample(voice);
}

void SND_SoundDevice2D::SetVolume(s32 _voice, s32 _volume)
{
    if (PLT_AudioSample* voice = Voice(_voice))
        PLT_AudioSetSampleVolume(voice, _volume);
}

void SND_SoundDevice2D::SetRate(s32 _voice, s32 _rate)
{
    if (PLT_AudioSample* voice = Voice(_voice))
        PLT_AudioSetSamplePlaybackRate(voice, _rate);
}

void SND_SoundDevice2D::SetPosition(f32, f32, f32) {}

s32 SND_SoundDevice2D::IsPlaying(s32 _voice)
{
    PLT_AudioSample* voice = Voice(_voice);
    return (voice != nullptr && PLT_AudioSampleStatus(voice) == PLT_AUDIO_SAMPLE_PLAYING) ? 1 : 0;
}

s32 SND_SoundDevice2D::GetVolume(s32 _voice)
{
    PLT_AudioSample* voice = Voice(_voice);
    return voice != nullptr ? PLT_AudioSampleVolume(voice) : 0;
}

s32 SND_SoundDevice2D::GetRate(s32 _voice)
{
    PLT_AudioSample* voice = Voice(_voice);
    return voice != nullptr ? PLT_AudioSamplePlaybackRate(voice) : 1;
}

s32 SND_SoundDevice2D::GetNumChannels() { return m_voiceCount; }

void SND_SoundDevice2D::Release()
{
    for (s32 i = 0; i < m_voiceCount; ++i) {
        if (PLT_AudioSampleStatus(m_voices[i]) == PLT_AUDIO_SAMPLE_PLAYING)
            PLT_AudioStopSample(m_voices[i]);
    }
    OS_Log("ail released");
}

void SND_SoundDevice2D::Reacquire()
{
    OS_Log("ail reacquired");
    for (s32 i = 0; i < m_voiceCount; ++i) {
        if (PLT_AudioSampleStatus(m_voices[i]) == PLT_AUDIO_SAMPLE_STOPPED)
            PLT_AudioResumeSample(m_voices[i]);
    }
}

void SND_SoundDevice2D::Update() { PLT_AudioUpdate(m_driver); }
