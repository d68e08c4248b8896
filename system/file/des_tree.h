// The parsed form of a description (".des") file: one contiguous block holding the tree in
// the byte layout of the pre-parsed image, links kept as u32 offsets from the block start
// (DES_NONE for none), so a text parse and a loaded image look the same.
//
// Section node: u8 name length (with terminator), u8 0, 2 unused, u32 parent,
// u32 first subsection, u32 next sibling, u32 first entry, name (lower case).
// Entry node: u8 type, u8 key length (with terminator), u16 value size, u32 next entry,
// key (lower case), value (s32 | f32 | chars + 0 | 3 x f32 | 2 x f32).
// The root section "HEAD" is at offset 0. Nodes are unaligned: read fields with OS_ReadU32LE.
#pragma once

#include "os_types.h"

enum : u32
{
    DES_NONE = 0xFFFFFFFFu
};

enum DES_EntryType : u8
{
    DES_TYPE_INT = 0,
    DES_TYPE_FLOAT = 1,
    DES_TYPE_STRING = 2,
    DES_TYPE_VECTOR3 = 3,
    DES_TYPE_VECTOR2 = 4
};

struct DES_Tree
{
    u8* block = nullptr;  // from the C heap
    u32 size = 0;         // bytes reserved
    u32 used = 0;         // first free byte
    u32 root = DES_NONE;  // offset of the root section, DES_NONE when the file has none
};

// Parses a text file. Null when it cannot be opened or does not parse; then
// DES_GetLastError() says why ("parse error", "parser stack overflow", a scanner failure).
DES_Tree* DES_Text_Parse(const char* _name);
// Parses text already in memory (already converted from Windows text mode).
DES_Tree* DES_Text_ParseBuffer(const u8* _text, u32 _size);

// Loads a pre-parsed image, checking every offset, length, terminator and link against the
// block and bounding the walk. Null when it cannot be read or is corrupt.
DES_Tree* DES_Image_Load(const char* _name);
DES_Tree* DES_Image_LoadBuffer(const u8* _data, u32 _size);

void DES_Tree_Free(DES_Tree* _tree);

const char* DES_GetLastError();
u32 DES_GetLastErrorLine();

// Node field access (offsets are trusted: the tree was built or validated).
namespace DES_Node
{
enum : u32
{
    SECTION_HEADER = 20,
    ENTRY_HEADER = 8
};
inline u32 Link(const DES_Tree* _t, u32 _node, u32 _field) { return OS_ReadU32LE(_t->block + _node + _field); }
inline const char* SectionName(const DES_Tree* _t, u32 _s) { return (const char*)_t->block + _s + SECTION_HEADER; }
inline u32 SectionParent(const DES_Tree* _t, u32 _s) { return Link(_t, _s, 4); }
inline u32 SectionFirstSub(const DES_Tree* _t, u32 _s) { return Link(_t, _s, 8); }
inline u32 SectionNext(const DES_Tree* _t, u32 _s) { return Link(_t, _s, 12); }
inline u32 SectionFirstEntry(const DES_Tree* _t, u32 _s) { return Link(_t, _s, 16); }
inline u8 EntryType(const DES_Tree* _t, u32 _e) { return _t->block[_e]; }
inline u8 EntryKeyLength(const DES_Tree* _t, u32 _e) { return _t->block[_e + 1]; }
inline u16 EntryValueSize(const DES_Tree* _t, u32 _e) { return OS_ReadU16LE(_t->block + _e + 2); }
inline u32 EntryNext(const DES_Tree* _t, u32 _e) { return Link(_t, _e, 4); }
inline const char* EntryKey(const DES_Tree* _t, u32 _e) { return (const char*)_t->block + _e + ENTRY_HEADER; }
inline const u8* EntryValue(const DES_Tree* _t, u32 _e)
{
    return _t->block + _e + ENTRY_HEADER + EntryKeyLength(_t, _e);
}
}  // namespace DES_Node
