// Thin string and formatting wrappers that the engine calls instead of the C runtime.
// OS_StrICmp is the program's one case-insensitive compare: ASCII only, locale independent,
// both sides lower-cased, so '_' sorts before letters.
#pragma once

#include <cstdarg>
#include <cstdio>

#include "os_types.h"

char* OS_StrCpy(char* _dst, const char* _src);
char* OS_StrNCpy(char* _dst, const char* _src, u32 _count);  // no terminator when _src is longer
char* OS_StrCat(char* _dst, const char* _src);
s32 OS_StrCmp(const char* _a, const char* _b);  // exactly -1, 0 or 1
s32 OS_StrICmp(const char* _a, const char* _b);
s32 OS_StrNICmp(const char* _a, const char* _b, u32 _count);
u32 OS_StrLen(const char* _s);
char* OS_StrDup(const char* _s);  // free with OS_StrFree
void OS_StrFree(char* _s);
const char* OS_StrStr(const char* _haystack, const char* _needle);
char* OS_StrTok(char* _s, const char* _delimiters);
s32 OS_SPrintf(char* _dst, const char* _format, ...) __attribute__((format(printf, 2, 3)));
s32 OS_SNPrintf(char* _dst, u32 _size, const char* _format, ...) __attribute__((format(printf, 3, 4)));
s32 OS_VSPrintf(char* _dst, const char* _format, va_list _args);
s32 OS_VSNPrintf(char* _dst, u32 _size, const char* _format, va_list _args);
s32 OS_FPrintf(FILE* _file, const char* _format, ...) __attribute__((format(printf, 2, 3)));
// Digits of _value in _base (2..36), most significant first, 'A' for 10; "0" for 0.
char* OS_IToA(u32 _value, char* _buffer, u32 _base);

// Bounded copy: at most _size - 1 characters, always terminated. Returns 1 when cut.
u32 OS_StrCopyBounded(char* _dst, const char* _src, u32 _size);

inline char OS_ToLower(char _c) { return (_c >= 'A' && _c <= 'Z') ? (char)(_c + 32) : _c; }
