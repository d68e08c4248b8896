// PLT_System over SDL2: the only file that talks to SDL's video and event services.
#include <SDL.h>

#include <csignal>
#include <cstring>

#include "plt_input_local.h"
#include "plt_sdl_system.h"

namespace
{

class PLT_SdlSystem : public PLT_System
{
public:
    s32 Init() override
    {
        m_activated = 0;
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            KeepError();
            return -1;
        }
        // SDL hands out user event numbers for the life of the process: take one once.
        if (m_quitEvent == 0) {
            const Uint32 type = SDL_RegisterEvents(1);
            if (type == (Uint32)-1) {
                KeepError();
                SDL_Quit();
                return -1;
            }
            m_quitEvent = type;
        }
        return 0;
    }

    void Shutdown() override
    {
        PLT_InputShutdown();
        if (m_cursor != nullptr) {
            SDL_FreeCursor(m_cursor);
            m_cursor = nullptr;
        }
        if (m_window != nullptr) {
            SDL_DestroyWindow(m_window);
            m_window = nullptr;
        }
        m_activated = 0;
        SDL_Quit();
    }

    const char* ErrorText() override { return m_error; }

    u64 Counter() override { return SDL_GetPerformanceCounter(); }
    u64 Frequency() override { return SDL_GetPerformanceFrequency(); }
    u32 Milliseconds() override { return SDL_GetTicks(); }

    void DesktopSize(s32* _width, s32* _height) override
    {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            *_width = 0;
            *_height = 0;
            return;
        }
        *_width = mode.w;
        *_height = mode.h;
    }

    s32 OuterSize(s32 _clientWidth, s32 _clientHeight, s32* _width, s32* _height) override
    {
        if (_clientWidth <= 0 || _clientHeight <= 0)
            return 0;
        // The window manager's decoration is known only for a window it has mapped; before
        // that the client size is the best answer SDL can give.
        int top = 0, left = 0, bottom = 0, right = 0;
        if (m_window == nullptr || SDL_GetWindowBordersSize(m_window, &top, &left, &bottom, &right) != 0)
            top = left = bottom = right = 0;
        *_width = _clientWidth + left + right;
        *_height = _clientHeight + top + bottom;
        return 1;
    }

    s32 CreateWindow(const PLT_WindowDesc& _desc) override
    {
        // The pixel format is fixed with the window, so the one GL 3.3 core context that the
        // display creates later is described here.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

        Uint32 flags = SDL_WINDOW_OPENGL;
        if (_desc.fullscreen)
            flags |= SDL_WINDOW_BORDERLESS;
        m_window = SDL_CreateWindow(_desc.title, _desc.x, _desc.y, _desc.width, _desc.height, flags);
        if (m_window == nullptr) {
            KeepError();
            return -1;
        }
        if (_desc.arrowCursor) {
            m_cursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
            if (m_cursor != nullptr)
                SDL_SetCursor(m_cursor);
        }
        return 0;
    }

    void* Window() override { return m_window; }

    u32 PollEvent(PLT_Event* _event) override
    {
        if (!SDL_PollEvent(&m_event))
            return 0;
        PLT_InputFeed(m_event);
        *_event = PLT_Event();
        _event->type = PLT_EVENT_OTHER;
        _event->native = &m_event;
        switch (m_event.type) {
        case SDL_QUIT:  // the close button, and SIGINT through SDL's handler
            _event->type = PLT_EVENT_CLOSE;
            break;
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(_event);
            break;
        case SDL_KEYDOWN:
            // Ctrl+Pause stands for Ctrl+Break, the cancel key.
            if ((m_event.key.keysym.scancode == SDL_SCANCODE_PAUSE || m_event.key.keysym.sym == SDLK_PAUSE) &&
                (m_event.key.keysym.mod & KMOD_CTRL) != 0)
                _event->type = PLT_EVENT_CANCEL_KEY;
            break;
        default:
            if (m_quitEvent != 0 && m_event.type == m_quitEvent) {
                _event->type = PLT_EVENT_QUIT;
                _event->code = m_event.user.code;
            }
            break;
        }
        return 1;
    }

    void PostQuit(s32 _code) override
    {
        SDL_Event event;
        memset(&event, 0, sizeof(event));
        event.type = m_quitEvent;
        event.user.code = _code;
        SDL_PushEvent(&event);
    }

    void MessageBox(const char* _caption, const char* _text, PLT_BoxIcon _icon) override
    {
        // Headless runs have no one to click the box away; the caller has already written the
        // texts to standard error. SDL would otherwise still try the X11 box beside the
        // offscreen driver and wait whenever a display happens to be reachable.
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver == nullptr)
            driver = SDL_GetHint(SDL_HINT_VIDEODRIVER);
        if (driver != nullptr && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0))
            return;
        const Uint32 flags = _icon == PLT_BOX_ERROR ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
        SDL_ShowSimpleMessageBox(flags, _caption, _text, m_window);
    }

    void ShowCursor(u32 _visible) override { SDL_ShowCursor(_visible ? SDL_ENABLE : SDL_DISABLE); }

    void DebugBreak() override { raise(SIGTRAP); }

    u32 GraphicsVersion() override
    {
        // Loading the GL library is the whole probe: the display asks the context itself
        // for what it offers once it exists.
        if (SDL_GL_LoadLibrary(nullptr) != 0)
            return 0;
        SDL_GL_UnloadLibrary();
        return 0x800;
    }

private:
    void KeepError()
    {
        const char* text = SDL_GetError();
        strncpy(m_error, text != nullptr ? text : "", sizeof(m_error) - 1);
        m_error[sizeof(m_error) - 1] = 0;
    }

    void TranslateWindowEvent(PLT_Event* _event)
    {
        switch (m_event.window.event) {
        case SDL_WINDOWEVENT_SHOWN:
            // The first showing stands for the first activation message of the process.
            if (!m_activated) {
                m_activated = 1;
                _event->type = PLT_EVENT_ACTIVATE;
                _event->active = 1;
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (m_activated) {
                _event->type = PLT_EVENT_ACTIVATE;
                _event->active = m_event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0;
            }
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            _event->type = PLT_EVENT_PAINT;
            break;
        case SDL_WINDOWEVENT_MOVED:
            _event->type = PLT_EVENT_MOVED;
            break;
        default:
            break;
        }
    }

    SDL_Window* m_window = nullptr;
    SDL_Cursor* m_cursor = nullptr;
    SDL_Event m_event = {};
    Uint32 m_quitEvent = 0;
    u32 m_activated = 0;
    char m_error[512] = {};
};

}  // namespace

PLT_System* PLT_GetSdlSystem()
{
    static PLT_SdlSystem s_system;
    return &s_system;
}
