// The SDL implementation's event translation and services, headless.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "sdl_fixture.h"

namespace
{

class SdlSystemTest : public TST_SdlTest
{
protected:
    s32 OpenWindow()
    {
        PLT_WindowDesc desc;
        desc.title = "test";
        desc.x = 4;
        desc.y = 4;
        desc.width = 640;
        desc.height = 480;
        return m_system->CreateWindow(desc);
    }

    std::vector<PLT_Event> Drain()
    {
        std::vector<PLT_Event> events;
        PLT_Event event;
        while (m_system->PollEvent(&event))
            if (event.type != PLT_EVENT_OTHER)
                events.push_back(event);
        return events;
    }

    static void PushWindowEvent(Uint8 _which)
    {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.event = _which;
        SDL_PushEvent(&event);
    }

    static void PushKeyDown(SDL_Scancode _scancode, SDL_Keycode _key, Uint16 _modifiers)
    {
        SDL_Event event = {};
        event.type = SDL_KEYDOWN;
        event.key.keysym.scancode = _scancode;
        event.key.keysym.sym = _key;
        event.key.keysym.mod = _modifiers;
        SDL_PushEvent(&event);
    }
};

TEST_F(SdlSystemTest, ShowingIsTheFirstActivationAndFocusCountsOnlyAfterIt)
{
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);  // before the window shows: ignored
    EXPECT_TRUE(Drain().empty());

    ASSERT_EQ(0, OpenWindow()) << m_system->ErrorText();
    EXPECT_NE(nullptr, m_system->Window());
    std::vector<PLT_Event> events = Drain();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(PLT_EVENT_ACTIVATE, events[0].type);
    EXPECT_EQ(1u, events[0].active);

    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(SDL_WINDOWEVENT_SHOWN);  // shown again: no second first activation
    events = Drain();
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(PLT_EVENT_ACTIVATE, events[0].type);
    EXPECT_EQ(0u, events[0].active);
    EXPECT_EQ(PLT_EVENT_ACTIVATE, events[1].type);
    EXPECT_EQ(1u, events[1].active);
}

TEST_F(SdlSystemTest, EventsTranslateToTheShellsMessages)
{
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    PushWindowEvent(SDL_WINDOWEVENT_MOVED);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    PushKeyDown(SDL_SCANCODE_PAUSE, SDLK_PAUSE, KMOD_LCTRL);
    PushKeyDown(SDL_SCANCODE_PAUSE, SDLK_PAUSE, KMOD_RCTRL);
    PushKeyDown(SDL_SCANCODE_PAUSE, SDLK_PAUSE, KMOD_NONE);  // Pause alone is no cancel key
    PushKeyDown(SDL_SCANCODE_C, SDLK_c, KMOD_LCTRL);         // nor is Ctrl+C
    m_system->PostQuit(7);

    const std::vector<PLT_Event> events = Drain();
    ASSERT_EQ(6u, events.size());
    EXPECT_EQ(PLT_EVENT_PAINT, events[0].type);
    EXPECT_EQ(PLT_EVENT_MOVED, events[1].type);
    EXPECT_EQ(PLT_EVENT_CLOSE, events[2].type);
    EXPECT_EQ(PLT_EVENT_CANCEL_KEY, events[3].type);
    EXPECT_EQ(PLT_EVENT_CANCEL_KEY, events[4].type);
    EXPECT_EQ(PLT_EVENT_QUIT, events[5].type);
    EXPECT_EQ(7, events[5].code);
}

TEST_F(SdlSystemTest, OtherEventsCarryTheNativeEvent)
{
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 12;
    SDL_PushEvent(&motion);
    PLT_Event event;
    ASSERT_EQ(1u, m_system->PollEvent(&event));
    EXPECT_EQ(PLT_EVENT_OTHER, event.type);
    ASSERT_NE(nullptr, event.native);
    const SDL_Event* native = static_cast<const SDL_Event*>(event.native);
    EXPECT_EQ((Uint32)SDL_MOUSEMOTION, native->type);
    EXPECT_EQ(12, native->motion.x);
}

TEST_F(SdlSystemTest, ClockSizesAndGraphicsProbe)
{
    EXPECT_NE(0u, m_system->Frequency());
    const u64 before = m_system->Counter();
    EXPECT_LE(before, m_system->Counter());

    s32 width = 0, height = 0;
    m_system->DesktopSize(&width, &height);
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(1, m_system->OuterSize(640, 480, &width, &height));
    EXPECT_GE(width, 640);
    EXPECT_GE(height, 480);
    EXPECT_EQ(0, m_system->OuterSize(0, 480, &width, &height));

    // Mesa's EGL stands in for the graphics runtime headless.
    EXPECT_EQ(0x800u, m_system->GraphicsVersion());
    // No box can show headless, and none may wait.
    m_system->MessageBox("caption", "text", PLT_BOX_ERROR);
}

}  // namespace
