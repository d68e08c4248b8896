// Shared by the sound tests: a samples table that counts references by handle, a sound device
// that records what it is asked and plays until told a voice has ended, and the fixture that
// installs the table in a fresh working directory.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "crt_rand.h"
#include "os_fatal.h"
#include "os_string.h"
#include "snd_sample.h"
#include "snd_sampletable.h"
#include "snd_sounddevice.h"
#include "test_dir.h"

// Names are matched without regard to case as the samples cache does; a name that is not
// among the files stops with the cache's text when it must exist.
class SND_CountingTable : public SND_SampleTable
{
public:
    s32 Allocate(const char* _name, s32 _mustExist) override
    {
        mustExist.push_back(_mustExist);
        for (size_t i = 0; i < slots.size(); ++i)
            if (slots[i].references > 0 && OS_StrICmp(slots[i].name.c_str(), _name) == 0) {
                ++slots[i].references;
                return (s32)i + 1;
            }
        bool found = false;
        for (const std::string& file : files)
            found = found || OS_StrICmp(file.c_str(), _name) == 0;
        if (!found) {
            if (_mustExist != 0)
                OS_Fatal("CON_Cache::Allocate() file not found", (std::string("sfx\\sample\\") + _name).c_str());
            return 0;
        }
        slots.push_back(Slot{_name, 1, std::make_unique<SND_Sample>()});
        return (s32)slots.size();
    }
    SND_Sample* Get(s32 _handle) override { return Live(_handle) ? slots[_handle - 1].sample.get() : nullptr; }
    void AddRef(s32 _handle) override
    {
        if (Live(_handle))
            ++slots[_handle - 1].references;
    }
    void Release(s32 _handle) override
    {
        if (Live(_handle))
            --slots[_handle - 1].references;
    }

    s32 References(s32 _handle) const { return Live(_handle) ? slots[_handle - 1].references : 0; }
    s32 TotalReferences() const
    {
        s32 total = 0;
        for (const Slot& slot : slots)
            total += slot.references;
        return total;
    }

    struct Slot
    {
        std::string name;
        s32 references = 0;
        std::unique_ptr<SND_Sample> sample;
    };
    std::vector<Slot> slots;
    std::vector<std::string> files = {"pb_07.wav", "ef_01.wav", "music.mp3"};
    std::vector<s32> mustExist;

private:
    bool Live(s32 _handle) const
    {
        return _handle >= 1 && _handle <= (s32)slots.size() && slots[_handle - 1].references > 0;
    }
};

// Gives out the lowest voice that is neither playing nor refused; a voice plays until the test
// ends it. The reference count of the played handle is noted at each play.
class SND_RecordingDevice : public SND_SoundDevice
{
public:
    explicit SND_RecordingDevice(s32 _voices, SND_CountingTable* _table = nullptr)
        : voices(_voices), playing((size_t)_voices, 0), table(_table)
    {
    }

    s32 Play(const SND_PlayParams& _params) override
    {
        plays.push_back(_params);
        if (table != nullptr)
            referencesAtPlay.push_back(table->TotalReferences());
        for (s32 i = 0; i < voices; ++i)
            if (!playing[i] && !full) {
                playing[i] = 1;
                return i;
            }
        return -1;
    }
    void Stop(s32 _voice) override
    {
        stops.push_back(_voice);
        if (_voice >= 0 && _voice < voices)
            playing[_voice] = 0;
    }
    void SetVolume(s32, s32) override {}
    void SetRate(s32, s32) override {}
    void SetPosition(f32, f32, f32) override {}
    s32 IsPlaying(s32 _voice) override
    {
        ++playingQueries;
        return _voice >= 0 && _voice < voices ? playing[_voice] : 0;
    }
    s32 GetVolume(s32) override { return 0; }
    s32 GetRate(s32) override { return 1; }
    s32 GetNumChannels() override { return voices; }
    void Release() override {}
    void Reacquire() override {}

    s32 voices = 0;
    std::vector<s32> playing;
    bool full = false;  // no voice is free
    SND_CountingTable* table = nullptr;
    std::vector<SND_PlayParams> plays;
    std::vector<s32> referencesAtPlay;
    std::vector<s32> stops;
    s32 playingQueries = 0;
};

class SndSoundTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SND_SampleTable::SetCurrent(&m_table);
        CRT_SRand(1);
    }
    void TearDown() override { SND_SampleTable::SetCurrent(nullptr); }

    // The first _count values after seeding with _seed; the generator is left seeded with
    // _seed again, so the code under test meets the same values.
    static std::vector<s32> Draws(u32 _seed, s32 _count)
    {
        CRT_SRand(_seed);
        std::vector<s32> values;
        for (s32 i = 0; i < _count; ++i)
            values.push_back(CRT_Rand());
        CRT_SRand(_seed);
        return values;
    }

    TST_TempDir m_dir;
    SND_CountingTable m_table;
};
