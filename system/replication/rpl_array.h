// RPL_Array: the replication layer's growable array of plain values (pointers, small records).
//
// A full array grows to the smallest power of two that is at least 4 and at least the needed
// count: new storage from the pools, the entries copied over, the old storage freed. Removing
// keeps the order of the others. The array owns its storage only, never what the entries
// point at.
#pragma once

#include <cstring>
#include <type_traits>

#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_types.h"

template <typename T>
class RPL_Array
{
    static_assert(std::is_trivially_copyable_v<T>, "entries are copied as bytes");

public:
    RPL_Array() = default;
    ~RPL_Array() { MEM_Free(m_items); }
    RPL_Array(const RPL_Array&) = delete;
    RPL_Array& operator=(const RPL_Array&) = delete;

    u32 Count() const { return m_count; }
    u32 Capacity() const { return m_capacity; }
    T& operator[](u32 _index) { return m_items[_index]; }
    const T& operator[](u32 _index) const { return m_items[_index]; }

    void Append(const T& _value)
    {
        if (m_count == m_capacity) {
            const T value = _value;  // may live in the storage that goes
            Grow();
            m_items[m_count++] = value;
            return;
        }
        m_items[m_count++] = _value;
    }

    // Later entries move down one place.
    void RemoveAt(u32 _index)
    {
        std::memmove(&m_items[_index], &m_items[_index + 1], (m_count - _index - 1) * sizeof(T));
        --m_count;
    }

    // Removes every entry the predicate picks; the others keep their order. The number removed.
    template <typename PICK>
    u32 RemoveEvery(PICK _pick)
    {
        u32 kept = 0;
        for (u32 i = 0; i < m_count; ++i) {
            if (!_pick(m_items[i]))
                m_items[kept++] = m_items[i];
        }
        const u32 removed = m_count - kept;
        m_count = kept;
        return removed;
    }

    void RemoveLast() { --m_count; }
    void Clear() { m_count = 0; }

private:
    void Grow()
    {
        u64 capacity = 4;
        while (capacity < (u64)m_count + 1)
            capacity <<= 1;
        if (capacity * sizeof(T) > 0xFFFFFFFFu)
            OS_Fatal("RPL_Array::Append()", "out of memory");
        T* items = (T*)MEM_AllocOrDie((u32)(capacity * sizeof(T)), "RPL_Array::Append()");
        if (m_count > 0)
            std::memcpy(items, m_items, m_count * sizeof(T));
        MEM_Free(m_items);
        m_items = items;
        m_capacity = (u32)capacity;
    }

    T* m_items = nullptr;
    u32 m_count = 0;
    u32 m_capacity = 0;
};
