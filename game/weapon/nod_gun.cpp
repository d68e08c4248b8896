// The gun base: description, fire modes, the state machine, visibility and drawing, and the
// pieces of a shot that the gun classes share.
#include "nod_gun.h"

#include <cmath>

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_soundsystem.h"
#include "brisel_spawn.h"
#include "crt_rand.h"
#include "des_file.h"
#include "mat_geometry.h"
#include "mot_smoother.h"
#include "nod_camera.h"
#include "nod_gun_part.h"
#include "nod_hud.h"
#include "nod_message.h"
#include "nod_weapon_local.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Gun, "NOD_Body")

namespace
{
// Every gun class reports a missing section under one caption.
constexpr const char* PARSE_PLACE = "NOD_Gun_VendettaGatlin::ParseIniFile()";
// The sound manager's kind of the guns' effects.
constexpr s32 SOUND_KIND = 2;
// Swinging between the stowed and the working position.
constexpr f32 STOWED_DROP = 2.0f;
constexpr f32 STOWED_BACK = 0.5f;
constexpr f32 STOWED_TILT = -0.7853982f;
constexpr f32 SWING_TIME = 0.2f;
constexpr f32 ACTIVATION_TIME = 0.4f;
constexpr f32 FRAME_SMOOTHING = 0.06666667f;
// A muzzle flash shows this long after a shot.
constexpr f32 MUZZLE_TIME = 0.05f;
constexpr f32 RAND_TO_RADIANS = 3.0518509e-5f;
// Barrel kicks.
constexpr f32 KICK_TIME = 0.4f;
// Kinematic mode 11 (roll integrated) in the rotation-mode bits.
constexpr u32 ROLL_ONLY_KINEMATICS = 0x58;

MAT_Matrix34 IdentityFrame()
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    return frame;
}

REB_Mesh* RenderMesh(s32 _handle)
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetRenderMeshCache()->Get(_handle) : nullptr;
}

NOD_Hud* FindHud()
{
    NOD_Node* root = NOD_Node::GetRoot();
    return root != nullptr ? NOD_Hud::DynamicCast(root->Find(SIM_Path("/hud"))) : nullptr;
}
}  // namespace

NOD_Gun::NOD_Gun()
{
    SetRenderBucket(BRISEL_BUCKET_GUNS);
    m_stateTime = SIM_GetSimulationClock().time;
    m_rest = IdentityFrame();
    m_offset = IdentityFrame();
    m_muzzle = IdentityFrame();
}

NOD_Gun::~NOD_Gun()
{
    // The renderer must not keep a gun that is gone, whichever way it went.
    SetVisible(0);
    NOD_Gun_Part::ReleaseMesh(&m_mesh);
    NOD_Gun_Part::ReleaseMesh(&m_primaryMuzzle);
    NOD_Gun_Part::ReleaseMesh(&m_secondaryMuzzle);
    m_fireSample.Release();
    m_windDownSample.Release();
    m_owner.Set(nullptr);
}

void NOD_Gun::ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data)
{
    (void)_context;
    ParseIniFile_Des(_data);
}

void NOD_Gun::ParseIniFile_Des(DES_Section& _data)
{
    char name[NAME_BYTES] = {};

    DES_Section visual = NOD_RequireSection(_data, "Visual", PARSE_PLACE);
    visual.GetString("NameMesh", name, sizeof(name));
    NOD_Gun_Part::ReleaseMesh(&m_mesh);
    m_mesh = NOD_Gun_Part::AllocateMesh(name, PARSE_PLACE);
    ParseLCS(visual);
    m_rest = *GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr);

    DES_Section sound = NOD_RequireSection(_data, "Sound", PARSE_PLACE);
    DES_Section sample;
    if (sound.FindSection(&sample, "Fire"))
        m_fireSample.ParseIniFile(&sample);
    if (sound.FindSection(&sample, "WindDown"))
        m_windDownSample.ParseIniFile(&sample);

    DES_Section muzzle = NOD_RequireSection(_data, "Muzzle", PARSE_PLACE);
    if (muzzle.HasEntry("PrimaryMesh")) {
        muzzle.GetString("PrimaryMesh", name, sizeof(name));
        NOD_Gun_Part::ReleaseMesh(&m_primaryMuzzle);
        m_primaryMuzzle = NOD_Gun_Part::AllocateMesh(name, PARSE_PLACE);
    }
    if (muzzle.HasEntry("SecondaryMesh")) {
        muzzle.GetString("SecondaryMesh", name, sizeof(name));
        NOD_Gun_Part::ReleaseMesh(&m_secondaryMuzzle);
        m_secondaryMuzzle = NOD_Gun_Part::AllocateMesh(name, PARSE_PLACE);
    }

    LoadSons(_data);
}

