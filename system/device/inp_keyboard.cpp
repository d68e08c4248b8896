// The keyboard over the DirectInput-shaped stand-in.
#include "inp_keyboard.h"

#include <array>
#include <cstring>

#include "inp_local.h"
#include "os_clock.h"
#include "os_fatal.h"

INP_Keyboard* SITO_KEYBOARD = nullptr;

namespace
{

// The scan codes that have key codes; a key code is the position in this list.
constexpr u8 KEY_SCAN_CODES[INP_KC_COUNT] = {
    1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  20,
    21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,
    41,  42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,
    61,  62,  63,  64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,
    81,  82,  83,  87,  88,  100, 101, 102, 112, 121, 123, 125, 141, 144, 145, 146, 147, 148, 149, 150,
    151, 156, 157, 179, 181, 183, 184, 199, 200, 201, 203, 205, 207, 208, 209, 210, 211, 219, 220, 221};

constexpr std::array<u32, 256> BuildKeyCodes()
{
    std::array<u32, 256> codes = {};
    for (u32& code : codes)
        code = INP_KC_NONE;
    for (u32 i = 0; i < INP_KC_COUNT; ++i)
        codes[KEY_SCAN_CODES[i]] = i;
    return codes;
}

constexpr std::array<u32, 256> KEY_CODES = BuildKeyCodes();

}  // namespace

INP_Keyboard::INP_Keyboard()
    : INP_BufferedDevice({PLT_DIDEVICE_KEYBOARD, PLT_DIFORMAT_KEYBOARD, PLT_DISCL_NONEXCLUSIVE | PLT_DISCL_FOREGROUND,
                          "INP_Keyboard", "INP_Keyboard::GetKey() - GetDeviceData()", "keyboard"})
{
#ifdef QV_KEY_SCRIPT
    m_script.LoadFromEnvironment(OS_Time());
#endif
}

#ifdef QV_KEY_SCRIPT
void INP_Keyboard::PlayScript()
{
    for (;;) {
        if (m_waitingKey == INP_KC_NONE)
            m_waitingKey = m_script.TakeDueKey(OS_Time());
        if (m_waitingKey == INP_KC_NONE || PLT_DIScriptKey(TranslateKCtoDIK(m_waitingKey)) == 0)
            return;
        m_waitingKey = INP_KC_NONE;
    }
}
#endif

u32 INP_Keyboard::GetKey()
{
#ifdef QV_KEY_SCRIPT
    PlayScript();
#endif
    for (;;) {
        const PLT_DIDeviceObjectData* record = NextRecord();
        if (record == nullptr)
            return INP_KC_NONE;
        // A key outside the table would read as "no event" (or as a code no table holds) and
        // end its reader's loop early: it is skipped here instead.
        const INP_KeyCode keyCode = TranslateDIKtoKC(record->offset);
        if (keyCode == INP_KC_NONE)
            continue;
        return record->data != 0 ? keyCode | INP_KC_PRESSED : keyCode;
    }
}

void INP_Keyboard::FlushKeys()
{
    DropKeys();
#ifdef QV_KEY_SCRIPT
    // Keys due but not yet played stay for after the flush.
    m_script.Flushed(OS_Time());
#endif
}

void INP_Keyboard::DropKeys()
{
    while (NextRecord() != nullptr) {
    }
}

void INP_Keyboard::UpdateKeymap()
{
#ifdef QV_KEY_SCRIPT
    PlayScript();
#endif
    const u32 result = m_device->GetDeviceState(sizeof(m_keyMap), m_keyMap);
    if (INP_Lost(result)) {
        // No key counts as held while the keyboard cannot be read.
        memset(m_keyMap, 0, sizeof(m_keyMap));
        m_device->Acquire();
        return;
    }
    INP_Check(result, "INP_Keyboard::UpdateKeymap() - GetDeviceState()");
}

u32 INP_Keyboard::IsKeyDown(INP_KeyCode _keyCode) const { return m_keyMap[TranslateKCtoDIK(_keyCode)] & 0x80; }

void INP_Keyboard::OnAcquired() { DropKeys(); }

INP_KeyCode INP_Keyboard::TranslateDIKtoKC(u32 _scanCode)
{
    return _scanCode < KEY_CODES.size() ? KEY_CODES[_scanCode] : INP_KC_NONE;
}

u32 INP_Keyboard::TranslateKCtoDIK(INP_KeyCode _keyCode)
{
    if (_keyCode >= INP_KC_COUNT)
        OS_Fatal("INP_Keyboard::TranslateKCtoDIK()", "illegal kc key code");
    return KEY_SCAN_CODES[_keyCode];
}
