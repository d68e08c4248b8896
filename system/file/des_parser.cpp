// The description-file parser and tree builder. The grammar is small enough for a state
// machine without recursion: the open sections are the only nesting, and their number is
// bounded by the parser stack the format has always had, so hostile nesting ends in
// "parser stack overflow" instead of exhausting the C stack.
//
// The tree is written into one C-heap arena in its final byte layout (links as offsets), so
// a parsed tree and a loaded image are the same thing. The arena starts at four times the
// text size and grows whenever a node would not fit.
#include <cstdlib>
#include <cstring>
#include <new>

#include "des_local.h"
#include "mem_alloc.h"
#include "os_path.h"
#include "os_string.h"

namespace
{

const char* s_errorText = "";
u32 s_errorLine = 0;

const char* const PARSE_ERROR = "parse error";
const char* const STACK_OVERFLOW = "parser stack overflow";
const char* const OUT_OF_MEMORY = "out of memory";

// Deepest nesting the stack bound lets through (a section's first two entries are pushed
// before its node is built), plus the root.
const u32 MAX_OPEN = (DES_PARSER_STACK_MAX - DES_PARSER_STACK_BASE) / DES_PARSER_STACK_SECTION + 2;

struct OpenSection
{
    u32 node;
    u32 lastSub;
    u32 lastEntry;
};

class Builder
{
public:
    ~Builder() { free(m_block); }

    u32 Start(u32 _textSize)
    {
        const u64 wanted = (u64)_textSize * 4;
        m_size = wanted == 0 ? 1 : (wanted > DES_NONE - 1 ? DES_NONE - 1 : (u32)wanted);
        m_block = (u8*)malloc(m_size);
        return m_block != nullptr;
    }

    // Appends a section named by the token as the last subsection of the current one; the
    // first call creates the root "HEAD".
    const char* BeginSection(const u8* _name, u32 _length)
    {
        if (_length > DES_MAX_NAME)
            return PARSE_ERROR;
        if (m_root == DES_NONE) {
            m_root = AddSection(DES_NONE, (const u8*)"HEAD", 4, false);
            if (m_root == DES_NONE)
                return OUT_OF_MEMORY;
            m_open[0] = {m_root, DES_NONE, DES_NONE};
            m_depth = 1;
        }
        if (m_depth >= MAX_OPEN)
            return STACK_OVERFLOW;
        OpenSection& parent = m_open[m_depth - 1];
        const u32 node = AddSection(parent.node, _name, _length, true);
        if (node == DES_NONE)
            return OUT_OF_MEMORY;
        if (parent.lastSub == DES_NONE)
            OS_WriteU32LE(m_block + parent.node + 8, node);
        else
            OS_WriteU32LE(m_block + parent.lastSub + 12, node);
        parent.lastSub = node;
        m_open[m_depth++] = {node, DES_NONE, DES_NONE};
        return nullptr;
    }

    // The current section's parent becomes current (the root stays open below the top).
    void EndSection()
    {
        if (m_depth > 1)
            --m_depth;
    }

    // Appends an entry to the current section's entries; a string value gets its terminator.
    const char* AddEntry(const u8* _key, u32 _keyLength, u8 _type, const u8* _value, u32 _valueLength)
    {
        const bool terminated = _type == DES_TYPE_STRING;
        const u32 valueSize = _valueLength + (terminated ? 1 : 0);
        if (_keyLength > DES_MAX_NAME || valueSize > 0xFFFFu)
            return PARSE_ERROR;
        const u32 node = Reserve(DES_Node::ENTRY_HEADER + _keyLength + 1 + valueSize);
        if (node == DES_NONE)
            return OUT_OF_MEMORY;
        u8* p = m_block + node;
        p[0] = _type;
        p[1] = (u8)(_keyLength + 1);
        OS_WriteU16LE(p + 2, (u16)valueSize);
        OS_WriteU32LE(p + 4, DES_NONE);
        CopyLower(p + DES_Node::ENTRY_HEADER, _key, _keyLength);
        u8* value = p + DES_Node::ENTRY_HEADER + _keyLength + 1;
        if (_valueLength)
            memcpy(value, _value, _valueLength);
        if (terminated)
            value[_valueLength] = 0;
        OpenSection& section = m_open[m_depth - 1];
        if (section.lastEntry == DES_NONE)
            OS_WriteU32LE(m_block + section.node + 16, node);
        else
            OS_WriteU32LE(m_block + section.lastEntry + 4, node);
        section.lastEntry = node;
        return nullptr;
    }

