// The C-runtime wrappers. Case-insensitive compares are ASCII and locale independent.
#include "os_string.h"

#include <cstring>

#include "mem_alloc.h"

char* OS_StrCpy(char* _dst, const char* _src) { return strcpy(_dst, _src); }
char* OS_StrNCpy(char* _dst, const char* _src, u32 _count) { return strncpy(_dst, _src, _count); }
char* OS_StrCat(char* _dst, const char* _src) { return strcat(_dst, _src); }

s32 OS_StrCmp(const char* _a, const char* _b)
{
    const s32 result = strcmp(_a, _b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

s32 OS_StrNICmp(const char* _a, const char* _b, u32 _count)
{
    for (u32 i = 0; i < _count; ++i) {
        const u8 a = (u8)OS_ToLower(_a[i]);
        const u8 b = (u8)OS_ToLower(_b[i]);
        if (a != b)
            return (s32)a - (s32)b;
        if (a == 0)
            return 0;
    }
    return 0;
}

s32 OS_StrICmp(const char* _a, const char* _b) { return OS_StrNICmp(_a, _b, 0xFFFFFFFFu); }

u32 OS_StrLen(const char* _s) { return (u32)strlen(_s); }

char* OS_StrDup(const char* _s)
{
    const u32 length = OS_StrLen(_s);
    char* copy = (char*)MEM_AllocOrDie(length + 1, "OS_StrDup()");
    memcpy(copy, _s, length + 1);
    return copy;
}

void OS_StrFree(char* _s) { MEM_Free(_s); }

const char* OS_StrStr(const char* _haystack, const char* _needle) { return strstr(_haystack, _needle); }
char* OS_StrTok(char* _s, const char* _delimiters) { return strtok(_s, _delimiters); }

s32 OS_SPrintf(char* _dst, const char* _format, ...)
{
    va_list args;
    va_start(args, _format);
    const s32 result = vsprintf(_dst, _format, args);
    va_end(args);
    return result;
}

s32 OS_SNPrintf(char* _dst, u32 _size, const char* _format, ...)
{
    va_list args;
    va_start(args, _format);
    const s32 result = OS_VSNPrintf(_dst, _size, _format, args);
    va_end(args);
    return result;
}

s32 OS_VSPrintf(char* _dst, const char* _format, va_list _args) { return vsprintf(_dst, _format, _args); }

s32 OS_VSNPrintf(char* _dst, u32 _size, const char* _format, va_list _args)
{
    return vsnprintf(_dst, _size, _format, _args);
}

s32 OS_FPrintf(FILE* _file, const char* _format, ...)
{
    va_list args;
    va_start(args, _format);
    const s32 result = vfprintf(_file, _format, args);
    va_end(args);
    return result;
}

char* OS_IToA(u32 _value, char* _buffer, u32 _base)
{
    if (_base < 2 || _base > 36)
        _base = 10;
    char digits[33];
    u32 count = 0;
    do {
        const u32 digit = _value % _base;
        digits[count++] = (char)(digit < 10 ? '0' + digit : 'A' + digit - 10);
        _value /= _base;
    } while (_value != 0);
    for (u32 i = 0; i < count; ++i)
        _buffer[i] = digits[count - 1 - i];
    _buffer[count] = 0;
    return _buffer;
}

u32 OS_StrCopyBounded(char* _dst, const char* _src, u32 _size)
{
    if (_size == 0)
        return 1;
    const u32 length = (u32)strlen(_src);
    const u32 copied = length < _size - 1 ? length : _size - 1;
    memcpy(_dst, _src, copied);
    _dst[copied] = 0;
    return copied < length ? 1 : 0;
}
