// RPL_BitSet: a set of bits numbered from 0, one per replicated property of an object.
//
// Up to 32 bits live in a word inside the set; more take ceil(bits / 32) words from the pools.
// The storage only grows. Bits at or past the count are always clear, so the words can go out
// as they are.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class RPL_BitSet
{
public:
    RPL_BitSet() = default;
    ~RPL_BitSet();
    RPL_BitSet(const RPL_BitSet&) = delete;
    RPL_BitSet& operator=(const RPL_BitSet&) = delete;

    // Makes room for _bits bits and clears every bit from _bits on; bits below keep their values.
    void Resize(u32 _bits);
    u32 GetBitCount() const { return m_bits; }
    u32 GetWordCount() const { return (m_bits + 31) / 32; }
    u32 GetCapacity() const { return m_capacity; }  // in words

    // Bits past the count read as clear; setting or clearing one there does nothing.
    bool Test(u32 _bit) const { return _bit < m_bits && (m_words[_bit / 32] >> (_bit % 32)) & 1; }
    void Set(u32 _bit);
    void Clear(u32 _bit);
    void SetAll();
    void ClearAll();

    // Bit i is bit i mod 32 of word i / 32.
    u32* Words() { return m_words; }
    const u32* Words() const { return m_words; }

private:
    void ClearFrom(u32 _bit);

    u32* m_words = &m_inside;
    u32 m_bits = 0;
    u32 m_capacity = 1;
    u32 m_inside = 0;
};
