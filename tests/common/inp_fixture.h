// What the input device tests share: SDL up headless (sdl_fixture.h) in a fresh directory,
// since the devices log.
#pragma once

#include <string>
#include <vector>

#include "sdl_fixture.h"
#include "test_dir.h"

class INP_TestBase : public TST_SdlTest
{
protected:
    // The lines of log.txt that are not termination lines.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        if (!m_dir.Exists("log.txt"))
            return lines;
        const std::string text = m_dir.Read("log.txt");
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty() && line.compare(0, 13, "[TERMINATION]") != 0)
                lines.push_back(line);
            start = end + 1;
        }
        return lines;
    }

    TST_TempDir m_dir;
};
