// The description-file scanner. Every row of the token table is tried at the scan position;
// the longest match wins and equal lengths go to the earlier row, so quirks such as the
// block comment that runs to the last "*/" of the text or the key x== of "x==1" follow from
// the table itself rather than from special cases.
#include <charconv>
#include <cstring>

#include "des_local.h"

namespace
{

enum Row : u32
{
    ROW_WHITE = 1,
    ROW_BLOCK_COMMENT,
    ROW_LINE_COMMENT,
    ROW_INT,
    ROW_INT_NEGATIVE,
    ROW_HEX,
    ROW_FLOAT,
    ROW_FLOAT_NEGATIVE,
    ROW_KEY,
    ROW_STRING,
    ROW_SECTION,
    ROW_CHAR
};

enum : u8
{
    CLASS_PRINTABLE = 1,
    CLASS_WHITE = 2,
    CLASS_BLANK = 4,
    CLASS_DIGIT = 8,
    CLASS_HEX = 16
};

struct CharClasses
{
    u8 bits[256] = {};

    constexpr CharClasses()
    {
        for (u32 c = 0x21; c <= 0x7E; ++c)
            bits[c] |= CLASS_PRINTABLE;
        // The Latin-1 letters of German text.
        const u8 letters[] = {0xC4, 0xD6, 0xDC, 0xDF, 0xE4, 0xF6, 0xFC};
        for (u8 c : letters)
            bits[c] |= CLASS_PRINTABLE;
        const u8 white[] = {' ', '\t', '\n', '\v', '\f'};
        for (u8 c : white)
            bits[c] |= CLASS_WHITE;
        bits[(u8)' '] |= CLASS_BLANK;
        bits[(u8)'\t'] |= CLASS_BLANK;
        for (u32 c = '0'; c <= '9'; ++c)
            bits[c] |= CLASS_DIGIT | CLASS_HEX;
        for (u32 c = 'a'; c <= 'f'; ++c)
            bits[c] |= CLASS_HEX;
        for (u32 c = 'A'; c <= 'F'; ++c)
            bits[c] |= CLASS_HEX;
    }
};

constexpr CharClasses s_classes;

inline bool Is(u8 _c, u8 _class) { return (s_classes.bits[_c] & _class) != 0; }

// Length of the run of bytes of one class starting at _pos.
u32 RunOf(const u8* _text, u32 _size, u32 _pos, u8 _class)
{
    u32 end = _pos;
    while (end < _size && Is(_text[end], _class))
        ++end;
    return end - _pos;
}

// Decimal digits as atoi reads them, but saturating instead of overflowing.
s32 DecimalValue(const u8* _digits, u32 _count, bool _negative)
{
    const u64 limit = _negative ? 2147483648ull : 2147483647ull;
    u64 value = 0;
    for (u32 i = 0; i < _count && value <= limit; ++i)
        value = value * 10 + (u64)(_digits[i] - '0');
    if (value > limit)
        value = limit;
    return _negative ? (s32)(-(s64)value) : (s32)value;
}

// Hexadecimal digits as unsigned 32 bits; more than eight significant digits saturate.
s32 HexValue(const u8* _digits, u32 _count)
{
    u32 i = 0;
    while (i < _count && _digits[i] == '0')
        ++i;
    if (_count - i > 8)
        return (s32)0xFFFFFFFFu;
    u32 value = 0;
    for (; i < _count; ++i) {
        const u8 c = _digits[i];
        const u32 digit = c <= '9' ? (u32)(c - '0') : (u32)((c | 0x20) - 'a' + 10);
        value = (value << 4) | digit;
    }
    return (s32)value;
}

// [-]digits.[digits] as atof reads it, then narrowed to f32 with IEEE rounding (a value
// beyond the f32 range becomes an infinity, one too small to represent becomes zero).
f32 FloatValue(const u8* _text, u32 _length)
{
    const char* first = (const char*)_text;
    const char* last = first + _length;
    const bool negative = *first == '-';
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        bool large = false;
        for (const char* p = first + (negative ? 1 : 0); p < last && *p != '.'; ++p)
            large = large || *p != '0';
        value = large ? __builtin_huge_val() : 0.0;
        if (negative)
            value = -value;
    }
    // The midpoint between FLT_MAX and the next power of two rounds (to even) to infinity.
    if (value >= 3.4028235677973366e38)
        return __builtin_huge_valf();
    if (value <= -3.4028235677973366e38)
        return -__builtin_huge_valf();
    return (f32)value;
}

}  // namespace

