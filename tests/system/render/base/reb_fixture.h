// A display on the recording fake, installed as SITO_DISPLAY for the render-base tests.
#pragma once

#include "display_fixture.h"

class RenderBaseTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SITO_DISPLAY = Open();
        m_display->SetTextureCacheSize(16);
        m_fake.Forget();
    }
    // Render objects of a test are gone before the display goes.
    void TearDown() override
    {
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }
};
