// The input collector of the game controller: once per simulation step it drains the keyboard,
// the joystick and the mouse, looks each key, axis, button and point-of-view change up in its
// binding tables and appends the bound action numbers (BRS_ActionCode) to a ring of pending
// actions, which the controller then empties.
//
// A binding holds an action number; BRS_UNBOUND never enters the ring. Before the bindings of
// every key event the raw event itself is appended as action BRS_RAW_KEY (its pressed field
// holding the event), so that an active console can receive typed keys. The ring holds at most
// 64 entries: a full ring drops new entries, never old ones. The devices are the process-wide
// ones (SITO_KEYBOARD, SITO_JOYSTICK, SITO_MOUSE); a missing device collects nothing.
// Everything is fixed arrays inside the object: collecting allocates nothing. One thread.
#pragma once

#include "inp_joystick.h"
#include "os_types.h"

struct INP_MouseEvent;

// The action numbers: what a binding holds and what the game controller acts on. The numbers
// are the ones bindings are written with; numbers without a name here are legal bindings that
// nothing acts on.
enum BRS_ActionCode : u32
{
    // Player commands, sent to the player as Player_Input.
    BRS_ACTION_HEAD = 0,
    BRS_ACTION_PITCH = 1,
    BRS_ACTION_THROTTLE = 2,
    BRS_ACTION_LAUNCH = 3,        // on key-down only
    BRS_ACTION_EJECT_BUZZER = 4,  // on key-down only
    BRS_ACTION_CYCLE_GUN = 5,     // on key-down only
    BRS_ACTION_PRIMARY_FIRE = 11,
    BRS_ACTION_SECONDARY_FIRE = 12,
    BRS_ACTION_TURN_LEFT = 200,
    BRS_ACTION_TURN_RIGHT = 201,
    BRS_ACTION_NOSE_UP = 202,
    BRS_ACTION_NOSE_DOWN = 203,
    BRS_ACTION_INCREASE_SPEED = 400,
    BRS_ACTION_DECREASE_SPEED = 401,

    // The number keys 1 to 0 are bound to the ten actions from here by default; the first
    // switches the plankton, the others do nothing.
    BRS_ACTION_NUMBER_KEYS = 300,
    BRS_ACTION_PLANKTON = BRS_ACTION_NUMBER_KEYS,

    // The camera: follow or look from the player, and the relative adjustments while following.
    BRS_ACTION_CAMERA_VIEW = 500,
    BRS_ACTION_CAMERA_ALPHA_DOWN = 501,  // on key-down; the other five on key-up
    BRS_ACTION_CAMERA_ALPHA_UP = 502,
    BRS_ACTION_CAMERA_BETA_DOWN = 503,
    BRS_ACTION_CAMERA_BETA_UP = 504,
    BRS_ACTION_CAMERA_DISTANCE_DOWN = 505,
    BRS_ACTION_CAMERA_DISTANCE_UP = 506,

    BRS_ACTION_HUD = 601,         // the whole head-up display on or off
    BRS_ACTION_CONSOLE = 602,     // the console on, and off again while it is active
    BRS_ACTION_STATISTICS = 603,  // the head-up display's text panel on or off
    BRS_ACTION_SCREENSHOT = 700,

    BRS_RAW_KEY = 998,  // a raw key event: pressed holds the key code, bit 31 set when down
    BRS_UNBOUND = 999,  // an empty binding; never enters the ring
};

// One pending action: value is the axis position or delta for axis actions, 0 otherwise;
// pressed is 1 for a key, button or direction going down, 0 for going up and for axes.
struct BRS_Action
{
    u32 action = BRS_UNBOUND;
    u32 pressed = 0;
    f32 value = 0.0f;
};

class BRS_Input
{
public:
    enum : s32
    {
        KEY_ROWS = 256,
        KEY_SLOTS = 7,          // 0 no modifier, 1 left Alt, 2 right Alt, 3 left Ctrl, 4 right Ctrl,
                                // 5 left Shift, 6 right Shift
        JOYSTICK_BINDINGS = 7,  // 0 x, 1 y, 2 z, 3 hat north, 4 south, 5 west, 6 east
        JOYSTICK_BUTTONS = 32,
        MOUSE_AXES = 3,  // x, y, wheel
        MOUSE_BUTTONS = 4,
        RING_SIZE = 64,
    };

    // An empty ring, every binding unbound, and the joystick probed: it is read from then on
    // only when SITO_JOYSTICK exists and answers its capabilities and its state.
    BRS_Input();

    // Every binding unbound; the ring is left alone.
    void Reset();

    // Binding setters; an index outside its table changes nothing.
    void SetKeyBinding(u32 _keyCode, s32 _slot, u32 _action);
    void SetJoystickBinding(s32 _index, u32 _action);
    void SetJoystickButtonBinding(s32 _button, u32 _action);
    void SetMouseAxisBinding(s32 _axis, u32 _action);
    void SetMouseButtonBinding(s32 _button, u32 _action);
    u32 GetKeyBinding(u32 _keyCode, s32 _slot) const;

    // Drain one device into the ring; the controller calls them in this order every step.
    // The keyboard's modifier keys are read from the key map of the frame's UpdateKeymap.
    void CollectKeyboard();
    void CollectJoystick();
    void CollectMouse();
    // One mouse event: axes and buttons by their bindings, type 5 ignored; any other type is
    // fatal ("illegal mouse event").
    void CollectMouseEvent(const INP_MouseEvent& _event);

    // The oldest pending entry into *_action: 1, or 0 when the ring is empty.
    u32 TakeAction(BRS_Action* _action);
    s32 GetCount() const { return m_count; }
    u32 IsJoystickPresent() const { return m_joystickPresent; }

private:
    // Appends when the ring has room: 1, else 0 and the entry is dropped.
    u32 Append(u32 _action, u32 _pressed, f32 _value);
    // The point-of-view part of CollectJoystick: 0 when the ring was full.
    u32 CollectHat(u32 _hat);

    u32 m_keys[KEY_ROWS][KEY_SLOTS] = {};
    u32 m_joystick[JOYSTICK_BINDINGS] = {};
    u32 m_joystickButtons[JOYSTICK_BUTTONS] = {};
    u32 m_mouseAxes[MOUSE_AXES] = {};
    u32 m_mouseButtons[MOUSE_BUTTONS] = {};
    BRS_Action m_ring[RING_SIZE];
    s32 m_read = 0;
    s32 m_write = 0;
    s32 m_count = 0;
    INP_JoystickState m_previous;
    u32 m_heldHatAction = BRS_UNBOUND;
    u32 m_joystickPresent = 0;
    INP_JoystickCaps m_caps;
};
