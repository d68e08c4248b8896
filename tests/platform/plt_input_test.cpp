// The DirectInput-shaped input stand-in, fed through SDL's event queue, headless.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "plt_input.h"
#include "sdl_fixture.h"

namespace
{

typedef std::vector<PLT_DIDeviceObjectData> Records;

const u32 FOREGROUND = PLT_DISCL_NONEXCLUSIVE | PLT_DISCL_FOREGROUND;

class InputStandInTest : public TST_SdlTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TST_SdlTest::SetUp());
        ASSERT_EQ(PLT_DI_OK, PLT_DirectInput::Create(PLT_DIRECTINPUT_VERSION, &m_directInput));
    }

    void TearDown() override
    {
        for (PLT_DIDevice* device : m_devices)
            device->Release();
        if (m_directInput != nullptr)
            m_directInput->Release();
        TST_SdlTest::TearDown();
    }

    // A device set up the way the engine sets it up, acquired.
    PLT_DIDevice* Open(PLT_DIDeviceType _type, u32 _cooperation = FOREGROUND, u32 _buffer = 32)
    {
        PLT_DIDevice* device = Create(_type);
        static const PLT_DIDataFormat formats[] = {PLT_DIFORMAT_KEYBOARD, PLT_DIFORMAT_MOUSE, PLT_DIFORMAT_JOYSTICK};
        EXPECT_EQ(PLT_DI_OK, device->SetDataFormat(formats[_type]));
        EXPECT_EQ(PLT_DI_OK, device->SetCooperativeLevel(nullptr, _cooperation));
        if (_type != PLT_DIDEVICE_JOYSTICK) {
            EXPECT_EQ(PLT_DI_OK, device->SetBufferSize(_buffer));
        }
        EXPECT_EQ(PLT_DI_OK, device->Acquire());
        return device;
    }

    PLT_DIDevice* Create(PLT_DIDeviceType _type)
    {
        PLT_DIDevice* device = nullptr;
        EXPECT_EQ(PLT_DI_OK, m_directInput->CreateDevice(_type, &device));
        m_devices.push_back(device);
        return device;
    }

    static Records Take(PLT_DIDevice* _device, u32 _room = 256, u32* _result = nullptr)
    {
        Records records(_room);
        u32 count = _room;
        const u32 result = _device->GetDeviceData(records.data(), &count);
        if (_result != nullptr)
            *_result = result;
        else
            EXPECT_EQ(PLT_DI_OK, result);
        records.resize(count);
        return records;
    }

    PLT_DirectInput* m_directInput = nullptr;
    std::vector<PLT_DIDevice*> m_devices;
};

TEST_F(InputStandInTest, KeysArriveAsScanCodesWithoutRepeats)
{
    struct Case
    {
        SDL_Scancode key;
        u32 scanCode;
    };
    const Case cases[] = {
        {SDL_SCANCODE_ESCAPE, 0x01},
        {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_A, 0x1E},
        {SDL_SCANCODE_LCTRL, 0x1D},
        {SDL_SCANCODE_RCTRL, 0x9D},
        {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_F11, 0x57},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},
        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_APPLICATION, 0xDD},
        {SDL_SCANCODE_PAUSE, 0xC5},  // real scan codes outside the engine's table still arrive
        {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    };
    PLT_DIDevice* keyboard = Open(PLT_DIDEVICE_KEYBOARD);
    for (const Case& each : cases) {
        PushKey(each.key, true);
        PushKey(each.key, true, true);  // typematic repeat: no record
        PushKey(each.key, false);
    }
    PushKey(SDL_SCANCODE_F20, true);  // no DirectInput code: no record
    Pump();

    const Records records = Take(keyboard);
    ASSERT_EQ(2 * (sizeof(cases) / sizeof(cases[0])), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i / 2].scanCode, records[i].offset);
        EXPECT_EQ(i % 2 == 0 ? 0x80u : 0u, records[i].data);
        if (i > 0) {
            EXPECT_LT(records[i - 1].sequence, records[i].sequence);
        }
    }
}

