// Any bytes as a ".sam" sample description through SND_SampleInfo::ParseIniFile, with a
// samples table that knows a few names, then a few plays of what loads. Fatal refusals are
// expected; a description that loads must draw rates and volumes inside their ranges, and
// every reference it or its plays took must come back, whatever it went through.
#include <cstring>

#include "crt_rand.h"
#include "fuzz_workdir.h"
#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_string.h"
#include "snd_sample.h"
#include "snd_sampleinfo.h"
#include "snd_sampletable.h"
#include "snd_sounddevice.h"

namespace
{
void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

// Two known sample names; any other name is a missing file, as the cache has it.
class FuzzTable : public SND_SampleTable
{
public:
    s32 Allocate(const char* _name, s32 _mustExist) override
    {
        Check(_mustExist == 1);
        for (s32 i = 0; i < COUNT; ++i)
            if (OS_StrICmp(_name, NAMES[i]) == 0) {
                ++references[i];
                return i + 1;
            }
        OS_Fatal("CON_Cache::Allocate() file not found", _name);
    }
    SND_Sample* Get(s32 _handle) override { return Live(_handle) ? &samples[_handle - 1] : nullptr; }
    void AddRef(s32 _handle) override
    {
        if (Live(_handle))
            ++references[_handle - 1];
    }
    void Release(s32 _handle) override
    {
        if (Live(_handle))
            --references[_handle - 1];
    }
    bool Empty() const { return references[0] == 0 && references[1] == 0; }

private:
    static constexpr s32 COUNT = 2;
    static constexpr const char* NAMES[COUNT] = {"pb_07.wav", "ef_01.wav"};
    bool Live(s32 _handle) const { return _handle >= 1 && _handle <= COUNT && references[_handle - 1] > 0; }

    s32 references[COUNT] = {};
    SND_Sample samples[COUNT];
};

void Plays(const SND_SampleInfo& _info, FuzzTable& _table)
{
    const s64 freq = _info.GetFreq();
    const s64 spread = _info.GetFreqRnd();
    for (s32 i = 0; i < 4; ++i) {
        SND_PlayParams params;
        _info.MakePlayParams(&params);
        Check(params.sample == _table.Get(_info.GetSample()));
        if (spread == 0)
            Check(params.rate == freq);
        Check(params.volume >= 0.0f && params.volume <= 1.0f);
        Check(params.loopCount == _info.GetCnt());
        _table.Release(_info.GetSample());
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 0x10000)
        return 0;
    // Most inputs stop with a fatal refusal, which logs: keep the log silent.
    FUZZ_EnterWorkDirectory("sam", FUZZ_LOG_SILENT);
    FUZZ_WriteFile("in.sam", _data, _size);
    // The first passes warm what the file layer keeps; the last must give back all it takes.
    u32 before = 0;
    for (u32 pass = 0; pass < 3; ++pass) {
        before = MEM_GetBytesInUse();
        FuzzTable table;
        SND_SampleTable::SetCurrent(&table);
        CRT_SRand(pass);
        {
            SND_SampleInfo info;
            SND_SampleInfo copy;
            try {
                info.ParseIniFile("in.sam");
                Plays(info, table);
                copy.Copy(info);
                info.ParseIniFile("in.sam");  // reading again gives the first sample back
                Plays(copy, table);
            } catch (const OS_FatalError&) {
            }
        }
        Check(table.Empty());
        SND_SampleTable::SetCurrent(nullptr);
    }
    Check(MEM_GetBytesInUse() == before);
    return 0;
}
