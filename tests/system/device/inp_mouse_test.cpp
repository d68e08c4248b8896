// The mouse: its events, a lost device, the log lines and the fatal texts.
#include "inp_mouse.h"

#include <memory>

#include "inp_fixture.h"

namespace
{

class MouseTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        INP_TestBase::SetUp();
        m_mouse.reset(new INP_Mouse());
    }

    void TearDown() override
    {
        m_mouse.reset();
        INP_TestBase::TearDown();
    }

    std::vector<std::pair<u32, u32>> Drain()
    {
        std::vector<std::pair<u32, u32>> events;
        INP_MouseEvent event;
        while (m_mouse->GetEvent(&event))
            events.emplace_back(event.type, event.value);
        return events;
    }

    static void PushButton(Uint8 _button, bool _down)
    {
        SDL_Event event = {};
        event.type = _down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.button = _button;
        SDL_PushEvent(&event);
    }

    static void PushMotion(s32 _x, s32 _y)
    {
        SDL_Event event = {};
        event.type = SDL_MOUSEMOTION;
        event.motion.xrel = _x;
        event.motion.yrel = _y;
        SDL_PushEvent(&event);
    }

    std::unique_ptr<INP_Mouse> m_mouse;
};

TEST_F(MouseTest, EventsCarryMotionWheelAndButtons)
{
    PushMotion(-4, 9);
    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -1;
    SDL_PushEvent(&wheel);
    PushButton(SDL_BUTTON_LEFT, true);
    PushButton(SDL_BUTTON_RIGHT, true);
    PushButton(SDL_BUTTON_MIDDLE, true);
    PushButton(SDL_BUTTON_X1, true);
    PushButton(SDL_BUTTON_LEFT, false);
    Pump();
    const std::vector<std::pair<u32, u32>> expected = {
        {INP_MOUSE_MOVE_X, (u32)-4}, {INP_MOUSE_MOVE_Y, 9},      {INP_MOUSE_WHEEL, (u32)-120},
        {INP_MOUSE_BUTTON_DOWN, 0},  {INP_MOUSE_BUTTON_DOWN, 1}, {INP_MOUSE_BUTTON_DOWN, 2},
        {INP_MOUSE_BUTTON_DOWN, 3},  {INP_MOUSE_BUTTON_UP, 0},
    };
    EXPECT_EQ(expected, Drain());
}

TEST_F(MouseTest, ALostMouseIsAcquiredAgainAndLogs)
{
    PushMotion(1, 0);
    PushFocus(false);
    Pump();
    INP_MouseEvent event;
    EXPECT_EQ(0u, m_mouse->GetEvent(&event));  // lost with its records
    PushFocus(true);
    Pump();
    EXPECT_EQ(0u, m_mouse->GetEvent(&event));  // acquired again now
    PushMotion(2, 0);
    Pump();
    ASSERT_EQ(1u, m_mouse->GetEvent(&event));
    EXPECT_EQ(INP_MOUSE_MOVE_X, event.type);
    EXPECT_EQ(2u, event.value);

    EXPECT_EQ(1, m_mouse->Unacquire());
    PushMotion(3, 0);
    Pump();
    EXPECT_EQ(1, m_mouse->Acquire());
    EXPECT_EQ(0u, m_mouse->GetEvent(&event));
    const std::vector<std::string> expected = {"mous unacquired", "mous acquired"};
    EXPECT_EQ(expected, LogLines());

    PLT_DIFailNext(PLT_DICALL_GETDEVICEDATA, PLT_DIERR_NOTBUFFERED);
    EXPECT_FATAL(m_mouse->GetEvent(&event), "DIERR_NOTBUFFERED", "INP_Mouse::GetEvent() - GetDeviceData()");
}

TEST_F(MouseTest, AcquiringKeepsTheEventsAlreadyFetched)
{
    // Only the keyboard drops what was pending when it is acquired: a fetched batch of mouse
    // events is still handed out afterwards.
    PushMotion(5, 0);
    PushMotion(6, 0);
    Pump();
    INP_MouseEvent event;
    ASSERT_EQ(1u, m_mouse->GetEvent(&event));
    EXPECT_EQ(5u, event.value);
    EXPECT_EQ(1, m_mouse->Unacquire());
    EXPECT_EQ(1, m_mouse->Acquire());
    ASSERT_EQ(1u, m_mouse->GetEvent(&event));
    EXPECT_EQ(INP_MOUSE_MOVE_X, event.type);
    EXPECT_EQ(6u, event.value);
    EXPECT_EQ(0u, m_mouse->GetEvent(&event));
}

class MouseSetUpTest : public INP_TestBase
{
};

TEST_F(MouseSetUpTest, FailuresAreFatalWithTheResultName)
{
    // The first two texts are the keyboard's: the mouse shares them.
    const struct
    {
        PLT_DICall call;
        const char* message;
    } cases[] = {
        {PLT_DICALL_CREATE, "INP_Keyboard::Init() - DirectInputCreate()"},
        {PLT_DICALL_CREATEDEVICE, "INP_Keyboard::Init() - CreateDevice()"},
        {PLT_DICALL_SETDATAFORMAT, "INP_Mouse::Init() - SetDataFormat()"},
        {PLT_DICALL_SETCOOPERATIVELEVEL, "INP_Mouse::Init() - SetCooperativeLevel()"},
        {PLT_DICALL_SETPROPERTY, "INP_Mouse::Init() - SetProperty()"},
        {PLT_DICALL_ACQUIRE, "INP_Mouse::Init() - Acquire()"},
    };
    for (const auto& each : cases) {
        PLT_DIFailNext(each.call, PLT_DIERR_GENERIC);
        EXPECT_FATAL(delete new INP_Mouse(), "DIERR_GENERIC", each.message);
    }
    std::vector<std::unique_ptr<INP_Mouse>> mice;
    for (u32 i = 0; i < 8; ++i)
        mice.emplace_back(new INP_Mouse());
}

}  // namespace
