// The device steps of the shell's pause and resume (the shell calls them through the
// application's hooks), with every combination of missing devices that matters.
#include "utl_devicesteps.h"

#include "inp_fixture.h"
#include "inp_joystick.h"
#include "inp_keyboard.h"
#include "inp_mouse.h"
#include "os_fatal.h"

namespace
{

class DeviceStepsTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        INP_TestBase::SetUp();
        m_dir.Write("log.txt", "");
    }

    void TearDown() override
    {
        UTL_SetDisplaySteps(UTL_DeviceSteps());
        UTL_SetSoundSteps(UTL_DeviceSteps());
        delete SITO_KEYBOARD;
        delete SITO_MOUSE;
        delete SITO_JOYSTICK;
        SITO_KEYBOARD = nullptr;
        SITO_MOUSE = nullptr;
        SITO_JOYSTICK = nullptr;
        INP_TestBase::TearDown();
    }

    static void Activate(u32 _gaining)
    {
        if (_gaining)
            UTL_ResumeDevices();
        else
            UTL_PauseDevices();
    }

    static void InstallSteps()
    {
        UTL_DeviceSteps display;
        display.release = [] { OS_Log("display released"); };
        display.reacquire = [] { OS_Log("display reacquired"); };
        UTL_SetDisplaySteps(display);
        UTL_DeviceSteps sound;
        sound.release = [] { OS_Log("sound released"); };
        sound.reacquire = [] { OS_Log("sound reacquired"); };
        UTL_SetSoundSteps(sound);
    }
};

TEST_F(DeviceStepsTest, PauseAndResumeVisitEachExistingDeviceInOrder)
{
    InstallSteps();
    // A virtual controller, so the joystick has steps to log.
    TST_Joystick pad;
    ASSERT_NO_FATAL_FAILURE(pad.Start());
    if (!pad.RealController()) {
        ASSERT_NO_FATAL_FAILURE(pad.Attach(2, 1, 0));
    }
    const bool controller = SDL_NumJoysticks() > 0;
    SITO_KEYBOARD = new INP_Keyboard();
    SITO_MOUSE = new INP_Mouse();
    SITO_JOYSTICK = new INP_Joystick();

    Activate(0);
    Activate(1);

    std::vector<std::string> expected = {"display released", "mous unacquired"};
    if (controller)
        expected.push_back("joystick unacquired");
    expected.insert(expected.end(), {"keyboard unacquired", "sound released", "display reacquired", "mous acquired"});
    if (controller)
        expected.push_back("joystick acquired");
    expected.insert(expected.end(), {"keyboard acquired", "sound reacquired"});
    EXPECT_EQ(expected, LogLines());

    delete SITO_JOYSTICK;
    SITO_JOYSTICK = nullptr;
}

TEST_F(DeviceStepsTest, MissingDevicesAreSkipped)
{
    // Nothing at all: before phase 0 and after phase 3.
    Activate(0);
    Activate(1);
    EXPECT_TRUE(LogLines().empty());

    // Only the keyboard and the sound device's steps.
    UTL_DeviceSteps sound;
    sound.release = [] { OS_Log("sound released"); };
    UTL_SetSoundSteps(sound);
    SITO_KEYBOARD = new INP_Keyboard();
    Activate(0);
    Activate(1);
    const std::vector<std::string> expected = {"keyboard unacquired", "sound released", "keyboard acquired"};
    EXPECT_EQ(expected, LogLines());
}

TEST_F(DeviceStepsTest, KeysPressedInTheBackgroundAreNotDelivered)
{
    SITO_KEYBOARD = new INP_Keyboard();
    PushKey(SDL_SCANCODE_A, true);
    Pump();
    Activate(0);
    PushKey(SDL_SCANCODE_B, true);
    Pump();
    Activate(1);
    EXPECT_EQ(INP_KC_NONE, SITO_KEYBOARD->GetKey());
}

}  // namespace
