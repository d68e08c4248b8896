// The display configuration: the mode read at start-up with its command-line switches, and the
// renderer's own keys.
#include "brisel_programdata.h"
#include "brisel_renderer.h"

#include "des_file.h"
#include "os_commandline.h"
#include "os_fatal.h"
#include "os_path.h"

namespace
{

struct DisplayModeSwitch
{
    const char* text;
    s32 width;
    s32 height;
    s32 depth;
};

// Searched in this order; the first one on the command line wins, wherever it stands.
const DisplayModeSwitch s_modeSwitches[] = {
    {"-640x480x16", 640, 480, 16},     {"-640x480x32", 640, 480, 32},     {"-800x600x16", 800, 600, 16},
    {"-800x600x32", 800, 600, 32},     {"-1024x768x16", 1024, 768, 16},   {"-1024x768x32", 1024, 768, 32},
    {"-1152x864x16", 1152, 864, 16},   {"-1152x864x32", 1152, 864, 32},   {"-1280x1024x16", 1280, 1024, 16},
    {"-1280x1024x32", 1280, 1024, 32}, {"-1600x1200x16", 1600, 1200, 16}, {"-1600x1200x32", 1600, 1200, 32},
};

// A description file counts as present when its text or its pre-parsed image is there;
// DES_File::Open would stop with its own texts otherwise.
u32 DescriptionFileExists(const char* _name)
{
    char path[4096 + 2];
    if (OS_ResolvePath(_name, path, sizeof(path)))
        return 1;
    char image[4096 + 2];
    return DES_ImageName(_name, image, sizeof(image)) && OS_ResolvePath(image, path, sizeof(path));
}

}  // namespace

void Brisel_Renderer::ReadDisplayConfig(const char* _name, s32* _width, s32* _height, s32* _depth,
                                        s32* _textureCacheSize)
{
    if (!DescriptionFileExists(_name))
        OS_Fatal("Brisel_Renderer::ReadDisplayConfig() file not found", _name);

    DES_File file;
    DES_Section root;
    file.Open(&root, _name);
    DES_Section display;
    if (!root.FindSection(&display, "Display"))
        DES_FatalSection("Brisel_Renderer::ReadDisplayConfig()", "Display", _name);
    display.GetS32("Width", _width);
    display.GetS32("Height", _height);
    display.GetS32("Depth", _depth);
    display.GetS32("Texturecachesize", _textureCacheSize);
    *_textureCacheSize = (s32)((u32)*_textureCacheSize << 10);  // kilobytes to bytes
    file.Close();

    for (const DisplayModeSwitch& mode : s_modeSwitches) {
        if (OS_HasSwitch(mode.text)) {
            *_width = mode.width;
            *_height = mode.height;
            *_depth = mode.depth;
            break;
        }
    }
}

void Brisel_Renderer::ReadConfiguration(const char* _name)
{
    static const char* const CAPTION = "Brisel_Renderer::ReadConfiguration()";
    if (!DescriptionFileExists(_name))
        OS_Fatal("Brisel_Renderer::ReadConfiguration() file not found", _name);

    DES_File file;
    DES_Section root;
    file.Open(&root, _name);
    DES_Section display;
    if (!root.FindSection(&display, "Display"))
        DES_FatalSection(CAPTION, "Display", _name);
    Brisel_DisplayConfiguration& c = m_configuration;
    display.GetS32("Width", &c.width);
    display.GetS32("Height", &c.height);
    display.GetS32("Depth", &c.depth);
    display.GetS32("Texturecachesize", &c.textureCacheSize);
    display.GetS32("UseMipMap", &c.useMipMap);
    display.GetS32("UseCompressedTextures", &c.useCompressedTextures);
    display.GetS32("RenderRays", &c.renderRays);
    display.GetS32("RenderPlankton", &c.renderPlankton);
    display.GetS32("RenderPlants", &c.renderPlants);
    file.Close();

    // The plant objects divide their counts by it.
    if (c.renderPlants < 1) {
        OS_Log(OS_Format("%s: RenderPlants %d taken as 1", CAPTION, (int)c.renderPlants));
        c.renderPlants = 1;
    }
    const Brisel_DisplaySettings& setup = Brisel_GetProgramData().display;
    m_textureBudget = (s32)((u32)setup.textureMegabytes << 20);
    m_pixelShaders = setup.pixelShaders;
}
