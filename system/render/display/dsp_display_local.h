// Private to the display layer: the program-wide values that outlive a device, and the call
// sites handed to CheckResult.
#pragma once

#include "dsp_display.h"

// Every tested device call names its place: a per-file base plus the line (DSP_SITE_BASE is
// defined by each source file before its first use).
#define DSP_CHECK(_result) DSP_Display::CheckResult((_result), DSP_SITE_BASE + __LINE__)

// The programs of the shader slots, kept to create the shaders again after a device reset.
// The callers' programs are static text that lives as long as the program.
extern const char* DSP_VertexShaderPrograms[DSP_NUM_VERTEXSHADERS];
extern const char* DSP_PixelShaderPrograms[DSP_NUM_PIXELSHADERS];

// Set by OS_ReAllocateResources; clearing, drawing and presenting are skipped until the first
// Flip one second or more after the stamp (OS_Time, kept as f32).
extern u32 DSP_DeviceLostPause;
extern f32 DSP_ResetTime;

// Fatal with "no device available, call OpenResolution()" when there is no device.
void DSP_RequireDevice(const DEV_Device* _device, const char* _caption);

// The device format of a DSP_TextureType (0-8).
u32 DSP_TextureFormat(s32 _type);
