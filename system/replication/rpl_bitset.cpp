// The dirty-bit set of an observer's record.
#include "rpl_bitset.h"

#include <cstring>

RPL_BitSet::~RPL_BitSet()
{
    if (m_words != &m_inside)
        MEM_Free(m_words);
}

void RPL_BitSet::Resize(u32 _bits)
{
    const u32 words = (u32)(((u64)_bits + 31) / 32);
    if (words > m_capacity) {
        u32* grown = (u32*)MEM_AllocOrDie(words * (u32)sizeof(u32), "RPL_BitSet::Resize()");
        std::memcpy(grown, m_words, m_capacity * sizeof(u32));
        std::memset(grown + m_capacity, 0, (words - m_capacity) * sizeof(u32));
        if (m_words != &m_inside)
            MEM_Free(m_words);
        m_words = grown;
        m_capacity = words;
    }
    m_bits = _bits;
    ClearFrom(_bits);
}

void RPL_BitSet::Set(u32 _bit)
{
    if (_bit < m_bits)
        m_words[_bit / 32] |= 1u << (_bit % 32);
}

void RPL_BitSet::Clear(u32 _bit)
{
    if (_bit < m_bits)
        m_words[_bit / 32] &= ~(1u << (_bit % 32));
}

void RPL_BitSet::SetAll()
{
    std::memset(m_words, 0xFF, GetWordCount() * sizeof(u32));
    ClearFrom(m_bits);
}

void RPL_BitSet::ClearAll() { std::memset(m_words, 0, m_capacity * sizeof(u32)); }

void RPL_BitSet::ClearFrom(u32 _bit)
{
    u32 word = _bit / 32;
    if (word >= m_capacity)
        return;
    if (_bit % 32 != 0) {
        m_words[word] &= (1u << (_bit % 32)) - 1;
        ++word;
    }
    std::memset(m_words + word, 0, (m_capacity - word) * sizeof(u32));
}
