// The stream layer's exception classes.
#include "io_exception.h"

namespace
{
const char* const IO_EXCEPTION = "IO_IOException";
const char* const EOF_EXCEPTION = "IO_EOFException";
}  // namespace

IO_IOException::IO_IOException(const char* _message, u32 _code)
    : MOS_Exception(new MOS_NamedBody<IO_EXCEPTION>(_message, _code))
{
}

IO_EOFException::IO_EOFException(const char* _message, u32 _code)
    : IO_IOException(new MOS_NamedBody<EOF_EXCEPTION>(_message, _code))
{
}
