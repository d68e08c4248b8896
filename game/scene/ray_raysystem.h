// The pool of light rays: its settings from "ini\raysystem.des", the rays and the one unit quad
// they all share, and the two per-step and per-frame passes over the rays.
//
// Every ray hangs from a point 1000 units above the viewer to a random ground point within 400
// units of it (x and y); it fades in over 0.5 s, shines for its random life time, fades out over
// 0.5 s and is placed anew on the next step. Random values come from CRT_Rand, five per
// placement (x, y, roll rate, width, life time). Without a terrain no ray is placed; a ground
// point off the terrain grid leaves the ray waiting for the next step (its five values drawn).
//
// Load is all or nothing in effect: every refusal is fatal (OS_Fatal), and what was allocated
// until then goes with the pool. Building the quad needs SITO_DISPLAY. One thread.
#pragma once

#include "mat_angle.h"
#include "mat_vector.h"
#include "os_types.h"
#include "ray_ray.h"

class Brisel_Renderer;
class MRT_Terrain;
class REB_Mesh;
struct SIM_Clock;

class RAY_RaySystem
{
public:
    static constexpr const char* FILE_NAME = "ini\\raysystem.des";
    static constexpr s32 MAX_RAYS = 65535;
    static constexpr s32 TEXTURE_PRIORITY = 32;
    static constexpr f32 PLACEMENT_RADIUS = 400.0f;  // half side of the placement box
    static constexpr f32 TOP_HEIGHT = 1000.0f;       // upper ends above the viewer

    RAY_RaySystem() = default;
    ~RAY_RaySystem();
    RAY_RaySystem(const RAY_RaySystem&) = delete;
    RAY_RaySystem& operator=(const RAY_RaySystem&) = delete;

    // Reads the settings from _fileName (section "RaySystem"), allocates the rays (all waiting)
    // and builds the quad. _caption names the reader in the missing-section text.
    void Load(const char* _fileName, const char* _caption);

    // One simulation step at _clock.time for a viewer at _viewer over _terrain (may be null).
    void Step(const SIM_Clock& _clock, const MAT_Vector3& _viewer, const MRT_Terrain* _terrain);
    // Draws the rays for a camera pitched by _pitch (positive looking up), _fraction of the
    // way through the last step.
    void Draw(Brisel_Renderer& _renderer, const MAT_Angle& _pitch, f32 _fraction);
    // The visibility factor of the view's pitch: 1 looking straight up, 0 straight down.
    static f32 PitchFactor(const MAT_Angle& _pitch);

    s32 GetMaxRays() const { return m_maxRays; }
    RAY_Ray& GetRay(s32 _index) { return m_rays[_index]; }
    const RAY_Ray& GetRay(s32 _index) const { return m_rays[_index]; }
    const REB_Mesh* GetMesh() const { return m_mesh; }
    f32 GetMinLifeTime() const { return m_minLifeTime; }
    f32 GetMaxLifeTime() const { return m_maxLifeTime; }
    const MAT_Vector3& GetVelocity() const { return m_velocity; }
    f32 GetWidth() const { return m_width; }
    f32 GetHeight() const { return m_height; }
    f32 GetBirthOffsetZ() const { return m_birthOffsetZ; }
    f32 GetMaxOpacity() const { return m_maxOpacity; }
    f32 GetBBGenerationScale() const { return m_bbGenerationScale; }
    s32 GetTexture() const { return m_texture; }

private:
    void BuildMesh();
    // Draws the five random values and places the ray; leaves it waiting when the ground
    // point lies off the terrain.
    void Place(RAY_Ray& _ray, f32 _time, const MAT_Vector3& _viewer, const MRT_Terrain& _terrain);
    void Animate(RAY_Ray& _ray, const SIM_Clock& _clock);
    void Free();

    RAY_Ray* m_rays = nullptr;  // m_maxRays records, one allocation
    s32 m_maxRays = 0;
    REB_Mesh* m_mesh = nullptr;
    f32 m_minLifeTime = 0.0f;
    f32 m_maxLifeTime = 0.0f;
    MAT_Vector3 m_velocity;  // read; nothing uses it
    f32 m_width = 0.0f;
    f32 m_height = 0.0f;        // read; nothing uses it
    f32 m_birthOffsetZ = 0.0f;  // read; nothing uses it
    f32 m_maxOpacity = 0.0f;
    f32 m_bbGenerationScale = 0.0f;  // read; nothing uses it
    s32 m_texture = -1;
};