TEST_F(InputStandInTest, ImmediateKeyStateHasBit7WhileDown)
{
    PLT_DIDevice* keyboard = Open(PLT_DIDEVICE_KEYBOARD);
    PushKey(SDL_SCANCODE_LSHIFT, true);
    PushKey(SDL_SCANCODE_S, true);
    PushKey(SDL_SCANCODE_S, false);
    Pump();
    u8 keys[256];
    EXPECT_EQ(PLT_DIERR_INVALIDPARAM, keyboard->GetDeviceState(255, keys));
    ASSERT_EQ(PLT_DI_OK, keyboard->GetDeviceState(sizeof(keys), keys));
    for (u32 i = 0; i < 256; ++i)
        EXPECT_EQ(i == 0x2A ? 0x80 : 0, keys[i]) << i;
}

TEST_F(InputStandInTest, BufferKeepsTheLatestRecordsAndReportsTheOverflowOnce)
{
    const SDL_Scancode first = SDL_SCANCODE_A;  // A..Z and 1..0 are 36 keys, all with codes
    PLT_DIDevice* keyboard = Open(PLT_DIDEVICE_KEYBOARD);
    for (s32 i = 0; i < 36; ++i)
        PushKey((SDL_Scancode)(first + i), true);
    Pump();

    u32 result = 0;
    Records records = Take(keyboard, 10, &result);
    EXPECT_EQ(PLT_DI_BUFFEROVERFLOW, result);
    ASSERT_EQ(10u, records.size());
    EXPECT_EQ(0x12u, records[0].offset);  // the fifth key, E: the four oldest went
    records = Take(keyboard, 256, &result);
    EXPECT_EQ(PLT_DI_OK, result);
    ASSERT_EQ(22u, records.size());
    EXPECT_EQ(0x0Bu, records.back().offset);  // 0, the last key pushed
    EXPECT_TRUE(Take(keyboard).empty());
}

TEST_F(InputStandInTest, AcquisitionRules)
{
    PLT_DIDevice* keyboard = Create(PLT_DIDEVICE_KEYBOARD);
    EXPECT_EQ(PLT_DIERR_INVALIDPARAM, keyboard->Acquire());  // no data format yet
    EXPECT_EQ(PLT_DIERR_INVALIDPARAM, keyboard->SetDataFormat(PLT_DIFORMAT_MOUSE));
    ASSERT_EQ(PLT_DI_OK, keyboard->SetDataFormat(PLT_DIFORMAT_KEYBOARD));
    EXPECT_EQ(PLT_DIERR_INVALIDPARAM, keyboard->SetCooperativeLevel(nullptr, PLT_DISCL_FOREGROUND));
    ASSERT_EQ(PLT_DI_OK, keyboard->SetCooperativeLevel(nullptr, FOREGROUND));
    ASSERT_EQ(PLT_DI_OK, keyboard->SetBufferSize(32));

    // Not acquired: nothing is recorded and nothing can be read.
    u32 result = 0;
    PushKey(SDL_SCANCODE_A, true);
    Pump();
    Take(keyboard, 32, &result);
    EXPECT_EQ(PLT_DIERR_NOTACQUIRED, result);
    u8 keys[256];
    EXPECT_EQ(PLT_DIERR_NOTACQUIRED, keyboard->GetDeviceState(sizeof(keys), keys));
    EXPECT_EQ(PLT_DI_OK, keyboard->Acquire());
    EXPECT_EQ(PLT_DI_NOEFFECT, keyboard->Acquire());
    EXPECT_TRUE(Take(keyboard).empty());
    EXPECT_EQ(PLT_DIERR_ACQUIRED, keyboard->SetBufferSize(16));
    EXPECT_EQ(PLT_DIERR_ACQUIRED, keyboard->SetDataFormat(PLT_DIFORMAT_KEYBOARD));

    // Losing the focus loses a foreground device with its records; a background one keeps
    // reading. It cannot be acquired again until the focus is back.
    PLT_DIDevice* background = Open(PLT_DIDEVICE_KEYBOARD, PLT_DISCL_NONEXCLUSIVE | PLT_DISCL_BACKGROUND);
    PushKey(SDL_SCANCODE_B, true);
    PushFocus(false);
    PushKey(SDL_SCANCODE_C, true);
    Pump();
    Take(keyboard, 32, &result);
    EXPECT_EQ(PLT_DIERR_INPUTLOST, result);
    EXPECT_EQ(PLT_DIERR_INPUTLOST, keyboard->GetDeviceState(sizeof(keys), keys));
    EXPECT_EQ(PLT_DIERR_OTHERAPPHASPRIO, keyboard->Acquire());
    EXPECT_EQ(2u, Take(background).size());
    PushFocus(true);
    Pump();
    EXPECT_EQ(PLT_DI_OK, keyboard->Acquire());
    EXPECT_TRUE(Take(keyboard).empty());

    EXPECT_EQ(PLT_DI_OK, keyboard->Unacquire());
    EXPECT_EQ(PLT_DI_NOEFFECT, keyboard->Unacquire());
    EXPECT_EQ(PLT_DIERR_NOTACQUIRED, keyboard->Poll());
}

