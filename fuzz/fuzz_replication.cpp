// Any bytes as compact counts and as changed-properties records: a count read back from its own
// shortest form is the same value, and a record that ends early, claims more properties than
// the object has or holds anything else never reads or writes outside the object.
#include <string>

#include "rpl_compactcount.h"
#include "rpl_fixture.h"
#include "tst_memorystream.h"

namespace
{
void ReadCounts(const std::string& _bytes)
{
    TST_MemoryInput in(_bytes);
    for (;;) {
        const u32 value = MOS_ReadCompactCount(in);
        if (in.IsEOF()) {
            if (value != 0)
                __builtin_trap();
            return;
        }
        TST_MemoryOutput out;
        MOS_WriteCompactCount(out, value);
        TST_MemoryInput back(out.Bytes());
        if (MOS_ReadCompactCount(back) != value || back.Position() != out.Bytes().size() || back.IsEOF())
            __builtin_trap();
    }
}

// Records one after the other until the stream ends or fails; a corrupt record leaves the
// values as they were.
void ReadRecords(const std::string& _bytes, u32 _properties)
{
    TST_ValueObject object(_properties, 1000);
    TST_MemoryInput in(_bytes);
    while (!in.IsEOF() && !in.HasError()) {
        std::string before;
        for (u32 i = 0; i < _properties; ++i)
            before += std::to_string(object.Value(i).value) + ",";
        object.ReadChanged(in, 0, 0);
        if (in.HasError()) {
            std::string after;
            for (u32 i = 0; i < _properties; ++i)
                after += std::to_string(object.Value(i).value) + ",";
            if (after != before)
                __builtin_trap();
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size == 0 || _size > 0x10000)
        return 0;
    const std::string bytes((const char*)_data + 1, _size - 1);
    ReadCounts(bytes);
    // The first byte picks an object of 1 to 40 properties.
    ReadRecords(bytes, 1 + _data[0] % 40);
    return 0;
}
