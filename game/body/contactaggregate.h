// A body's link to the collision world: its collision descriptions, their registration with
// the simulation's handlers while the body is in the simulation, and their boxes every step.
//
// The aggregate owns its parts and deletes them with the body; it never removes them from the
// handlers on destruction (the body leaves the simulation first). The handlers belong to the
// simulation driver, reached through one installed world (SetWorld); without one nothing is
// registered. Bodies and aggregates are neither copied nor moved: the descriptions point at the
// aggregate's matrix and velocity.
#pragma once

#include "mat_matrix.h"
#include "os_types.h"

class COD_ActiveAvoid;
class COD_Emitter;
class COD_PassiveAvoid;
class COD_Physical;
class COD_Sensor;
class COD_ShadowCaster;
class COD_ShadowReceiver;
class COD_Viewer;
class COH_HandlerBase;
class COS_CollisionSystem;
class DES_Section;
class MOT_Model;
class MOT_MotionState;
class NOD_Body;
class NOD_Message;
class NOD_Node;
class PCS_VisibleObject;

// The collision system, its handlers by object type (0 physical, 2 visible object, 3 viewer,
// 4 obstacle, 5 avoider, 6 emitter, 7 sensor, 8 shadow caster, 9 shadow receiver; the
// others stay null) and the camera's view box, as the simulation driver provides them.
struct NOD_ContactWorld
{
    COS_CollisionSystem* system = nullptr;
    COH_HandlerBase* handlers[10] = {};
    // The view box (min xyz, max xyz) of a camera node; null answers an empty box at the origin.
    void (*getViewBox)(NOD_Node* _camera, f32 _box[6]) = nullptr;
};

// What kind of physical description the aggregate made (not the description's own kind).
enum NOD_ContactKind : s32
{
    NOD_CONTACT_NONE = 0,
    NOD_CONTACT_GENERIC = 1,
    NOD_CONTACT_VESSEL = 2,
    NOD_CONTACT_PLAYER = 3,
    NOD_CONTACT_BULLET = 4,
    NOD_CONTACT_TORPEDO = 5,
    NOD_CONTACT_CAMERA = 6,
};

// Part states: absent, made while parsing, made but idle (sensors 1 and 2), registered.
enum NOD_PartState : s32
{
    NOD_PART_ABSENT = 0,
    NOD_PART_GENERATED = 1,
    NOD_PART_IDLE = 2,
    NOD_PART_REGISTERED = 3,
};

// Indices into ContactAggregate::m_states (sensor 4 has none: it is never registered).
enum NOD_PartIndex : s32
{
    NOD_PART_PHYSICAL = 0,
    NOD_PART_AVOIDER = 1,
    NOD_PART_OBSTACLE = 2,
    NOD_PART_SHADOW_CASTER = 3,
    NOD_PART_SHADOW_RECEIVER = 4,
    NOD_PART_SENSOR1 = 5,
    NOD_PART_SENSOR2 = 6,
    NOD_PART_SENSOR3 = 7,
    NOD_PART_VIEWER = 8,
    NOD_PART_VISIBLE = 9,
    NOD_PART_EMITTER = 10,
    NOD_PART_COUNT = 11,
};

// The sensing flags that keep sensors 1 and 2 registered (occlusion, seeing, hearing, presence).
inline constexpr u32 NOD_SENSING_FLAGS = 0x3a;
inline constexpr f32 NOD_SHADOW_FLOOR = -50000.0f;

class ContactAggregate
{
public:
    explicit ContactAggregate(NOD_Body* _owner);
    ~ContactAggregate();
    ContactAggregate(const ContactAggregate&) = delete;
    ContactAggregate& operator=(const ContactAggregate&) = delete;

    // The handlers every aggregate registers with; null uninstalls them.
    static void SetWorld(const NOD_ContactWorld* _world);
    static const NOD_ContactWorld* GetWorld();

    // The state after a body's construction (box -0.5..0.5, no parts).
    void Init();

    // Makers, called while the body's description is parsed. Each replaces its own earlier,
    // unregistered part; remaking a registered part is fatal.
    void GeneratePhysicalGeneric(DES_Section* _section);
    void GeneratePhysicalVessel(DES_Section* _section, u32 _typeFlag, MOT_Model* _model);
    void GeneratePhysicalPlayer(DES_Section* _section);
    void GeneratePhysicalBullet(DES_Section* _section);
    void GeneratePhysicalTorpedo(DES_Section* _section);
    void GeneratePhysicalCamera();
    void GenerateVisibleObject(const f32 _box[6]);
    void GenerateViewer();
    void GeneratePassiveAvoid(DES_Section* _section);
    void GenerateActiveAvoid(DES_Section* _section);
    void GenerateEmitter(DES_Section* _section);
    void GenerateShadowCaster();
    void GenerateShadowReceiver(u32 _listFlag);
    void GenerateSensor1();
    void GenerateSensor2();
    void GenerateSensor3();
    void GenerateSensor4();

