// Private to the description-file reader: the scanner's tokens, the limits that follow from
// the node layout and from the scanner's and parser's fixed buffers, and the error state.
#pragma once

#include "des_tree.h"

enum : u32
{
    // The scanner's input buffer: one token (skipped ones included) may not be longer.
    DES_SCANNER_BUFFER = 16384,
    // The parser's stack bound; the base costs 2 entries, every open section 4, an entry in
    // progress 1 per token read so far.
    DES_PARSER_STACK_MAX = 10000,
    DES_PARSER_STACK_BASE = 2,
    DES_PARSER_STACK_SECTION = 4,
    // Length fields: u8 for names and keys (with their terminator), u16 for string values.
    DES_MAX_NAME = 254,
    DES_MAX_STRING = 65534
};

enum DES_TokenKind : u8
{
    DES_TOKEN_END,
    DES_TOKEN_INT,
    DES_TOKEN_FLOAT,
    DES_TOKEN_KEY,
    DES_TOKEN_STRING,
    DES_TOKEN_SECTION,
    DES_TOKEN_CHAR  // any other single byte; the grammar uses '{', '}' and ','
};

struct DES_Token
{
    DES_TokenKind kind = DES_TOKEN_END;
    u32 line = 0;
    // KEY: the key (up to the first '=' or non-printable byte); STRING: the characters between
    // the quotes; SECTION: the characters between the first '[' and the final ']'.
    // Not lower-cased. Points into the scanned text.
    const u8* text = nullptr;
    u32 length = 0;
    s32 intValue = 0;
    f32 floatValue = 0.0f;
    u8 character = 0;
};

// Splits a text into tokens by longest match (ties to the earlier row of the token table),
// skipping white space and comments. The text must stay alive while tokens are used.
class DES_Scanner
{
public:
    DES_Scanner(const u8* _text, u32 _size);
    // 1 and the next significant token (DES_TOKEN_END at the end); 0 when a token is longer
    // than the input buffer (the error is set).
    u32 Next(DES_Token* _token);

private:
    u32 MatchKey(u32 _pos);
    u32 MatchSection(u32 _pos);
    u32 MatchString(u32 _pos);
    void ScanPrintableRun(u32 _pos);
    void Decode(DES_Token* _token, u32 _row, u32 _pos, u32 _length);

    const u8* m_text = nullptr;
    u32 m_size = 0;
    u32 m_pos = 0;
    u32 m_line = 1;
    u32 m_lastCommentEnd = DES_NONE;  // start of the last "*/" of the text
    // The run of printable bytes around the scan position, kept so that a run of many short
    // tokens is not rescanned for every one of them.
    u32 m_runStart = 0;
    u32 m_runEnd = 0;
    u32 m_runLastEquals = DES_NONE;
    u32 m_runLastBracket = DES_NONE;
    u32 m_runKeyEnd = DES_NONE;  // past the '=' that follows the run after blanks
    // The run of printable bytes and spaces that a string may span.
    u32 m_stringStart = 0;
    u32 m_stringEnd = 0;
    u32 m_stringLastQuote = DES_NONE;
};

// The error state behind DES_GetLastError: a static text and the line it refers to.
void DES_SetError(const char* _text, u32 _line);
