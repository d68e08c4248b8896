// The input collector: key events with and without modifiers, the full ring, the mouse, the
// joystick's axes, point of view and buttons, and missing devices.
#include "brs_input.h"

#include <memory>
#include <vector>

#include "inp_fixture.h"
#include "inp_keyboard.h"
#include "inp_mouse.h"

namespace
{

struct Entry
{
    u32 action, pressed;
    f32 value;
    bool operator==(const Entry& _other) const = default;
};
using Entries = std::vector<Entry>;

void PrintTo(const Entry& _entry, std::ostream* _out)
{
    *_out << "{" << _entry.action << ", 0x" << std::hex << _entry.pressed << std::dec << ", " << _entry.value << "}";
}

Entries Drain(BRS_Input& _input)
{
    Entries entries;
    BRS_Action action;
    while (_input.TakeAction(&action))
        entries.push_back({action.action, action.pressed, action.value});
    return entries;
}

class BrsInputTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(INP_TestBase::SetUp());
        m_keyboard.reset(new INP_Keyboard());
        SITO_KEYBOARD = m_keyboard.get();
    }
    void TearDown() override
    {
        SITO_KEYBOARD = nullptr;
        SITO_MOUSE = nullptr;
        SITO_JOYSTICK = nullptr;
        m_keyboard.reset();
        INP_TestBase::TearDown();
    }

    std::unique_ptr<INP_Keyboard> m_keyboard;
};

const u32 DOWN = 0x80000000u;

TEST_F(BrsInputTest, KeyOneWithoutAndWithAModifier)
{
    BRS_Input input;
    input.SetKeyBinding(1, 0, 300);
    PushKey(SDL_SCANCODE_1, true);
    PushKey(SDL_SCANCODE_1, false);
    Pump();
    m_keyboard->UpdateKeymap();
    input.CollectKeyboard();
    EXPECT_EQ(Entries({{998, 1 | DOWN, 0}, {300, 1, 0}, {998, 1, 0}, {300, 0, 0}}), Drain(input));

    // Left Shift held: slot 5 of key 1 is unbound and slot 0 is not used.
    PushKey(SDL_SCANCODE_LSHIFT, true);
    Pump();
    m_keyboard->UpdateKeymap();
    Drain(input);
    while (m_keyboard->GetKey() != INP_KC_NONE) {
    }
    PushKey(SDL_SCANCODE_1, true);
    Pump();
    input.CollectKeyboard();
    EXPECT_EQ(Entries({{998, 1 | DOWN, 0}}), Drain(input));
}

TEST_F(BrsInputTest, ModifierSlotsFireInTheirOrder)
{
    BRS_Input input;
    for (s32 slot = 0; slot < BRS_Input::KEY_SLOTS; ++slot)
        input.SetKeyBinding(1, slot, 100 + (u32)slot);
    for (SDL_Scancode modifier : {SDL_SCANCODE_LALT, SDL_SCANCODE_RALT, SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL,
                                  SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT})
        PushKey(modifier, true);
    Pump();
    m_keyboard->UpdateKeymap();
    while (m_keyboard->GetKey() != INP_KC_NONE) {
    }
    PushKey(SDL_SCANCODE_1, true);
    Pump();
    input.CollectKeyboard();
    EXPECT_EQ(
        Entries({{998, 1 | DOWN, 0}, {101, 1, 0}, {102, 1, 0}, {105, 1, 0}, {106, 1, 0}, {103, 1, 0}, {104, 1, 0}}),
        Drain(input));
}

TEST_F(BrsInputTest, AFullRingDropsNewEntriesNeverOldOnes)
{
    const struct
    {
        s32 pending;
        Entries last;
    } rows[] = {
        {62, {{998, 1 | DOWN, 0}, {300, 1, 0}}},
        {63, {{998, 1 | DOWN, 0}}},
        {64, {{77, 0, 1}}},  // the whole key event is skipped
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pending);
        BRS_Input input;
        input.SetKeyBinding(1, 0, 300);
        input.SetMouseAxisBinding(0, 77);
        for (s32 i = 0; i < row.pending; ++i)
            input.CollectMouseEvent({INP_MOUSE_MOVE_X, 1});
        PushKey(SDL_SCANCODE_1, true);
        Pump();
        m_keyboard->UpdateKeymap();
        input.CollectKeyboard();
        EXPECT_EQ(64, input.GetCount());
        const Entries all = Drain(input);
        ASSERT_EQ(64u, all.size());
        EXPECT_EQ(Entry({77, 0, 1}), all.front());
        EXPECT_EQ(row.last, Entries(all.end() - (s32)row.last.size(), all.end()));
        // The ring goes on after wrapping.
        input.CollectMouseEvent({INP_MOUSE_MOVE_X, (u32)-3});
        EXPECT_EQ(Entries({{77, 0, -3}}), Drain(input));
    }
}

