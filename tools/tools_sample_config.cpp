#include "tools_sample_config.h"

#include "tools_sample_local.h"

bool TOOL_SampleConfiguration(TOOL_SampleOutput& _output)
{
    bool ok = TOOL_SampleFile(_output.dir / "ini" / "display.des",
                              "// Display configuration read at start-up.\n"
                              "// Width, Height, Depth: the display mode (a mode switch on the command line wins).\n"
                              "// Texturecachesize: texture memory in kilobytes.\n"
                              "// UseMipMap, UseCompressedTextures: 1 loads mip levels, 1 allows DXT textures.\n"
                              "// RenderRays: not used. RenderPlankton: plankton layers drawn (0-5).\n"
                              "// RenderPlants: divides the plants of every terrain tile.\n"
                              "[Display]\n"
                              "{\n"
                              "    Width = 640\n"
                              "    Height = 480\n"
                              "    Depth = 32\n"
                              "    Texturecachesize = 24\n"
                              "    UseMipMap = 1\n"
                              "    UseCompressedTextures = 1\n"
                              "    RenderRays = 1\n"
                              "    RenderPlankton = 5\n"
                              "    RenderPlants = 1\n"
                              "}\n");
    ok = TOOL_SampleFile(_output.dir / "ini" / "sound.des",
                         "// Sound output read at start-up.\n"
                         "// SoundOn: 0 runs without sound. NumOfChannels: 1 mono, 2 stereo.\n"
                         "// Rate: 44100, 22050 or 11025 Hz (lower rates and 8 bits are tried when refused).\n"
                         "// Bits: 8 or 16.\n"
                         "[Sound]\n"
                         "{\n"
                         "    SoundOn = 1\n"
                         "    NumOfChannels = 2\n"
                         "    Rate = 44100\n"
                         "    Bits = 16\n"
                         "}\n") &&
         ok;
    return ok;
}