// ---- fire modes ----

void NOD_Gun::PrimaryFireOn()
{
    if (GetOwner() == nullptr || m_primaryOn != 0 || m_secondaryOn != 0)
        return;
    m_primaryOn = 1;
    OnPrimaryStart();
}

void NOD_Gun::PrimaryFireOff()
{
    if (GetOwner() == nullptr || m_primaryOn == 0)
        return;
    m_primaryOn = 0;
    OnPrimaryStop();
}

void NOD_Gun::SecondaryFireOn()
{
    if (GetOwner() == nullptr || m_primaryOn != 0 || m_secondaryOn != 0)
        return;
    m_secondaryOn = 1;
    OnSecondaryStart();
}

void NOD_Gun::SecondaryFireOff()
{
    if (GetOwner() == nullptr || m_secondaryOn == 0)
        return;
    m_secondaryOn = 0;
    OnSecondaryStop();
}

f32 NOD_Gun::GetFloatValue() { return 0.1f; }

s32 NOD_Gun::CanCycle() { return 1; }

void NOD_Gun::Deactivate()
{
    m_state = STATE_DEACTIVATING;
    m_stateTime = SIM_GetSimulationClock().time;
    if (m_primaryOn != 0) {
        OnPrimaryStop();
        m_primaryOn = 0;
    }
    if (m_secondaryOn != 0) {
        OnSecondaryStop();
        m_secondaryOn = 0;
    }
}

void NOD_Gun::Activate()
{
    m_state = STATE_ACTIVATING;
    m_stateTime = SIM_GetSimulationClock().time;
    m_primaryOn = 0;
    m_secondaryOn = 0;
}

f32 NOD_Gun::GetRange() { return -1.0f; }

NOD_Body* NOD_Gun::GetOwner() const { return NOD_Body::DynamicCast((NOD_Node*)m_owner.Get()); }

void NOD_Gun::OnEnterSimulation() {}
void NOD_Gun::OnLeaveSimulation() {}
void NOD_Gun::AnimateParts() {}
void NOD_Gun::OnPrimaryStart() {}
void NOD_Gun::ShootPrimary() {}
void NOD_Gun::OnPrimaryStop() {}
void NOD_Gun::OnSecondaryStart() {}
void NOD_Gun::ShootSecondary() {}
void NOD_Gun::OnSecondaryStop() {}

// ---- the step ----

void NOD_Gun::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    UpdateVisibility();
    if (m_primaryOn != 0)
        ShootPrimary();
    if (m_secondaryOn != 0)
        ShootSecondary();
    AnimateParts();

    const MAT_Matrix34 target = TargetFrame(clock.time);
    MOT_Smoother smoother;
    smoother.tau = FRAME_SMOOTHING;
    MAT_Matrix34 frame;
    smoother.SmoothMatrix34(clock, *GetCS().GetTrack().GetAt(clock.time, nullptr), target, frame);
    GetCS().SetState(clock.time + clock.dt, frame);

    NOD_Node::HeartBeat();
}

MAT_Matrix34 NOD_Gun::TargetFrame(f32 _time)
{
    MAT_Matrix34 stowed = m_rest;
    stowed.t.y -= STOWED_DROP;
    stowed.t.z -= STOWED_BACK;
    stowed.r.RotateX(MAT_Angle(STOWED_TILT));

    switch (m_state) {
    case STATE_IDLE:
        return stowed;
    case STATE_ACTIVATING: {
        const MAT_Matrix34 target = _time <= m_stateTime + SWING_TIME ? stowed : m_rest;
        if (m_stateTime + ACTIVATION_TIME <= _time)
            m_state = STATE_ACTIVE;
        return target;
    }
    case STATE_ACTIVE:
        return m_rest.Compose(m_offset);
    case STATE_DEACTIVATING:
        if (m_stateTime + SWING_TIME <= _time)
            m_state = STATE_IDLE;
        return stowed;
    default:
        OS_Fatal("NOD_Gun::HeartBeat()", "illegal state");
    }
}

