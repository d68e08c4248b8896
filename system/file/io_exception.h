// The stream layer's exceptions (see mos_throwable.h for the family tree): IO_IOException when
// a stream recorded an error, IO_EOFException when it reached its end. Streams throw only when
// asked to.
#pragma once

#include "mos_throwable.h"
#include "os_types.h"

class IO_IOException : public MOS_Exception
{
public:
    explicit IO_IOException(const char* _message, u32 _code = 0);

protected:
    explicit IO_IOException(MOS_ThrowableBody* _body) : MOS_Exception(_body) {}
};

class IO_EOFException : public IO_IOException
{
public:
    explicit IO_EOFException(const char* _message, u32 _code = 0);
};
