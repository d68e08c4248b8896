// The player: description, steering commands, weapons, the step and the queries.
#include "nod_player.h"

#include <cmath>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "brisel_renderer.h"
#include "brisel_soundsystem.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "des_file.h"
#include "mot_smoother.h"
#include "nod_actorreplicators.h"
#include "nod_bodylink.h"
#include "nod_freeflight.h"
#include "nod_gun.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "os_string.h"
#include "sim_clock.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Player, "NOD_ShieldedBody")

void NOD_Player::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_Player::CreateFromStream);
}

namespace
{
constexpr const char* PARSE = "NOD_Player::ParseIniFile()";
// The vessel's reader names the "Control" section it shares with the player.
constexpr const char* PARSE_CONTROL = "NOD_Vessel::ParseIniFile()";
constexpr const char* VISUAL = "pla_zaredodoviv.ash";
constexpr const char* BUMP_SAMPLE = "pb_07.wav";
// The kind the sound manager plays collision effects as.
constexpr s32 BUMP_SOUND_KIND = 2;

struct Weapon
{
    const char* name;
    const char* className;
    const char* file;
};

constexpr Weapon WEAPONS[] = {
    {"doommortar", "NOD_Gun_DoomMortar", "osd/weapon/gun_doommortar.osd"},
    {"drugstore", "NOD_Gun_DrugStore", "osd/weapon/gun_drugstore.osd"},
    {"flak", "NOD_Gun_Flak", "osd/weapon/gun_flak.osd"},
    {"sizzler", "NOD_Gun_Sizzler", "osd/weapon/gun_sizzler.osd"},
    {"lasergatlin", "NOD_Gun_LaserGatlin", "osd/weapon/gun_lasergatlin.osd"},
    {"plasma1", "NOD_Gun_Plasma", "osd/weapon/gun_plasma1.osd"},
    {"plasma2", "NOD_Gun_Plasma", "osd/weapon/gun_plasma2.osd"},
    {"plasmagatlin", "NOD_Gun_PlasmaGatlin", "osd/weapon/gun_plasmagatlin.osd"},
    {"scalarhowitzer", "NOD_Gun_ScalarHowitzer", "osd/weapon/gun_scalarhowitzer1.osd"},
    {"smartbomb", "NOD_Gun_SmartBomb", "osd/weapon/gun_smartbomb.osd"},
    {"vendetta1", "NOD_Gun_Vendetta", "osd/weapon/gun_vendetta1.osd"},
    {"vendetta2", "NOD_Gun_Vendetta", "osd/weapon/gun_vendetta2.osd"},
    {"vendettagatlin", "NOD_Gun_VendettaGatlin", "osd/weapon/gun_vendettagatlin.osd"},
};

CON_Cache<Brisel_Mesh>* Visuals() { return Brisel_TheCache != nullptr ? Brisel_TheCache->GetVisualCache() : nullptr; }

// The smoothed value one step nearer its target.
f32 Smoothed(const SIM_Clock& _clock, f32 _current, f32 _target)
{
    MOT_Smoother smoother;
    smoother.tau = NOD_Player::TURN_SMOOTHING;
    f32 out = _current;
    smoother.Smooth(_clock, _current, _target, &out);
    return out;
}
}  // namespace

NOD_Player::NOD_Player()
{
    // The motion state is a member of this class, built after the body: it is attached here.
    m_state.flags = 0x27;  // x, y, z and absolute heading, pitch, roll
    m_state.Reset();
    GetCS().SetAttachedFrame(&m_state);
    m_state.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    m_friction.flags = MOT_Friction::BODY_X | MOT_Friction::BODY_Y | MOT_Friction::BODY_Z;
    m_friction.c[0] = 0.75f;
    m_friction.c[1] = 0.05f;
    m_friction.c[2] = 1.1f;
    SetRenderBucket(0);
    m_attackerSlots.AllocateAttackers(this);
    m_torpedoSlots.AllocateTorpedoes(this);
}

NOD_Player::~NOD_Player()
{
    m_mesh.Release();
    ReleaseVisual();
    m_bump.Release();
    m_attackerSlots.Release();
    m_torpedoSlots.Release();
    for (RTI_Pointer& gun : m_guns)
        gun.Set(nullptr);
}

NOD_Player* NOD_Player::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Player*>(_node);
}

const NOD_Player* NOD_Player::DynamicCast(const NOD_Node* _node) { return DynamicCast(const_cast<NOD_Node*>(_node)); }