void NOD_Gun::UpdateVisibility()
{
    u32 visible = 0;
    NOD_Node* root = GetRoot();
    if (m_state != STATE_IDLE && root != nullptr) {
        if (NOD_Camera* camera = NOD_Camera::DynamicCast(root->Find(SIM_Path("/camera")))) {
            NOD_Body* reference = nullptr;
            NOD_Body* second = nullptr;
            visible = camera->GetModeAndTargets(&reference, &second) == NOD_Camera::MODE_LOOK_FROM &&
                              reference != nullptr && reference == GetFather()
                          ? 1u
                          : 0u;
        }
    }
    SetVisible(visible);
}

void NOD_Gun::SetVisible(u32 _visible)
{
    if (_visible == m_visible)
        return;
    m_visible = _visible;
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    if (_visible != 0)
        renderer->AddPermanentBody(this);
    else
        renderer->RemovePermanentBody(this);
}

// ---- simulation ----

NOD_Message* NOD_Gun::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    default:
        return NOD_Body::ProcessMessage(_message);
    }
}

void NOD_Gun::PM_EnterSimulation()
{
    if (NOD_Body* father = NOD_Body::DynamicCast(GetFather()))
        GetCS().SetParent(father->GetMountFrame());
    SetVisible(0);
    m_primaryOn = 0;
    m_secondaryOn = 0;
    m_lastShot = NEVER_SHOT;
    m_state = STATE_IDLE;
    m_stateTime = SIM_GetSimulationClock().time;
    m_offset = IdentityFrame();
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        delete GetSon(i)->ProcessMessage(NOD_Node_EnterSimulation::Create());
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
    OnEnterSimulation();
}

void NOD_Gun::PM_LeaveSimulation()
{
    SetVisible(0);
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        delete GetSon(i)->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(now, nullptr);
    SetTransform(now, frame);
    OnLeaveSimulation();
}

// ---- drawing ----

void NOD_Gun::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    const f32 time = SIM_GetFrameClock().time;
    if (m_mesh != 0)
        renderer->RenderMesh(RenderMesh(m_mesh), *GetWorldTransform(time));
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        if (NOD_Gun_Part* part = NOD_Gun_Part::DynamicCast(GetSon(i)))
            part->Render();
    NOD_GunDraw draws[MUZZLE_DRAWS];
    const s32 count = GetMuzzleDraws(time, draws);
    for (s32 i = 0; i < count; ++i)
        renderer->RenderMesh(RenderMesh(draws[i].mesh), draws[i].world);
}

s32 NOD_Gun::GetMuzzleDraws(f32 _time, NOD_GunDraw _draws[MUZZLE_DRAWS])
{
    if (!(m_lastShot + MUZZLE_TIME > _time))
        return 0;
    const MAT_Matrix34& world = *GetWorldTransform(_time);
    s32 count = 0;
    if (m_primaryMuzzle != 0) {
        _draws[count].mesh = m_primaryMuzzle;
        _draws[count].world = world;
        ++count;
    }
    if (m_secondaryMuzzle != 0) {
        _draws[count].mesh = m_secondaryMuzzle;
        _draws[count].world = world;
        _draws[count].world.r.RotateY(MAT_Angle((f32)CRT_Rand() * RAND_TO_RADIANS));
        ++count;
    }
    return count;
}

void NOD_Gun::GetBoundingBox(f32* _box, f32 _time)
{
    MAT_AABox local;
    local.m_min = MAT_Vector3(-0.5f, -0.5f, -0.5f);
    local.m_max = MAT_Vector3(0.5f, 0.5f, 0.5f);
    if (const REB_Mesh* mesh = m_mesh != 0 ? RenderMesh(m_mesh) : nullptr) {
        local.m_min = mesh->boxMin;
        local.m_max = mesh->boxMax;
    }
    MAT_Vector3 corners[8];
    local.Transform(*GetWorldTransform(_time), corners);
    MAT_AABox world;
    Brisel_Renderer::BoundingBoxOfPoints(world, corners, 8);
    _box[0] = world.m_min.x;
    _box[1] = world.m_min.y;
    _box[2] = world.m_min.z;
    _box[3] = world.m_max.x;
    _box[4] = world.m_max.y;
    _box[5] = world.m_max.z;
}