DES_Scanner::DES_Scanner(const u8* _text, u32 _size) : m_text(_text), m_size(_size)
{
    // Every block comment ends at the same place, so find it once.
    for (u32 i = _size; i >= 2; --i) {
        if (_text[i - 2] == '*' && _text[i - 1] == '/') {
            m_lastCommentEnd = i - 2;
            break;
        }
    }
}

void DES_Scanner::ScanPrintableRun(u32 _pos)
{
    if (_pos >= m_runStart && _pos < m_runEnd)
        return;
    m_runStart = _pos;
    m_runLastEquals = DES_NONE;
    m_runLastBracket = DES_NONE;
    u32 end = _pos;
    while (end < m_size && Is(m_text[end], CLASS_PRINTABLE)) {
        if (m_text[end] == '=')
            m_runLastEquals = end;
        else if (m_text[end] == ']')
            m_runLastBracket = end;
        ++end;
    }
    m_runEnd = end;
    const u32 afterBlanks = end + RunOf(m_text, m_size, end, CLASS_BLANK);
    m_runKeyEnd = (afterBlanks < m_size && m_text[afterBlanks] == '=') ? afterBlanks + 1 : DES_NONE;
}

// Row 9: one or more printable bytes, optional blanks, '='. '=' is printable itself, so the
// match ends at the blanks-and-'=' after the whole run or else at the run's last '='.
u32 DES_Scanner::MatchKey(u32 _pos)
{
    ScanPrintableRun(_pos);
    if (m_runKeyEnd != DES_NONE)
        return m_runKeyEnd - _pos;
    if (m_runLastEquals != DES_NONE && m_runLastEquals > _pos)
        return m_runLastEquals + 1 - _pos;
    return 0;
}

// Row 11: '[', one or more printable bytes, ']' (']' is printable too: the last one wins).
u32 DES_Scanner::MatchSection(u32 _pos)
{
    ScanPrintableRun(_pos);
    if (m_runLastBracket != DES_NONE && m_runLastBracket >= _pos + 2)
        return m_runLastBracket + 1 - _pos;
    return 0;
}

// Row 10: a quote, printable bytes and spaces, a quote: up to the last quote before the run
// ends at a tab, a control byte or the end of the line.
u32 DES_Scanner::MatchString(u32 _pos)
{
    const u32 start = _pos + 1;
    if (!(start >= m_stringStart && start < m_stringEnd)) {
        m_stringStart = start;
        m_stringLastQuote = DES_NONE;
        u32 end = start;
        while (end < m_size && (Is(m_text[end], CLASS_PRINTABLE) || m_text[end] == ' ')) {
            if (m_text[end] == '"')
                m_stringLastQuote = end;
            ++end;
        }
        m_stringEnd = end;
    }
    if (m_stringLastQuote != DES_NONE && m_stringLastQuote >= start)
        return m_stringLastQuote + 1 - _pos;
    return 0;
}

