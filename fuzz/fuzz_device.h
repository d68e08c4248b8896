// The display device for fuzz targets that load render meshes: the null device, so no GPU is
// needed; plus the checks and the system stand-in the targets share.
#pragma once

#include "dev_null.h"
#include "dsp_display.h"
#include "mem_alloc.h"
#include "plt_system.h"

namespace
{

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

// ---- the null device, keeping the one the display made ----

DEV_NullDevice* s_device = nullptr;

// The null driver on a machine without compressed textures or multisampling, so that loads
// take the uncompressed paths.
class FuzzDriver : public DEV_NullDriver
{
public:
    FuzzDriver() : DEV_NullDriver(&Machine()) {}

protected:
    DEV_NullDevice* NewDevice(const DEV_Caps& _caps, const DEV_PresentParameters& _present, u32 _behavior) override
    {
        s_device = DEV_NullDriver::NewDevice(_caps, _present, _behavior);
        return s_device;
    }

private:
    static const DEV_NullMachine& Machine()
    {
        static DEV_NullMachine machine = [] {
            DEV_NullMachine made;
            made.textureFormats = {DEV_FMT_R5G6B5, DEV_FMT_A1R5G5B5, DEV_FMT_A8R8G8B8, DEV_FMT_A4R4G4B4};
            made.maxSamples = 0;
            return made;
        }();
        return machine;
    }
};

DEV_Driver* CreateDriver(void*) { return new FuzzDriver(); }

// Not every target that includes this counts buffers.
[[maybe_unused]] size_t BufferCount() { return s_device->vertexBuffers.size() + s_device->indexBuffers.size(); }

// The platform as it is, but reporting the graphics runtime the null device stands for
// (without an initialised video system the real one reports none), and without message boxes
// or debugger breaks.
class FuzzSystem : public PLT_RelaySystem
{
public:
    explicit FuzzSystem(PLT_System* _real) : PLT_RelaySystem(_real) {}

    void MessageBox(const char*, const char*, PLT_BoxIcon) override {}
    void DebugBreak() override {}
    u32 GraphicsVersion() override { return 0x800; }
};

// The fake in place of the graphics runtime and a display open at 640 x 480 x 32 on it, as
// SITO_DISPLAY for the rest of the process.
void FUZZ_OpenDisplay()
{
    PLT_SetSystem(new FuzzSystem(PLT_GetSystem()));
    DEV_SetFactory(CreateDriver);
    u32 ok = 0;
    SITO_DISPLAY = new DSP_Display(&ok, nullptr, nullptr, 1);
    DSP_BoardInfo board;
    Check(ok == 1 && SITO_DISPLAY->OpenBoard(&board) == 0 && SITO_DISPLAY->OpenResolution(640, 480, 32, 0) == 0);
}

}  // namespace
