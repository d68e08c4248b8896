// The keyboard: key events in key codes, the batch of 32, acquisition, the key map and the
// fatal texts.
#include "inp_keyboard.h"

#include <memory>

#include "inp_fixture.h"

namespace
{

class KeyboardTest : public INP_TestBase
{
protected:
    void SetUp() override
    {
        INP_TestBase::SetUp();
        m_keyboard.reset(new INP_Keyboard());
    }

    void TearDown() override
    {
        m_keyboard.reset();
        INP_TestBase::TearDown();
    }

    std::vector<u32> Drain()
    {
        std::vector<u32> keys;
        for (u32 key = m_keyboard->GetKey(); key != INP_KC_NONE; key = m_keyboard->GetKey())
            keys.push_back(key);
        return keys;
    }

    std::unique_ptr<INP_Keyboard> m_keyboard;
};

const u32 DOWN = INP_KC_PRESSED;

TEST_F(KeyboardTest, KeysComeDownAndUpInKeyCodes)
{
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PushKey(SDL_SCANCODE_RETURN, true);
    PushKey(SDL_SCANCODE_UP, true);
    PushKey(SDL_SCANCODE_LEFT, true);
    PushKey(SDL_SCANCODE_RIGHT, false);
    PushKey(SDL_SCANCODE_DOWN, false);
    PushKey(SDL_SCANCODE_RCTRL, true);
    Pump();
    const std::vector<u32> expected = {0x80000000u, 0, 27 | DOWN, 108 | DOWN, 110 | DOWN, 111, 113, 102 | DOWN};
    EXPECT_EQ(expected, Drain());
    EXPECT_EQ(INP_KC_NONE, m_keyboard->GetKey());
}

TEST_F(KeyboardTest, KeysOutsideTheTableAreSkipped)
{
    // Pause and the ISO key beside left Shift have scan codes the table does not hold: their
    // events used to surface as "no event" (ending the reader's loop with keys still pending)
    // or as a code beyond 119.
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_NONUSBACKSLASH, true);
    PushKey(SDL_SCANCODE_NONUSBACKSLASH, false);
    PushKey(SDL_SCANCODE_PAUSE, true);
    PushKey(SDL_SCANCODE_B, true);
    PushKey(SDL_SCANCODE_PAUSE, false);
    Pump();
    const std::vector<u32> expected = {29 | DOWN, 47 | DOWN};
    EXPECT_EQ(expected, Drain());
}

TEST_F(KeyboardTest, AtMost32EventsAndTheNextFetchOnlyWhenTheBatchIsUsedUp)
{
    // 36 key presses: the device keeps the latest 32.
    for (s32 i = 0; i < 36; ++i)
        PushKey((SDL_Scancode)(SDL_SCANCODE_A + i), true);
    Pump();
    const std::vector<u32> keys = Drain();
    ASSERT_EQ(32u, keys.size());
    EXPECT_EQ(17 | DOWN, keys.front());  // E: A to D were dropped
    EXPECT_EQ(10 | DOWN, keys.back());   // the 0 key

    // A fetched batch is handed out even after the device stops answering.
    PushKey(SDL_SCANCODE_1, true);
    PushKey(SDL_SCANCODE_2, true);
    PushKey(SDL_SCANCODE_3, true);
    Pump();
    EXPECT_EQ(1 | DOWN, m_keyboard->GetKey());
    PushFocus(false);  // the device is lost
    Pump();
    EXPECT_EQ(2 | DOWN, m_keyboard->GetKey());
    EXPECT_EQ(3 | DOWN, m_keyboard->GetKey());
    EXPECT_EQ(INP_KC_NONE, m_keyboard->GetKey());  // lost: acquiring again (refused in the background)
    PushFocus(true);
    PushKey(SDL_SCANCODE_4, true);  // not acquired yet: not recorded
    Pump();
    EXPECT_EQ(INP_KC_NONE, m_keyboard->GetKey());  // still lost: acquired now
    PushKey(SDL_SCANCODE_5, true);
    Pump();
    EXPECT_EQ(5 | DOWN, m_keyboard->GetKey());
}

TEST_F(KeyboardTest, AcquiringDropsPendingKeys)
{
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_S, true);
    Pump();
    EXPECT_EQ(29 | DOWN, m_keyboard->GetKey());  // S is pending in the batch
    PushKey(SDL_SCANCODE_D, true);               // and D in the device
    Pump();
    EXPECT_EQ(1, m_keyboard->Unacquire());
    PushKey(SDL_SCANCODE_F, true);  // in the background: never delivered
    Pump();
    EXPECT_EQ(1, m_keyboard->Acquire());
    EXPECT_EQ(INP_KC_NONE, m_keyboard->GetKey());

    PushKey(SDL_SCANCODE_G, true);
    Pump();
    m_keyboard->FlushKeys();
    EXPECT_EQ(INP_KC_NONE, m_keyboard->GetKey());
    PushKey(SDL_SCANCODE_H, true);
    Pump();
    EXPECT_EQ(34 | DOWN, m_keyboard->GetKey());

    const std::vector<std::string> expected = {"keyboard unacquired", "keyboard acquired"};
    EXPECT_EQ(expected, LogLines());
}

