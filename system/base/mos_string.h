// MOS_String: the engine's reference-counted, copy-on-write string.
//
// A string is one pointer to zero-terminated characters that live 16 bytes after a header
// (MOS_StringRep). Copies share the representation and raise its count; the first change to a
// shared string gives that string a representation of its own. Capacity is 16 for lengths up to
// 15, else the smallest power of two above the length; a representation takes capacity + 16
// bytes from MEM_Alloc. Every empty string shares one static representation that is never freed.
// Lengths are limited to MOS_STRING_MAX_LENGTH; a longer result is fatal ("out of memory").
// Single-threaded: counts change without locks.
#pragma once

#include "os_types.h"

struct MOS_StringRep
{
    u32 length;       // characters, not counting the terminator
    u32 capacity;     // room for the characters and the terminator
    s32 count;        // references
    u32 unshareable;  // 1: a copy must clone instead of share
};
static_assert(sizeof(MOS_StringRep) == 16, "string header layout");

// The largest capacity, 2^31, still fits a u32 together with the header and the allocator's
// own overhead.
constexpr u32 MOS_STRING_MAX_LENGTH = 0x7FFFFFFFu;

class MOS_String
{
public:
    MOS_String();
    MOS_String(const char* _text);  // null is the empty string
    MOS_String(const char* _chars, u32 _count);
    MOS_String(const MOS_String& _other);
    MOS_String& operator=(const MOS_String& _other);
    ~MOS_String();

    const char* C_Str() const { return m_chars; }
    u32 Length() const { return RepOf(m_chars)->length; }
    u32 Capacity() const { return RepOf(m_chars)->capacity; }

    // Points the string at the shared empty representation.
    void Clear();
    // Replaces _count characters at _position by _charCount characters (insert when _count is
    // 0, erase when _charCount is 0). A position past the end means the end; a count past the
    // end means the rest. _chars may point into this string.
    void Replace(u32 _position, u32 _count, const char* _chars, u32 _charCount);
    void Append(const char* _chars, u32 _charCount);

    // Representation level, shared by the members above.
    static MOS_StringRep* RepOf(const char* _chars) { return (MOS_StringRep*)(_chars - sizeof(MOS_StringRep)); }
    static u32 CapacityFor(u32 _length);
    static char* AllocRep(u32 _length);
    static void InitRep(MOS_StringRep* _rep, u32 _capacity);
    static void InitEmptyRep(MOS_StringRep* _rep);
    static char* GetEmptyRep();
    static char* ShareRep(char* _chars);
    static char* CloneRep(const char* _chars);
    static void ReleaseRep(char* _chars);
    static u32 ReleaseRepChecked(char* _chars);  // 1 when the representation survives
    static void CopyChars(char* _chars, u32 _offset, const char* _source, u32 _count);

private:
    char* m_chars = nullptr;
};
