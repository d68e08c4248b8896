// The contact aggregate: makers, registration with the handlers, per-step boxes, the Emitter
// messages and the copy for spawned projectiles.
#include "contactaggregate.h"

#include <strings.h>

#include "cod_activeavoid.h"
#include "cod_emitter.h"
#include "cod_passiveavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "cod_shadow.h"
#include "cod_viewer.h"
#include "coh_avoid.h"
#include "coh_handlerbase.h"
#include "coh_sense.h"
#include "cos_obbs_tree.h"
#include "des_file.h"
#include "mat_geometry.h"
#include "mot_model.h"
#include "mot_motionstate.h"
#include "nod_body.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "pcs_visibleobject.h"
#include "shl_shield.h"

namespace
{
constexpr f32 STEP_LENGTH = 0.05f;
constexpr s32 VIEWER_CAPACITY = 1024;

const NOD_ContactWorld* s_world = nullptr;

COH_HandlerBase* Handler(u32 _type)
{
    if (s_world == nullptr || _type >= 10)
        return nullptr;
    return s_world->handlers[_type];
}

// The eight corners of a local box placed by the frame, and their axis-aligned bounds.
void TransformBox(const MAT_Matrix34& _frame, const MAT_Vector3& _min, const MAT_Vector3& _max, f32 _box[6])
{
    for (s32 corner = 0; corner < 8; ++corner) {
        const MAT_Vector3 local((corner & 1) != 0 ? _max.x : _min.x, (corner & 2) != 0 ? _max.y : _min.y,
                                (corner & 4) != 0 ? _max.z : _min.z);
        const MAT_Vector3 p = _frame.TransformPoint(local);
        const f32 xyz[3] = {p.x, p.y, p.z};
        for (s32 axis = 0; axis < 3; ++axis) {
            if (corner == 0 || xyz[axis] < _box[axis])
                _box[axis] = xyz[axis];
            if (corner == 0 || xyz[axis] > _box[axis + 3])
                _box[axis + 3] = xyz[axis];
        }
    }
}

void PointBox(const MAT_Vector3& _p, f32 _box[6])
{
    _box[0] = _box[3] = _p.x;
    _box[1] = _box[4] = _p.y;
    _box[2] = _box[5] = _p.z;
}

// A sensor's range box around the frame's translation.
void RangeBox(const COD_Sensor& _sensor, const MAT_Matrix34& _frame, f32 _box[6])
{
    _sensor.GetRangeBox(_box);
    const f32 t[3] = {_frame.t.x, _frame.t.y, _frame.t.z};
    for (s32 axis = 0; axis < 3; ++axis) {
        _box[axis] += t[axis];
        _box[axis + 3] += t[axis];
    }
}

bool IsSensingStep()
{
    const COH_Sensor* sensors = static_cast<const COH_Sensor*>(Handler(COS_TYPE_SENSOR));
    return sensors != nullptr && sensors->GetCounter() == 0;
}

bool IsAvoidanceStep()
{
    const COH_ActiveAvoid* avoiders = static_cast<const COH_ActiveAvoid*>(Handler(COS_TYPE_ACTIVE_AVOID));
    return avoiders != nullptr && avoiders->GetCounter() == 0;
}

const char* const SOUND_NAMES[4] = {"none", "silent", "medium", "loud"};
}  // namespace

ContactAggregate::ContactAggregate(NOD_Body* _owner) : m_owner(_owner) { Init(); }

ContactAggregate::~ContactAggregate() { DeleteParts(); }

void ContactAggregate::SetWorld(const NOD_ContactWorld* _world) { s_world = _world; }

const NOD_ContactWorld* ContactAggregate::GetWorld() { return s_world; }

void ContactAggregate::Init()
{
    for (s32 axis = 0; axis < 3; ++axis) {
        m_box[axis] = -0.5f;
        m_box[axis + 3] = 0.5f;
    }
}

void ContactAggregate::DeleteParts()
{
    delete m_avoider;
    delete m_obstacle;
    delete m_sensor2;
    delete m_sensor1;
    delete m_sensor3;
    delete m_sensor4;
    delete m_physical;
    delete m_shadowCaster;
    delete m_shadowReceiver;
    delete m_viewer;
    delete m_visible;
    delete m_emitter;
    m_avoider = nullptr;
    m_obstacle = nullptr;
    m_sensor1 = m_sensor2 = m_sensor3 = m_sensor4 = nullptr;
    m_physical = nullptr;
    m_shadowCaster = nullptr;
    m_shadowReceiver = nullptr;
    m_viewer = nullptr;
    m_visible = nullptr;
    m_emitter = nullptr;
    m_kind = NOD_CONTACT_NONE;
    for (s32& state : m_states)
        state = NOD_PART_ABSENT;
}

void ContactAggregate::CheckRemake(s32 _part, const char* _where) const
{
    // A registered part is known to its handler: deleting it would leave a dangling entry.
    if (m_states[_part] == NOD_PART_REGISTERED)
        OS_Fatal(_where, "part is registered with its handler");
}

