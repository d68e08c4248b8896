// OS_StandardStreams: the process-wide standard input, output and error streams and the
// channel logger's settings.
//
// Open makes text streams over duplicates of descriptors 0, 1 and 2 (their file streams carry
// the mode flag 4) and names the log file "log.txt"; a descriptor that cannot be duplicated
// leaves its stream in the error state. Close flushes, closes and releases whatever is open,
// giving the duplicates back; closing without opening, or twice, does nothing, so it never
// reaches a descriptor that was opened since. The application opens them in phase 0 and
// closes them in phase 3 and in the emergency clean-up; nothing reads or writes them between.
// The object itself is made on first use and lives until the process exits.
#pragma once

#include "io_streamref.h"
#include "log_channellogger.h"

class OS_StandardStreams
{
public:
    // Opening again closes the previous streams first.
    static void Open();
    static void Close();
    static OS_StandardStreams& Get();

    // Null before Open and after Close.
    IO_StreamRef& In() { return m_in; }
    IO_StreamRef& Out() { return m_out; }
    IO_StreamRef& Err() { return m_err; }
    LOG_ChannelLogger& Logger() { return m_logger; }

    OS_StandardStreams(const OS_StandardStreams&) = delete;
    OS_StandardStreams& operator=(const OS_StandardStreams&) = delete;

private:
    OS_StandardStreams() = default;
    ~OS_StandardStreams() = default;

    IO_StreamRef m_in;
    IO_StreamRef m_out;
    IO_StreamRef m_err;
    LOG_ChannelLogger m_logger;
};
