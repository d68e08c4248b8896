// The body base: coordinate system, per-step motion, the Body_* position and shield messages,
// and the walks over the compound body that the collision code and the behaviours use.
#include "nod_body.h"
#include "nod_creationrecord.h"

#include <cstdio>

#include "cod_owner.h"
#include "cod_physical.h"
#include "des_file.h"
#include "mat_angle.h"
#include "mat_clamp.h"
#include "mat_geometry.h"
#include "nod_bodyreplicator.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "shl_shield.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Body, "NOD_Node")

void NOD_Body::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;

MAT_Matrix34 IdentityFrame()
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    return frame;
}

MAT_Angle DegreesToAngle(f32 _degrees)
{
    MAT_Angle angle;
    angle = _degrees * DEGREES_TO_RADIANS;  // the assignment wraps into [-pi, pi)
    return angle;
}

// Rotation from script angles in degrees (x, y, z).
MAT_Matrix33 RotationFromDegrees(const MAT_Vector3& _angles)
{
    MAT_Matrix33 rotation;
    rotation.FromAngles(MAT_Angle(_angles.x * DEGREES_TO_RADIANS), MAT_Angle(_angles.y * DEGREES_TO_RADIANS),
                        MAT_Angle(_angles.z * DEGREES_TO_RADIANS));
    return rotation;
}

bool HasBodyAncestorTest(const NOD_Node* _body, const NOD_Node* _node)
{
    const NOD_Body* body = NOD_Body::DynamicCast(_body);
    if (body == nullptr || _node == nullptr)
        return _body != nullptr && _body == _node;
    return body->HasBodyAncestor(_node) != 0;
}
}  // namespace

NOD_Body::NOD_Body(MOT_MotionState* _motionState)
{
    m_cs.SetAttachedFrame(_motionState);
    const MAT_Matrix34 identity = IdentityFrame();
    m_cs.GetTrack().SetTransform(0.0f, identity, MAT_Vector3());
    if (_motionState != nullptr)
        _motionState->SetMatrix(identity);
    m_aggregate.Init();
    renderBucket = RENDER_BUCKET_NONE;
}

// The replicator goes first: its departure still reaches the body track.
NOD_Body::~NOD_Body() { ReleaseReplicator(); }

NOD_Replicator* NOD_Body::CreateReplicator() { return new NOD_BodyReplicator(); }

void NOD_Body::ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data)
{
    ParseLCS(_context);
    ParseIniFile_Des(_data);
}

void NOD_Body::HeartBeat()
{
    if ((GetFlags() & FLAG_IN_SIMULATION) == 0)
        return;
    MOT_MotionState* state = GetAttachedFrame();
    if (state != nullptr) {
        const SIM_Clock& clock = SIM_GetSimulationClock();
        if ((GetFlags() & FLAG_REPLICATED) != 0) {
            FollowReplicator(*state);
        } else {
            state->Integrate(clock, 1);
            m_cs.GetTrack().SetState(clock.time + clock.dt, state->frame, state->GetVelocity(), 0);
        }
    }
    NOD_Node::HeartBeat();
}

void NOD_Body::FollowReplicator(MOT_MotionState& _state)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    GetReplicator()->Evaluate(clock.time);
    MAT_Vector3 velocity;
    const MAT_Matrix34 frame = *m_cs.GetTrack().GetAt(clock.time + clock.dt, &velocity);
    _state.SetMatrix(frame);
    _state.SetVelocity(velocity);
}

s32 NOD_Body::GetGCMode() { return GC_DESTROY; }

void NOD_Body::Explode() {}

void NOD_Body::GetBoundingBox(f32* _box, f32 _time)
{
    (void)_time;
    for (s32 i = 0; i < 3; ++i) {
        _box[i] = -0.5f;
        _box[i + 3] = 0.5f;
    }
}

SHL_Shield* NOD_Body::GetShield() { return nullptr; }

COD_Sensor* NOD_Body::GetSensor() { return m_aggregate.GetSensor4(); }

NOD_Body* NOD_Body::GetRootBody()
{
    NOD_Body* body = this;
    for (NOD_Body* father = DynamicCast(GetFather()); father != nullptr; father = DynamicCast(father->GetFather()))
        body = father;
    return body;
}

MAT_Vector3* NOD_Body::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = MAT_Vector3();
    return _velocity;
}

MAT_Vector3* NOD_Body::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    *_position = m_cs.GetWorldTransform(_time)->t;
    return _position;
}

NOD_Node* NOD_Body::GetShooter() { return nullptr; }

BHV_AttackerSlots* NOD_Body::GetAttackerSlots() { return nullptr; }

