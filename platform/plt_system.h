// The seam between the engine and the operating system: window, events, clock, message
// boxes. The engine reaches SDL only through this interface. PLT_GetSystem() returns the
// SDL implementation unless a test has installed its own with PLT_SetSystem().
#pragma once

#include "os_types.h"

enum PLT_EventType : u32
{
    PLT_EVENT_NONE = 0,
    PLT_EVENT_QUIT,        // the loop's own quit message; code = exit code
    PLT_EVENT_CLOSE,       // close request (window close button, SIGINT)
    PLT_EVENT_ACTIVATE,    // activation change; active = 1 when gaining the foreground
    PLT_EVENT_PAINT,       // repaint request
    PLT_EVENT_MOVED,       // the window moved
    PLT_EVENT_CANCEL_KEY,  // Ctrl+Pause, which stands for Ctrl+Break
    PLT_EVENT_OTHER        // anything the shell does not act on
};

struct PLT_Event
{
    PLT_EventType type = PLT_EVENT_NONE;
    s32 code = 0;                  // PLT_EVENT_QUIT: exit code
    u32 active = 0;                // PLT_EVENT_ACTIVATE
    const void* native = nullptr;  // the platform's own event, valid until the next poll
};

enum PLT_BoxIcon : u32
{
    PLT_BOX_INFORMATION = 0,
    PLT_BOX_ERROR = 1  // the hand icon, system modal
};

struct PLT_WindowDesc
{
    const char* title = "";
    s32 x = 0, y = 0, width = 0, height = 0;  // client area
    u32 fullscreen = 0;                       // borderless, covering the desktop
    u32 arrowCursor = 0;                      // show the standard arrow over the window
};

class PLT_System
{
public:
    virtual ~PLT_System() {}

    // Start the video and event services. 0 on success; ErrorText() says why not.
    virtual s32 Init() = 0;
    virtual void Shutdown() = 0;
    virtual const char* ErrorText() = 0;

    // High-resolution counter and its ticks per second (0 when there is none), and the
    // millisecond timer.
    virtual u64 Counter() = 0;
    virtual u64 Frequency() = 0;
    virtual u32 Milliseconds() = 0;

    // The desktop's size in pixels.
    virtual void DesktopSize(s32* _width, s32* _height) = 0;
    // The outer size of a captioned window around the given client size; 0 on failure.
    virtual s32 OuterSize(s32 _clientWidth, s32 _clientHeight, s32* _width, s32* _height) = 0;

    // Creates the one window (with OpenGL support) and shows it. 0 on success.
    virtual s32 CreateWindow(const PLT_WindowDesc& _desc) = 0;
    virtual void* Window() = 0;  // the native window handle, null before CreateWindow

    // Takes the next pending event; 0 when none is waiting.
    virtual u32 PollEvent(PLT_Event* _event) = 0;
    // Posts the loop's quit message.
    virtual void PostQuit(s32 _code) = 0;

    virtual void MessageBox(const char* _caption, const char* _text, PLT_BoxIcon _icon) = 0;
    virtual void ShowCursor(u32 _visible) = 0;
    virtual void DebugBreak() = 0;

    // The graphics runtime version the system offers: 0x800 with OpenGL, else 0.
    virtual u32 GraphicsVersion() = 0;
};

// A system that hands every call to another one, for stand-ins that change only a few
// answers of the real system: they derive from it and override those.
class PLT_RelaySystem : public PLT_System
{
public:
    explicit PLT_RelaySystem(PLT_System* _inner) : m_inner(_inner) {}

    s32 Init() override { return m_inner->Init(); }
    void Shutdown() override { m_inner->Shutdown(); }
    const char* ErrorText() override { return m_inner->ErrorText(); }
    u64 Counter() override { return m_inner->Counter(); }
    u64 Frequency() override { return m_inner->Frequency(); }
    u32 Milliseconds() override { return m_inner->Milliseconds(); }
    void DesktopSize(s32* _width, s32* _height) override { m_inner->DesktopSize(_width, _height); }
    s32 OuterSize(s32 _clientWidth, s32 _clientHeight, s32* _width, s32* _height) override
    {
        return m_inner->OuterSize(_clientWidth, _clientHeight, _width, _height);
    }
    s32 CreateWindow(const PLT_WindowDesc& _desc) override { return m_inner->CreateWindow(_desc); }
    void* Window() override { return m_inner->Window(); }
    u32 PollEvent(PLT_Event* _event) override { return m_inner->PollEvent(_event); }
    void PostQuit(s32 _code) override { m_inner->PostQuit(_code); }
    void MessageBox(const char* _caption, const char* _text, PLT_BoxIcon _icon) override
    {
        m_inner->MessageBox(_caption, _text, _icon);
    }
    void ShowCursor(u32 _visible) override { m_inner->ShowCursor(_visible); }
    void DebugBreak() override { m_inner->DebugBreak(); }
    u32 GraphicsVersion() override { return m_inner->GraphicsVersion(); }

private:
    PLT_System* m_inner;
};

PLT_System* PLT_GetSystem();
// Installs a replacement (tests); null restores the SDL implementation.
void PLT_SetSystem(PLT_System* _system);
