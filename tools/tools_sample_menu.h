// The menu of the sample scene: the scene its pages are drawn over and its sounds.
#pragma once

#include "tools_sample.h"

// The backdrop and title quads vfx\msh\menu\menu_background.msh and menu_title.msh with their
// textures, the plankton sprite vfx\tex\menu\plank01, and, into the archive, the five menu
// sounds under sfx\sample\menu\.
bool TOOL_SampleMenu(TOOL_SampleOutput& _output);