BHV_AttackerSlots* NOD_Body::GetTorpedoSlots() { return nullptr; }

MOT_MotionState* NOD_Body::GetAttachedFrame() { return m_cs.GetAttachedFrame(); }

NOD_CS* NOD_Body::GetMountFrame() { return &m_cs; }

f32 NOD_Body::GetMass()
{
    char text[64];
    std::snprintf(text, sizeof text, "name: %s", GetName().GetName());
    OS_Fatal("NOD_Body::GetMass() - getmass not implemented", text);
}

NOD_Body* NOD_Body::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Body*>(_node);
}

const NOD_Body* NOD_Body::DynamicCast(const NOD_Node* _node) { return DynamicCast(const_cast<NOD_Node*>(_node)); }

void NOD_Body::ParseLCS(DES_Section& _section) { m_cs.SetState(SIM_GetSimulationClock().time, ReadLCS(_section)); }

MAT_Matrix34 NOD_Body::ReadLCS(DES_Section& _section)
{
    MAT_Vector3 translation;
    f32 angles[3][3] = {};
    _section.GetVector3("Translation", &translation.x);
    _section.GetVector3("Rotation0", angles[0]);
    _section.GetVector3("Rotation1", angles[1]);
    _section.GetVector3("Rotation2", angles[2]);

    MAT_Matrix34 frame = IdentityFrame();
    for (s32 i = 0; i < 3; ++i) {
        frame.r.RotateX(DegreesToAngle(angles[i][0]));
        frame.r.RotateY(DegreesToAngle(angles[i][1]));
        frame.r.RotateZ(DegreesToAngle(angles[i][2]));
    }
    frame.t = translation;
    return frame;
}

u32 NOD_Body::HasBodyAncestor(const NOD_Node* _node) const
{
    if (_node == nullptr)
        return 0;
    const NOD_Node* current = this;
    while (current != nullptr) {
        if (current == _node)
            return 1;
        current = DynamicCast(current->GetFather());
    }
    return 0;
}

u32 NOD_Body::IsCollisionRoot() const
{
    const NOD_Body* father = DynamicCast(GetFather());
    return (father == nullptr || father->GetAggregate().GetPhysical() == nullptr) ? 1u : 0u;
}

f32 NOD_Body::GetRootMass() { return GetRootBody()->GetMass(); }

void NOD_Body::SetCollision(u32 _selector, u32 _value)
{
    if (COD_Physical* physical = m_aggregate.GetPhysical())
        physical->SetCollisionSwitch(_selector, _value);
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        if (NOD_Body* son = DynamicCast(GetSon(i)))
            son->SetCollision(_selector, _value);
}

void NOD_Body::SetNonCollideNode(NOD_Node* _node)
{
    COD_Physical* physical = m_aggregate.GetPhysical();
    if (physical != nullptr && (physical->m_kind == COD_KIND_FREE_BODY || physical->m_kind == COD_KIND_GROUND_BODY)) {
        if (COD_Physical_Vessel* vessel = physical->GetVessel())
            vessel->m_ignore.Set(_node);
    }
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        if (NOD_Body* son = DynamicCast(GetSon(i)))
            son->SetNonCollideNode(_node);
}

void NOD_Body::CollectContactBoxes(MAT_AABox* _boxA, MAT_AABox* _boxB, u32* _found)
{
    COD_Physical* physical = m_aggregate.GetPhysical();
    if (physical != nullptr && physical->m_contactFlag != 0 && physical->m_kind >= COD_KIND_PLAYER &&
        physical->m_kind <= COD_KIND_GROUND_BODY) {
        COD_Physical_Vessel* vessel = physical->GetVessel();
        if (vessel != nullptr && (vessel->m_contacts.count > 0 || vessel->m_terrainContact != 0)) {
            _boxA->Extend(vessel->m_velocityBox.m_min);
            _boxA->Extend(vessel->m_velocityBox.m_max);
            _boxB->Extend(vessel->m_displacementBox.m_min);
            _boxB->Extend(vessel->m_displacementBox.m_max);
            *_found = 1;
        }
    }
    for (s32 i = (s32)GetNumOfSons() - 1; i >= 0; --i)
        if (NOD_Body* son = DynamicCast(GetSon(i)))
            son->CollectContactBoxes(_boxA, _boxB, _found);
}

