// The frame renderer of a benchmark run. One exists per run; it files the bodies the camera
// reports into buckets and draws them through the render passes.
//
// For now the class holds only the reading of the display configuration, which the
// application needs at start-up before any renderer exists.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class Brisel_Renderer : public MEM_Object
{
public:
    // Reads width, height, depth and the texture cache size (kilobytes in the file, bytes
    // in the result) from the section "Display" of the named description file, then lets the
    // first display-mode switch on the command line ("-640x480x16" .. "-1600x1200x32", in
    // that order) replace width, height and depth. A missing file, section or key is fatal.
    static void ReadDisplayConfig(const char* _name, s32* _width, s32* _height, s32* _depth,
                                  s32* _textureCacheSize);
};
