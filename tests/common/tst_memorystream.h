// In-memory streams for tests: the base classes' behaviour over a byte string.
#pragma once

#include <string>

#include "io_inputstream.h"
#include "io_outputstream.h"

// Collects the bytes; with a limit, the byte after the limit sets the error flag instead.
class TST_MemoryOutput : public IO_OutputStream
{
public:
    explicit TST_MemoryOutput(size_t _limit = std::string::npos) : m_limit(_limit) {}
    s32 WriteByte(u8 _value) override
    {
        if (m_bytes.size() >= m_limit) {
            SetError(28);
            return -1;
        }
        m_bytes.push_back((char)_value);
        return 1;
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    size_t m_limit;
};

class TST_MemoryInput : public IO_InputStream
{
public:
    explicit TST_MemoryInput(std::string _bytes) : m_bytes(std::move(_bytes)) {}
    s32 ReadByte() override
    {
        if (m_position >= m_bytes.size())
            return -1;
        return (u8)m_bytes[m_position++];
    }
    size_t Position() const { return m_position; }

private:
    std::string m_bytes;
    size_t m_position = 0;
};