    DES_Tree* Finish()
    {
        DES_Tree* tree = (DES_Tree*)malloc(sizeof(DES_Tree));
        if (!tree)
            return nullptr;
        new (tree) DES_Tree;
        tree->block = m_block;
        tree->size = m_size;
        tree->used = m_used;
        tree->root = m_root;
        m_block = nullptr;
        return tree;
    }

private:
    static void CopyLower(u8* _dst, const u8* _src, u32 _length)
    {
        for (u32 i = 0; i < _length; ++i)
            _dst[i] = (u8)OS_ToLower((char)_src[i]);
        _dst[_length] = 0;
    }

    u32 AddSection(u32 _parent, const u8* _name, u32 _length, bool _lower)
    {
        const u32 node = Reserve(DES_Node::SECTION_HEADER + _length + 1);
        if (node == DES_NONE)
            return DES_NONE;
        u8* p = m_block + node;
        p[0] = (u8)(_length + 1);
        p[1] = 0;
        p[2] = 0;
        p[3] = 0;
        OS_WriteU32LE(p + 4, _parent);
        OS_WriteU32LE(p + 8, DES_NONE);
        OS_WriteU32LE(p + 12, DES_NONE);
        OS_WriteU32LE(p + 16, DES_NONE);
        if (_lower) {
            CopyLower(p + DES_Node::SECTION_HEADER, _name, _length);
        } else {
            memcpy(p + DES_Node::SECTION_HEADER, _name, _length);
            p[DES_Node::SECTION_HEADER + _length] = 0;
        }
        return node;
    }

    // Offset of _bytes new bytes, growing the arena as needed; DES_NONE when it cannot grow
    // (offsets must stay below DES_NONE).
    u32 Reserve(u32 _bytes)
    {
        const u64 needed = (u64)m_used + _bytes;
        if (needed >= DES_NONE)
            return DES_NONE;
        if (needed > m_size) {
            u64 grown = (u64)m_size * 2;
            if (grown < needed)
                grown = needed;
            if (grown > DES_NONE - 1)
                grown = DES_NONE - 1;
            u8* block = (u8*)realloc(m_block, (size_t)grown);
            if (!block)
                return DES_NONE;
            m_block = block;
            m_size = (u32)grown;
        }
        const u32 node = m_used;
        m_used = (u32)needed;
        return node;
    }

    u8* m_block = nullptr;
    u32 m_size = 0;
    u32 m_used = 0;
    u32 m_root = DES_NONE;
    u32 m_depth = 0;  // open sections, the root included once it exists
    OpenSection m_open[MAX_OPEN] = {};
};

enum State : u8
{
    STATE_FILE,          // between top-level sections
    STATE_SECTION_OPEN,  // after SECTION, wants '{'
    STATE_SECTION_BODY,  // entries, subsections or '}'
    STATE_KEY,           // after KEY, wants a value
    STATE_FLOAT1,        // after one float: ',' or the end of the entry
    STATE_COMMA1,        // wants the second float
    STATE_FLOAT2,        // after two floats: ',' or the end of the entry
    STATE_COMMA2         // wants the third float
};

bool IsChar(const DES_Token& _token, u8 _c) { return _token.kind == DES_TOKEN_CHAR && _token.character == _c; }

DES_Tree* Fail(const char* _text, u32 _line)
{
    DES_SetError(_text, _line);
    return nullptr;
}

}  // namespace

void DES_SetError(const char* _text, u32 _line)
{
    s_errorText = _text;
    s_errorLine = _line;
}

const char* DES_GetLastError() { return s_errorText; }
u32 DES_GetLastErrorLine() { return s_errorLine; }

