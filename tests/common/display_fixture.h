// A display on the recording fake device, shared by the display-layer tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dev_fake.h"
#include "dsp_display.h"
#include "os_fatal.h"
#include "test_dir.h"

// Expects _statement to stop with OS_Fatal, caption "D3D Error" and a text that names the
// result code followed by a call site: "<name> (<number>)".
#define EXPECT_D3D_ERROR(_statement, _name)                                    \
    do {                                                                       \
        bool qv_thrown = false;                                                \
        try {                                                                  \
            _statement;                                                        \
        } catch (const OS_FatalError& qv_error) {                              \
            qv_thrown = true;                                                  \
            EXPECT_STREQ("D3D Error", qv_error.Caption());                     \
            const std::string qv_text = qv_error.Message();                    \
            EXPECT_EQ(0u, qv_text.find(std::string(_name) + " (")) << qv_text; \
            EXPECT_EQ(')', qv_text.back()) << qv_text;                         \
        }                                                                      \
        EXPECT_TRUE(qv_thrown) << "expected a D3D Error from " #_statement;    \
    } while (0)

class DisplayTest : public testing::Test
{
protected:
    void TearDown() override
    {
        delete m_display;
        m_display = nullptr;
        EXPECT_EQ(0u, m_fake.Count("ERROR")) << "the device saw a call it refuses";
    }

    // A display with its board open, full screen unless told otherwise.
    DSP_Display* Make(u32 _fullscreen = 1)
    {
        u32 ok = 0;
        m_display = new DSP_Display(&ok, nullptr, nullptr, _fullscreen);
        EXPECT_EQ(1u, ok);
        DSP_BoardInfo board;
        m_display->OpenBoard(&board);
        return m_display;
    }

    // A display with an open resolution; the calls of the opening are forgotten.
    DSP_Display* Open(s32 _width = 640, s32 _height = 480, s32 _bits = 32, u32 _multisample = 0, u32 _fullscreen = 1)
    {
        Make(_fullscreen);
        EXPECT_EQ(0, m_display->OpenResolution(_width, _height, _bits, _multisample));
        m_fake.Forget();
        return m_display;
    }

    TST_FakeDevice& Device() { return *m_fake.device; }

    TST_FakeGraphics m_fake;
    DSP_Display* m_display = nullptr;
};
