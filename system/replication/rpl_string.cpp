// Strings in replication records.
#include "rpl_string.h"

#include "rpl_compactcount.h"

namespace
{

constexpr u32 CHUNK = 256;

u32 StreamFailed(const IO_Stream& _stream) { return _stream.IsEOF() != 0 || _stream.HasError() != 0; }

}  // namespace

void RPL_WriteString(IO_OutputStream& _stream, const char* _chars, u32 _length)
{
    if (_stream.TestFlag4() == 0)
        MOS_WriteCompactCount(_stream, _length);
    if (_length > 0)
        _stream.WriteCharArray(_chars, (s32)_length, 0);
}

void RPL_WriteString(IO_OutputStream& _stream, const MOS_String& _string)
{
    RPL_WriteString(_stream, _string.C_Str(), _string.Length());
}

u32 RPL_ReadString(IO_InputStream& _stream, MOS_String& _string)
{
    _string.Clear();
    u32 left = MOS_ReadCompactCount(_stream);
    if (StreamFailed(_stream))
        return 0;
    char buffer[CHUNK];
    while (left > 0) {
        const u32 chunk = left < CHUNK ? left : CHUNK;
        _stream.ReadCharArray(buffer, (s32)chunk, 0);
        if (StreamFailed(_stream))
            return 0;
        _string.Append(buffer, chunk);
        left -= chunk;
    }
    return 1;
}