TEST_F(BrsInputTest, MouseAxesButtonsAndTheIllegalType)
{
    BRS_Input input;
    for (u32 type = 0; type <= 5; ++type)
        input.CollectMouseEvent({type, 1});
    EXPECT_TRUE(Drain(input).empty());  // the defaults bind nothing

    input.SetMouseAxisBinding(0, 10);
    input.SetMouseAxisBinding(2, 12);
    input.SetMouseButtonBinding(1, 20);
    input.CollectMouseEvent({INP_MOUSE_MOVE_X, (u32)-4});
    input.CollectMouseEvent({INP_MOUSE_MOVE_Y, 9});  // unbound
    input.CollectMouseEvent({INP_MOUSE_WHEEL, 120});
    input.CollectMouseEvent({INP_MOUSE_BUTTON_DOWN, 1});
    input.CollectMouseEvent({INP_MOUSE_BUTTON_UP, 1});
    input.CollectMouseEvent({INP_MOUSE_BUTTON_DOWN, 0});  // unbound
    input.CollectMouseEvent({INP_MOUSE_BUTTON_DOWN, 7});  // no such button
    input.CollectMouseEvent({INP_MOUSE_OTHER, 1});
    EXPECT_EQ(Entries({{10, 0, -4}, {12, 0, 120}, {20, 1, 0}, {20, 0, 0}}), Drain(input));
    EXPECT_FATAL(input.CollectMouseEvent({6, 0}), "BRS_Input::CollectMouse()", "illegal mouse event");
}

TEST_F(BrsInputTest, MissingDevicesCollectNothing)
{
    SITO_KEYBOARD = nullptr;
    BRS_Input input;
    EXPECT_EQ(0u, input.IsJoystickPresent());
    input.SetKeyBinding(1, 0, 300);
    input.SetJoystickBinding(0, 1);
    PushKey(SDL_SCANCODE_1, true);
    Pump();
    input.CollectKeyboard();
    input.CollectJoystick();
    input.CollectMouse();
    EXPECT_EQ(0, input.GetCount());
}

TEST_F(BrsInputTest, JoystickAxesEveryStepPointOfViewAndButtons)
{
    TST_Joystick controller;
    ASSERT_NO_FATAL_FAILURE(controller.Start());
    if (controller.RealController())
        GTEST_SKIP() << "a game controller is attached";
    ASSERT_NO_FATAL_FAILURE(controller.Attach(3, 4, 1));
    INP_Joystick joystick;
    SITO_JOYSTICK = &joystick;
    BRS_Input input;
    ASSERT_EQ(1u, input.IsJoystickPresent());
    input.SetJoystickBinding(0, 0);  // x: heading
    input.SetJoystickBinding(2, 2);  // z: throttle (the device has a third axis)
    input.SetJoystickBinding(3, 202);
    input.SetJoystickBinding(6, 201);
    input.SetJoystickButtonBinding(2, 11);

    input.CollectJoystick();
    input.CollectJoystick();  // the stick did not move: the axes come again
    EXPECT_EQ(Entries({{0, 0, 0}, {2, 0, 0}, {0, 0, 0}, {2, 0, 0}}), Drain(input));

    input.SetJoystickBinding(0, BRS_UNBOUND);
    input.SetJoystickBinding(2, BRS_UNBOUND);
    const struct
    {
        Uint8 hat;
        Entries expected;
    } hats[] = {
        {SDL_HAT_UP, {{202, 1, 0}}},
        {SDL_HAT_RIGHTUP, {}},  // a diagonal: nothing
        {SDL_HAT_RIGHT, {{202, 0, 0}, {201, 1, 0}}},
        {SDL_HAT_LEFT, {}},  // unbound direction: nothing, east still held
        {SDL_HAT_CENTERED, {{201, 0, 0}}},
        {SDL_HAT_CENTERED, {}},
    };
    for (const auto& row : hats) {
        SCOPED_TRACE((int)row.hat);
        SDL_JoystickSetVirtualHat(controller.Virtual(), 0, row.hat);
        Pump();
        input.CollectJoystick();
        EXPECT_EQ(row.expected, Drain(input));
    }

    SDL_JoystickSetVirtualButton(controller.Virtual(), 2, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(controller.Virtual(), 1, SDL_PRESSED);  // unbound
    Pump();
    input.CollectJoystick();
    input.CollectJoystick();
    SDL_JoystickSetVirtualButton(controller.Virtual(), 2, SDL_RELEASED);
    Pump();
    input.CollectJoystick();
    EXPECT_EQ(Entries({{11, 1, 0}, {11, 0, 0}}), Drain(input));
    SITO_JOYSTICK = nullptr;
}

}  // namespace