    void EnterSimulation(const MAT_Matrix34& _matrix, const MAT_Vector3& _velocity);
    void HeartBeat(const MAT_Matrix34& _matrix, const MAT_Vector3& _velocity);
    void LeaveSimulation();

    // The contact responses of the last pass applied to the motion state of a collision root.
    void ApplyCollisionResponse(MOT_MotionState* _state);

    void LinkSonShields();
    void UnlinkSonShields();

    // This aggregate's parts replaced by unregistered copies of the source's (kinds 2, 4, 5).
    void Clone(const ContactAggregate& _source);

    // Emitter_* messages (21000 to 21005): the reply, or null; _handled is 1 only when an
    // emitter part took the message.
    NOD_Message* ProcessEmitterMessage(NOD_Message* _message, u32& _handled);
    void SetSoundEmission(const char* _name);
    const char* GetSoundEmissionName() const;

    NOD_Body* GetOwner() const { return m_owner; }
    s32 GetKind() const { return m_kind; }
    s32 GetState(s32 _part) const { return m_states[_part]; }
    COD_Physical* GetPhysical() const { return m_physical; }
    COD_PassiveAvoid* GetObstacle() const { return m_obstacle; }
    COD_ActiveAvoid* GetAvoider() const { return m_avoider; }
    COD_ShadowCaster* GetShadowCaster() const { return m_shadowCaster; }
    COD_ShadowReceiver* GetShadowReceiver() const { return m_shadowReceiver; }
    COD_Emitter* GetEmitter() const { return m_emitter; }
    COD_Sensor* GetSensor1() const { return m_sensor1; }
    COD_Sensor* GetSensor2() const { return m_sensor2; }
    COD_Sensor* GetSensor3() const { return m_sensor3; }
    COD_Sensor* GetSensor4() const { return m_sensor4; }
    COD_Viewer* GetViewer() const { return m_viewer; }
    PCS_VisibleObject* GetVisibleObject() const { return m_visible; }
    const MAT_Matrix34& GetMatrix() const { return m_matrix; }
    const MAT_Matrix34& GetPreviousMatrix() const { return m_previousMatrix; }
    const f32* GetBox() const { return m_box; }
    // The physical part's world box of the last step.
    const f32* GetPhysicalBox() const { return m_physicalBox; }

    void SetAlternateFrame1(const MAT_Matrix34* _frame) { m_alternateFrame1 = _frame; }
    void SetAlternateFrame2(const MAT_Matrix34* _frame) { m_alternateFrame2 = _frame; }

private:
    void DeleteParts();
    void ComputePhysicalBox();
    void BodyBox(f32 _box[6]) const;
    void ViewBox(f32 _box[6]) const;
    // The box a part registers with: the avoider's own, the body's (the shadow caster's down to
    // the floor) or the view's.
    void PartBox(s32 _part, f32 _box[6]) const;
    // Fatal when the part is registered; otherwise its earlier object is deleted by the caller.
    void CheckRemake(s32 _part, const char* _where) const;

    NOD_Body* m_owner = nullptr;
    f32 m_box[6] = {};
    u32 m_receiverListFlag = 0;
    const MAT_Matrix34* m_alternateFrame2 = nullptr;
    const MAT_Matrix34* m_alternateFrame1 = nullptr;
    MAT_Matrix34 m_previousMatrix;
    MAT_Matrix34 m_matrix;
    MAT_Vector3 m_velocity;
    COD_Physical* m_physical = nullptr;
    s32 m_kind = NOD_CONTACT_NONE;
    COD_PassiveAvoid* m_obstacle = nullptr;
    COD_ActiveAvoid* m_avoider = nullptr;
    COD_ShadowCaster* m_shadowCaster = nullptr;
    COD_ShadowReceiver* m_shadowReceiver = nullptr;
    COD_Emitter* m_emitter = nullptr;
    COD_Sensor* m_sensor1 = nullptr;
    COD_Sensor* m_sensor2 = nullptr;
    COD_Sensor* m_sensor3 = nullptr;
    COD_Sensor* m_sensor4 = nullptr;
    COD_Viewer* m_viewer = nullptr;
    PCS_VisibleObject* m_visible = nullptr;
    s32 m_states[NOD_PART_COUNT] = {};
    f32 m_physicalBox[6] = {};  // not in the record: the last world box of the physical part
};