void DES_Scanner::Decode(DES_Token* _token, u32 _row, u32 _pos, u32 _length)
{
    const u8* text = m_text + _pos;
    _token->line = m_line;
    _token->text = text;
    _token->length = _length;
    switch (_row) {
    case ROW_INT:
        _token->kind = DES_TOKEN_INT;
        _token->intValue = DecimalValue(text, _length, false);
        break;
    case ROW_INT_NEGATIVE:
        _token->kind = DES_TOKEN_INT;
        _token->intValue = DecimalValue(text + 1, _length - 1, true);
        break;
    case ROW_HEX:
        _token->kind = DES_TOKEN_INT;
        _token->intValue = HexValue(text + 2, _length - 2);
        break;
    case ROW_FLOAT:
    case ROW_FLOAT_NEGATIVE:
        _token->kind = DES_TOKEN_FLOAT;
        _token->floatValue = FloatValue(text, _length);
        break;
    case ROW_KEY: {
        u32 keyLength = 0;
        while (keyLength < _length && Is(text[keyLength], CLASS_PRINTABLE) && text[keyLength] != '=')
            ++keyLength;
        _token->kind = DES_TOKEN_KEY;
        _token->length = keyLength;
        break;
    }
    case ROW_STRING:
        _token->kind = DES_TOKEN_STRING;
        _token->text = text + 1;
        _token->length = _length - 2;
        break;
    case ROW_SECTION:
        _token->kind = DES_TOKEN_SECTION;
        _token->text = text + 1;
        _token->length = _length - 2;
        break;
    default:
        _token->kind = DES_TOKEN_CHAR;
        _token->character = *text;
        break;
    }
}

u32 DES_Scanner::Next(DES_Token* _token)
{
    for (;;) {
        const u32 pos = m_pos;
        if (pos >= m_size) {
            _token->kind = DES_TOKEN_END;
            _token->line = m_line;
            _token->text = m_text + pos;
            _token->length = 0;
            return 1;
        }
        const u8* text = m_text + pos;
        const u32 left = m_size - pos;
        const u8 c = text[0];

        u32 bestRow = ROW_CHAR;
        u32 bestLength = 1;
        // Rows in table order: a later row replaces the best only when strictly longer.
        auto offer = [&](u32 _row, u32 _length) {
            if (_length > bestLength || (_length == bestLength && _row < bestRow)) {
                bestRow = _row;
                bestLength = _length;
            }
        };

        if (Is(c, CLASS_WHITE))
            offer(ROW_WHITE, RunOf(m_text, m_size, pos, CLASS_WHITE));
        if (c == '/' && left >= 2 && text[1] == '*' && m_lastCommentEnd != DES_NONE && m_lastCommentEnd >= pos + 2)
            offer(ROW_BLOCK_COMMENT, m_lastCommentEnd + 2 - pos);
        if (c == '/' && left >= 2 && text[1] == '/') {
            const void* newline = memchr(text, '\n', left);
            offer(ROW_LINE_COMMENT, newline ? (u32)((const u8*)newline - text) : left);
        }
        if (Is(c, CLASS_DIGIT)) {
            const u32 digits = RunOf(m_text, m_size, pos, CLASS_DIGIT);
            offer(ROW_INT, digits);
            if (c == '0' && left >= 3 && (text[1] | 0x20) == 'x' && Is(text[2], CLASS_HEX))
                offer(ROW_HEX, 2 + RunOf(m_text, m_size, pos + 2, CLASS_HEX));
            if (digits < left && text[digits] == '.')
                offer(ROW_FLOAT, digits + 1 + RunOf(m_text, m_size, pos + digits + 1, CLASS_DIGIT));
        }
        if (c == '-' && left >= 2 && Is(text[1], CLASS_DIGIT)) {
            const u32 digits = RunOf(m_text, m_size, pos + 1, CLASS_DIGIT);
            offer(ROW_INT_NEGATIVE, 1 + digits);
            if (1 + digits < left && text[1 + digits] == '.')
                offer(ROW_FLOAT_NEGATIVE, 2 + digits + RunOf(m_text, m_size, pos + 2 + digits, CLASS_DIGIT));
        }
        if (Is(c, CLASS_PRINTABLE))
            offer(ROW_KEY, MatchKey(pos));
        if (c == '"')
            offer(ROW_STRING, MatchString(pos));
        if (c == '[')
            offer(ROW_SECTION, MatchSection(pos));

        if (bestLength > DES_SCANNER_BUFFER) {
            DES_SetError("input buffer overflow, can't enlarge buffer because scanner uses REJECT", m_line);
            return 0;
        }
        m_pos = pos + bestLength;
        if (bestRow <= ROW_LINE_COMMENT) {
            for (u32 i = 0; i < bestLength; ++i)
                m_line += text[i] == '\n';
            continue;
        }
        Decode(_token, bestRow, pos, bestLength);
        return 1;
    }
}
