// The sample scene's configuration: the files under ini\ that the program reads at start-up.
#pragma once

#include "tools_sample.h"

// ini\display.des (the start-up display mode, the texture cache size in kilobytes and the
// renderer's switches) and ini\sound.des (sound output; without an audio device the program
// runs silent).
bool TOOL_SampleConfiguration(TOOL_SampleOutput& _output);
