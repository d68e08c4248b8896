// The section cursor: searches with a moving start and the typed getters.
#include <cstring>

#include "des_file.h"
#include "os_fatal.h"
#include "os_string.h"

namespace
{
// Stem and index are joined in a buffer of this size.
enum : u32
{
    KEY_BYTES = 256
};

void JoinKey(char* _out, const char* _stem, u32 _index) { OS_SNPrintf(_out, KEY_BYTES, "%s%u", _stem, _index); }

// Walks a list from _start to its end, then from _first up to _start, so that reading in
// file order finds each element at the first comparison. _nameOf and _nextOf select the list.
template <typename NameOf, typename NextOf>
u32 SearchFrom(const DES_Tree* _tree, u32 _first, u32 _start, const char* _name, NameOf _nameOf, NextOf _nextOf)
{
    for (u32 node = _start; node != DES_NONE; node = _nextOf(_tree, node)) {
        if (OS_StrICmp(_nameOf(_tree, node), _name) == 0)
            return node;
    }
    for (u32 node = _first; node != _start && node != DES_NONE; node = _nextOf(_tree, node)) {
        if (OS_StrICmp(_nameOf(_tree, node), _name) == 0)
            return node;
    }
    return DES_NONE;
}

const DES_Tree* TreeOf(const DES_File* _file) { return _file != nullptr ? _file->GetTree() : nullptr; }

const char* FileNameOf(const DES_File* _file) { return _file != nullptr ? _file->GetName() : ""; }

f32 ReadF32(const u8* _p)
{
    const u32 bits = OS_ReadU32LE(_p);
    f32 value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}
}  // namespace

const char* DES_Section::GetName() const
{
    const DES_Tree* tree = TreeOf(m_file);
    if (tree == nullptr || m_section == DES_NONE)
        return "";
    return DES_Node::SectionName(tree, m_section);
}

u32 DES_Section::FindSection(DES_Section* _out, const char* _name)
{
    const DES_Tree* tree = TreeOf(m_file);
    if (tree == nullptr || m_section == DES_NONE)
        return 0;
    const u32 found = SearchFrom(tree, DES_Node::SectionFirstSub(tree, m_section), m_subsection, _name,
                                 DES_Node::SectionName, DES_Node::SectionNext);
    if (found == DES_NONE)
        return 0;
    m_subsection = found;
    // _out may be this cursor itself.
    DES_File* file = m_file;
    _out->m_file = file;
    _out->m_section = found;
    _out->m_entry = DES_Node::SectionFirstEntry(tree, found);
    _out->m_subsection = DES_Node::SectionFirstSub(tree, found);
    return 1;
}

u32 DES_Section::FindSectionIndexed(DES_Section* _out, const char* _stem, u32 _index)
{
    char name[KEY_BYTES];
    JoinKey(name, _stem, _index);
    return FindSection(_out, name);
}

u32 DES_Section::FindEntry(const char* _key)
{
    const DES_Tree* tree = TreeOf(m_file);
    if (tree == nullptr || m_section == DES_NONE)
        return DES_NONE;
    const u32 found = SearchFrom(tree, DES_Node::SectionFirstEntry(tree, m_section), m_entry, _key, DES_Node::EntryKey,
                                 DES_Node::EntryNext);
    if (found != DES_NONE)
        m_entry = found;
    return found;
}

u32 DES_Section::HasEntry(const char* _key) { return FindEntry(_key) != DES_NONE ? 1 : 0; }

const u8* DES_Section::GetTyped(const char* _key, u8 _type)
{
    const u32 entry = FindEntry(_key);
    if (entry == DES_NONE)
        OS_Fatal("DesFile Error", OS_Format("data \"%s\" not found in file \"%s\"", _key, FileNameOf(m_file)));
    const DES_Tree* tree = m_file->GetTree();
    if (DES_Node::EntryType(tree, entry) != _type)
        OS_Fatal("DesFile Error", OS_Format("data \"%s\" in file \"%s\" has wrong type", _key, FileNameOf(m_file)));
    return DES_Node::EntryValue(tree, entry);
}

u32 DES_Section::GetS8(const char* _key, s8* _value)
{
    // The low bits of the stored 32-bit value: 300 reads as 44.
    *_value = (s8)(u8)OS_ReadU32LE(GetTyped(_key, DES_TYPE_INT));
    return 1;
}

u32 DES_Section::GetS16(const char* _key, s16* _value)
{
    *_value = (s16)(u16)OS_ReadU32LE(GetTyped(_key, DES_TYPE_INT));
    return 1;
}

u32 DES_Section::GetS32(const char* _key, s32* _value)
{
    *_value = OS_ReadS32LE(GetTyped(_key, DES_TYPE_INT));
    return 1;
}

u32 DES_Section::GetFloat(const char* _key, f32* _value)
{
    *_value = ReadF32(GetTyped(_key, DES_TYPE_FLOAT));
    return 1;
}

u32 DES_Section::GetString(const char* _key, char* _buffer, u32 _bufferSize)
{
    const u8* value = GetTyped(_key, DES_TYPE_STRING);
    // The callers' buffers have fixed sizes: a longer value is cut rather than overrunning them.
    const u32 length = OS_StrLen((const char*)value);
    u32 copied = length;
    if (_bufferSize == 0)
        copied = 0;
    else if (copied > _bufferSize - 1)
        copied = _bufferSize - 1;
    if (_bufferSize != 0) {
        memcpy(_buffer, value, copied);
        _buffer[copied] = 0;
    }
    if (copied < length)
        OS_Log(OS_Format("DES_Section::GetString() data \"%s\" in file \"%s\" cut from %u to %u characters", _key,
                         FileNameOf(m_file), length, copied));
    return 1;
}

u32 DES_Section::GetVector3(const char* _key, f32* _xyz)
{
    const u8* value = GetTyped(_key, DES_TYPE_VECTOR3);
    for (u32 i = 0; i < 3; ++i)
        _xyz[i] = ReadF32(value + 4 * i);
    return 1;
}

u32 DES_Section::GetVector2(const char* _key, f32* _xy)
{
    const u8* value = GetTyped(_key, DES_TYPE_VECTOR2);
    for (u32 i = 0; i < 2; ++i)
        _xy[i] = ReadF32(value + 4 * i);
    return 1;
}

u32 DES_Section::GetS8Indexed(const char* _stem, u32 _index, s8* _value)
{
    char key[KEY_BYTES];
    JoinKey(key, _stem, _index);
    return GetS8(key, _value);
}

u32 DES_Section::GetS16Indexed(const char* _stem, u32 _index, s16* _value)
{
    char key[KEY_BYTES];
    JoinKey(key, _stem, _index);
    return GetS16(key, _value);
}

u32 DES_Section::GetS32Indexed(const char* _stem, u32 _index, s32* _value)
{
    char key[KEY_BYTES];
    JoinKey(key, _stem, _index);
    return GetS32(key, _value);
}

u32 DES_Section::GetVector3Indexed(const char* _stem, u32 _index, f32* _xyz)
{
    char key[KEY_BYTES];
    JoinKey(key, _stem, _index);
    return GetVector3(key, _xyz);
}

u32 DES_Section::GetStringIndexed(const char* _stem, u32 _index, char* _buffer, u32 _bufferSize)
{
    char key[KEY_BYTES];
    JoinKey(key, _stem, _index);
    return GetString(key, _buffer, _bufferSize);
}
