#include "snd_sampleinfo.h"

#include <cstdint>

#include "crt_rand.h"
#include "des_file.h"
#include "snd_sampletable.h"
#include "snd_sounddevice.h"

namespace
{
// 1/255 as the volume scale is written; 255 × this is a little above 1 and is clamped.
const f32 VOLUME_STEP = 0.003921569f;
const u32 NAME_BYTES = 260;

// freq - spread + r mod (2 × spread + 1), worked in 64 bits so no file value overflows, then
// pinned to the s32 range. The modulus is odd and never 0.
s32 SpreadRate(s32 _freq, s32 _spread)
{
    if (_spread == 0)
        return _freq;
    const s64 span = 2 * (s64)_spread + 1;
    const s64 rate = (s64)_freq - (s64)_spread + (s64)CRT_Rand() % span;
    if (rate > (s64)INT32_MAX)
        return INT32_MAX;
    if (rate < (s64)INT32_MIN)
        return INT32_MIN;
    return (s32)rate;
}
}  // namespace

void SND_SampleInfo::ParseIniFile(const char* _fileName)
{
    DES_File file;
    DES_Section root;
    file.Open(&root, _fileName);
    DES_Section section;
    if (!root.FindSection(&section, "SampleInfo"))
        DES_FatalSection("SND_SampleInfo::ParseIniFile()", "SampleInfo", file.GetName());
    ParseIniFile(&section);
    file.Close();
}

void SND_SampleInfo::ParseIniFile(DES_Section* _section)
{
    char name[NAME_BYTES] = {};
    s32 freq = 0;
    s32 freqrnd = 0;
    s32 vol = 0;
    s32 volrnd = 0;
    s32 cnt = 0;
    f32 minr = 0.0f;
    f32 maxr = 0.0f;
    _section->GetString("name", name, sizeof(name));
    _section->GetS32("freq", &freq);
    _section->GetS32("freqrnd", &freqrnd);
    _section->GetS32("vol", &vol);
    _section->GetS32("volrnd", &volrnd);
    _section->GetS32("cnt", &cnt);
    _section->GetFloat("minr", &minr);
    _section->GetFloat("maxr", &maxr);
    Store(name, freq, freqrnd, (u8)(vol & 0xFF), (u8)(volrnd & 0xFF), (u8)(cnt & 0xFF), minr, maxr);
}

s32 SND_SampleInfo::Set(const char* _sampleName, s32 _freq, s32 _freqrnd, u8 _vol, u8 _volrnd, u8 _cnt, f32 _minr,
                        f32 _maxr)
{
    Store(_sampleName, _freq, _freqrnd, _vol, _volrnd, _cnt, _minr, _maxr);
    return 1;
}

void SND_SampleInfo::Store(const char* _sampleName, s32 _freq, s32 _freqrnd, u8 _vol, u8 _volrnd, u8 _cnt, f32 _minr,
                           f32 _maxr)
{
    // The handle is cleared before the allocation, which may stop with a fatal error: the
    // description must not give the old reference back a second time as it is destroyed.
    Release();
    SND_SampleTable* table = SND_SampleTable::GetCurrent();
    m_sample = table != nullptr ? table->Allocate(_sampleName, 1) : 0;
    m_freq = _freq;
    m_freqrnd = _freqrnd;
    m_vol = _vol;
    m_volrnd = _volrnd;
    m_cnt = _cnt;
    m_minr = _minr;
    m_maxr = _maxr;
}

void SND_SampleInfo::Copy(const SND_SampleInfo& _other)
{
    // Referenced before the old one goes, so copying a description onto itself keeps its sample.
    SND_SampleTable* table = SND_SampleTable::GetCurrent();
    if (table != nullptr && _other.m_sample != 0)
        table->AddRef(_other.m_sample);
    const s32 sample = _other.m_sample;
    Release();
    m_sample = sample;
    m_freq = _other.m_freq;
    m_freqrnd = _other.m_freqrnd;
    m_vol = _other.m_vol;
    m_volrnd = _other.m_volrnd;
    m_cnt = _other.m_cnt;
    m_minr = _other.m_minr;
    m_maxr = _other.m_maxr;
}

void SND_SampleInfo::Release()
{
    SND_SampleTable* table = SND_SampleTable::GetCurrent();
    if (table != nullptr && m_sample != 0)
        table->Release(m_sample);
    m_sample = 0;
}

u32 SND_SampleInfo::Load(const char* _path)
{
    ParseIniFile(_path);
    return 1;
}

void SND_SampleInfo::MakePlayParams(SND_PlayParams* _params) const
{
    SND_SampleTable* table = SND_SampleTable::GetCurrent();
    _params->sample = nullptr;
    if (table != nullptr) {
        table->AddRef(m_sample);
        _params->sample = table->Get(m_sample);
    }
    _params->rate = SpreadRate(m_freq, m_freqrnd);
    _params->pan = 0.0f;
    _params->loopCount = m_cnt;
    s32 volume = (s32)m_vol - (s32)m_volrnd;
    if (m_volrnd != 0)
        volume = (s32)m_vol - (s32)m_volrnd + CRT_Rand() % (2 * (s32)m_volrnd + 1);
    f32 scaled = (f32)volume * VOLUME_STEP;
    if (scaled < 0.0f)
        scaled = 0.0f;
    if (scaled > 1.0f)
        scaled = 1.0f;
    _params->volume = scaled;
    _params->minRange = m_minr;
    _params->maxRange = m_maxr;
}
