// Strings in replication records.
//
// Written: when the output stream's flag 4 is clear, the length as a compact count and then,
// for a length above 0, the characters (WriteCharArray from 0); with flag 4 set, the characters
// alone. Read: always a compact count n, then the characters in chunks of at most 256 bytes
// through a 256-byte buffer, each complete chunk appended to the string. A chunk after which the
// stream reports end or error is dropped, and the reading of that string stops.
#pragma once

#include "io_inputstream.h"
#include "io_outputstream.h"
#include "mos_string.h"
#include "os_types.h"

void RPL_WriteString(IO_OutputStream& _stream, const char* _chars, u32 _length);
void RPL_WriteString(IO_OutputStream& _stream, const MOS_String& _string);
// Replaces _string with what arrived; 1 when all n characters did, 0 when the stream ended or
// failed inside the count or the characters.
u32 RPL_ReadString(IO_InputStream& _stream, MOS_String& _string);
