// The program-wide values that outlive a benchmark run: the display settings the setup page
// chose (the run's renderer takes its texture budget and pixel-shader paths from them), the
// record of the last run's results, and the menu's entry count and run-started flag.
//
// One record for the whole program; the menu and the run write it, the renderer and the
// results page read it. Tests reset it to the start-up values. One thread.
#pragma once

#include "os_types.h"

// The display mode and options of the next run.
struct Brisel_DisplaySettings
{
    s32 width = 1024;
    s32 height = 768;
    s32 depth = 32;
    s32 fsaaSamples = 1;  // 1: none, else 2 to 16 samples
    s32 textureMegabytes = 24;
    u32 pixelShaders = 0;
};

// What the last run measured, as the results page shows it; all zero with userBreak set after
// a run the user broke off.
struct Brisel_ResultRecord
{
    s32 width = 0;
    s32 height = 0;
    s32 depth = 0;
    s32 fsaaSamples = 0;
    s32 textureMegabytes = 0;
    u32 pixelShaders = 0;
    f32 seconds = 0.0f;
    u32 frames = 0;
    u32 polygons = 0;
    u32 minPolygonsPerFrame = 0;
    u32 maxPolygonsPerFrame = 0;
    u32 minPolygonsPerSecond = 0;
    u32 maxPolygonsPerSecond = 0;
    f32 minFps = 0.0f;
    f32 maxFps = 0.0f;
    f32 avgFps = 0.0f;
    u32 userBreak = 0;
};

struct Brisel_ProgramData
{
    Brisel_DisplaySettings display;
    Brisel_ResultRecord result;
    u32 enterCount = 0;  // menu states entered so far
    u32 runStarted = 0;  // set when the menu starts a run, cleared when the next menu shows a page
};

Brisel_ProgramData& Brisel_GetProgramData();
// Back to the values at program start.
void Brisel_ResetProgramData();
