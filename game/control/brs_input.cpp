// The input collector: binding tables, the action ring and the three device walks.
#include "brs_input.h"

#include "inp_keyboard.h"
#include "inp_mouse.h"
#include "os_fatal.h"

namespace
{
// Engine key codes of the modifier keys, by key binding slot (slot 0 has none).
constexpr u32 MODIFIER_KEYS[BRS_Input::KEY_SLOTS] = {0, 55, 106, 28, 102, 41, 53};
// The order in which the modifier slots of one key event fire.
constexpr s32 MODIFIER_ORDER[] = {1, 2, 5, 6, 3, 4};

// The joystick binding of a point-of-view direction; -1 for centred and other values.
s32 HatBinding(u32 _hat)
{
    switch (_hat) {
    case INP_HAT_UP:
        return 3;
    case INP_HAT_DOWN:
        return 4;
    case INP_HAT_LEFT:
        return 5;
    case INP_HAT_RIGHT:
        return 6;
    default:
        return -1;
    }
}
}  // namespace

BRS_Input::BRS_Input()
{
    Reset();
    m_joystickPresent = 0;
    if (SITO_JOYSTICK != nullptr && SITO_JOYSTICK->GetCapabilities(&m_caps)) {
        SITO_JOYSTICK->GetState(&m_previous);
        m_heldHatAction = BRS_UNBOUND;
        m_joystickPresent = 1;
    }
}

void BRS_Input::Reset()
{
    for (auto& row : m_keys)
        for (u32& binding : row)
            binding = BRS_UNBOUND;
    for (u32& binding : m_joystick)
        binding = BRS_UNBOUND;
    for (u32& binding : m_joystickButtons)
        binding = BRS_UNBOUND;
    for (u32& binding : m_mouseAxes)
        binding = BRS_UNBOUND;
    for (u32& binding : m_mouseButtons)
        binding = BRS_UNBOUND;
}

void BRS_Input::SetKeyBinding(u32 _keyCode, s32 _slot, u32 _action)
{
    if (_keyCode < (u32)KEY_ROWS && _slot >= 0 && _slot < KEY_SLOTS)
        m_keys[_keyCode][_slot] = _action;
}

void BRS_Input::SetJoystickBinding(s32 _index, u32 _action)
{
    if (_index >= 0 && _index < JOYSTICK_BINDINGS)
        m_joystick[_index] = _action;
}

void BRS_Input::SetJoystickButtonBinding(s32 _button, u32 _action)
{
    if (_button >= 0 && _button < JOYSTICK_BUTTONS)
        m_joystickButtons[_button] = _action;
}

void BRS_Input::SetMouseAxisBinding(s32 _axis, u32 _action)
{
    if (_axis >= 0 && _axis < MOUSE_AXES)
        m_mouseAxes[_axis] = _action;
}

void BRS_Input::SetMouseButtonBinding(s32 _button, u32 _action)
{
    if (_button >= 0 && _button < MOUSE_BUTTONS)
        m_mouseButtons[_button] = _action;
}

u32 BRS_Input::GetKeyBinding(u32 _keyCode, s32 _slot) const
{
    if (_keyCode < (u32)KEY_ROWS && _slot >= 0 && _slot < KEY_SLOTS)
        return m_keys[_keyCode][_slot];
    return BRS_UNBOUND;
}

u32 BRS_Input::Append(u32 _action, u32 _pressed, f32 _value)
{
    if (m_count >= RING_SIZE)
        return 0;
    m_ring[m_write] = {_action, _pressed, _value};
    m_write = (m_write + 1) % RING_SIZE;
    ++m_count;
    return 1;
}

u32 BRS_Input::TakeAction(BRS_Action* _action)
{
    if (m_count <= 0)
        return 0;
    *_action = m_ring[m_read];
    m_read = (m_read + 1) % RING_SIZE;
    --m_count;
    return 1;
}