// ---------------------------------------------------------------------------------------------
// Makers

void ContactAggregate::GeneratePhysicalGeneric(DES_Section* _section)
{
    CheckRemake(NOD_PART_PHYSICAL, "ContactAggregate::GeneratePhysicalGeneric()");
    delete m_physical;
    COD_Physical_Generic* generic = new COD_Physical_Generic;
    generic->m_owner = m_owner;
    m_physical = generic;
    m_kind = NOD_CONTACT_GENERIC;
    m_states[NOD_PART_PHYSICAL] = NOD_PART_GENERATED;
    generic->Parse(_section);
}

void ContactAggregate::GeneratePhysicalVessel(DES_Section* _section, u32 _typeFlag, MOT_Model* _model)
{
    CheckRemake(NOD_PART_PHYSICAL, "ContactAggregate::GeneratePhysicalVessel()");
    delete m_physical;
    const f32 speedLimit = _model != nullptr ? _model->GetMaxForwardSpeed() : 1.0f;
    COD_Physical_Vessel* vessel = new COD_Physical_Vessel;
    vessel->m_kind = _typeFlag != 0 ? COD_KIND_FREE_BODY : COD_KIND_GROUND_BODY;
    vessel->m_owner = m_owner;
    // Stored before the root mass is asked for: a vessel answers its mass from this description.
    m_physical = vessel;
    m_kind = NOD_CONTACT_VESSEL;
    m_states[NOD_PART_PHYSICAL] = NOD_PART_GENERATED;
    vessel->Parse(_section, speedLimit);
    vessel->m_mass = m_owner->GetRootMass();
    vessel->m_margin = vessel->m_margin * STEP_LENGTH;
}

void ContactAggregate::GeneratePhysicalPlayer(DES_Section* _section)
{
    CheckRemake(NOD_PART_PHYSICAL, "ContactAggregate::GeneratePhysicalPlayer()");
    delete m_physical;
    COD_Physical_Player* player = new COD_Physical_Player;
    player->m_owner = m_owner;
    m_physical = player;
    m_kind = NOD_CONTACT_PLAYER;
    m_states[NOD_PART_PHYSICAL] = NOD_PART_GENERATED;
    player->Parse(_section, 40.0f);
    f32 maxVelocity = 0.0f;
    // The getter stops the program itself when the key is missing.
    _section->GetFloat("MaxVelocity", &maxVelocity);
    player->m_margin = maxVelocity;
    player->m_mass = m_owner->GetRootMass();
    player->m_margin = player->m_margin * STEP_LENGTH;
}

void ContactAggregate::GeneratePhysicalBullet(DES_Section* _section)
{
    CheckRemake(NOD_PART_PHYSICAL, "ContactAggregate::GeneratePhysicalBullet()");
    delete m_physical;
    COD_Physical_Bullet* bullet = new COD_Physical_Bullet;
    bullet->m_owner = m_owner;
    m_physical = bullet;
    m_kind = NOD_CONTACT_BULLET;
    m_states[NOD_PART_PHYSICAL] = NOD_PART_GENERATED;
    bullet->Parse(_section);
}

void ContactAggregate::GeneratePhysicalTorpedo(DES_Section* _section)
{
    CheckRemake(NOD_PART_PHYSICAL, "ContactAggregate::GeneratePhysicalTorpedo()");
    delete m_physical;
    COD_PhysicalTorpedo* torpedo = new COD_PhysicalTorpedo;
    torpedo->m_owner = m_owner;
    m_physical = torpedo;
    m_kind = NOD_CONTACT_TORPEDO;
    m_states[NOD_PART_PHYSICAL] = NOD_PART_GENERATED;
    torpedo->Parse(_section);
}

