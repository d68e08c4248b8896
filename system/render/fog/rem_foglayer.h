// Under-water fog: a stack of colour tables over camera height and a density curve over it.
//
// A ".fog" file holds layerCount layers, each a layerCount x rows table of colours (bytes B, G,
// R, A in memory) by point height and view depth; Blend mixes the two layers around the camera
// height into the renderer's 64 x 64 colour map each frame. The renderer's map fixes the shape:
// files must have 64 layers of 64 columns and 1 to 64 rows, and everything else is refused when
// loading (fatal, the path as text), so Blend never leaves either map. The density picture (one
// pixel high, alpha = density) becomes a repeating key curve over the height of the stack.
// The object owns its layers and keys; an empty object (nothing loaded) blends nothing and has
// density 0.
#pragma once

#include "mem_alloc.h"
#include "mos_map.h"
#include "os_types.h"
#include "vfx_keytrack.h"

// The density half: the curve read from the density picture.
class REM_FogLayer_Density : public MEM_Object
{
public:
    // Reads a one-pixel-high TGA picture into the keys (alpha / 255 each); the curve repeats
    // beyond its range. Fatal when missing, higher than one pixel or narrower than two.
    void LoadDensityFile(const char* _path);

    VFX_KeyTrack m_density;
};

class REM_FogLayer : public REM_FogLayer_Density
{
public:
    enum
    {
        MAP_SIZE = 64
    };  // layers, columns and the most rows the renderer's map takes

    REM_FogLayer() = default;
    ~REM_FogLayer();
    REM_FogLayer(const REM_FogLayer&) = delete;
    REM_FogLayer& operator=(const REM_FogLayer&) = delete;

    // Reads a ".fog" file from disk, replacing the layers.
    void LoadFromFile(const char* _path);
    // Blends the two layers around _cameraHeight into _out, which must be at least as large as
    // one layer; with no layers loaded the map is left as it is.
    void Blend(f32 _cameraHeight, MOS_Map<u32>& _out) const;
    // The density at _cameraHeight over the stack (start baseHeight, length layerCount x
    // layerSpacing); 0 while either the layers or the density keys are missing.
    f32 Density(f32 _cameraHeight);

    f32 m_layerSpacing = 0.0f;
    f32 m_depthStep = 0.0f;
    f32 m_baseHeight = 0.0f;
    f32 m_heightScale = 0.0f;
    f32 m_depthScale = 0.0f;
    s32 m_layerCount = 0;
    s32 m_rows = 0;
    MOS_Map<u32> m_layers[MAP_SIZE];  // the first m_layerCount are in use

private:
    void FreeLayers();
};
