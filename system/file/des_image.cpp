// Pre-parsed images. An image is the parser's arena byte for byte, and the tree keeps its
// links as offsets in memory too, so a sound image is used exactly as read. Images come from
// outside the program, so nothing in one is trusted: every node reachable from the root is
// decoded and bounds-checked once, and each byte of the block may belong to one node only,
// which rules out cycles and shared nodes and bounds the walk by the block size. Parent links
// are neither checked nor ever followed.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "des_local.h"
#include "mem_alloc.h"
#include "os_path.h"

namespace
{

// Bytes of the block already claimed by a node, one bit each.
class Coverage
{
public:
    ~Coverage() { MEM_Free(m_bits); }

    u32 Start(u32 _size)
    {
        const u32 bytes = _size / 8 + 1;
        m_bits = (u8*)MEM_Alloc(bytes);
        if (!m_bits)
            return 0;
        memset(m_bits, 0, bytes);
        return 1;
    }

    // Claims [_begin, _end); 0 when any byte of it is claimed already.
    u32 Claim(u32 _begin, u32 _end)
    {
        for (u32 i = _begin; i < _end;) {
            if ((i & 7) == 0 && _end - i >= 8) {
                if (m_bits[i >> 3])
                    return 0;
                i += 8;
            } else {
                if (m_bits[i >> 3] & (1u << (i & 7)))
                    return 0;
                ++i;
            }
        }
        for (u32 i = _begin; i < _end;) {
            if ((i & 7) == 0 && _end - i >= 8) {
                m_bits[i >> 3] = 0xFF;
                i += 8;
            } else {
                m_bits[i >> 3] |= (u8)(1u << (i & 7));
                ++i;
            }
        }
        return 1;
    }

private:
    u8* m_bits = nullptr;
};

// Sections still to visit.
class Pending
{
public:
    ~Pending() { MEM_Free(m_items); }

    u32 Push(u32 _node)
    {
        if (m_count == m_capacity) {
            const u32 capacity = m_capacity ? m_capacity * 2 : 64;
            u32* items = (u32*)MEM_Realloc(m_items, capacity * 4);
            if (!items)
                return 0;
            m_items = items;
            m_capacity = capacity;
        }
        m_items[m_count++] = _node;
        return 1;
    }