void ContactAggregate::GeneratePhysicalCamera()
{
    CheckRemake(NOD_PART_PHYSICAL, "ContactAggregate::GeneratePhysicalCamera()");
    delete m_physical;
    // The description builds its own one-node sphere of radius 10 with both flags set.
    COD_Physical_Camera* camera = new COD_Physical_Camera;
    camera->m_owner = m_owner;
    m_physical = camera;
    m_kind = NOD_CONTACT_CAMERA;
    m_states[NOD_PART_PHYSICAL] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateVisibleObject(const f32 _box[6])
{
    CheckRemake(NOD_PART_VISIBLE, "ContactAggregate::GenerateVisibleObject()");
    delete m_visible;
    for (s32 i = 0; i < 6; ++i)
        m_box[i] = _box[i];
    m_visible = new PCS_VisibleObject(m_owner);
    m_states[NOD_PART_VISIBLE] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateViewer()
{
    CheckRemake(NOD_PART_VIEWER, "ContactAggregate::GenerateViewer()");
    delete m_viewer;
    m_viewer = new COD_Viewer(VIEWER_CAPACITY);
    m_states[NOD_PART_VIEWER] = NOD_PART_GENERATED;
}

void ContactAggregate::GeneratePassiveAvoid(DES_Section* _section)
{
    CheckRemake(NOD_PART_OBSTACLE, "ContactAggregate::GeneratePassiveAvoid()");
    delete m_obstacle;
    m_obstacle = new COD_PassiveAvoid;
    m_states[NOD_PART_OBSTACLE] = NOD_PART_GENERATED;
    m_obstacle->Parse(_section);
    m_obstacle->m_tree = m_physical != nullptr ? m_physical->GetCollisionTree() : nullptr;
    m_obstacle->m_owner = m_owner;
}

void ContactAggregate::GenerateActiveAvoid(DES_Section* _section)
{
    CheckRemake(NOD_PART_AVOIDER, "ContactAggregate::GenerateActiveAvoid()");
    CheckRemake(NOD_PART_OBSTACLE, "ContactAggregate::GenerateActiveAvoid()");
    delete m_avoider;
    delete m_obstacle;
    m_obstacle = nullptr;
    COS_OBBS_Tree* tree = m_physical != nullptr ? m_physical->GetCollisionTree() : nullptr;
    m_avoider = new COD_ActiveAvoid;
    m_states[NOD_PART_AVOIDER] = NOD_PART_GENERATED;
    m_avoider->Parse(_section);
    m_avoider->m_tree = tree;
    m_avoider->m_owner = m_owner;
    // An avoider is an obstacle for the others too.
    m_obstacle = new COD_PassiveAvoid;
    m_obstacle->m_sizeClass = m_avoider->m_sizeClass;
    m_obstacle->m_tree = tree;
    m_obstacle->m_owner = m_owner;
    m_states[NOD_PART_OBSTACLE] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateEmitter(DES_Section* _section)
{
    CheckRemake(NOD_PART_EMITTER, "ContactAggregate::GenerateEmitter()");
    delete m_emitter;
    m_emitter = new COD_Emitter;
    m_states[NOD_PART_EMITTER] = NOD_PART_GENERATED;
    m_emitter->Parse(_section);
    m_emitter->SetOwner(m_owner, m_physical != nullptr ? m_physical->GetCollisionTree() : nullptr, &m_matrix);
    m_emitter->m_name = m_owner->GetName();
}

void ContactAggregate::GenerateShadowCaster()
{
    CheckRemake(NOD_PART_SHADOW_CASTER, "ContactAggregate::GenerateShadowCaster()");
    delete m_shadowCaster;
    m_shadowCaster = new COD_ShadowCaster;
    m_shadowCaster->m_owner = m_owner;
    m_states[NOD_PART_SHADOW_CASTER] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateShadowReceiver(u32 _listFlag)
{
    CheckRemake(NOD_PART_SHADOW_RECEIVER, "ContactAggregate::GenerateShadowReceiver()");
    delete m_shadowReceiver;
    m_receiverListFlag = _listFlag;
    m_shadowReceiver = new COD_ShadowReceiver;
    m_shadowReceiver->m_owner = m_owner;
    m_states[NOD_PART_SHADOW_RECEIVER] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateSensor1()
{
    CheckRemake(NOD_PART_SENSOR1, "ContactAggregate::GenerateSensor1()");
    delete m_sensor1;
    m_sensor1 = new COD_Sensor;
    m_states[NOD_PART_SENSOR1] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateSensor2()
{
    CheckRemake(NOD_PART_SENSOR2, "ContactAggregate::GenerateSensor2()");
    delete m_sensor2;
    m_sensor2 = new COD_Sensor;
    m_states[NOD_PART_SENSOR2] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateSensor3()
{
    CheckRemake(NOD_PART_SENSOR3, "ContactAggregate::GenerateSensor3()");
    delete m_sensor3;
    m_sensor3 = new COD_Sensor;
    m_states[NOD_PART_SENSOR3] = NOD_PART_GENERATED;
}

void ContactAggregate::GenerateSensor4()
{
    // Never registered, so always safe to replace.
    delete m_sensor4;
    m_sensor4 = new COD_Sensor;
}

// ---------------------------------------------------------------------------------------------
// Boxes

void ContactAggregate::ComputePhysicalBox()
{
    COD_Physical* physical = m_physical;
    physical->m_owner = m_owner;
    switch (m_kind) {
    case NOD_CONTACT_GENERIC: {
        COD_Physical_Generic* generic = static_cast<COD_Physical_Generic*>(physical);
        generic->m_transform = &m_matrix;
        break;
    }
    case NOD_CONTACT_VESSEL:
    case NOD_CONTACT_PLAYER: {
        COD_Physical_Vessel* vessel = static_cast<COD_Physical_Vessel*>(physical);
        vessel->m_transform = &m_matrix;
        vessel->m_velocity = &m_velocity;
        break;
    }
    case NOD_CONTACT_CAMERA: {
        COD_Physical_Camera* camera = static_cast<COD_Physical_Camera*>(physical);
        camera->m_transform = &m_matrix;
        TransformBox(m_matrix, camera->m_sphere->box.m_min, camera->m_sphere->box.m_max, m_physicalBox);
        return;
    }
    case NOD_CONTACT_BULLET: {
        const MAT_Vector3 p = m_matrix.t;
        const MAT_Vector3 e = p + m_velocity * STEP_LENGTH;
        static_cast<COD_Physical_Bullet*>(physical)->SetSegment(p, e);
        PointBox(p, m_physicalBox);
        const f32 xyz[3] = {e.x, e.y, e.z};
        for (s32 axis = 0; axis < 3; ++axis) {
            if (xyz[axis] < m_physicalBox[axis])
                m_physicalBox[axis] = xyz[axis];
            if (xyz[axis] > m_physicalBox[axis + 3])
                m_physicalBox[axis + 3] = xyz[axis];
        }
        return;
    }
    case NOD_CONTACT_TORPEDO: {
        COD_PhysicalTorpedo* torpedo = static_cast<COD_PhysicalTorpedo*>(physical);
        torpedo->m_transform = &m_matrix;
        const MAT_Vector3 p = m_matrix.t;
        const MAT_Vector3 e = p + m_velocity * STEP_LENGTH;
        torpedo->SetSegment(p, e);
        if (torpedo->m_tree == nullptr) {
            PointBox(p, m_physicalBox);
        } else {
            TransformBox(m_matrix, torpedo->m_tree->box.m_min, torpedo->m_tree->box.m_max, m_physicalBox);
        }
        // Swept over the step: joined with the box at the end of the step.
        MAT_Matrix34 moved = m_matrix;
        moved.t = e;
        f32 end[6];
        if (torpedo->m_tree == nullptr)
            PointBox(e, end);
        else
            TransformBox(moved, torpedo->m_tree->box.m_min, torpedo->m_tree->box.m_max, end);
        for (s32 axis = 0; axis < 3; ++axis) {
            if (end[axis] < m_physicalBox[axis])
                m_physicalBox[axis] = end[axis];
            if (end[axis + 3] > m_physicalBox[axis + 3])
                m_physicalBox[axis + 3] = end[axis + 3];
        }
        return;
    }
    default:
        break;
    }
    const COS_OBBS_Tree* tree = physical->GetCollisionTree();
    if (tree == nullptr)
        PointBox(m_matrix.t, m_physicalBox);
    else
        TransformBox(m_matrix, tree->box.m_min, tree->box.m_max, m_physicalBox);
}

void ContactAggregate::BodyBox(f32 _box[6]) const
{
    if (m_visible != nullptr) {
        TransformBox(m_matrix, MAT_Vector3(m_box[0], m_box[1], m_box[2]), MAT_Vector3(m_box[3], m_box[4], m_box[5]),
                     _box);
        return;
    }
    for (s32 i = 0; i < 6; ++i)
        _box[i] = m_physicalBox[i];
}

void ContactAggregate::ViewBox(f32 _box[6]) const
{
    for (s32 i = 0; i < 6; ++i)
        _box[i] = 0.0f;
    if (s_world != nullptr && s_world->getViewBox != nullptr)
        s_world->getViewBox(m_owner, _box);
}

void ContactAggregate::PartBox(s32 _part, f32 _box[6]) const
{
    switch (_part) {
    case NOD_PART_AVOIDER: {
        MAT_AABox local;
        m_avoider->GetBox(local);
        TransformBox(m_matrix, local.m_min, local.m_max, _box);
        break;
    }
    case NOD_PART_SHADOW_CASTER:
        // Down to the floor, so the shadow reaches whatever lies below.
        BodyBox(_box);
        _box[2] = NOD_SHADOW_FLOOR;
        break;
    case NOD_PART_SHADOW_RECEIVER:
        if (m_receiverListFlag != 0)
            ViewBox(_box);
        else
            BodyBox(_box);
        break;
    case NOD_PART_VIEWER:
        ViewBox(_box);
        break;
    default:
        BodyBox(_box);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Simulation

void ContactAggregate::EnterSimulation(const MAT_Matrix34& _matrix, const MAT_Vector3& _velocity)
{
    m_matrix = _matrix;
    m_velocity = _velocity;
    // Entries of one compound body share their root as user value and never pair.
    const void* root = m_owner->GetRootBody();
    f32 box[6];
    // Each part enters only from state 1 and only when its handler exists, so a second entry
    // and a world without handlers both leave registered parts alone.
    auto enter = [&](s32 _part, u32 _type, COD_Collidable* _object, const f32 _box[6]) {
        COH_HandlerBase* handler = Handler(_type);
        if (handler == nullptr)
            return;
        m_states[_part] = NOD_PART_REGISTERED;
        handler->Insert(_object, _box, root);
    };

    if (m_physical != nullptr && m_states[NOD_PART_PHYSICAL] == NOD_PART_GENERATED) {
        ComputePhysicalBox();
        enter(NOD_PART_PHYSICAL, COS_TYPE_PHYSICAL, m_physical, m_physicalBox);
    } else if (m_physical != nullptr) {
        ComputePhysicalBox();
    }
    if (m_emitter != nullptr && m_states[NOD_PART_EMITTER] == NOD_PART_GENERATED) {
        m_emitter->m_transform = &m_matrix;
        for (s32 axis = 0; axis < 3; ++axis)
            m_emitter->m_position[axis] = (m_physicalBox[axis] + m_physicalBox[axis + 3]) * 0.5f;
        enter(NOD_PART_EMITTER, COS_TYPE_EMITTER, m_emitter, m_physicalBox);
    }
    if (m_obstacle != nullptr && m_states[NOD_PART_OBSTACLE] == NOD_PART_GENERATED) {
        m_obstacle->m_transform = &m_matrix;
        enter(NOD_PART_OBSTACLE, COS_TYPE_PASSIVE_AVOID, m_obstacle, m_physicalBox);
    }
    if (m_avoider != nullptr && m_states[NOD_PART_AVOIDER] == NOD_PART_GENERATED) {
        m_avoider->m_transform = &m_matrix;
        PartBox(NOD_PART_AVOIDER, box);
        enter(NOD_PART_AVOIDER, COS_TYPE_ACTIVE_AVOID, m_avoider, box);
    }
    if (m_visible != nullptr && m_states[NOD_PART_VISIBLE] == NOD_PART_GENERATED) {
        PartBox(NOD_PART_VISIBLE, box);
        enter(NOD_PART_VISIBLE, COS_TYPE_VISIBLE, m_visible, box);
    }
    if (m_shadowCaster != nullptr && m_states[NOD_PART_SHADOW_CASTER] == NOD_PART_GENERATED) {
        PartBox(NOD_PART_SHADOW_CASTER, box);
        enter(NOD_PART_SHADOW_CASTER, COS_TYPE_SHADOW_CASTER, m_shadowCaster, box);
    }
    if (m_shadowReceiver != nullptr && m_states[NOD_PART_SHADOW_RECEIVER] == NOD_PART_GENERATED) {
        PartBox(NOD_PART_SHADOW_RECEIVER, box);
        enter(NOD_PART_SHADOW_RECEIVER, COS_TYPE_SHADOW_RECEIVER, m_shadowReceiver, box);
    }
    if (m_viewer != nullptr && m_states[NOD_PART_VIEWER] == NOD_PART_GENERATED) {
        PartBox(NOD_PART_VIEWER, box);
        enter(NOD_PART_VIEWER, COS_TYPE_VIEWER, m_viewer, box);
    }
    if (m_sensor1 != nullptr && m_states[NOD_PART_SENSOR1] == NOD_PART_GENERATED)
        m_states[NOD_PART_SENSOR1] = NOD_PART_IDLE;
    if (m_sensor2 != nullptr && m_states[NOD_PART_SENSOR2] == NOD_PART_GENERATED)
        m_states[NOD_PART_SENSOR2] = NOD_PART_IDLE;
    if (m_sensor3 != nullptr && m_states[NOD_PART_SENSOR3] == NOD_PART_GENERATED) {
        m_sensor3->m_transform = &m_matrix;
        RangeBox(*m_sensor3, m_matrix, box);
        enter(NOD_PART_SENSOR3, COS_TYPE_SENSOR, m_sensor3, box);
    }
    if (m_sensor4 != nullptr)
        m_sensor4->m_transform = m_alternateFrame1 != nullptr ? m_alternateFrame1 : &m_matrix;
    m_previousMatrix = _matrix;
}

void ContactAggregate::HeartBeat(const MAT_Matrix34& _matrix, const MAT_Vector3& _velocity)
{
    m_matrix = _matrix;
    m_velocity = _velocity;
    f32 box[6];
    auto update = [&](s32 _part, u32 _type, COD_Collidable* _object, const f32 _box[6]) {
        COH_HandlerBase* handler = Handler(_type);
        if (handler != nullptr && m_states[_part] == NOD_PART_REGISTERED)
            handler->Update(_object, _box);
    };

    if (m_physical != nullptr && m_states[NOD_PART_PHYSICAL] == NOD_PART_REGISTERED) {
        ComputePhysicalBox();
        update(NOD_PART_PHYSICAL, COS_TYPE_PHYSICAL, m_physical, m_physicalBox);
    }
    const bool sensing = IsSensingStep();
    if (sensing && m_emitter != nullptr && m_states[NOD_PART_EMITTER] == NOD_PART_REGISTERED) {
        m_emitter->m_transform = &m_matrix;
        for (s32 axis = 0; axis < 3; ++axis)
            m_emitter->m_position[axis] = (m_physicalBox[axis] + m_physicalBox[axis + 3]) * 0.5f;
        update(NOD_PART_EMITTER, COS_TYPE_EMITTER, m_emitter, m_physicalBox);
    }
    if (IsAvoidanceStep()) {
        if (m_obstacle != nullptr)
            update(NOD_PART_OBSTACLE, COS_TYPE_PASSIVE_AVOID, m_obstacle, m_physicalBox);
        if (m_avoider != nullptr && m_states[NOD_PART_AVOIDER] == NOD_PART_REGISTERED) {
            m_avoider->m_transform = &m_matrix;
            PartBox(NOD_PART_AVOIDER, box);
            update(NOD_PART_AVOIDER, COS_TYPE_ACTIVE_AVOID, m_avoider, box);
        }
    }
    if (m_visible != nullptr && m_states[NOD_PART_VISIBLE] == NOD_PART_REGISTERED) {
        PartBox(NOD_PART_VISIBLE, box);
        update(NOD_PART_VISIBLE, COS_TYPE_VISIBLE, m_visible, box);
    }
    if (m_shadowCaster != nullptr && m_states[NOD_PART_SHADOW_CASTER] == NOD_PART_REGISTERED) {
        PartBox(NOD_PART_SHADOW_CASTER, box);
        update(NOD_PART_SHADOW_CASTER, COS_TYPE_SHADOW_CASTER, m_shadowCaster, box);
    }
    if (m_shadowReceiver != nullptr && m_states[NOD_PART_SHADOW_RECEIVER] == NOD_PART_REGISTERED) {
        PartBox(NOD_PART_SHADOW_RECEIVER, box);
        update(NOD_PART_SHADOW_RECEIVER, COS_TYPE_SHADOW_RECEIVER, m_shadowReceiver, box);
    }
    if (m_viewer != nullptr && m_states[NOD_PART_VIEWER] == NOD_PART_REGISTERED) {
        PartBox(NOD_PART_VIEWER, box);
        update(NOD_PART_VIEWER, COS_TYPE_VIEWER, m_viewer, box);
    }
    if (sensing) {
        COH_HandlerBase* sensors = Handler(COS_TYPE_SENSOR);
        const void* root = m_owner->GetRootBody();
        auto switchSensor = [&](s32 _part, COD_Sensor* _sensor, const MAT_Matrix34* _frame) {
            if (_sensor == nullptr)
                return;
            const MAT_Matrix34* frame = _frame != nullptr ? _frame : &m_matrix;
            const bool on = (_sensor->m_flags & NOD_SENSING_FLAGS) != 0;
            if (m_states[_part] == NOD_PART_REGISTERED && on) {
                _sensor->m_transform = frame;
                RangeBox(*_sensor, *frame, box);
                sensors->Update(_sensor, box);
            } else if (m_states[_part] == NOD_PART_REGISTERED) {
                m_states[_part] = NOD_PART_IDLE;
                _sensor->m_flags &= ~COD_SENSOR_VISIBILITY_TESTED;
                sensors->Remove(_sensor);
            } else if (m_states[_part] == NOD_PART_IDLE && on) {
                m_states[_part] = NOD_PART_REGISTERED;
                _sensor->m_transform = frame;
                RangeBox(*_sensor, *frame, box);
                sensors->Insert(_sensor, box, root);
            }
        };
        switchSensor(NOD_PART_SENSOR1, m_sensor1, m_alternateFrame1);
        switchSensor(NOD_PART_SENSOR2, m_sensor2, m_alternateFrame2);
        if (m_sensor3 != nullptr && m_states[NOD_PART_SENSOR3] == NOD_PART_REGISTERED) {
            RangeBox(*m_sensor3, m_matrix, box);
            sensors->Update(m_sensor3, box);
        }
    }
    if (m_sensor4 != nullptr && m_alternateFrame1 != nullptr)
        m_sensor4->m_transform = m_alternateFrame1;
}

void ContactAggregate::LeaveSimulation()
{
    auto leave = [&](s32 _part, u32 _type, COD_Collidable* _object) {
        if (_object == nullptr || m_states[_part] != NOD_PART_REGISTERED)
            return;
        m_states[_part] = NOD_PART_GENERATED;
        COH_HandlerBase* handler = Handler(_type);
        if (handler != nullptr)
            handler->Remove(_object);
    };
    leave(NOD_PART_PHYSICAL, COS_TYPE_PHYSICAL, m_physical);
    leave(NOD_PART_EMITTER, COS_TYPE_EMITTER, m_emitter);
    leave(NOD_PART_AVOIDER, COS_TYPE_ACTIVE_AVOID, m_avoider);
    leave(NOD_PART_OBSTACLE, COS_TYPE_PASSIVE_AVOID, m_obstacle);
    leave(NOD_PART_VISIBLE, COS_TYPE_VISIBLE, m_visible);
    leave(NOD_PART_SHADOW_RECEIVER, COS_TYPE_SHADOW_RECEIVER, m_shadowReceiver);
    leave(NOD_PART_VIEWER, COS_TYPE_VIEWER, m_viewer);
    leave(NOD_PART_SHADOW_CASTER, COS_TYPE_SHADOW_CASTER, m_shadowCaster);
    leave(NOD_PART_SENSOR1, COS_TYPE_SENSOR, m_sensor1);
    leave(NOD_PART_SENSOR2, COS_TYPE_SENSOR, m_sensor2);
    leave(NOD_PART_SENSOR3, COS_TYPE_SENSOR, m_sensor3);
}

void ContactAggregate::ApplyCollisionResponse(MOT_MotionState* _state)
{
    // The sons of a compound body are moved by their root.
    if (m_owner->IsCollisionRoot() == 0)
        return;
    // Both start as the single point at the origin.
    MAT_AABox boxA;
    MAT_AABox boxB;
    boxA.m_min = boxA.m_max = boxB.m_min = boxB.m_max = MAT_Vector3(0.0f, 0.0f, 0.0f);
    u32 found = 0;
    m_owner->CollectContactBoxes(&boxA, &boxB, &found);
    if (found == 0)
        return;
    // Summing the extremes keeps the strongest push each way.
    const MAT_Vector3 rate = boxA.m_min + boxA.m_max;
    const MAT_Vector3 position = _state->frame.t + (boxB.m_min + boxB.m_max);
    _state->translation[0].velocity = rate.x;
    _state->translation[1].velocity = rate.y;
    _state->translation[2].velocity = rate.z;
    _state->frame.t = position;
    _state->translation[0].position = position.x;
    _state->translation[1].position = position.y;
    _state->translation[2].position = position.z;
}

// ---------------------------------------------------------------------------------------------
// Shields, copies, messages

void ContactAggregate::LinkSonShields()
{
    SHL_Shield* shield = m_owner->GetShield();
    for (s32 i = 0; i < m_owner->GetNumOfSons(); ++i) {
        NOD_Body* son = NOD_Body::DynamicCast(m_owner->GetSon(i));
        if (son != nullptr && son->GetShield() != nullptr)
            son->GetShield()->SetNextShield(shield);
    }
}

void ContactAggregate::UnlinkSonShields()
{
    for (s32 i = 0; i < m_owner->GetNumOfSons(); ++i) {
        NOD_Body* son = NOD_Body::DynamicCast(m_owner->GetSon(i));
        if (son != nullptr && son->GetShield() != nullptr)
            son->GetShield()->SetNextShield(nullptr);
    }
}

void ContactAggregate::Clone(const ContactAggregate& _source)
{
    DeleteParts();
    if (_source.m_states[NOD_PART_PHYSICAL] == NOD_PART_GENERATED) {
        switch (_source.m_kind) {
        case NOD_CONTACT_VESSEL: {
            COD_Physical_Vessel* vessel = new COD_Physical_Vessel;
            vessel->Clone(*static_cast<const COD_Physical_Vessel*>(_source.m_physical));
            m_physical = vessel;
            break;
        }
        case NOD_CONTACT_BULLET: {
            const COD_Physical_Bullet& source = *static_cast<const COD_Physical_Bullet*>(_source.m_physical);
            COD_Physical_Bullet* bullet = new COD_Physical_Bullet;
            bullet->CopyFrom(source);
            bullet->m_segment = source.m_segment;
            bullet->m_terrainHit = source.m_terrainHit;
            bullet->m_hitPoint = source.m_hitPoint;
            bullet->m_hitTriangle = source.m_hitTriangle;
            bullet->m_hitTriangleIndex = source.m_hitTriangleIndex;
            bullet->m_hitMesh = source.m_hitMesh;
            bullet->m_nearest = source.m_nearest;
            m_physical = bullet;
            break;
        }
        case NOD_CONTACT_TORPEDO: {
            COD_PhysicalTorpedo* torpedo = new COD_PhysicalTorpedo;
            torpedo->Clone(*static_cast<const COD_PhysicalTorpedo*>(_source.m_physical));
            m_physical = torpedo;
            break;
        }
        default:
            OS_Fatal("ContactAggregate::Clone()", "no copy of this physical kind");
        }
        m_physical->m_owner = m_owner;
        m_kind = _source.m_kind;
        m_states[NOD_PART_PHYSICAL] = NOD_PART_GENERATED;
    }
    const auto copied = [&](s32 _part) { return _source.m_states[_part] == NOD_PART_GENERATED; };
    if (copied(NOD_PART_AVOIDER) && _source.m_avoider != nullptr) {
        m_avoider = new COD_ActiveAvoid;
        m_avoider->Clone(*_source.m_avoider);
        m_avoider->m_owner = m_owner;
        m_states[NOD_PART_AVOIDER] = NOD_PART_GENERATED;
    }
    if (copied(NOD_PART_OBSTACLE) && _source.m_obstacle != nullptr) {
        m_obstacle = new COD_PassiveAvoid;
        m_obstacle->m_sizeClass = _source.m_obstacle->m_sizeClass;
        m_obstacle->m_tree = _source.m_obstacle->m_tree;
        m_obstacle->m_owner = m_owner;
        m_states[NOD_PART_OBSTACLE] = NOD_PART_GENERATED;
    }
    if (copied(NOD_PART_VISIBLE) && _source.m_visible != nullptr) {
        GenerateVisibleObject(_source.m_box);
    }
    if (copied(NOD_PART_EMITTER) && _source.m_emitter != nullptr) {
        const COD_Emitter& source = *_source.m_emitter;
        m_emitter = new COD_Emitter;
        m_emitter->SetOwner(m_owner, source.m_tree, &m_matrix);
        m_emitter->m_name = source.m_name;
        for (s32 axis = 0; axis < 3; ++axis)
            m_emitter->m_position[axis] = source.m_position[axis];
        m_emitter->m_soundLevel = source.m_soundLevel;
        m_emitter->m_flags = source.m_flags;
        m_states[NOD_PART_EMITTER] = NOD_PART_GENERATED;
    }
    if (copied(NOD_PART_SHADOW_CASTER) && _source.m_shadowCaster != nullptr)
        GenerateShadowCaster();
    if (copied(NOD_PART_SHADOW_RECEIVER) && _source.m_shadowReceiver != nullptr)
        GenerateShadowReceiver(_source.m_receiverListFlag);
    const auto copySensor = [&](s32 _part, const COD_Sensor* _from, COD_Sensor*& _to) {
        if (!copied(_part) || _from == nullptr)
            return;
        _to = new COD_Sensor;
        _to->Clone(*_from);
        m_states[_part] = NOD_PART_GENERATED;
    };
    copySensor(NOD_PART_SENSOR1, _source.m_sensor1, m_sensor1);
    copySensor(NOD_PART_SENSOR2, _source.m_sensor2, m_sensor2);
    copySensor(NOD_PART_SENSOR3, _source.m_sensor3, m_sensor3);
    if (_source.m_sensor4 != nullptr) {
        m_sensor4 = new COD_Sensor;
        m_sensor4->Clone(*_source.m_sensor4);
    }
}

void ContactAggregate::SetSoundEmission(const char* _name)
{
    for (s32 level = 0; level < 4; ++level) {
        if (_name != nullptr && strcasecmp(_name, SOUND_NAMES[level]) == 0) {
            if (m_emitter != nullptr)
                m_emitter->m_soundLevel = level;
            return;
        }
    }
    OS_Log(OS_Format("Illegal sound emissin value %s in SetSoundEmmision", _name != nullptr ? _name : ""));
}

const char* ContactAggregate::GetSoundEmissionName() const
{
    const s32 level = m_emitter != nullptr ? m_emitter->m_soundLevel : COD_SOUND_NONE;
    return level >= 0 && level < 4 ? SOUND_NAMES[level] : SOUND_NAMES[0];
}

NOD_Message* ContactAggregate::ProcessEmitterMessage(NOD_Message* _message, u32& _handled)
{
    _handled = 0;
    const u32 id = _message->GetType();
    if (id < NOD_Emitter_SetVisibilityStatus::ID || id > NOD_Emitter_GetSoundEmissionLevel::ID)
        return nullptr;
    // Scripts and the console send these to any body: without an emitter the caller keeps the
    // message and reports it lost.
    if (m_emitter == nullptr)
        return nullptr;
    _handled = 1;
    switch (id) {
    case NOD_Emitter_SetVisibilityStatus::ID: {
        const auto [value] = NOD_Emitter_SetVisibilityStatus::Read(_message);
        if (value == 1)
            m_emitter->m_flags |= COD_EMITTER_VISIBLE;
        else
            m_emitter->m_flags &= ~COD_EMITTER_VISIBLE;
        delete _message;
        return nullptr;
    }
    case NOD_Emitter_GetVisibilityStatus::ID:
        return NOD_Emitter_GetVisibilityStatus::Reply(_message, (u8)(m_emitter->m_flags & COD_EMITTER_VISIBLE));
    case NOD_Emitter_SetVisibilityBlockingStatus::ID: {
        const auto [value] = NOD_Emitter_SetVisibilityBlockingStatus::Read(_message);
        if (value == 1)
            m_emitter->m_flags |= COD_EMITTER_VISIBILITY_BLOCKING;
        else
            m_emitter->m_flags &= ~COD_EMITTER_VISIBILITY_BLOCKING;
        delete _message;
        return nullptr;
    }
    case NOD_Emitter_GetVisibilityBlockingStatus::ID:
        return NOD_Emitter_GetVisibilityBlockingStatus::Reply(
            _message, (u8)(m_emitter->m_flags & COD_EMITTER_VISIBILITY_BLOCKING));
    case NOD_Emitter_SetSoundEmissionLevel::ID: {
        const auto [name] = NOD_Emitter_SetSoundEmissionLevel::Read(_message);
        SetSoundEmission(name.GetName());
        delete _message;
        return nullptr;
    }
    default: {
        SIM_Name name;
        name.SetName(GetSoundEmissionName());
        return NOD_Emitter_GetSoundEmissionLevel::Reply(_message, name);
    }
    }
}
