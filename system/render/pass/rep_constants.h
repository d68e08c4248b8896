// The vertex-shader constant registers every pass shares, and the routines that fill them.
//
// REP_VertexShaderConstants mirrors the 96 registers of four floats: every routine writes its
// registers into the mirror and then uploads the same registers to SITO_DISPLAY, so the mirror
// always holds what the device holds. Only REP_SetConstantMasked reads the mirror back. The
// shared conventions: c0 = (0, 0, 0, 0), c1 = (1, 1, 1, 1), c3-c6 the world-view-projection
// rows (clip = the four dot products of the position with c3, c4, c5, c6); the rest belongs
// to each pass (see the register comments of its GLSL programs under shaders/).
//
// A 4x4 or 3x4 matrix goes up as rows: register k = (X[k], Y[k], Z[k], t[k]) for a matrix
// of columns t, X, Y, Z. Register numbers are not checked beyond the display's own checks.
// One thread; the mirror is program-wide.
#pragma once

#include "mat_matrix.h"
#include "os_types.h"

class REM_FogLayer;
class REB_Mesh;
struct REB_Material;
struct VEC_Light;

constexpr s32 REP_NUM_CONSTANTS = 96;
constexpr s32 REP_MAX_MATERIALS = 512;   // the most materials REP_SplitMaterials sorts
constexpr f32 REP_KEEP = 3.4028235e38f;  // REP_SetConstantMasked: keep the mirrored component

extern f32 REP_VertexShaderConstants[REP_NUM_CONSTANTS][4];

// Each returns the number of registers written.
s32 REP_SetConstantZero(s32 _register);
s32 REP_SetConstantOne(s32 _register);
s32 REP_SetConstantSplat(s32 _register, f32 _value);
s32 REP_SetConstantMatrix4x4(s32 _register, const MAT_Matrix44& _matrix);
s32 REP_SetConstantFrame(s32 _register, const MAT_Matrix34& _frame);
s32 REP_SetConstantRaw(s32 _register, const f32* _data, s32 _count);
s32 REP_SetConstant4(s32 _register, f32 _x, f32 _y, f32 _z, f32 _w);
s32 REP_SetConstantComponent(s32 _register, s32 _component, f32 _value);
// A component equal to REP_KEEP keeps its mirrored value.
s32 REP_SetConstantMasked(s32 _register, f32 _x, f32 _y, f32 _z, f32 _w);
// (x, y, z, 1) and (x, y, z, 0).
s32 REP_SetConstantPoint(s32 _register, const MAT_Vector3& _point);
s32 REP_SetConstantDirection(s32 _register, const MAT_Vector3& _direction);

// Packs bytes into the display's colour word 0xAARRGGBB (in memory B, G, R, A).
u32 REP_MakeColor(u8 _red, u8 _green, u8 _blue, u8 _alpha);
// The colour word as (red, green, blue, alpha) / 255.
s32 REP_SetConstantColor(s32 _register, u32 _color);

// r = (first colour, 0), r+1 = (second colour, 0), r+2 = -direction (w kept).
s32 REP_SetDirectionalLight(s32 _register, const VEC_Light& _light, const MAT_Vector3& _direction);
// r = (diffuse, 0), r+1 = (specular, 0), r+2 = (attenuation x, y, z, fourth value), r+3 = the
// position (w kept). The record's first colour is the diffuse colour, its second the
// specular; the attenuation is the light's vector and the fourth value its intensity.
s32 REP_SetPointLight(s32 _register, const VEC_Light& _light, const MAT_Vector3& _position);
// r and r+1 zeroed.
s32 REP_SetNoDirectionalLight(s32 _register);

// The two fog rows of a vertex: [0..3] height above the fog base and [4..7] view depth, each
// scaled by the layer's scales (view space has y as its depth axis). A null layer gives zeros.
void REP_ComputeFogRows(const REM_FogLayer* _fog, const MAT_Matrix34& _world, const MAT_Matrix34& _worldToView,
                        f32 _rows[8]);
// The fog ramp of the terrain and object passes, k = 1 / (F - 1), g = k / (rows x depthStep),
// F the fog factor: (g x depth row, g x translation - k) into _row. F = 1, an empty layer or a
// zero depth step would divide by zero: k = g = 0 there.
void REP_ComputeFogRamp(const REM_FogLayer* _fog, f32 _fogFactor, const MAT_Matrix34& _worldToView, f32 _row[4]);

// Sorts the materials of _mesh (at most REP_MAX_MATERIALS; more is fatal): a material without
// indices goes nowhere (both entries null); one that glows, is see-through (alpha below 252)
// or blends goes to _listB (the standard shaders); the rest to _listA. Entry i of each list is
// material i or null.
void REP_SplitMaterials(const REB_Mesh* _mesh, const REB_Material* _listA[REP_MAX_MATERIALS],
                        const REB_Material* _listB[REP_MAX_MATERIALS]);
