// Replicated objects for tests: properties holding one s32 each, and an object that owns them.
#pragma once

#include <memory>
#include <vector>

#include "rpl_replicatedobject.h"
#include "rpl_replicatedproperty.h"

// One s32 value. It reports a change while `changed` is set and takes a value only when all
// four bytes arrived. Counts the calls it got.
class TST_ValueProperty : public ReplicatedProperty
{
public:
    explicit TST_ValueProperty(s32 _value = 0) : value(_value) {}

    void OnListenerAdded() override { ++listenersAdded; }
    void OnListenerRemoved() override { ++listenersRemoved; }
    void Start() override { ++starts; }
    void Stop() override { ++stops; }
    u32 IsChanged(const RPL_ObjectRecord&, void*) override
    {
        ++changeTests;
        return changed ? 1 : 0;
    }
    void Write(IO_OutputStream& _stream, void*) override
    {
        ++writes;
        _stream.WriteS32(value);
    }
    void Read(IO_InputStream& _stream, s32, s32) override
    {
        ++reads;
        s32 arrived = value;
        _stream.ReadS32(arrived);
        if (!_stream.IsEOF() && !_stream.HasError())
            value = arrived;
    }

    s32 value;
    bool changed = false;
    int listenersAdded = 0;
    int listenersRemoved = 0;
    int starts = 0;
    int stops = 0;
    int changeTests = 0;
    int writes = 0;
    int reads = 0;
};

// An object of _count value properties, property i starting at _first + i. It departs before
// its properties die, as every object whose properties are its own members must.
class TST_ValueObject : public RPL_ReplicatedObject
{
public:
    explicit TST_ValueObject(u32 _count, s32 _first = 0, u32 _kind = 0) : RPL_ReplicatedObject(_kind)
    {
        for (u32 i = 0; i < _count; ++i) {
            m_values.push_back(std::make_unique<TST_ValueProperty>(_first + (s32)i));
            AddProperty(m_values.back().get());
        }
    }
    ~TST_ValueObject() override { Depart(); }

    u32 GetClassIndex() const override { return 7; }
    void WriteCreationRecord(IO_OutputStream&) override {}

    TST_ValueProperty& Value(u32 _index) { return *m_values[_index]; }

private:
    std::vector<std::unique_ptr<TST_ValueProperty>> m_values;
};
