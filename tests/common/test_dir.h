// Helpers shared by the test programs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "os_fatal.h"

// Runs a test in a fresh empty working directory, removed again afterwards.
class TST_TempDir
{
public:
    TST_TempDir();
    ~TST_TempDir();
    const std::string& Path() const { return m_path; }
    // Writes a file (directories created) relative to the temporary directory.
    void Write(const std::string& _name, const std::string& _bytes) const;
    std::string Read(const std::string& _name) const;
    bool Exists(const std::string& _name) const;

private:
    std::string m_path;
    std::string m_previous;
};

// Expects _statement to stop with OS_Fatal and the given caption and message.
#define EXPECT_FATAL(_statement, _caption, _message)                     \
    do {                                                                 \
        bool qv_thrown = false;                                          \
        try {                                                            \
            _statement;                                                  \
        } catch (const OS_FatalError& qv_error) {                        \
            qv_thrown = true;                                            \
            EXPECT_STREQ(_caption, qv_error.Caption());                  \
            EXPECT_STREQ(_message, qv_error.Message());                  \
        }                                                                \
        EXPECT_TRUE(qv_thrown) << "expected OS_Fatal from " #_statement; \
    } while (0)
