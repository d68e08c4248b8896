// Sample descriptions: which sample a sound plays, at which rate and volume, how far each
// varies at random from play to play, and how often it loops.
//
// A description is read from a ".sam" file (section "SampleInfo"), from a section of a node's
// own description with the same keys, or set by code. It holds one reference to its sample
// in the samples cache (SND_SampleTable) while its handle is non-zero, and gives it back in
// Release or at the latest in its destructor. Copies go only through Copy, which counts the
// extra reference. Every malformed file is fatal in the description reader; a sample file
// that does not load is fatal in the cache.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class DES_Section;
struct SND_PlayParams;

class SND_SampleInfo : public MEM_Object
{
public:
    SND_SampleInfo() = default;
    ~SND_SampleInfo() { Release(); }
    SND_SampleInfo(const SND_SampleInfo&) = delete;
    SND_SampleInfo& operator=(const SND_SampleInfo&) = delete;

    // Opens the ".sam" file and reads its section "SampleInfo".
    void ParseIniFile(const char* _fileName);
    // Reads name, freq, freqrnd, vol, volrnd, cnt, minr and maxr; the three byte values keep
    // the low 8 bits of what the file says. The old sample is given back before the named one
    // is allocated.
    void ParseIniFile(DES_Section* _section);
    // The same without a file; answers 1.
    s32 Set(const char* _sampleName, s32 _freq, s32 _freqrnd, u8 _vol, u8 _volrnd, u8 _cnt, f32 _minr, f32 _maxr);
    // All eight fields, with one more reference to the sample.
    void Copy(const SND_SampleInfo& _other);
    // Gives the sample reference back; the handle is 0 afterwards.
    void Release();
    // Load shape of the resource caches: reads a ".sam" file by its full path, 1 when done
    // (a broken file stops in the reader); the destructor is the clean-up.
    u32 Load(const char* _path);

    // The parameters of one play, drawing the rate and then the volume from CRT_Rand (no draw
    // for a spread of 0). Takes one reference to the sample for the voice that plays them.
    void MakePlayParams(SND_PlayParams* _params) const;

    s32 GetSample() const { return m_sample; }
    s32 GetFreq() const { return m_freq; }
    s32 GetFreqRnd() const { return m_freqrnd; }
    u8 GetVol() const { return m_vol; }
    u8 GetVolRnd() const { return m_volrnd; }
    u8 GetCnt() const { return m_cnt; }
    f32 GetMinRange() const { return m_minr; }
    f32 GetMaxRange() const { return m_maxr; }

private:
    void Store(const char* _sampleName, s32 _freq, s32 _freqrnd, u8 _vol, u8 _volrnd, u8 _cnt, f32 _minr, f32 _maxr);

    s32 m_sample = 0;  // handle in the samples cache, 0 = none
    s32 m_freq = 0;    // samples per second
    s32 m_freqrnd = 0;
    u8 m_vol = 0;  // 255ths
    u8 m_volrnd = 0;
    u8 m_cnt = 0;  // loop count handed to the device
    f32 m_minr = 0.0f;
    f32 m_maxr = 0.0f;
};