// ---- description ----

void NOD_Player::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_RequireSection(_data, "Visual", PARSE);
    char meshName[NOD_Node::PATH_BYTES] = {};
    visual.GetString("NameMesh", meshName, sizeof meshName);
    m_mesh.Allocate(meshName, PARSE);
    ReleaseVisual();
    if (CON_Cache<Brisel_Mesh>* visuals = Visuals())
        m_visual = visuals->Allocate(VISUAL, 1);

    DES_Section control = NOD_RequireSection(_data, "Control", PARSE_CONTROL);
    control.GetFloat("VMax", &m_vMax);
    // The thrust curve runs over |speed| / VMax: without a positive VMax it has no meaning.
    if (!(m_vMax > 0.0f))
        OS_Fatal("DES FILE ERROR", OS_Format("(%s): [\"Control\"] VMax = %g in file \"%s\" must be above 0", PARSE,
                                             (double)m_vMax, NOD_DesFileName(_data)));

    DES_Section player = NOD_RequireSection(_data, "PlayerControl", PARSE);
    player.GetFloat("Acceleration", &m_acceleration);
    player.GetFloat("EngineDynamicA", &m_engineDynamic[0]);
    player.GetFloat("EngineDynamicB", &m_engineDynamic[1]);
    player.GetFloat("EngineDynamicC", &m_engineDynamic[2]);
    player.GetFloat("EngineDynamicD", &m_engineDynamic[3]);
    player.GetFloat("FrictionU", &m_friction.c[0]);
    player.GetFloat("FrictionV", &m_friction.c[1]);
    player.GetFloat("FrictionW", &m_friction.c[2]);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_RequireSection(_data, "Collision", PARSE);
    aggregate.GeneratePhysicalPlayer(&collision);
    if (m_mesh.GetHandle() != 0) {
        f32 box[6];
        m_mesh.GetLocalBox(box);
        aggregate.GenerateVisibleObject(box);
    }
    DES_Section avoidance = NOD_RequireSection(_data, "Avoidance", PARSE);
    aggregate.GeneratePassiveAvoid(&avoidance);
    aggregate.GenerateShadowReceiver(0);
    aggregate.GenerateShadowCaster();
    DES_Section emitter = NOD_RequireSection(_data, "Emitter", PARSE);
    aggregate.GenerateEmitter(&emitter);
    aggregate.GenerateSensor4();

    NOD_ShieldedBody::ParseIniFile(_data);
    LoadSons(_data);

    for (RTI_Pointer& gun : m_guns)
        gun.Set(nullptr);
    m_currentGun = 0;
    NOD_TorpedoLauncher* torpedoes = NOD_TorpedoLauncher::DynamicCast(Find(SIM_Path("torlaunch")));
    m_torpedoLauncher.Set(torpedoes);
    if (torpedoes != nullptr)
        torpedoes->SetOwner(this);
    NOD_BuzzerLauncher* buzzers = NOD_BuzzerLauncher::DynamicCast(Find(SIM_Path("buzzlaunch")));
    m_buzzerLauncher.Set(buzzers);
    if (buzzers != nullptr)
        buzzers->SetOwner(this);

    COD_Sensor* sensor = aggregate.GetSensor4();
    sensor->m_flags = (sensor->m_flags & ~COD_SENSOR_VISIBILITY_TESTED) | COD_SENSOR_SEEING;
    sensor->m_seeingRange = SENSOR_RANGE;
    sensor->m_coneCosine = std::cos(SENSOR_CONE);

    m_bump.Set(BUMP_SAMPLE, 22050, 2205, 255, 25, 1, 0.0f, 0.0f);
}

Brisel_Mesh* NOD_Player::Visual() const
{
    CON_Cache<Brisel_Mesh>* visuals = Visuals();
    return m_visual != 0 && visuals != nullptr ? visuals->Get(m_visual) : nullptr;
}

void NOD_Player::ReleaseVisual()
{
    if (m_visual != 0 && Visuals() != nullptr)
        Visuals()->Release(m_visual);
    m_visual = 0;
}

// ---- messages ----

