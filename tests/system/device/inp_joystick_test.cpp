// The joystick: without a controller, and with a virtual one standing in for the first.
#include "inp_joystick.h"

#include <memory>

#include "inp_fixture.h"

namespace
{

class JoystickTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(INP_TestBase::SetUp());
        ASSERT_NO_FATAL_FAILURE(m_controller.Start());
    }

    void TearDown() override
    {
        m_joystick.reset();
        m_controller.Release();
        INP_TestBase::TearDown();
    }

    std::unique_ptr<INP_Joystick> m_joystick;
    TST_Joystick m_controller;
};

TEST_F(JoystickTest, WithoutAControllerEveryQueryAnswersNothing)
{
    if (m_controller.RealController())
        GTEST_SKIP() << "a game controller is attached";
    m_joystick.reset(new INP_Joystick());
    INP_JoystickCaps caps;
    INP_JoystickState state;
    EXPECT_EQ(0u, m_joystick->GetCapabilities(&caps));
    EXPECT_EQ(0u, m_joystick->GetState(&state));
    EXPECT_EQ(1, m_joystick->Unacquire());
    EXPECT_EQ(1, m_joystick->Acquire());
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(JoystickTest, AxesButtonsAndHats)
{
    if (m_controller.RealController())
        GTEST_SKIP() << "a game controller is attached";
    ASSERT_NO_FATAL_FAILURE(m_controller.Attach(3, 4, 2));
    m_joystick.reset(new INP_Joystick());
    INP_JoystickCaps caps;
    ASSERT_EQ(1u, m_joystick->GetCapabilities(&caps));
    EXPECT_EQ(1u, caps.hasThirdAxis);
    EXPECT_EQ(4u, caps.buttons);
    EXPECT_EQ(2u, caps.hats);

    INP_JoystickState state;
    ASSERT_EQ(1u, m_joystick->GetState(&state));
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(1u, state.hats[i]) << i;  // centred

    SDL_JoystickSetVirtualAxis(m_controller.Virtual(), 0, 32767);
    SDL_JoystickSetVirtualAxis(m_controller.Virtual(), 1, -32768);
    SDL_JoystickSetVirtualAxis(m_controller.Virtual(), 2, 3000);  // inside the dead zone
    SDL_JoystickSetVirtualButton(m_controller.Virtual(), 2, SDL_PRESSED);
    ASSERT_EQ(1u, m_joystick->GetState(&state));
    EXPECT_EQ(1.0f, state.axes[0]);
    EXPECT_EQ(-1.0f, state.axes[1]);
    EXPECT_EQ(0.0f, state.axes[2]);
    EXPECT_EQ(0.0f, state.axes[3]);
    EXPECT_EQ(0x80, state.buttons[2]);
    EXPECT_EQ(0, state.buttons[0]);

    const struct
    {
        Uint8 hat;
        u32 code;
    } hats[] = {
        {SDL_HAT_CENTERED, 1}, {SDL_HAT_UP, 2},      {SDL_HAT_RIGHT, 4},    {SDL_HAT_DOWN, 0},
        {SDL_HAT_LEFT, 3},     {SDL_HAT_RIGHTUP, 5}, {SDL_HAT_LEFTDOWN, 5},
    };
    for (const auto& each : hats) {
        SDL_JoystickSetVirtualHat(m_controller.Virtual(), 0, each.hat);
        ASSERT_EQ(1u, m_joystick->GetState(&state));
        EXPECT_EQ(each.code, state.hats[0]) << (int)each.hat;
        EXPECT_EQ(1u, state.hats[1]);
    }
}

TEST_F(JoystickTest, TwoAxesHaveNoThirdAndAnUnreadableStateIsLogged)
{
    if (m_controller.RealController())
        GTEST_SKIP() << "a game controller is attached";
    ASSERT_NO_FATAL_FAILURE(m_controller.Attach(2, 1, 0));
    m_joystick.reset(new INP_Joystick());
    INP_JoystickCaps caps;
    ASSERT_EQ(1u, m_joystick->GetCapabilities(&caps));
    EXPECT_EQ(0u, caps.hasThirdAxis);
    EXPECT_EQ(0u, caps.hats);

    EXPECT_EQ(1, m_joystick->Unacquire());
    INP_JoystickState state;
    EXPECT_EQ(0u, m_joystick->GetState(&state));  // not acquired: acquired again
    EXPECT_EQ(1u, m_joystick->GetState(&state));
    m_controller.Unplug();
    EXPECT_EQ(0u, m_joystick->GetState(&state));
    EXPECT_EQ(1, m_joystick->Acquire());
    const std::vector<std::string> expected = {
        "joystick unacquired", "INP_Joystick::GetState() - GetDeviceState() failed",
        "INP_Joystick::GetState() - GetDeviceState() failed", "joystick acquired"};
    EXPECT_EQ(expected, LogLines());
}

TEST_F(JoystickTest, OnlyAMissingDirectInputIsFatal)
{
    PLT_DIFailNext(PLT_DICALL_CREATE, PLT_DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_FATAL(delete new INP_Joystick(), "This application requires DX8 DirectInput", "");
    if (m_controller.RealController())
        return;
    ASSERT_NO_FATAL_FAILURE(m_controller.Attach(2, 1, 0));
    PLT_DIFailNext(PLT_DICALL_SETPROPERTY, PLT_DIERR_INVALIDPARAM);  // the set-up fails: no device
    m_joystick.reset(new INP_Joystick());
    INP_JoystickState state;
    EXPECT_EQ(0u, m_joystick->GetState(&state));
}

}  // namespace
