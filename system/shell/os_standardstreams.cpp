// The standard streams, opened and closed by the application.
#include "os_standardstreams.h"

#include "io_filestream.h"
#include "io_textinputstream.h"
#include "io_textoutputstream.h"

namespace
{
IO_TextOutputStream* NewOutput(s32 _descriptor)
{
    IO_FileOutputStream* file = new IO_FileOutputStream(_descriptor);
    file->SetFlag4(true);
    return new IO_TextOutputStream(file);
}

void CloseOutput(IO_StreamRef& _stream)
{
    if (!_stream)
        return;
    IO_OutputStream* stream = static_cast<IO_OutputStream*>(_stream.Get());
    stream->Flush();
    stream->Close();
    _stream.Release();
}
}  // namespace

OS_StandardStreams& OS_StandardStreams::Get()
{
    static OS_StandardStreams s_streams;
    return s_streams;
}

void OS_StandardStreams::Open()
{
    OS_StandardStreams& streams = Get();
    Close();
    IO_FileInputStream* input = new IO_FileInputStream(0);
    input->SetFlag4(true);
    streams.m_in = new IO_TextInputStream(input);
    streams.m_out = NewOutput(1);
    streams.m_err = NewOutput(2);
    streams.m_logger.m_fileName = "log.txt";
}

void OS_StandardStreams::Close()
{
    OS_StandardStreams& streams = Get();
    if (streams.m_in) {
        static_cast<IO_InputStream*>(streams.m_in.Get())->Close();
        streams.m_in.Release();
    }
    CloseOutput(streams.m_out);
    CloseOutput(streams.m_err);
}
