// Little-endian byte builders for the writers and the tests' expected bytes. They append to a
// byte string or a byte vector alike, so a test can describe a file or a buffer the way the
// writer that produced it would.
#pragma once

#include <bit>
#include <initializer_list>
#include <string>
#include <vector>

#include "os_types.h"

template <class BYTES>
void TOOL_AppendU16(BYTES& _out, u16 _value)
{
    using Byte = typename BYTES::value_type;
    _out.push_back((Byte)(u8)_value);
    _out.push_back((Byte)(u8)(_value >> 8));
}

template <class BYTES>
void TOOL_AppendU32(BYTES& _out, u32 _value)
{
    TOOL_AppendU16(_out, (u16)_value);
    TOOL_AppendU16(_out, (u16)(_value >> 16));
}

template <class BYTES>
void TOOL_AppendF32(BYTES& _out, f32 _value)
{
    TOOL_AppendU32(_out, std::bit_cast<u32>(_value));
}

// One value's bytes as a string, for files a test spells out by concatenation.
inline std::string TOOL_U16String(u16 _value)
{
    std::string bytes;
    TOOL_AppendU16(bytes, _value);
    return bytes;
}

inline std::string TOOL_U32String(u32 _value)
{
    std::string bytes;
    TOOL_AppendU32(bytes, _value);
    return bytes;
}

// 16-bit words back to back, as 16-bit pixels lie in memory and in files.
inline std::vector<u8> TOOL_U16Bytes(std::initializer_list<u16> _words)
{
    std::vector<u8> bytes;
    for (u16 word : _words)
        TOOL_AppendU16(bytes, word);
    return bytes;
}
