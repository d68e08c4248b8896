// Writes the sample data the benchmark runs on out of the box:
//   quorvex_datagen <outdir> [--scene-seconds N]
// every file the program reads from start to exit: configuration, the renderer's own files,
// fonts, the pictures around the runs, the menu, the head-up display, the script glue library
// and the benchmark scene "map\kovra1\script\quorvex" with what its nodes read. The scene ends
// after N seconds of scene time (90 by default). Each area has a writer of its own
// (tools_sample_*.h); a new kind of scene object adds its writer to the list below.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools_sample.h"
#include "tools_sample_config.h"
#include "tools_sample_data.h"
#include "tools_sample_font.h"
#include "tools_sample_hud.h"
#include "tools_sample_menu.h"
#include "tools_sample_picture.h"
#include "tools_sample_scenario.h"
#include "tools_sample_sky.h"

namespace
{

// In this order: the writers add to the archive in the order it is packed, and the archive
// itself comes last.
const TOOL_SampleWriter s_writers[] = {
    TOOL_SampleConfiguration,  // ini\display.des, ini\sound.des
    TOOL_SampleSky,            // the sky mesh and its texture
    TOOL_SampleFonts,          // gfx\font\font1.tga, font2.tga
    TOOL_SampleCaustics,       // vfx\tex\caustic\caustic.tse and its frames
    TOOL_SamplePictures,       // loading picture, logos; intro and outro pictures (archive)
    TOOL_SampleMenu,           // menu quads and textures; menu sounds (archive)
    TOOL_SampleHud,            // the head-up display's symbols
    TOOL_SampleDataFiles,      // the script glue library
    TOOL_SampleScenario,       // map\kovra1\script\quorvex and what its nodes read
    TOOL_SampleArchive,        // dorim.hdr, dorim.dat
};

}  // namespace

int main(int _argc, char** _argv)
{
    // quorvex_datagen <outdir> [--scene-seconds N]: N seconds of scene time before the game ends.
    TOOL_SampleOutput output;
    bool usage = _argc != 2 && _argc != 4;
    if (_argc == 4) {
        char* end = nullptr;
        output.sceneSeconds = std::strtof(_argv[3], &end);
        usage = std::strcmp(_argv[2], "--scene-seconds") != 0 || end == _argv[3] || *end != '\0' ||
                !(output.sceneSeconds > 0.0f) || output.sceneSeconds > 100000.0f;
    }
    if (usage) {
        fprintf(stderr, "usage: quorvex_datagen <outdir> [--scene-seconds N]\n");
        return 2;
    }
    output.dir = _argv[1];
    bool ok = true;
    for (const TOOL_SampleWriter writer : s_writers)
        ok = writer(output) && ok;
    return ok ? 0 : 1;
}
