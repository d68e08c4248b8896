// The benchmark scene of the sample: the scenario the run plays and every file its nodes read.
#pragma once

#include "tools_sample.h"
#include "tools_scenario.h"

// map\kovra1\script\quorvex.sco (the glue library it runs on is TOOL_SampleDataFiles') and the
// data of its nodes: a seeded terrain of 2 x 2 tiles in vfx\terrain\sample with a lit selector
// picture, a camera flying a loop above it, the player body the head-up display needs, plants,
// plankton, light rays, fog and caustics. The game ends after _output.sceneSeconds of scene
// time. Tests write the run's scene with it.
bool TOOL_SampleScenario(TOOL_SampleOutput& _output);

// The scenario that file's script plays, ending after _seconds of scene time: tests build its
// script and files themselves with it.
TOOL_Scenario TOOL_SampleScenarioDescription(f32 _seconds);