void BRS_Input::CollectKeyboard()
{
    INP_Keyboard* keyboard = SITO_KEYBOARD;
    if (keyboard == nullptr)
        return;
    // The modifiers are taken once, from the key map of the start of the frame.
    u32 down[KEY_SLOTS] = {};
    u32 noModifier = 1;
    for (s32 slot = 1; slot < KEY_SLOTS; ++slot) {
        down[slot] = keyboard->IsKeyDown(MODIFIER_KEYS[slot]) != 0 ? 1 : 0;
        if (down[slot])
            noModifier = 0;
    }

    for (u32 event = keyboard->GetKey(); event != INP_KC_NONE; event = keyboard->GetKey()) {
        if (m_count >= RING_SIZE)
            continue;  // the whole event is lost: no raw entry, no bindings
        Append(BRS_RAW_KEY, event, 0.0f);
        const u32 pressed = (event & INP_KC_PRESSED) != 0 ? 1 : 0;
        const u32 code = event & ~(u32)INP_KC_PRESSED;
        if (code >= (u32)KEY_ROWS)
            continue;
        const u32* row = m_keys[code];
        if (row[0] != BRS_UNBOUND && noModifier)
            Append(row[0], pressed, 0.0f);
        for (s32 slot : MODIFIER_ORDER)
            if (row[slot] != BRS_UNBOUND && down[slot])
                Append(row[slot], pressed, 0.0f);
    }
}

void BRS_Input::CollectJoystick()
{
    if (!m_joystickPresent || SITO_JOYSTICK == nullptr)
        return;
    INP_JoystickState state;
    if (!SITO_JOYSTICK->GetState(&state))
        return;

    // Axes every step, moved or not.
    if (m_joystick[0] != BRS_UNBOUND && !Append(m_joystick[0], 0, state.axes[0]))
        return;
    if (m_joystick[1] != BRS_UNBOUND && !Append(m_joystick[1], 0, state.axes[1]))
        return;
    if (m_joystick[2] != BRS_UNBOUND && m_caps.hasThirdAxis && !Append(m_joystick[2], 0, state.axes[2]))
        return;

    if (!CollectHat(state.hats[0]))
        return;

    for (s32 i = 0; i < JOYSTICK_BUTTONS; ++i) {
        const u32 binding = m_joystickButtons[i];
        if (binding == BRS_UNBOUND || state.buttons[i] == m_previous.buttons[i])
            continue;
        // The previous byte changes first: a change met by a full ring is lost.
        m_previous.buttons[i] = state.buttons[i];
        if (!Append(binding, state.buttons[i] != 0 ? 1 : 0, 0.0f))
            return;
    }
}

u32 BRS_Input::CollectHat(u32 _hat)
{
    if (_hat == m_previous.hats[0] || _hat == INP_HAT_OTHER)
        return 1;
    if (_hat == INP_HAT_CENTRED) {
        if (m_heldHatAction == BRS_UNBOUND)
            return 1;
        const u32 released = m_heldHatAction;
        m_previous.hats[0] = INP_HAT_CENTRED;
        m_heldHatAction = BRS_UNBOUND;
        return Append(released, 0, 0.0f);
    }
    const s32 index = HatBinding(_hat);
    if (index < 0 || m_joystick[index] == BRS_UNBOUND)
        return 1;
    if (m_heldHatAction != BRS_UNBOUND) {
        const u32 released = m_heldHatAction;
        m_heldHatAction = BRS_UNBOUND;
        if (!Append(released, 0, 0.0f))
            return 0;
    }
    m_previous.hats[0] = _hat;
    m_heldHatAction = m_joystick[index];
    return Append(m_heldHatAction, 1, 0.0f);
}

void BRS_Input::CollectMouse()
{
    INP_Mouse* mouse = SITO_MOUSE;
    if (mouse == nullptr)
        return;
    INP_MouseEvent event;
    while (mouse->GetEvent(&event))
        CollectMouseEvent(event);
}

void BRS_Input::CollectMouseEvent(const INP_MouseEvent& _event)
{
    switch (_event.type) {
    case INP_MOUSE_MOVE_X:
    case INP_MOUSE_MOVE_Y:
    case INP_MOUSE_WHEEL: {
        const u32 binding = m_mouseAxes[_event.type];
        if (binding != BRS_UNBOUND)
            Append(binding, 0, (f32)(s32)_event.value);
        break;
    }
    case INP_MOUSE_BUTTON_UP:
    case INP_MOUSE_BUTTON_DOWN:
        // The device reports buttons 0 to 3; anything else has no binding.
        if (_event.value < (u32)MOUSE_BUTTONS && m_mouseButtons[_event.value] != BRS_UNBOUND)
            Append(m_mouseButtons[_event.value], _event.type == INP_MOUSE_BUTTON_DOWN ? 1 : 0, 0.0f);
        break;
    case INP_MOUSE_OTHER:
        break;
    default:
        OS_Fatal("BRS_Input::CollectMouse()", "illegal mouse event");
    }
}
