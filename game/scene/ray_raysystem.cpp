// The light rays' pool: settings, placement, fading and drawing.
#include "ray_raysystem.h"

#include <cfloat>
#include <cmath>
#include <new>

#include "brisel_renderer.h"
#include "brisel_scene.h"
#include "crt_rand.h"
#include "des_file.h"
#include "mat_matrix.h"
#include "mat_sqrt.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "reb_texturecache.h"
#include "sim_clock.h"
#include "vec_mesh.h"

namespace
{
constexpr f32 RAND_SCALE = 3.0518509e-5f;       // 1 / 32767
constexpr f32 ROLL_RATE_SCALE = 1.8311104e-5f;  // 0.6 / 32767
constexpr f32 PI_OVER_EIGHT = 0.3926991f;
constexpr f32 FADE_RATE = 2.0f;                 // a fade takes 0.5 s
constexpr u32 SELF_ILLUMINATION = 0xFF334C4Cu;  // red 51, green 76, blue 76

// A random value between _a and _b, both ends included.
f32 Random(f32 _a, f32 _b) { return _a + (f32)CRT_Rand() * (_b - _a) * RAND_SCALE; }
}  // namespace

RAY_RaySystem::~RAY_RaySystem() { Free(); }

void RAY_RaySystem::Free()
{
    delete m_mesh;
    m_mesh = nullptr;
    for (s32 i = 0; i < m_maxRays && m_rays != nullptr; ++i)
        m_rays[i].~RAY_Ray();
    MEM_Free(m_rays);
    m_rays = nullptr;
    m_maxRays = 0;
}

void RAY_RaySystem::Load(const char* _fileName, const char* _caption)
{
    Free();
    DES_File file;
    DES_Section root;
    file.Open(&root, _fileName);
    DES_Section section;
    if (!root.FindSection(&section, "RaySystem"))
        DES_FatalSection(_caption, "RaySystem", file.GetName());

    s32 maxRays = 0;
    section.GetS32("MaxRays", &maxRays);
    // A negative count is as far outside the format as one too high.
    if (maxRays > MAX_RAYS || maxRays < 0)
        OS_Fatal("maxrays too high", "RAY_RaySystem::RAY_RaySystem");
    char texture[VEC_TEXTURE_NAME_BYTES] = {};
    section.GetString("Texture", texture, sizeof(texture));
    m_texture = -1;
    if (Brisel_ResourceTables* resources = Brisel_Scene::GetResources())
        if (REB_TextureCache* names = resources->GetTextureNames())
            m_texture = names->RegisterTextureName(texture, TEXTURE_PRIORITY);
    section.GetFloat("MinLifeTime", &m_minLifeTime);
    section.GetFloat("MaxLifeTime", &m_maxLifeTime);
    f32 velocity[3] = {};
    section.GetVector3("Velocity", velocity);
    m_velocity = {velocity[0], velocity[1], velocity[2]};
    section.GetFloat("Width", &m_width);
    section.GetFloat("Height", &m_height);
    section.GetFloat("BirthOffsetZ", &m_birthOffsetZ);
    section.GetFloat("MaxOpacity", &m_maxOpacity);
    section.GetFloat("BBGenerationScale", &m_bbGenerationScale);
    if (!(m_maxOpacity >= 0.0f))  // NaN too
        m_maxOpacity = 0.0f;
    if (m_maxOpacity > 1.0f)
        m_maxOpacity = 1.0f;
    file.Close();

    if (maxRays > 0) {
        m_rays = (RAY_Ray*)MEM_AllocOrDie((u32)(sizeof(RAY_Ray) * (size_t)maxRays), "RAY_RaySystem::Load()");
        for (s32 i = 0; i < maxRays; ++i)
            new (&m_rays[i]) RAY_Ray();
    }
    m_maxRays = maxRays;
    BuildMesh();
}

void RAY_RaySystem::BuildMesh()
{
    VEC_MeshPart part;
    part.Allocate(4, 2);
    const f32 corners[4][4] = {
        {-0.5f, 0.0f, 0.0f, 1.0f}, {-0.5f, 1.0f, 0.0f, 0.0f}, {0.5f, 1.0f, 1.0f, 0.0f}, {0.5f, 0.0f, 1.0f, 1.0f}};
    for (s32 i = 0; i < 4; ++i) {
        DSP_Vertex& vertex = part.vertices[i];
        vertex.x = corners[i][0];
        vertex.y = corners[i][1];
        vertex.z = 0.0f;
        vertex.u = corners[i][2];
        vertex.v = corners[i][3];
        vertex.color = 0xFFFFFFFFu;
    }
    const u16 triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (s32 t = 0; t < 2; ++t)
        for (s32 k = 0; k < 3; ++k)
            part.triangles[t].vertex[k] = triangles[t][k];
    part.vertexCount = 4;
    part.triangleCount = 2;
    VEC_Map& map = part.material.diffuseMap;
    map.textureId = (u32)m_texture;
    map.blendMode = 1;  // additive
    map.alpha = 255;
    map.flags = 0;  // neither depth-buffered nor one-sided
    part.material.diffuseColor = 0;
    part.material.selfIllumination = SELF_ILLUMINATION;
    part.ComputeNormals(0);
    part.ComputeBoundingBox();
    m_mesh = new REB_Mesh();
    m_mesh->Reconstruct(&part);
}

