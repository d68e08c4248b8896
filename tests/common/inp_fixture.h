// What the input device tests share: SDL up headless in a fresh directory (the devices log),
// input pushed through SDL's event queue and polled the way the main loop polls it.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plt_system.h"
#include "test_dir.h"

class INP_TestBase : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        m_system = PLT_GetSystem();
        ASSERT_EQ(0, m_system->Init()) << m_system->ErrorText();
    }

    void TearDown() override { m_system->Shutdown(); }

    void Pump()
    {
        PLT_Event event;
        while (m_system->PollEvent(&event)) {
        }
    }

    static void PushKey(SDL_Scancode _scancode, bool _down)
    {
        SDL_Event event = {};
        event.type = _down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.scancode = _scancode;
        SDL_PushEvent(&event);
    }

    static void PushFocus(bool _gained)
    {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.event = _gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&event);
    }

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
    PLT_System* m_system = nullptr;
};
