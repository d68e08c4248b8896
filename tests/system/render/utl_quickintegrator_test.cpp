// Creating and destroying the display singleton.
#include <gtest/gtest.h>

#include "dev_fake.h"
#include "dsp_display.h"
#include "test_dir.h"
#include "utl_quickintegrator.h"

namespace
{

class QuickIntegratorTest : public testing::Test
{
protected:
    void TearDown() override
    {
        if (m_stolen != nullptr) {
            SITO_DISPLAY = m_stolen;
            m_stolen = nullptr;
        }
        UTL_QuickIntegrator::DestroyAll();
    }

    TST_FakeGraphics m_fake;
    DSP_Display* m_stolen = nullptr;
};

TEST_F(QuickIntegratorTest, CreatesOnceAndDestroysOnce)
{
    UTL_QuickIntegrator::CreateDisplay(800, 600, 32);
    ASSERT_NE(nullptr, SITO_DISPLAY);
    EXPECT_EQ(1, SITO_DISPLAY->HasDevice());
    EXPECT_EQ(1u, m_fake.Count("CreateDevice 0 1 "));
    EXPECT_FATAL(UTL_QuickIntegrator::CreateDisplay(800, 600, 32), "UTL_QuickIntegrator::CreateDisplay()",
                 "display already created");

    UTL_QuickIntegrator::DestroyAll();
    UTL_QuickIntegrator::DestroyAll();  // phase 3, then the exit hook
    EXPECT_EQ(nullptr, SITO_DISPLAY);
    EXPECT_EQ(1u, m_fake.Count("Release device"));
}

TEST_F(QuickIntegratorTest, AnyDepthTakesTheSizeAtWhateverDepthItHas)
{
    m_fake.modes = {{640, 480, 60, DEV_FMT_X8R8G8B8}};
    EXPECT_FATAL(UTL_QuickIntegrator::CreateDisplay(640, 480, 16), "UTL_QuickIntegrator::CreateDisplay()",
                 "desired resolution not found");
    UTL_QuickIntegrator::DestroyAll();
    UTL_QuickIntegrator::CreateDisplay(640, 480, -1);
    EXPECT_EQ(1, SITO_DISPLAY->HasDevice());
}

TEST_F(QuickIntegratorTest, CreationFailuresHaveTheirTexts)
{
    m_fake.graphicsVersion = 0x700;
    EXPECT_FATAL(UTL_QuickIntegrator::CreateDisplay(640, 480, 32), "UTL_QuickIntegrator::CreateDisplay()",
                 "instantiation of DSP_Direct3D() failed");
    EXPECT_EQ(nullptr, SITO_DISPLAY);

    m_fake.graphicsVersion = 0x800;
    m_fake.firstUsableAdapter = 1;  // the one adapter offers nothing usable
    EXPECT_FATAL(UTL_QuickIntegrator::CreateDisplay(640, 480, 32), "UTL_QuickIntegrator::CreateDisplay()",
                 "no board(s) found");
    UTL_QuickIntegrator::DestroyAll();

    u32 ok = 0;
    SITO_DISPLAY = new DSP_Display(&ok, nullptr, nullptr, 1);
    m_stolen = SITO_DISPLAY;  // the test owns this one
    EXPECT_FATAL(UTL_QuickIntegrator::CreateDisplay(640, 480, 32), "UTL_QuickIntegrator::CreateVEngine()",
                 "display singleton in non NULL");
    delete m_stolen;
    m_stolen = nullptr;
    SITO_DISPLAY = nullptr;
}

TEST_F(QuickIntegratorTest, ALostSingletonIsFatalOnDestroy)
{
    UTL_QuickIntegrator::CreateDisplay(640, 480, 32);
    m_stolen = SITO_DISPLAY;
    SITO_DISPLAY = nullptr;
    EXPECT_FATAL(UTL_QuickIntegrator::DestroyAll(), "UTL_QuickIntegrator::DestroyDisplay()",
                 "display singleton is invalid");
}

}  // namespace
