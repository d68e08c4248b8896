// The compact count: a u32 in one to five big-endian bytes, the leading one bits of the first
// byte saying how many follow.
//
//   0 .. 0x7F                 1 byte   0xxxxxxx
//   0x80 .. 0x3FFF            2 bytes  10xxxxxx + 1
//   0x4000 .. 0x1FFFFF        3 bytes  110xxxxx + 2
//   0x200000 .. 0xFFFFFFF     4 bytes  1110xxxx + 3
//   0x10000000 and above      5 bytes  1111---- + 4 (the low four bits are ignored)
//
// Both move single bytes through the stream's byte operation. Record lengths and bit counts of
// the replication records travel this way.
#pragma once

#include "io_inputstream.h"
#include "io_outputstream.h"
#include "os_types.h"

// Writes the shortest form.
void MOS_WriteCompactCount(IO_OutputStream& _stream, u32 _value);
// The value; 0 when the stream ends inside the count, which also sets the stream's end flag
// (a raising SetEOF, as a short typed read does).
u32 MOS_ReadCompactCount(IO_InputStream& _stream);
