// MOS_Map<T>: a two-dimensional array of plain cells, reached as map[y][x].
//
// One row-major block of width x height cells plus a table of row pointers into it, both owned
// by the map and taken from MEM_Alloc. Reconstruct leaves the cells undefined (a block of the
// same cell count is kept with its old values under the new row layout): callers fill the map
// afterwards. Every failure is fatal; unlike most of the engine, the caption names the problem
// and the message the place.
#pragma once

#include <cstring>
#include <type_traits>

#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_types.h"

template <typename T>
class MOS_Map : public MEM_Object
{
    static_assert(std::is_trivially_copyable_v<T>, "map cells are copied as bytes");

public:
    MOS_Map() = default;
    MOS_Map(const MOS_Map&) = delete;
    MOS_Map& operator=(const MOS_Map&) = delete;
    ~MOS_Map() { Free(); }

    void Reconstruct(s32 _width, s32 _height);
    // Copies the source's cells in storage order; only the cell counts must agree.
    void Copy(const MOS_Map& _source);
    void Free();

    T* operator[](s32 _y) { return m_rows[_y]; }
    const T* operator[](s32 _y) const { return m_rows[_y]; }

    // Read directly; change only through Reconstruct.
    s32 m_width = 0;
    s32 m_height = 0;
    s32 m_count = 0;
    T* m_cells = nullptr;
    T** m_rows = nullptr;

private:
    [[noreturn]] void FailAllocation(const char* _caption);
};

template <typename T>
void MOS_Map<T>::Reconstruct(s32 _width, s32 _height)
{
    static const char* const PLACE = "void MOS_Map<T>::Reconstruct()";
    static const char* const CELLS_FAILED = "couldn't allocate data field (out of memory).";
    static const char* const ROWS_FAILED = "couldn't allocate dataline field (out of memory).";
    if (_width < 1)
        OS_Fatal("Width of map must be > 0.", "MOS_Map::Reconstruct(const s32 _W, const s32 _H)");
    if (_height < 1)
        OS_Fatal("Height of map must be > 0.", "MOS_Map::Reconstruct(const s32 _W, const s32 _H)");

    // A size whose count or byte size does not fit is refused before anything is released,
    // instead of wrapping into a short block.
    const u64 count = (u64)_width * (u64)_height;
    if (count > 0x7FFFFFFFu || count * sizeof(T) > 0xFFFFFFFFu)
        OS_Fatal(CELLS_FAILED, PLACE);
    if ((u64)_height * sizeof(T*) > 0xFFFFFFFFu)
        OS_Fatal(ROWS_FAILED, PLACE);

    if ((s32)count != m_count) {
        MEM_Free(m_cells);
        m_cells = nullptr;
        m_count = 0;
        m_cells = (T*)MEM_Alloc((u32)(count * sizeof(T)));
        if (m_cells == nullptr)
            FailAllocation(CELLS_FAILED);
    }
    if (_height != m_height) {
        MEM_Free(m_rows);
        m_rows = nullptr;
        m_height = 0;
        m_rows = (T**)MEM_Alloc((u32)((u64)_height * sizeof(T*)));
        if (m_rows == nullptr)
            FailAllocation(ROWS_FAILED);
    }
    for (s32 y = 0; y < _height; ++y)
        m_rows[y] = m_cells + (size_t)y * (size_t)_width;
    m_width = _width;
    m_height = _height;
    m_count = (s32)count;
}

template <typename T>
void MOS_Map<T>::FailAllocation(const char* _caption)
{
    // Leave an empty map behind, so nothing points into a block that is gone.
    Free();
    OS_Fatal(_caption, "void MOS_Map<T>::Reconstruct()");
}

template <typename T>
void MOS_Map<T>::Copy(const MOS_Map& _source)
{
    if (_source.m_count != m_count)
        OS_Fatal("difference sizes of maps in copy operation.", "void MOS_Map<T>::Copy()");
    if (&_source != this && m_count > 0)
        memcpy(m_cells, _source.m_cells, (size_t)m_count * sizeof(T));
}

template <typename T>
void MOS_Map<T>::Free()
{
    MEM_Free(m_rows);
    MEM_Free(m_cells);
    m_rows = nullptr;
    m_cells = nullptr;
    m_width = 0;
    m_height = 0;
    m_count = 0;
}