NOD_Message* NOD_Player::ProcessMessage(NOD_Message* _message)
{
    const f32 now = SIM_GetSimulationClock().time;
    switch (_message->GetType()) {
    case NOD_Body_SetPosition::ID: {
        const auto [position] = NOD_Body_SetPosition::Read(_message);
        delete _message;
        MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(now, nullptr);
        frame.t = position;
        Place(frame);
        return nullptr;
    }
    case NOD_Body_SetOrientation::ID: {
        // Radians, unlike the other bodies' degrees.
        const auto [angles] = NOD_Body_SetOrientation::Read(_message);
        delete _message;
        MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(now, nullptr);
        frame.r.FromAngles(MAT_Angle(angles.x), MAT_Angle(angles.y), MAT_Angle(angles.z));
        Place(frame);
        return nullptr;
    }
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    case NOD_Player_Input::ID: {
        const auto [command, pressed, value] = NOD_Player_Input::Read(_message);
        delete _message;
        PM_Input(command, pressed, value);
        return nullptr;
    }
    case NOD_Player_AddWeapon::ID: {
        const auto [weapon] = NOD_Player_AddWeapon::Read(_message);
        delete _message;
        PM_AddWeapon(weapon);
        return nullptr;
    }
    default: {
        u32 handled = 0;
        NOD_Message* reply = GetAggregate().ProcessEmitterMessage(_message, handled);
        if (handled != 0)
            return reply;
        return NOD_Body::ProcessMessage(_message);
    }
    }
}

void NOD_Player::Place(const MAT_Matrix34& _frame) { SetTransform(SIM_GetSimulationClock().time, _frame); }

void NOD_Player::PM_EnterSimulation()
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    GetAggregate().EnterSimulation(*GetWorldTransform(clock.time + clock.dt), m_state.GetVelocity());
    NOD_EnterSons(*this);
    GetAggregate().LinkSonShields();
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Player::PM_LeaveSimulation()
{
    GetAggregate().UnlinkSonShields();
    NOD_LeaveSons(*this);
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    NOD_RestAtTrackFrame(*this, SIM_GetSimulationClock().time);
}

// ---- commands ----

void NOD_Player::TurnKey(u32 _pressed, f32 _rate, f32& _requested, f32& _saved)
{
    if (_pressed != 0) {
        _saved = _requested;
        _requested = _rate;
        return;
    }
    if (_requested == _rate)
        _requested = _saved;
    _saved = 0.0f;
}

void NOD_Player::PM_Input(const SIM_Name& _command, u32 _pressed, f32 _value)
{
    const char* command = _command.GetName();
    auto is = [command](const char* _name) { return OS_StrICmp(command, _name) == 0; };
    NOD_Gun* gun = GetGun(m_currentGun);

    if (is("turnleft") || is("turnright")) {
        if (m_keyboard != 0)
            TurnKey(_pressed, is("turnleft") ? KEY_TURN_RATE : -KEY_TURN_RATE, m_headingRate, m_savedHeadingRate);
    } else if (is("noseup") || is("nosedown")) {
        if (m_keyboard != 0)
            TurnKey(_pressed, is("noseup") ? KEY_TURN_RATE : -KEY_TURN_RATE, m_pitchRate, m_savedPitchRate);
    } else if (is("head")) {
        m_keyboard = 0;
        m_headingRate = _value * -KEY_TURN_RATE;
    } else if (is("pitch")) {
        m_keyboard = 0;
        m_pitchRate = _value * KEY_TURN_RATE;
    } else if (is("throttle")) {
        // Accepted: the speed keys drive the engine.
    } else if (is("pfire")) {
        if (gun != nullptr) {
            if (_pressed != 0)
                gun->PrimaryFireOn();
            else
                gun->PrimaryFireOff();
        }
    } else if (is("sfire")) {
        if (gun != nullptr) {
            if (_pressed != 0)
                gun->SecondaryFireOn();
            else
                gun->SecondaryFireOff();
        }
    } else if (is("launch")) {
        if (NOD_TorpedoLauncher* launcher = GetTorpedoLauncher())
            launcher->Fire(nullptr);
    } else if (is("ejectbuzzer")) {
        if (NOD_BuzzerLauncher* launcher = GetBuzzerLauncher())
            launcher->Launch();
    } else if (is("cyclegun")) {
        CycleGun();
    } else if (is("incspeed") || is("decspeed")) {
        m_throttle = _pressed != 0 ? (is("incspeed") ? m_vMax : -m_vMax) : 0.0f;
        m_engine = _pressed != 0 ? 1 : 0;
    } else {
        OS_Log(OS_Format("player \"%s\" received illegal input \"%s\"", GetName().GetName(), command));
    }
}