    u32 Pop(u32* _node)
    {
        if (m_count == 0)
            return 0;
        *_node = m_items[--m_count];
        return 1;
    }

private:
    u32* m_items = nullptr;
    u32 m_count = 0;
    u32 m_capacity = 0;
};

// A zero-terminated text of exactly _length bytes (terminator included) at _text.
bool IsTerminatedAt(const u8* _text, u32 _length)
{
    return _length >= 1 && memchr(_text, 0, _length) == _text + _length - 1;
}

// Decodes the section at _node and claims its bytes; null when sound.
const char* CheckSection(const u8* _block, u32 _size, u32 _node, Coverage& _coverage)
{
    if ((u64)_node + DES_Node::SECTION_HEADER >= _size)
        return "corrupt image: section outside the block";
    const u32 nameLength = _block[_node];
    const u64 end = (u64)_node + DES_Node::SECTION_HEADER + nameLength;
    if (end > _size)
        return "corrupt image: section name outside the block";
    if (!IsTerminatedAt(_block + _node + DES_Node::SECTION_HEADER, nameLength))
        return "corrupt image: section name length";
    if (!_coverage.Claim(_node, (u32)end))
        return "corrupt image: node reached twice";
    return nullptr;
}

const char* CheckEntry(const u8* _block, u32 _size, u32 _node, Coverage& _coverage)
{
    if ((u64)_node + DES_Node::ENTRY_HEADER >= _size)
        return "corrupt image: entry outside the block";
    const u8 type = _block[_node];
    const u32 keyLength = _block[_node + 1];
    const u32 valueSize = OS_ReadU16LE(_block + _node + 2);
    const u64 valueStart = (u64)_node + DES_Node::ENTRY_HEADER + keyLength;
    const u64 end = valueStart + valueSize;
    if (end > _size)
        return "corrupt image: entry outside the block";
    if (!IsTerminatedAt(_block + _node + DES_Node::ENTRY_HEADER, keyLength))
        return "corrupt image: key length";
    switch (type) {
    case DES_TYPE_INT:
    case DES_TYPE_FLOAT:
        if (valueSize != 4)
            return "corrupt image: value size";
        break;
    case DES_TYPE_STRING:
        if (!IsTerminatedAt(_block + valueStart, valueSize))
            return "corrupt image: string length";
        break;
    case DES_TYPE_VECTOR3:
        if (valueSize != 12)
            return "corrupt image: value size";
        break;
    case DES_TYPE_VECTOR2:
        if (valueSize != 8)
            return "corrupt image: value size";
        break;
    default:
        return "corrupt image: entry type";
    }
    if (!_coverage.Claim(_node, (u32)end))
        return "corrupt image: node reached twice";
    return nullptr;
}

// Null when the image is sound, else the reason.
const char* CheckImage(const u8* _block, u32 _size)
{
    static const u8 ROOT_NAME[5] = {'H', 'E', 'A', 'D', 0};
    if (_size < DES_Node::SECTION_HEADER + sizeof(ROOT_NAME))
        return "corrupt image: too short";
    if (_block[0] != sizeof(ROOT_NAME) || memcmp(_block + DES_Node::SECTION_HEADER, ROOT_NAME, sizeof(ROOT_NAME)) != 0)
        return "corrupt image: no root";

    Coverage coverage;
    Pending pending;
    if (!coverage.Start(_size) || !pending.Push(0))
        return "out of memory";
    u32 section = 0;
    while (pending.Pop(&section)) {
        if (const char* error = CheckSection(_block, _size, section, coverage))
            return error;
        for (u32 entry = OS_ReadU32LE(_block + section + 16); entry != DES_NONE;
             entry = OS_ReadU32LE(_block + entry + 4)) {
            if (const char* error = CheckEntry(_block, _size, entry, coverage))
                return error;
        }
        const u32 next = OS_ReadU32LE(_block + section + 12);
        const u32 sub = OS_ReadU32LE(_block + section + 8);
        if ((next != DES_NONE && !pending.Push(next)) || (sub != DES_NONE && !pending.Push(sub)))
            return "out of memory";
    }
    return nullptr;
}

DES_Tree* Adopt(u8* _block, u32 _size)
{
    const char* error = CheckImage(_block, _size);
    if (error) {
        DES_SetError(error, 0);
        free(_block);
        return nullptr;
    }
    DES_Tree* tree = (DES_Tree*)malloc(sizeof(DES_Tree));
    if (!tree) {
        DES_SetError("out of memory", 0);
        free(_block);
        return nullptr;
    }
    new (tree) DES_Tree;
    tree->block = _block;
    tree->size = _size;
    tree->used = _size;
    tree->root = 0;
    return tree;
}

}  // namespace

DES_Tree* DES_Image_LoadBuffer(const u8* _data, u32 _size)
{
    u8* block = (u8*)malloc(_size ? _size : 1);
    if (!block) {
        DES_SetError("out of memory", 0);
        return nullptr;
    }
    if (_size)
        memcpy(block, _data, _size);
    return Adopt(block, _size);
}

DES_Tree* DES_Image_Load(const char* _name)
{
    FILE* file = OS_OpenDataFile(_name, "rb");
    if (!file) {
        DES_SetError("cannot read file", 0);
        return nullptr;
    }
    struct stat info = {};
    if (fstat(fileno(file), &info) != 0 || info.st_size < 0 || (u64)info.st_size >= DES_NONE) {
        fclose(file);
        DES_SetError("cannot read file", 0);
        return nullptr;
    }
    const u32 size = (u32)info.st_size;
    u8* block = (u8*)malloc(size ? size : 1);
    u32 got = 0;
    while (block && got < size) {
        const size_t read = fread(block + got, 1, size - got, file);
        if (read == 0)
            break;
        got += (u32)read;
    }
    const bool failed = !block || ferror(file);
    fclose(file);
    if (failed) {
        free(block);
        DES_SetError("cannot read file", 0);
        return nullptr;
    }
    // A file that shrank while being read is checked as what was read.
    return Adopt(block, got);
}