void RAY_RaySystem::Step(const SIM_Clock& _clock, const MAT_Vector3& _viewer, const MRT_Terrain* _terrain)
{
    for (s32 i = 0; i < m_maxRays; ++i) {
        RAY_Ray& ray = m_rays[i];
        if (ray.active == 0) {
            // Rays need the ground: without a terrain they wait, drawing nothing.
            if (_terrain != nullptr)
                Place(ray, _clock.time, _viewer, *_terrain);
        } else {
            Animate(ray, _clock);
        }
    }
}

void RAY_RaySystem::Place(RAY_Ray& _ray, f32 _time, const MAT_Vector3& _viewer, const MRT_Terrain& _terrain)
{
    const MAT_Vector3 top(_viewer.x, _viewer.y, _viewer.z + TOP_HEIGHT);
    const f32 x = Random(_viewer.x - PLACEMENT_RADIUS, _viewer.x + PLACEMENT_RADIUS);
    const f32 y = Random(_viewer.y - PLACEMENT_RADIUS, _viewer.y + PLACEMENT_RADIUS);
    const f32 h = _terrain.GetHeightAt(x, y);
    const f32 rollRate = ((f32)CRT_Rand() * ROLL_RATE_SCALE + 0.7f) * PI_OVER_EIGHT;
    const f32 width = Random(-0.4f * m_width, 0.4f * m_width) + m_width;
    const f32 lifeTime = Random(m_minLifeTime, m_maxLifeTime);
    // Off the grid the ground answers FLT_MAX: such a ray would never end. It waits for the
    // next step's placement, the sequence of random values unchanged.
    if (!(h < FLT_MAX))
        return;

    const MAT_Vector3 ground(x, y, h);
    MAT_Matrix34 frame;
    frame.LookAt(top, ground, MAT_Angle(0.0f));
    MOT_MotionState& motion = _ray.motion;
    motion.SetMatrix(frame);
    motion.frame.r.FromAngles(motion.rotation[MOT_MotionState::HEADING].angle,
                              motion.rotation[MOT_MotionState::PITCH].angle,
                              motion.rotation[MOT_MotionState::ROLL].angle);
    motion.SetVelocity(MAT_Vector3());
    motion.rotation[MOT_MotionState::PITCH].rate = 0.0f;
    motion.rotation[MOT_MotionState::HEADING].rate = 0.0f;
    motion.rotation[MOT_MotionState::ROLL].rate = rollRate;

    const MAT_Vector3 d = ground - top;
    _ray.width = width;
    _ray.length = MAT_FastSqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    _ray.lifeTime = lifeTime;
    _ray.birthTime = _time;
    _ray.stateTime = _time;
    _ray.previousOpacity = 0.0f;
    _ray.opacity = 0.0f;
    _ray.state = RAY_Ray::STATE_FADING_IN;
    _ray.active = 1;
}

void RAY_RaySystem::Animate(RAY_Ray& _ray, const SIM_Clock& _clock)
{
    const f32 t = _clock.time;
    _ray.motion.Integrate(_clock);
    _ray.previousOpacity = _ray.opacity;
    switch (_ray.state) {
    case RAY_Ray::STATE_SHINING:
        if (_ray.birthTime + _ray.lifeTime < t) {
            _ray.state = RAY_Ray::STATE_FADING_OUT;
            _ray.stateTime = t;
        }
        break;
    case RAY_Ray::STATE_FADING_IN:
        _ray.opacity = FADE_RATE * (t - _ray.stateTime) * m_maxOpacity;
        if (_ray.opacity >= m_maxOpacity) {
            _ray.opacity = m_maxOpacity;
            _ray.state = RAY_Ray::STATE_SHINING;
        }
        break;
    case RAY_Ray::STATE_FADING_OUT:
        _ray.opacity = m_maxOpacity - FADE_RATE * (t - _ray.stateTime) * m_maxOpacity;
        if (_ray.opacity <= 0.0f) {
            _ray.opacity = 0.0f;
            _ray.active = 0;
        }
        break;
    default:
        OS_Fatal("NOD_RaySystem::HeartBeat()", "illegal ray state");
    }
}

f32 RAY_RaySystem::PitchFactor(const MAT_Angle& _pitch)
{
    const f32 s = (std::sin(_pitch.Get()) + 1.0f) * 0.5f;
    return s > 0.0f ? std::sqrt(s) : 0.0f;
}

void RAY_RaySystem::Draw(Brisel_Renderer& _renderer, const MAT_Angle& _pitch, f32 _fraction)
{
    if (m_mesh == nullptr)
        return;
    const f32 s = PitchFactor(_pitch);
    VEC_Map& map = m_mesh->GetMaterial(0)->material.diffuseMap;
    for (s32 i = 0; i < m_maxRays; ++i) {
        const RAY_Ray& ray = m_rays[i];
        if (ray.active == 0)
            continue;
        const f32 o = ray.previousOpacity + (ray.opacity - ray.previousOpacity) * _fraction;
        const f32 strength = s * o;
        if (!(strength > 0.0f))
            continue;
        const f32 alpha = strength * 255.0f;
        map.alpha = alpha >= 255.0f ? (u8)255 : (u8)alpha;
        MAT_Matrix34 world = ray.motion.frame;
        world.r.SetAxis(0, world.r.GetAxis(0) * ray.width);
        world.r.SetAxis(1, world.r.GetAxis(1) * ray.length);
        _renderer.RenderMesh(m_mesh, world);
    }
}
