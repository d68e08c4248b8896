// Creating and destroying the input singletons, and the display's part of pause and resume.
#include <gtest/gtest.h>

#include "dev_fake.h"
#include "dsp_display.h"
#include "inp_joystick.h"
#include "inp_keyboard.h"
#include "inp_mouse.h"
#include "sdl_fixture.h"
#include "test_dir.h"
#include "utl_devicesteps.h"
#include "utl_quickintegrator.h"

namespace
{

class QuickIntegratorInputTest : public TST_SdlTest
{
protected:
    void TearDown() override
    {
        UTL_QuickIntegrator::DestroyAll();
        TST_SdlTest::TearDown();
    }

    static void CreateInputs()
    {
        UTL_QuickIntegrator::CreateKeyboardInput();
        UTL_QuickIntegrator::CreateMouseInput();
        UTL_QuickIntegrator::CreateJoystickInput();
    }

    TST_TempDir m_dir;
};

TEST_F(QuickIntegratorInputTest, EachInputIsCreatedOnceAndDestroyedOnce)
{
    CreateInputs();
    EXPECT_NE(nullptr, SITO_KEYBOARD);
    EXPECT_NE(nullptr, SITO_MOUSE);
    EXPECT_NE(nullptr, SITO_JOYSTICK);
    EXPECT_FATAL(UTL_QuickIntegrator::CreateKeyboardInput(), "UTL_QuickIntegrator::CreateKeyboardInput()",
                 "keyboardinput already created");
    EXPECT_FATAL(UTL_QuickIntegrator::CreateMouseInput(), "UTL_QuickIntegrator::CreateMouseInput()",
                 "mouseinput already created");
    EXPECT_FATAL(UTL_QuickIntegrator::CreateJoystickInput(), "UTL_QuickIntegrator::CreateJoystickInput()",
                 "joystickinput already created");

    UTL_QuickIntegrator::DestroyAll();
    UTL_QuickIntegrator::DestroyAll();  // phase 3, then the exit hook
    EXPECT_EQ(nullptr, SITO_KEYBOARD);
    EXPECT_EQ(nullptr, SITO_MOUSE);
    EXPECT_EQ(nullptr, SITO_JOYSTICK);
    CreateInputs();  // the flags went with the devices
}

TEST_F(QuickIntegratorInputTest, ASingletonSetElsewhereIsFatal)
{
    INP_Keyboard* keyboard = new INP_Keyboard();
    SITO_KEYBOARD = keyboard;
    EXPECT_FATAL(UTL_QuickIntegrator::CreateKeyboardInput(), "UTL_QuickIntegrator::CreateKeyboardInput()",
                 "keyboardinput singleton in non NULL");
    SITO_KEYBOARD = nullptr;
    delete keyboard;

    INP_Mouse* mouse = new INP_Mouse();
    SITO_MOUSE = mouse;
    EXPECT_FATAL(UTL_QuickIntegrator::CreateMouseInput(), "UTL_QuickIntegrator::CreateMouseInput()",
                 "mouseinput singleton in non NULL");
    SITO_MOUSE = nullptr;
    delete mouse;

    INP_Joystick* joystick = new INP_Joystick();
    SITO_JOYSTICK = joystick;
    EXPECT_FATAL(UTL_QuickIntegrator::CreateJoystickInput(), "UTL_QuickIntegrator::CreateJoystickInput()",
                 "joystickinput singleton in non NULL");
    SITO_JOYSTICK = nullptr;
    delete joystick;
}

TEST_F(QuickIntegratorInputTest, ALostSingletonIsFatalAndTheOrderIsMouseKeyboardJoystick)
{
    CreateInputs();
    INP_Mouse* mouse = SITO_MOUSE;
    SITO_MOUSE = nullptr;
    EXPECT_FATAL(UTL_QuickIntegrator::DestroyAll(), "UTL_QuickIntegrator::DestroyMouse()",
                 "mouse singleton is invalid");
    EXPECT_NE(nullptr, SITO_KEYBOARD);  // after the mouse: not reached
    SITO_MOUSE = mouse;
    UTL_QuickIntegrator::DestroyAll();

    CreateInputs();
    INP_Keyboard* keyboard = SITO_KEYBOARD;
    SITO_KEYBOARD = nullptr;
    EXPECT_FATAL(UTL_QuickIntegrator::DestroyAll(), "UTL_QuickIntegrator::DestroyKeyboard()",
                 "keyboard singleton is invalid");
    EXPECT_EQ(nullptr, SITO_MOUSE);
    EXPECT_NE(nullptr, SITO_JOYSTICK);
    SITO_KEYBOARD = keyboard;
    UTL_QuickIntegrator::DestroyAll();

    CreateInputs();
    INP_Joystick* joystick = SITO_JOYSTICK;
    SITO_JOYSTICK = nullptr;
    EXPECT_FATAL(UTL_QuickIntegrator::DestroyAll(), "UTL_QuickIntegrator::DestroyJoystick()",
                 "joystick singleton is invalid");
    EXPECT_EQ(nullptr, SITO_KEYBOARD);
    SITO_JOYSTICK = joystick;
}

TEST_F(QuickIntegratorInputTest, TheDisplayIsReleasedAndRebuiltOnlyWhileItExists)
{
    TST_FakeGraphics fake;
    UTL_QuickIntegrator::CreateDisplay(800, 600, 32);
    fake.Forget();
    UTL_PauseDevices();
    UTL_ResumeDevices();
    EXPECT_EQ(1u, fake.Count("Reset"));

    UTL_QuickIntegrator::DestroyAll();
    fake.Forget();
    UTL_PauseDevices();
    UTL_ResumeDevices();
    EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
