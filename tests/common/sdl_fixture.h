// SDL for the tests that go through the real platform: the system up for each test (headless:
// the test main picks the offscreen and dummy drivers), input pushed through SDL's event queue
// and polled the way the main loop polls it, and a virtual controller in place of a joystick.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include "plt_system.h"

class TST_SdlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_system = PLT_GetSystem();
        ASSERT_EQ(0, m_system->Init()) << m_system->ErrorText();
    }

    void TearDown() override { m_system->Shutdown(); }

    // Lets the system poll everything queued.
    void Pump()
    {
        PLT_Event event;
        while (m_system->PollEvent(&event)) {
        }
    }

    static void PushKey(SDL_Scancode _scancode, bool _down, bool _repeat = false)
    {
        SDL_Event event = {};
        event.type = _down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.scancode = _scancode;
        event.key.repeat = _repeat ? 1 : 0;
        SDL_PushEvent(&event);
    }

    static void PushFocus(bool _gained)
    {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.event = _gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&event);
    }

    PLT_System* m_system = nullptr;
};

// SDL's joystick subsystem, held while the object lives or until Release, and a virtual
// controller attached on request. A machine with a real controller cannot have the virtual one
// as its first joystick, so tests that need it skip there (RealController).
// Start and Attach assert: call them inside ASSERT_NO_FATAL_FAILURE.
class TST_Joystick
{
public:
    TST_Joystick() = default;
    TST_Joystick(const TST_Joystick&) = delete;
    TST_Joystick& operator=(const TST_Joystick&) = delete;
    ~TST_Joystick() { Release(); }

    void Start()
    {
        ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_JOYSTICK)) << SDL_GetError();
        m_started = true;
        m_realController = SDL_NumJoysticks() > 0;
    }

    bool RealController() const { return m_realController; }

    // A virtual controller with the given controls, opened so that its state can be set.
    void Attach(s32 _axes, s32 _buttons, s32 _hats)
    {
        m_index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, _axes, _buttons, _hats);
        ASSERT_GE(m_index, 0) << SDL_GetError();
        m_virtual = SDL_JoystickOpen(m_index);
        ASSERT_NE(nullptr, m_virtual) << SDL_GetError();
    }

    SDL_Joystick* Virtual() const { return m_virtual; }

    // Pulls the virtual controller out while it is still open, as a user pulls a cable.
    void Unplug()
    {
        if (m_index >= 0)
            SDL_JoystickDetachVirtual(m_index);
        m_index = -1;
    }

    // Closes and detaches the virtual controller and stops the subsystem; Start may follow.
    void Release()
    {
        if (m_virtual != nullptr)
            SDL_JoystickClose(m_virtual);
        m_virtual = nullptr;
        Unplug();
        if (m_started)
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        m_started = false;
    }

private:
    SDL_Joystick* m_virtual = nullptr;
    s32 m_index = -1;
    bool m_started = false;
    bool m_realController = false;
};