TEST_F(InputStandInTest, MouseRecordsRelativeMotionWheelAndFourButtons)
{
    PLT_DIDevice* mouse = Open(PLT_DIDEVICE_MOUSE);
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = 5;
    event.motion.yrel = -3;
    SDL_PushEvent(&event);
    event.motion.xrel = 0;  // no motion along x: no record
    event.motion.yrel = 7;
    SDL_PushEvent(&event);
    event = SDL_Event();
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = 1;
    SDL_PushEvent(&event);
    event.wheel.y = -2;
    event.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    SDL_PushEvent(&event);
    const Uint8 buttons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1, SDL_BUTTON_X2};
    for (Uint8 button : buttons) {
        event = SDL_Event();
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = button;
        SDL_PushEvent(&event);
    }
    event.type = SDL_MOUSEBUTTONUP;
    event.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&event);
    Pump();

    struct Expected
    {
        u32 offset;
        u32 data;
    };
    const Expected expected[] = {
        {PLT_DIMOFS_X, 5},          {PLT_DIMOFS_Y, (u32)-3},    {PLT_DIMOFS_Y, 7},          {PLT_DIMOFS_Z, 120},
        {PLT_DIMOFS_Z, 240},        {PLT_DIMOFS_BUTTON0, 0x80}, {PLT_DIMOFS_BUTTON1, 0x80}, {PLT_DIMOFS_BUTTON2, 0x80},
        {PLT_DIMOFS_BUTTON3, 0x80}, {PLT_DIMOFS_BUTTON0, 0},
    };
    const Records records = Take(mouse);
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(expected[i].offset, records[i].offset) << i;
        EXPECT_EQ(expected[i].data, records[i].data) << i;
    }

    // The immediate state sums the motion since the last read.
    u8 state[16];
    ASSERT_EQ(PLT_DI_OK, mouse->GetDeviceState(sizeof(state), state));
    EXPECT_EQ(5, OS_ReadS32LE(state));
    EXPECT_EQ(4, OS_ReadS32LE(state + 4));
    EXPECT_EQ(360, OS_ReadS32LE(state + 8));
    EXPECT_EQ(0, state[12]);
    EXPECT_EQ(0x80, state[13]);
    ASSERT_EQ(PLT_DI_OK, mouse->GetDeviceState(sizeof(state), state));
    EXPECT_EQ(0, OS_ReadS32LE(state));
}

