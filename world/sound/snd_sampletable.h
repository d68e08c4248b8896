// The samples cache as sample descriptions see it. The table lives with the resource caches,
// a layer above the descriptions, so the caches install theirs here for as long as they live
// (SND_SampleTableOver wraps any table with the cache's handle operations); tests install
// their own. Without a table a description holds no sample: allocation answers 0, and
// lookups, added references and releases do nothing.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class SND_Sample;

class SND_SampleTable : public MEM_Object
{
public:
    virtual ~SND_SampleTable() {}

    // 1-based handle of the named sample (0: none); a file that does not load is fatal with
    // _mustExist non-zero.
    virtual s32 Allocate(const char* _name, s32 _mustExist) = 0;
    // Null for a handle that names nothing.
    virtual SND_Sample* Get(s32 _handle) = 0;
    // Both ignore a handle that names nothing.
    virtual void AddRef(s32 _handle) = 0;
    virtual void Release(s32 _handle) = 0;

    static void SetCurrent(SND_SampleTable* _table);
    static SND_SampleTable* GetCurrent();
};

// Forwards to a table of samples that has the cache's handle operations.
template <class Table>
class SND_SampleTableOver : public SND_SampleTable
{
public:
    explicit SND_SampleTableOver(Table* _table) : m_table(_table) {}

    s32 Allocate(const char* _name, s32 _mustExist) override { return m_table->Allocate(_name, _mustExist); }
    SND_Sample* Get(s32 _handle) override { return m_table->Get(_handle); }
    void AddRef(s32 _handle) override { m_table->AddRef(_handle); }
    void Release(s32 _handle) override { m_table->Release(_handle); }

private:
    Table* m_table = nullptr;
};
