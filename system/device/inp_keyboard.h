// The keyboard: buffered key events in the program's own dense key codes, and an immediate
// snapshot of all keys.
//
// Key codes (INP_KeyCode) number the 120 DirectInput scan codes the program knows, in
// ascending order of scan code: Escape 0 ... Apps 119. GetKey hands out one event per call
// from a batch of at most 32 fetched from the device, and fetches again only when the batch is
// used up. Keys outside the table are never reported. Set-up failures and unexpected device
// errors are fatal (caption: the DirectInput error name); a lost device is acquired again.
// One object exists, SITO_KEYBOARD, created and destroyed by UTL_QuickIntegrator.
// Test builds (QV_KEY_SCRIPT) also play the key script the environment names (inp_keyscript.h)
// through the device: GetKey and UpdateKeymap hand due keys to it, FlushKeys takes a flush step.
#pragma once

#include "inp_buffereddevice.h"
#include "inp_keyscript.h"
#include "os_types.h"

typedef u32 INP_KeyCode;

enum : u32
{
    INP_KC_ESCAPE = 0,
    INP_KC_RETURN = 27,
    INP_KC_UP = 108,
    INP_KC_LEFT = 110,
    INP_KC_RIGHT = 111,
    INP_KC_DOWN = 113,
    INP_KC_COUNT = 120,
    INP_KC_NONE = 0x40000000,    // no key: no event pending, or a scan code outside the table
    INP_KC_PRESSED = 0x80000000  // added to a key event's code when the key went down
};

class INP_Keyboard : public INP_BufferedDevice
{
public:
    INP_Keyboard();

    // The next key event (key code, plus INP_KC_PRESSED when the key went down), or
    // INP_KC_NONE when there is none.
    u32 GetKey();
    // Drops every pending key event.
    void FlushKeys();
    // Reads the state of all keys into the key map.
    void UpdateKeymap();
    // Nonzero while the key was down at the last UpdateKeymap; fatal for codes outside 0..119.
    u32 IsKeyDown(INP_KeyCode _keyCode) const;

    // Scan code to key code (INP_KC_NONE outside the table) and back (fatal outside 0..119).
    static INP_KeyCode TranslateDIKtoKC(u32 _scanCode);
    static u32 TranslateKCtoDIK(INP_KeyCode _keyCode);

private:
    // Acquire (INP_Device) drops the events that were pending, so keys pressed while the
    // program was in the background are not delivered.
    void OnAcquired() override;
    // Drops every pending key event without telling the key script.
    void DropKeys();

    u8 m_keyMap[256] = {};
#ifdef QV_KEY_SCRIPT
    // Hands the keys due now to the device; a key no keyboard could record waits.
    void PlayScript();

    INP_KeyScript m_script;
    u32 m_waitingKey = INP_KC_NONE;
#endif
};

extern INP_Keyboard* SITO_KEYBOARD;