TEST_F(InputStandInTest, WithoutAControllerThereIsNoJoystick)
{
    TST_Joystick joystick;
    ASSERT_NO_FATAL_FAILURE(joystick.Start());
    if (joystick.RealController())
        GTEST_SKIP() << "a game controller is attached";
    EXPECT_EQ(0u, m_directInput->GameControllerCount());
    PLT_DIDevice* device = nullptr;
    EXPECT_EQ(PLT_DIERR_DEVICENOTREG, m_directInput->CreateDevice(PLT_DIDEVICE_JOYSTICK, &device));
    EXPECT_EQ(nullptr, device);
}

// A virtual controller stands in for the first joystick.
class JoystickStandInTest : public InputStandInTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InputStandInTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(m_joystick.Start());
        if (m_joystick.RealController())
            GTEST_SKIP() << "a game controller is attached";
        ASSERT_NO_FATAL_FAILURE(m_joystick.Attach(4, 4, 2));
    }

    void TearDown() override
    {
        for (PLT_DIDevice* device : m_devices)
            device->Release();
        m_devices.clear();
        m_joystick.Release();
        InputStandInTest::TearDown();
    }

    PLT_DIJoyState Read(PLT_DIDevice* _device)
    {
        PLT_DIJoyState state;
        EXPECT_EQ(PLT_DI_OK, _device->Poll());
        EXPECT_EQ(PLT_DI_OK, _device->GetDeviceState(sizeof(state), &state));
        return state;
    }

    TST_Joystick m_joystick;
};

TEST_F(JoystickStandInTest, AxesReadInTheirRangeWithTheDeadZone)
{
    EXPECT_EQ(1u, m_directInput->GameControllerCount());
    PLT_DIDevice* joystick = Open(PLT_DIDEVICE_JOYSTICK);
    PLT_DIDevCaps caps;
    ASSERT_EQ(PLT_DI_OK, joystick->GetCapabilities(&caps));
    EXPECT_EQ(4u, caps.axes);
    EXPECT_EQ(4u, caps.buttons);
    EXPECT_EQ(2u, caps.povs);
    for (u32 axis : {PLT_DIJOFS_X, PLT_DIJOFS_Y, PLT_DIJOFS_Z}) {
        EXPECT_EQ(PLT_DI_OK, joystick->SetRange(axis, -1000, 1000));
        EXPECT_EQ(PLT_DI_OK, joystick->SetDeadZone(axis, 1000));
    }
    EXPECT_EQ(PLT_DIERR_INVALIDPARAM, joystick->SetRange(PLT_DIJOFS_RZ, -1000, 1000));  // no such axis
    EXPECT_EQ(PLT_DIERR_INVALIDPARAM, joystick->SetDeadZone(PLT_DIJOFS_X, 10001));
    EXPECT_EQ(PLT_DIERR_INVALIDPARAM, joystick->SetRange(PLT_DIJOFS_X, 5, 5));

    struct Case
    {
        Sint16 x, y, z, rx;
        s32 expectX, expectY, expectZ, expectRx;
    };
    const Case cases[] = {
        {32767, -32768, 0, 32767, 1000, -1000, 0, 65535},
        {3000, -3000, 3276, -32768, 0, 0, 0, 0},              // inside the dead zone: the centre
        {16384, -16384, -32768, 0, 444, -444, -1000, 32768},  // beyond it: stretched
    };
    for (const Case& each : cases) {
        SDL_JoystickSetVirtualAxis(m_joystick.Virtual(), 0, each.x);
        SDL_JoystickSetVirtualAxis(m_joystick.Virtual(), 1, each.y);
        SDL_JoystickSetVirtualAxis(m_joystick.Virtual(), 2, each.z);
        SDL_JoystickSetVirtualAxis(m_joystick.Virtual(), 3, each.rx);  // rx keeps its default range 0..65535
        const PLT_DIJoyState state = Read(joystick);
        EXPECT_EQ(each.expectX, state.axes[0]) << each.x;
        EXPECT_EQ(each.expectY, state.axes[1]) << each.y;
        EXPECT_EQ(each.expectZ, state.axes[2]) << each.z;
        EXPECT_EQ(each.expectRx, state.axes[3]) << each.rx;
        EXPECT_EQ(0, state.axes[4]);
        EXPECT_EQ(0, state.axes[5]);
    }
}