DES_Tree* DES_Text_ParseBuffer(const u8* _text, u32 _size)
{
    DES_SetError("", 0);
    Builder builder;
    if (!builder.Start(_size))
        return Fail(OUT_OF_MEMORY, 0);
    DES_Scanner scanner(_text, _size);

    State state = STATE_FILE;
    u32 stack = DES_PARSER_STACK_BASE;
    u32 openSections = 0;
    DES_Token key;
    f32 floats[3] = {};
    DES_Token token;
    bool reuse = false;

    // Pushes onto the modelled parser stack; 0 when it would overflow.
    auto push = [&](u32 _entries) {
        stack += _entries;
        return stack <= DES_PARSER_STACK_MAX;
    };
    auto addFloats = [&](u8 _type, u32 _count) {
        u8 value[12];
        for (u32 i = 0; i < _count; ++i) {
            u32 bits;
            memcpy(&bits, &floats[i], 4);
            OS_WriteU32LE(value + 4 * i, bits);
        }
        stack -= 2 * _count;  // the key, the floats and the commas between them
        return builder.AddEntry(key.text, key.length, _type, value, 4 * _count);
    };

    for (;;) {
        if (!reuse && !scanner.Next(&token))
            return nullptr;
        reuse = false;
        const char* error = nullptr;
        switch (state) {
        case STATE_FILE:
        case STATE_SECTION_BODY:
            if (token.kind == DES_TOKEN_SECTION) {
                if (!push(2))
                    return Fail(STACK_OVERFLOW, token.line);
                error = builder.BeginSection(token.text, token.length);
                ++openSections;
                state = STATE_SECTION_OPEN;
            } else if (state == STATE_FILE && token.kind == DES_TOKEN_END) {
                DES_Tree* tree = builder.Finish();
                return tree ? tree : Fail(OUT_OF_MEMORY, token.line);
            } else if (state == STATE_SECTION_BODY && token.kind == DES_TOKEN_KEY) {
                if (token.length > DES_MAX_NAME)
                    return Fail(PARSE_ERROR, token.line);
                if (!push(1))
                    return Fail(STACK_OVERFLOW, token.line);
                key = token;
                state = STATE_KEY;
            } else if (state == STATE_SECTION_BODY && IsChar(token, '}')) {
                stack -= DES_PARSER_STACK_SECTION;
                builder.EndSection();
                --openSections;
                state = openSections == 0 ? STATE_FILE : STATE_SECTION_BODY;
            } else {
                error = PARSE_ERROR;
            }
            break;
        case STATE_SECTION_OPEN:
            if (!IsChar(token, '{'))
                return Fail(PARSE_ERROR, token.line);
            if (!push(2))
                return Fail(STACK_OVERFLOW, token.line);
            state = STATE_SECTION_BODY;
            break;
        case STATE_KEY:
            if (token.kind == DES_TOKEN_INT || token.kind == DES_TOKEN_STRING) {
                if (!push(1))
                    return Fail(STACK_OVERFLOW, token.line);
                stack -= 2;
                if (token.kind == DES_TOKEN_INT) {
                    u8 value[4];
                    OS_WriteU32LE(value, (u32)token.intValue);
                    error = builder.AddEntry(key.text, key.length, DES_TYPE_INT, value, 4);
                } else if (token.length > DES_MAX_STRING) {
                    error = PARSE_ERROR;
                } else {
                    error = builder.AddEntry(key.text, key.length, DES_TYPE_STRING, token.text, token.length);
                }
                state = STATE_SECTION_BODY;
            } else if (token.kind == DES_TOKEN_FLOAT) {
                if (!push(1))
                    return Fail(STACK_OVERFLOW, token.line);
                floats[0] = token.floatValue;
                state = STATE_FLOAT1;
            } else {
                error = PARSE_ERROR;
            }
            break;
        case STATE_FLOAT1:
        case STATE_FLOAT2:
            if (IsChar(token, ',')) {
                if (!push(1))
                    return Fail(STACK_OVERFLOW, token.line);
                state = state == STATE_FLOAT1 ? STATE_COMMA1 : STATE_COMMA2;
            } else {
                error = state == STATE_FLOAT1 ? addFloats(DES_TYPE_FLOAT, 1) : addFloats(DES_TYPE_VECTOR2, 2);
                state = STATE_SECTION_BODY;
                reuse = true;
            }
            break;
        case STATE_COMMA1:
        case STATE_COMMA2:
            if (token.kind != DES_TOKEN_FLOAT)
                return Fail(PARSE_ERROR, token.line);
            if (!push(1))
                return Fail(STACK_OVERFLOW, token.line);
            if (state == STATE_COMMA1) {
                floats[1] = token.floatValue;
                state = STATE_FLOAT2;
            } else {
                floats[2] = token.floatValue;
                error = addFloats(DES_TYPE_VECTOR3, 3);
                state = STATE_SECTION_BODY;
            }
            break;
        }
        if (error)
            return Fail(error, token.line);
    }
}

DES_Tree* DES_Text_Parse(const char* _name)
{
    u8* text = nullptr;
    u32 size = 0;
    if (!OS_ReadDataFile(_name, 1, &text, &size))
        return Fail("cannot read file", 0);
    DES_Tree* tree = DES_Text_ParseBuffer(text, size);
    MEM_Free(text);
    return tree;
}

void DES_Tree_Free(DES_Tree* _tree)
{
    if (!_tree)
        return;
    free(_tree->block);
    free(_tree);
}
