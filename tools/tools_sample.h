// The sample scene the benchmark runs out of the box, written by area: each tools_sample_*.h
// declares the writer of one area (configuration, the renderer's files, fonts, pictures, menu,
// head-up display, the files the program reads as they are, the scenario), and quorvex_datagen
// calls them in order into one folder. A new kind of scene object brings a writer of its own.
//
// Data names are written as the program asks for them ("vfx\tex\sky"), each backslash a
// directory, in lower case: the program matches every component without regard to case.
// Pictures are computed from a few shapes and gradients (only the letters of the fonts are
// drawn by hand), which keeps the generator fast enough to run in every build. Every file comes
// out the same on every machine: the pictures draw their noise from a generator of their own.
#pragma once

#include <filesystem>
#include <vector>

#include "os_types.h"
#include "tools_archive.h"

// Where the writers put the scene. Pictures and sounds that the program reads through its file
// layer go into the archive pair: writers add them to `archive`, in the order they are to be
// packed, and TOOL_SampleArchive, the last writer, packs them; the rest is written as loose
// files below `dir`.
struct TOOL_SampleOutput
{
    std::filesystem::path dir;
    f32 sceneSeconds = 90.0f;  // scene time until the scenario ends the game
    std::vector<TOOL_ArchiveFile> archive;
};

// A writer creates the directories it needs and names on standard error each file it could not
// write; it answers false when one failed, after writing all the others.
using TOOL_SampleWriter = bool (*)(TOOL_SampleOutput& _output);

// "dorim.hdr" / "dorim.dat" holding the archive files in order.
bool TOOL_SampleArchive(TOOL_SampleOutput& _output);
