// The platform as it is, for tests that replace one or two of its answers: every call goes to
// the system that was in place when the object was made, unless a subclass answers it.
#pragma once

#include "plt_system.h"

class TST_ForwardingSystem : public PLT_System
{
public:
    explicit TST_ForwardingSystem(PLT_System* _real) : m_real(_real) {}

    s32 Init() override { return m_real->Init(); }
    void Shutdown() override { m_real->Shutdown(); }
    const char* ErrorText() override { return m_real->ErrorText(); }
    u64 Counter() override { return m_real->Counter(); }
    u64 Frequency() override { return m_real->Frequency(); }
    u32 Milliseconds() override { return m_real->Milliseconds(); }
    void DesktopSize(s32* _width, s32* _height) override { m_real->DesktopSize(_width, _height); }
    s32 OuterSize(s32 _clientWidth, s32 _clientHeight, s32* _width, s32* _height) override
    {
        return m_real->OuterSize(_clientWidth, _clientHeight, _width, _height);
    }
    s32 CreateWindow(const PLT_WindowDesc& _desc) override { return m_real->CreateWindow(_desc); }
    void* Window() override { return m_real->Window(); }
    u32 PollEvent(PLT_Event* _event) override { return m_real->PollEvent(_event); }
    void PostQuit(s32 _code) override { m_real->PostQuit(_code); }
    void MessageBox(const char* _caption, const char* _text, PLT_BoxIcon _icon) override
    {
        m_real->MessageBox(_caption, _text, _icon);
    }
    void ShowCursor(u32 _visible) override { m_real->ShowCursor(_visible); }
    void DebugBreak() override { m_real->DebugBreak(); }
    u32 GraphicsVersion() override { return m_real->GraphicsVersion(); }

protected:
    PLT_System* Real() const { return m_real; }

private:
    PLT_System* m_real;
};