TEST_F(JoystickStandInTest, HatsAndButtons)
{
    PLT_DIDevice* joystick = Open(PLT_DIDEVICE_JOYSTICK);
    const struct
    {
        Uint8 hat;
        u32 pov;
    } cases[] = {
        {SDL_HAT_CENTERED, 0xFFFFFFFFu}, {SDL_HAT_UP, 0},       {SDL_HAT_RIGHTUP, 4500}, {SDL_HAT_RIGHT, 9000},
        {SDL_HAT_DOWN, 18000},           {SDL_HAT_LEFT, 27000}, {SDL_HAT_LEFTUP, 31500},
    };
    for (const auto& each : cases) {
        SDL_JoystickSetVirtualHat(m_joystick.Virtual(), 1, each.hat);
        const PLT_DIJoyState state = Read(joystick);
        EXPECT_EQ(0xFFFFFFFFu, state.povs[0]);
        EXPECT_EQ(each.pov, state.povs[1]) << (int)each.hat;
        EXPECT_EQ(0xFFFFFFFFu, state.povs[2]);  // hats the device does not have
        EXPECT_EQ(0xFFFFFFFFu, state.povs[3]);
    }
    SDL_JoystickSetVirtualButton(m_joystick.Virtual(), 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(m_joystick.Virtual(), 3, SDL_PRESSED);
    const PLT_DIJoyState state = Read(joystick);
    for (u32 i = 0; i < 32; ++i)
        EXPECT_EQ(i == 0 || i == 3 ? 0x80 : 0, state.buttons[i]) << i;
}

TEST_F(JoystickStandInTest, AnUnpluggedOrShutDownControllerAnswersUnplugged)
{
    PLT_DIDevice* joystick = Open(PLT_DIDEVICE_JOYSTICK);
    PLT_DIJoyState state;
    EXPECT_EQ(PLT_DI_OK, joystick->Unacquire());
    EXPECT_EQ(PLT_DIERR_NOTACQUIRED, joystick->GetDeviceState(sizeof(state), &state));
    EXPECT_EQ(PLT_DI_OK, joystick->Acquire());
    m_joystick.Unplug();
    EXPECT_EQ(PLT_DIERR_UNPLUGGED, joystick->GetDeviceState(sizeof(state), &state));

    // A device that outlives SDL never reaches it again.
    m_joystick.Release();
    m_system->Shutdown();
    EXPECT_EQ(PLT_DIERR_NOTACQUIRED, joystick->GetDeviceState(sizeof(state), &state));
    EXPECT_EQ(PLT_DIERR_UNPLUGGED, joystick->Acquire());
    joystick->Release();
    m_devices.clear();
    ASSERT_EQ(0, m_system->Init());  // balanced by TearDown
}

TEST_F(InputStandInTest, AnArmedFailureAnswersTheNextCallOnly)
{
    PLT_DIDevice* keyboard = Open(PLT_DIDEVICE_KEYBOARD);
    PLT_DIFailNext(PLT_DICALL_GETDEVICEDATA, PLT_DIERR_GENERIC);
    u32 result = 0;
    Take(keyboard, 32, &result);
    EXPECT_EQ(PLT_DIERR_GENERIC, result);
    Take(keyboard, 32, &result);
    EXPECT_EQ(PLT_DI_OK, result);

    PLT_DIFailNext(PLT_DICALL_CREATE, PLT_DIERR_OUTOFMEMORY);
    PLT_DirectInput* second = nullptr;
    EXPECT_EQ(PLT_DIERR_OUTOFMEMORY, PLT_DirectInput::Create(PLT_DIRECTINPUT_VERSION, &second));
    EXPECT_EQ(nullptr, second);
    EXPECT_EQ(PLT_DIERR_OLDDIRECTINPUTVERSION, PLT_DirectInput::Create(0x0700, &second));
}

}  // namespace