// ---- what the classes share ----

f32 NOD_Gun::FirstShotTime()
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    return clock.time + clock.dt * 0.5f;
}

u32 NOD_Gun::IsShotDue(f32* _next, f32 _interval)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    if (!(clock.time < *_next && *_next <= clock.time + clock.dt))
        return 0;
    *_next += _interval;
    return 1;
}

void NOD_Gun::FireBullet(s32 _type, const MAT_Matrix34& _muzzle)
{
    const f32 now = SIM_GetSimulationClock().time;
    // The owner is the gun's father in every scene; one that died with the gun still stepping
    // launches nothing.
    if (NOD_Body* owner = GetOwner()) {
        if (Brisel_TheSpawn != nullptr)
            Brisel_TheSpawn->SpawnBullet(_type, owner, owner->GetWorldTransform(now)->Compose(_muzzle));
    }
    if (Brisel_TheSoundSystem != nullptr)
        Brisel_TheSoundSystem->PlayEffect(SOUND_KIND, &m_fireSample);
    m_lastShot = now;
}

void NOD_Gun::PlayWindDown()
{
    if (Brisel_TheSoundSystem != nullptr)
        Brisel_TheSoundSystem->PlayEffect(SOUND_KIND, &m_windDownSample);
}

void NOD_Gun::AnimateRecoil(f32* _recoil, f32 _tau)
{
    m_offset = IdentityFrame();
    MOT_Smoother smoother;
    smoother.tau = _tau;
    smoother.Smooth(SIM_GetSimulationClock(), *_recoil, 0.0f, _recoil);
    m_offset.t.y = *_recoil;
}

void NOD_Gun::ToggleZoom()
{
    NOD_Hud* hud = FindHud();
    if (hud == nullptr)
        return;
    if (hud->IsZoomOn())
        hud->ZoomOff();
    else
        hud->ZoomOn();
}

void NOD_Gun::ZoomOff()
{
    NOD_Hud* hud = FindHud();
    if (hud != nullptr && hud->IsZoomOn())
        hud->ZoomOff();
}

NOD_Gun_Part* NOD_Gun::FindPart(const char* _name) { return NOD_Gun_Part::DynamicCast(Find(SIM_Path(_name))); }

NOD_Gun_Part* NOD_Gun::FindPartOrLog(const char* _class, const char* _name, DES_Section& _data)
{
    NOD_Gun_Part* part = FindPart(_name);
    if (part == nullptr)
        OS_Log(OS_Format("%s::ParseIniFile(\"%s\") - %s is missing", _class, NOD_DesFileName(_data), _name));
    return part;
}

void NOD_Gun::SetUpRevolving(NOD_Gun_Part* _part, f32 _rollDamping)
{
    MOT_MotionState& state = _part->GetState();
    // Roll alone, from absolute angles; the translation stays where the gun puts it.
    state.flags = ROLL_ONLY_KINEMATICS;
    state.Reset();
    _part->GetDamping().flags |= MOT_Friction::ROLL;
    _part->GetDamping().c[8] = _rollDamping;
}

f32 NOD_Gun::BarrelKick(f32 _d)
{
    if (!(_d <= KICK_TIME))
        return 0.0f;
    return -std::pow(0.01f, 2.5f * _d) * std::sin(MAT_TWO_PI * _d);
}

void NOD_Gun::KickBarrel(NOD_Gun_Part* _barrel, f32 _d)
{
    MAT_Vector3 position = _barrel->GetFrame().t;
    position.y = BarrelKick(_d);
    _barrel->GetState().SetPosition(position);
}

f32 NOD_Gun::GetBulletRange(s32 _type)
{
    return Brisel_TheSpawn != nullptr ? Brisel_TheSpawn->GetBulletRange(_type) : -1.0f;
}

NOD_Gun* NOD_Gun::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Gun*>(_node);
}
