// Copy-on-write strings over the pooled allocator.
#include "mos_string.h"

#include <cstdint>
#include <cstring>

#include "mem_alloc.h"
#include "os_fatal.h"

namespace
{
// Static storage, so the empty string needs neither the pools nor any particular order of
// static initialisation; both are zero before any constructor runs.
alignas(16) u8 s_emptyRep[sizeof(MOS_StringRep) + 16];
u32 s_emptyReady = 0;

bool IsEmptyRep(const MOS_StringRep* _rep) { return (const u8*)_rep == s_emptyRep; }
}  // namespace

u32 MOS_String::CapacityFor(u32 _length)
{
    if (_length > MOS_STRING_MAX_LENGTH)
        OS_Fatal("MOS_String::AllocRep()", "out of memory");
    if (_length < 16)
        return 16;
    u32 capacity = 32;
    while (capacity < _length + 1)
        capacity <<= 1;
    return capacity;
}

void MOS_String::InitRep(MOS_StringRep* _rep, u32 _capacity)
{
    _rep->length = 0;
    _rep->capacity = _capacity;
    _rep->count = 1;
    _rep->unshareable = 0;
}

char* MOS_String::AllocRep(u32 _length)
{
    const u32 capacity = CapacityFor(_length);
    MOS_StringRep* rep =
        (MOS_StringRep*)MEM_AllocOrDie(capacity + (u32)sizeof(MOS_StringRep), "MOS_String::AllocRep()");
    InitRep(rep, capacity);
    char* chars = (char*)(rep + 1);
    chars[0] = 0;
    return chars;
}

void MOS_String::InitEmptyRep(MOS_StringRep* _rep)
{
    InitRep(_rep, 16);
    ((char*)(_rep + 1))[0] = 0;
}

char* MOS_String::GetEmptyRep()
{
    MOS_StringRep* rep = (MOS_StringRep*)s_emptyRep;
    if (!s_emptyReady) {
        InitEmptyRep(rep);
        s_emptyReady = 1;
    }
    ++rep->count;
    return (char*)(rep + 1);
}

void MOS_String::CopyChars(char* _chars, u32 _offset, const char* _source, u32 _count)
{
    if (_count > 0)
        memcpy(_chars + _offset, _source, _count);
}

char* MOS_String::CloneRep(const char* _chars)
{
    const u32 length = RepOf(_chars)->length;
    char* copy = AllocRep(length);
    CopyChars(copy, 0, _chars, length);
    RepOf(copy)->length = length;
    copy[length] = 0;
    return copy;
}

char* MOS_String::ShareRep(char* _chars)
{
    MOS_StringRep* rep = RepOf(_chars);
    if (rep->unshareable)
        return CloneRep(_chars);
    ++rep->count;
    return _chars;
}

u32 MOS_String::ReleaseRepChecked(char* _chars)
{
    MOS_StringRep* rep = RepOf(_chars);
    if (--rep->count >= 1)
        return 1;
    if (!IsEmptyRep(rep))
        MEM_Free(rep);
    return 0;
}

void MOS_String::ReleaseRep(char* _chars) { ReleaseRepChecked(_chars); }

MOS_String::MOS_String() : m_chars(GetEmptyRep()) {}

MOS_String::MOS_String(const char* _text) : MOS_String(_text, _text ? (u32)strlen(_text) : 0) {}

MOS_String::MOS_String(const char* _chars, u32 _count)
{
    if (_count == 0) {
        m_chars = GetEmptyRep();
        return;
    }
    m_chars = AllocRep(_count);
    CopyChars(m_chars, 0, _chars, _count);
    RepOf(m_chars)->length = _count;
    m_chars[_count] = 0;
}

MOS_String::MOS_String(const MOS_String& _other) : m_chars(ShareRep(_other.m_chars)) {}

MOS_String& MOS_String::operator=(const MOS_String& _other)
{
    // Share first: assigning a string to itself must not free the representation.
    char* chars = ShareRep(_other.m_chars);
    ReleaseRep(m_chars);
    m_chars = chars;
    return *this;
}

MOS_String::~MOS_String() { ReleaseRep(m_chars); }

void MOS_String::Clear()
{
    ReleaseRep(m_chars);
    m_chars = GetEmptyRep();
}

void MOS_String::Replace(u32 _position, u32 _count, const char* _chars, u32 _charCount)
{
    MOS_StringRep* rep = RepOf(m_chars);
    const u32 length = rep->length;
    if (_position > length)
        _position = length;
    if (_count > length - _position)
        _count = length - _position;
    const u64 newLength64 = (u64)(length - _count) + _charCount;
    if (newLength64 > MOS_STRING_MAX_LENGTH)
        OS_Fatal("MOS_String::Replace()", "out of memory");
    const u32 newLength = (u32)newLength64;
    const u32 tail = length - _position - _count;
    rep->unshareable = 0;

    // Characters taken from this very string would be moved under the copy in place; the
    // fresh representation reads them from the old one before releasing it.
    const uintptr_t source = (uintptr_t)_chars;
    const bool aliased = _charCount > 0 && source >= (uintptr_t)m_chars && source < (uintptr_t)m_chars + rep->capacity;

    if (rep->count < 2 && newLength + 1 <= rep->capacity && !aliased) {
        if (tail > 0)
            memmove(m_chars + _position + _charCount, m_chars + _position + _count, tail);
        CopyChars(m_chars, _position, _chars, _charCount);
    } else {
        char* fresh = AllocRep(newLength);
        CopyChars(fresh, 0, m_chars, _position);
        CopyChars(fresh, _position, _chars, _charCount);
        CopyChars(fresh, _position + _charCount, m_chars + _position + _count, tail);
        ReleaseRep(m_chars);
        m_chars = fresh;
    }
    RepOf(m_chars)->length = newLength;
    m_chars[newLength] = 0;
}

void MOS_String::Append(const char* _chars, u32 _charCount) { Replace(Length(), 0, _chars, _charCount); }