void NOD_Player::CycleGun()
{
    NOD_Gun* current = GetGun(m_currentGun);
    if (current == nullptr || current->CanCycle() == 0)
        return;
    // The next slot holding a gun; an empty slot is passed over.
    for (s32 step = 1; step < GUN_SLOTS; ++step) {
        const s32 slot = (m_currentGun + step) % GUN_SLOTS;
        NOD_Gun* next = GetGun(slot);
        if (next == nullptr)
            continue;
        current->Deactivate();
        m_currentGun = slot;
        next->Activate();
        return;
    }
}

void NOD_Player::PM_AddWeapon(const SIM_Name& _weapon)
{
    s32 slot = -1;
    for (s32 i = 0; i < GUN_SLOTS && slot < 0; ++i)
        if (GetGun(i) == nullptr)
            slot = i;
    if (slot < 0)
        return;
    const char* name = _weapon.GetName();
    const Weapon* weapon = nullptr;
    for (const Weapon& entry : WEAPONS)
        if (OS_StrICmp(entry.name, name) == 0)
            weapon = &entry;
    if (weapon == nullptr) {
        OS_Log(OS_Format("NOD_Player::PM_AddWeapon() - unknown weapon '%s'", name));
        return;
    }

    NOD_Node* node = NOD_Node::CreateNode(weapon->className, name);
    NOD_Gun* gun = NOD_Gun::DynamicCast(node);
    if (gun == nullptr) {
        delete node;
        OS_Fatal("NOD_Player::PM_AddWeapon()", "node can not be casted to a gun");
    }
    try {
        gun->ParseIniFile_File(weapon->file);
    } catch (const OS_FatalError&) {
        delete gun;  // not yet a son: nobody else frees it
        throw;
    }
    gun->SetOwner(this);
    MAT_Matrix34 mount;
    mount.SetPositionAngles(MAT_Vector3(0.0f, GUN_AHEAD, 0.0f), MAT_Angle(0.0f), MAT_Angle(0.0f), MAT_Angle(0.0f));
    gun->SetMuzzleFrame(mount);
    AddSon(gun);
    delete gun->ProcessMessage(NOD_Node_EnterSimulation::Create());

    if (GetGun(m_currentGun) == nullptr) {
        m_guns[m_currentGun].Set(gun);
        gun->Activate();
    } else {
        m_guns[slot].Set(gun);
    }
}

NOD_Gun* NOD_Player::GetGun(s32 _slot) const
{
    if (_slot < 0 || _slot >= GUN_SLOTS)
        return nullptr;
    return NOD_Gun::DynamicCast(static_cast<NOD_Node*>(m_guns[_slot].Get()));
}

NOD_TorpedoLauncher* NOD_Player::GetTorpedoLauncher() const
{
    return NOD_TorpedoLauncher::DynamicCast(static_cast<NOD_Node*>(m_torpedoLauncher.Get()));
}

NOD_BuzzerLauncher* NOD_Player::GetBuzzerLauncher() const
{
    return NOD_BuzzerLauncher::DynamicCast(static_cast<NOD_Node*>(m_buzzerLauncher.Get()));
}

// ---- the step ----

void NOD_Player::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    GetAggregate().ApplyCollisionResponse(&m_state);
    COD_Physical* physical = GetAggregate().GetPhysical();
    if (physical != nullptr && physical->m_contactFlag != 0)
        ApplyContactsToShield();

    UpdateTurnRates(clock);
    if (m_engine == 1)
        ApplyThrust();
    UpdateAttitude(clock);
    m_friction.Apply(clock, m_state);
    m_state.Integrate(clock, 1);

    const f32 next = clock.time + clock.dt;
    GetCS().RecordStep(next, m_state.frame, m_state.GetVelocity());
    GetAggregate().HeartBeat(*GetWorldTransform(next), m_state.GetVelocity());
    // No shield test: the player never dies.
    NOD_Node::HeartBeat();
}

void NOD_Player::UpdateTurnRates(const SIM_Clock& _clock)
{
    m_smoothPitch = Smoothed(_clock, m_smoothPitch, m_pitchRate);
    m_smoothHeading = Smoothed(_clock, m_smoothHeading, m_headingRate);
    MOT_RotationAxis& pitch = m_state.rotation[MOT_MotionState::PITCH];
    MOT_RotationAxis& heading = m_state.rotation[MOT_MotionState::HEADING];
    pitch.acceleration = (m_smoothPitch - pitch.rate) * _clock.oneOverDt;
    m_state.rotation[MOT_MotionState::ROLL].acceleration = 0.0f;
    heading.acceleration = (m_smoothHeading - heading.rate) * _clock.oneOverDt;
}

