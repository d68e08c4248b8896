// The pictures the program shows around the runs in the sample scene.
#pragma once

#include "tools_sample.h"

// The loading picture vfx\tex\menu\menu_loading, the four logos of a run under vfx\tex\logo\,
// and, into the archive, the intro pictures gfx\picture\intro\intro_01..03.tga shown before
// the menu and the outro pictures gfx\picture\mockup\mock01..03.tga shown at the exit.
bool TOOL_SamplePictures(TOOL_SampleOutput& _output);
