// Sized integer and float types used everywhere in the engine.
// File records are decoded field by field with the helpers below, never read into structs.
#pragma once

#include <cstddef>
#include <cstdint>

typedef std::uint8_t u8;
typedef std::int8_t s8;
typedef std::uint16_t u16;
typedef std::int16_t s16;
typedef std::uint32_t u32;
typedef std::int32_t s32;
typedef std::uint64_t u64;
typedef std::int64_t s64;
typedef float f32;
typedef double f64;

static_assert(sizeof(u8) == 1 && sizeof(s8) == 1, "8-bit types");
static_assert(sizeof(u16) == 2 && sizeof(s16) == 2, "16-bit types");
static_assert(sizeof(u32) == 4 && sizeof(s32) == 4, "32-bit types");
static_assert(sizeof(u64) == 8 && sizeof(s64) == 8, "64-bit types");
static_assert(sizeof(f32) == 4 && sizeof(f64) == 8, "float types");

// Little-endian decoding and encoding of file fields.
inline u16 OS_ReadU16LE(const u8* _p) { return (u16)(_p[0] | (_p[1] << 8)); }
inline u32 OS_ReadU32LE(const u8* _p)
{
    return (u32)_p[0] | ((u32)_p[1] << 8) | ((u32)_p[2] << 16) | ((u32)_p[3] << 24);
}
inline s32 OS_ReadS32LE(const u8* _p) { return (s32)OS_ReadU32LE(_p); }
inline void OS_WriteU16LE(u8* _p, u16 _v)
{
    _p[0] = (u8)_v;
    _p[1] = (u8)(_v >> 8);
}
inline void OS_WriteU32LE(u8* _p, u32 _v)
{
    _p[0] = (u8)_v;
    _p[1] = (u8)(_v >> 8);
    _p[2] = (u8)(_v >> 16);
    _p[3] = (u8)(_v >> 24);
}
