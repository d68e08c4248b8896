// The device factory seam and the mode list that the GL device offers.
#include "dev_device.h"

namespace
{

DEV_Factory s_factory = nullptr;

struct ModeSize
{
    u32 width;
    u32 height;
};

// The sizes the command line can ask for; offered whatever the desktop reports, because the
// device renders into a target of the mode's size and scales it into the window.
const ModeSize s_commandLineSizes[] = {
    {640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}, {1600, 1200},
};

}  // namespace

void DEV_SetFactory(DEV_Factory _factory) { s_factory = _factory; }

DEV_Driver* DEV_CreateDriver(void* _window)
{
    DEV_Factory factory = s_factory ? s_factory : DEV_CreateGLDevice;
    return factory(_window);
}

u32 DEV_BuildModeList(const DEV_DisplayMode* _desktopModes, u32 _desktopCount, DEV_DisplayMode* _modes, u32 _capacity)
{
    u32 count = 0;
    auto known = [&](u32 _width, u32 _height) {
        for (u32 i = 0; i < count; i += 2)
            if (_modes[i].width == _width && _modes[i].height == _height)
                return true;
        return false;
    };
    auto add = [&](u32 _width, u32 _height) {
        if (count + 2 > _capacity || known(_width, _height))
            return;
        _modes[count].width = _width;
        _modes[count].height = _height;
        _modes[count].refreshRate = 0;
        _modes[count].format = DEV_FMT_R5G6B5;
        _modes[count + 1] = _modes[count];
        _modes[count + 1].format = DEV_FMT_X8R8G8B8;
        count += 2;
    };
    for (const ModeSize& size : s_commandLineSizes)
        add(size.width, size.height);
    for (u32 i = 0; i < _desktopCount; ++i)
        if (_desktopModes[i].width >= 640 && _desktopModes[i].height >= 400)
            add(_desktopModes[i].width, _desktopModes[i].height);
    return count;
}