f32 NOD_Player::Thrust(f32 _speed) const
{
    f32 u = std::fabs(_speed) / m_vMax;
    if (u > 1.0f)
        u = 1.0f;
    const f32 v = 1.0f - u;
    f32 force = m_acceleration * (v * v * v * m_engineDynamic[0] + 3.0f * u * v * v * m_engineDynamic[1] +
                                  3.0f * u * u * v * m_engineDynamic[2] + u * u * u * m_engineDynamic[3]);
    if (m_throttle >= 0.0f) {
        if (_speed < 0.0f)
            force *= BRAKING;
        return force;
    }
    if (_speed > 0.0f)
        force *= BRAKING;
    return -force;
}

void NOD_Player::ApplyThrust()
{
    const MAT_Vector3 forward = m_state.frame.r.GetY();
    const f32 speed = m_state.GetVelocity().Dot(forward);
    const MAT_Vector3 push = forward * Thrust(speed);
    m_state.translation[0].acceleration += push.x;
    m_state.translation[1].acceleration += push.y;
    m_state.translation[2].acceleration += push.z;
}

void NOD_Player::UpdateAttitude(const SIM_Clock& _clock)
{
    MOT_RotationAxis& heading = m_state.rotation[MOT_MotionState::HEADING];
    MOT_RotationAxis& pitch = m_state.rotation[MOT_MotionState::PITCH];
    MOT_RotationAxis& roll = m_state.rotation[MOT_MotionState::ROLL];
    heading.angle = heading.angle.Get();
    pitch.angle = pitch.angle.Get();
    roll.angle = -BANK * _clock.dt * m_smoothHeading;
    m_state.frame.r.FromAngles(heading.angle, pitch.angle, roll.angle);
}

void NOD_Player::ApplyContactsToShield()
{
    ApplyPlayerContacts();
    COD_Physical* physical = GetAggregate().GetPhysical();
    COD_PhysicalContacts* contacts = physical != nullptr ? physical->GetContacts() : nullptr;
    if (contacts == nullptr || Brisel_TheSoundSystem == nullptr)
        return;
    for (s32 i = 0; i < contacts->count; ++i) {
        NOD_Body* body = NOD_Body::DynamicCast(static_cast<NOD_Node*>(contacts->bodies[i].Get()));
        COD_Physical* other = body != nullptr ? body->GetAggregate().GetPhysical() : nullptr;
        if (other == nullptr || body->GetShield() == nullptr)
            continue;
        if (other->m_kind == COD_KIND_FREE_BODY || other->m_kind == COD_KIND_GROUND_BODY ||
            other->m_kind == COD_KIND_GENERIC)
            Brisel_TheSoundSystem->PlayEffect(BUMP_SOUND_KIND, &m_bump);
    }
}

// ---- queries ----

void NOD_Player::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    Brisel_Mesh* visual = Visual();
    if (m_mesh.GetHandle() == 0 || visual == nullptr || renderer == nullptr)
        return;
    renderer->RenderBriselMesh(visual, *GetWorldTransform(SIM_GetFrameClock().time));
}

void NOD_Player::GetBoundingBox(f32* _box, f32 _time)
{
    if (m_mesh.GetHandle() != 0) {
        m_mesh.GetBoundingBox(*this, _box, _time);
        return;
    }
    const f32 unit[6] = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
    NOD_WorldBox(*this, unit, _box, _time);
}

MAT_Vector3* NOD_Player::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = m_state.GetVelocity();
    return _velocity;
}

MAT_Vector3* NOD_Player::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    if (m_mesh.GetHandle() != 0)
        *_position = m_mesh.GetCentre(*this, _time);
    else
        *_position = GetWorldTransform(_time)->t;
    return _position;
}

f32 NOD_Player::GetMass()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    COD_Physical_Vessel* vessel = physical != nullptr ? physical->GetVessel() : nullptr;
    return vessel != nullptr ? vessel->m_mass : 0.0f;
}

NOD_Replicator* NOD_Player::CreateReplicator() { return new NOD_PlayerReplicator(); }