TEST_F(KeyboardTest, KeyMapHoldsTheKeysDownAtTheLastUpdate)
{
    PushKey(SDL_SCANCODE_LSHIFT, true);
    PushKey(SDL_SCANCODE_RALT, true);
    PushKey(SDL_SCANCODE_RALT, false);
    Pump();
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(41));  // not updated yet
    m_keyboard->UpdateKeymap();
    EXPECT_NE(0u, m_keyboard->IsKeyDown(41));
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(106));
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(INP_KC_ESCAPE));

    // A lost keyboard holds no keys.
    PushFocus(false);
    Pump();
    m_keyboard->UpdateKeymap();
    EXPECT_EQ(0u, m_keyboard->IsKeyDown(41));

    EXPECT_FATAL(m_keyboard->IsKeyDown(120), "INP_Keyboard::TranslateKCtoDIK()", "illegal kc key code");
    EXPECT_FATAL(m_keyboard->IsKeyDown(INP_KC_NONE), "INP_Keyboard::TranslateKCtoDIK()", "illegal kc key code");
}

TEST(KeyCodeTableTest, ScanCodesAndKeyCodes)
{
    const struct
    {
        u32 scanCode;
        u32 keyCode;
    } cases[] = {
        {1, 0},
        {28, 27},
        {83, 82},
        {87, 83},
        {88, 84},
        {100, 85},
        {112, 88},
        {141, 92},
        {147, 96},
        {157, 102},
        {184, 106},
        {200, 108},
        {203, 110},
        {205, 111},
        {208, 113},
        {221, 119},
        {0, INP_KC_NONE},
        {84, INP_KC_NONE},
        {86, INP_KC_NONE},
        {197, INP_KC_NONE},
        {255, INP_KC_NONE},
        {256, INP_KC_NONE},
    };
    for (const auto& each : cases)
        EXPECT_EQ(each.keyCode, INP_Keyboard::TranslateDIKtoKC(each.scanCode)) << each.scanCode;

    // Ascending scan codes, one key code each, and back.
    u32 previous = 0;
    for (u32 keyCode = 0; keyCode < INP_KC_COUNT; ++keyCode) {
        const u32 scanCode = INP_Keyboard::TranslateKCtoDIK(keyCode);
        EXPECT_LT(previous, scanCode);
        EXPECT_EQ(keyCode, INP_Keyboard::TranslateDIKtoKC(scanCode));
        previous = scanCode;
    }
    EXPECT_FATAL(INP_Keyboard::TranslateKCtoDIK(120), "INP_Keyboard::TranslateKCtoDIK()", "illegal kc key code");
}

class KeyboardSetUpTest : public INP_TestBase
{
};

TEST_F(KeyboardSetUpTest, FailuresAreFatalWithTheResultNameAndGiveBackWhatTheyTook)
{
    const struct
    {
        PLT_DICall call;
        u32 result;
        const char* caption;
        const char* message;
    } cases[] = {
        {PLT_DICALL_CREATE, 0x80040154, "DIERR_DEVICENOTREG", "INP_Keyboard::Init() - DirectInputCreate()"},
        {PLT_DICALL_CREATEDEVICE, 0x8007000E, "DIERR_OUTOFMEMORY", "INP_Keyboard::Init() - CreateDevice()"},
        {PLT_DICALL_SETDATAFORMAT, 0x80070057, "DIERR_INVALIDPARAM", "INP_Keyboard::Init() - SetDataFormat()"},
        {PLT_DICALL_SETCOOPERATIVELEVEL, 0x80070006, "E_HANDLE", "INP_Keyboard::Init() - SetCooperativeLevel()"},
        {PLT_DICALL_SETPROPERTY, 0x800700AA, "DIERR_ACQUIRED", "INP_Keyboard::Init() - SetProperty()"},
        {PLT_DICALL_ACQUIRE, 0x80040206, "DIERR_INCOMPLETEEFFECT | DIERR_OTHERAPPHASPRIO",
         "INP_Keyboard::Init() - Acquire()"},
        {PLT_DICALL_ACQUIRE, 0x00000002, "DI_POLLEDDEVICE", "INP_Keyboard::Init() - Acquire()"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.message);
        PLT_DIFailNext(each.call, each.result);
        EXPECT_FATAL(delete new INP_Keyboard(), each.caption, each.message);
    }
    // Nothing leaked: the stand-in's eight device slots are all free again.
    std::vector<std::unique_ptr<INP_Keyboard>> keyboards;
    for (u32 i = 0; i < 8; ++i)
        keyboards.emplace_back(new INP_Keyboard());
}

TEST_F(KeyboardTest, DeviceErrorsWhileReadingAreFatal)
{
    PLT_DIFailNext(PLT_DICALL_GETDEVICEDATA, PLT_DIERR_GENERIC);
    EXPECT_FATAL(m_keyboard->GetKey(), "DIERR_GENERIC", "INP_Keyboard::GetKey() - GetDeviceData()");
    PLT_DIFailNext(PLT_DICALL_GETDEVICEDATA, PLT_DIERR_INPUTLOST);
    EXPECT_EQ(INP_KC_NONE, m_keyboard->GetKey());
    PLT_DIFailNext(PLT_DICALL_GETDEVICESTATE, PLT_DIERR_NOTBUFFERED);
    EXPECT_FATAL(m_keyboard->UpdateKeymap(), "DIERR_NOTBUFFERED", "INP_Keyboard::UpdateKeymap() - GetDeviceState()");
}

}  // namespace