NOD_Node* NOD_Body::GetHitShooter()
{
    COD_Physical* physical = m_aggregate.GetPhysical();
    if (physical == nullptr)
        return nullptr;
    if (physical->m_kind != COD_KIND_BULLET) {
        if (COD_PhysicalShotHits* hits = physical->GetShotHits()) {
            for (s32 i = 0; i < hits->count; ++i) {
                NOD_Body* projectile = DynamicCast(static_cast<NOD_Node*>(hits->shooters[i].Get()));
                if (projectile == nullptr)
                    continue;
                if (NOD_Node* shooter = projectile->GetShooter())
                    return shooter;
            }
        }
    }
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        if (NOD_Body* son = DynamicCast(GetSon(i)))
            if (NOD_Node* shooter = son->GetHitShooter())
                return shooter;
    return nullptr;
}

void NOD_Body::SetTransform(f32 _time, const MAT_Matrix34& _transform)
{
    // The coordinate system drops its cached world frame, so a read at the teleport's own
    // time answers the new place.
    m_cs.SetTransform(_time, _transform);
}

void NOD_Body::PM_SetEmpShield(f32 _ratio)
{
    SHL_Shield* shield = GetShield();
    if (shield != nullptr && shield->GetEmpInMax() >= 0)
        shield->SetEmpRatio(_ratio);
}

f32 NOD_Body::PM_GetEmpShield()
{
    SHL_Shield* shield = GetShield();
    return shield != nullptr ? (f32)shield->GetEmpRatio() : -1.0f;
}

NOD_Message* NOD_Body::ProcessMessage(NOD_Message* _message)
{
    const f32 now = SIM_GetSimulationClock().time;
    switch (_message->GetType()) {
    case NOD_Body_SetPosition::ID: {
        const auto [position] = NOD_Body_SetPosition::Read(_message);
        MAT_Matrix34 frame = *m_cs.GetTrack().GetAt(now, nullptr);
        frame.t = position;
        SetTransform(now, frame);
        delete _message;
        return nullptr;
    }
    case NOD_Body_SetOrientation::ID: {
        const auto [angles] = NOD_Body_SetOrientation::Read(_message);
        MAT_Matrix34 frame = *m_cs.GetTrack().GetAt(now, nullptr);
        frame.r = RotationFromDegrees(angles);
        SetTransform(now, frame);
        delete _message;
        return nullptr;
    }
    case NOD_Body_GetPosition::ID:
        return NOD_Body_GetPosition::Reply(_message, m_cs.GetTrack().GetAt(now, nullptr)->t);
    case NOD_Body_SetCS::ID: {
        const auto [position, angles] = NOD_Body_SetCS::Read(_message);
        MAT_Matrix34 frame;
        frame.t = position;
        frame.r = RotationFromDegrees(angles);
        SetTransform(now, frame);
        delete _message;
        return nullptr;
    }
    case NOD_Body_SetKineticShield::ID: {
        const auto [face, ratio] = NOD_Body_SetKineticShield::Read(_message);
        if (SHL_Shield* shield = GetShield()) {
            if (face == -1) {
                for (s32 i = 0; i < SHL_FACE_COUNT; ++i)
                    shield->SetFaceRatio(ratio, i);
            } else if (face >= 0 && face < SHL_FACE_COUNT) {
                shield->SetFaceRatio(ratio, face);
            }
        }
        delete _message;
        return nullptr;
    }
    case NOD_Body_GetKineticShield::ID: {
        const auto [face] = NOD_Body_GetKineticShield::Read(_message);
        SHL_Shield* shield = GetShield();
        f32 ratio = -1.0f;
        if (shield != nullptr && face >= 0 && face < SHL_FACE_COUNT)
            ratio = (f32)shield->GetFaceRatio(face);
        return NOD_Body_GetKineticShield::Reply(_message, ratio);
    }
    case NOD_Body_SetBioShield::ID: {
        const auto [ratio] = NOD_Body_SetBioShield::Read(_message);
        if (SHL_Shield* shield = GetShield())
            shield->SetBioRatio(ratio);
        delete _message;
        return nullptr;
    }
    case NOD_Body_GetBioShield::ID: {
        SHL_Shield* shield = GetShield();
        return NOD_Body_GetBioShield::Reply(_message, shield != nullptr ? (f32)shield->GetBioRatio() : -1.0f);
    }
    case NOD_Body_SetEmpShield::ID: {
        const auto [ratio] = NOD_Body_SetEmpShield::Read(_message);
        PM_SetEmpShield(ratio);
        delete _message;
        return nullptr;
    }
    case NOD_Body_GetEmpShield::ID:
        return NOD_Body_GetEmpShield::Reply(_message, PM_GetEmpShield());
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

void NOD_Body::InstallHasBodyAncestorTest(bool _install)
{
    COD_SetHasBodyAncestorTest(_install ? &HasBodyAncestorTest : nullptr);
}
