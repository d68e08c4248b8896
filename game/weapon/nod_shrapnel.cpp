// Shrapnel pieces: the burst, the flight with its smoke and the drawing of the piece.
#include "nod_shrapnel.h"

#include <cmath>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "brisel_renderer.h"
#include "brisel_spawn.h"
#include "nod_debris_local.h"
#include "nod_message.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "vec_mesh.h"

RTI_IMPLEMENT_CLASS(NOD_Shrapnel, "NOD_Body")

namespace
{
constexpr u32 FRICTION_FLAGS = MOT_Friction::BODY_X | MOT_Friction::BODY_Y | MOT_Friction::BODY_Z |
                               MOT_Friction::HEADING | MOT_Friction::PITCH | MOT_Friction::ROLL;
// The smoke of a piece: the first shrapnel emitter, twice.
constexpr s32 SMOKE_EMITTER = 3;
constexpr f32 PUSH = 128.0f;
constexpr f32 GRAVITY = 9.81f;

// u = rand() x 2 / 32767 - 1, in [-1, 1].
f32 DrawJitter()
{
    const f32 draw = (f32)CRT_Rand();
    return draw * 2.0f / (f32)CRT_RAND_MAX - 1.0f;
}

f32 AtLeastMinExtent(f32 _extent) { return _extent >= NOD_Shrapnel::MIN_EXTENT ? _extent : NOD_Shrapnel::MIN_EXTENT; }

CON_Cache<Brisel_Mesh>* Visuals() { return Brisel_TheCache != nullptr ? Brisel_TheCache->GetVisualCache() : nullptr; }
}  // namespace

NOD_Shrapnel::NOD_Shrapnel()
{
    // The state is attached only now: the body base is built before the member exists.
    m_flight.Attach(*this, FRICTION_FLAGS);
    SetRenderBucket(BRISEL_BUCKET_SOLID);
}

NOD_Shrapnel::~NOD_Shrapnel() { ReleaseVisual(); }

void NOD_Shrapnel::ReleaseVisual()
{
    if (CON_Cache<Brisel_Mesh>* visuals = Visuals())
        visuals->Release(m_visual);
    m_visual = 0;
}

NOD_Shrapnel* NOD_Shrapnel::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Shrapnel*>(_node);
}

void NOD_Shrapnel::ParseIniFile_Des(DES_Section& _data) { (void)_data; }

Brisel_Mesh* NOD_Shrapnel::GetVisualMesh() const
{
    CON_Cache<Brisel_Mesh>* visuals = Visuals();
    return visuals != nullptr ? visuals->Get(m_visual) : nullptr;
}

u32 NOD_Shrapnel::HasPiece(s32 _visual, s32 _piece)
{
    CON_Cache<Brisel_Mesh>* visuals = Visuals();
    const Brisel_Mesh* visual = visuals != nullptr ? visuals->Get(_visual) : nullptr;
    return visual != nullptr && _piece >= 0 && _piece < visual->GetShrapnelCount() &&
                   visual->GetShrapnelMesh(_piece) != nullptr
               ? 1u
               : 0u;
}

MAT_AABox NOD_Shrapnel::GetBodyBox() const
{
    const Brisel_Mesh* visual = GetVisualMesh();
    const VEC_Mesh* mesh = visual != nullptr ? visual->GetMesh() : nullptr;
    if (mesh == nullptr)
        return NOD_UnitCube();
    MAT_AABox box;
    box.m_min = mesh->boxMin;
    box.m_max = mesh->boxMax;
    return box;
}

u32 NOD_Shrapnel::BuildBurst(s32 _visual, s32 _piece, const MAT_Matrix34& _frame, const MAT_Vector3& _baseVelocity,
                             const MAT_Vector3& _centre, const MAT_Vector3& _unused)
{
    (void)_unused;
    if (HasPiece(_visual, _piece) == 0)
        return 0;
    Visuals()->AddRef(_visual);
    ReleaseVisual();
    m_visual = _visual;
    m_piece = _piece;
    const Brisel_Mesh* visual = GetVisualMesh();

    const REB_Mesh* mesh = visual->GetShrapnelMesh(_piece);
    const f32 dx = AtLeastMinExtent(mesh->boxMax.x - mesh->boxMin.x);
    const f32 dy = AtLeastMinExtent(mesh->boxMax.y - mesh->boxMin.y);
    const f32 dz = AtLeastMinExtent(mesh->boxMax.z - mesh->boxMin.z);
    const f32 a = 0.1f * std::sqrt(dx * dz);
    const f32 b = 0.1f * std::sqrt(dx * dy);
    const f32 c = 0.1f * std::sqrt(dy * dz);
    const f32 v = 0.1f * std::cbrt(std::fabs(dx * dy * dz));

    // Small pieces spin fast and their flight is damped hard; large ones the other way round.
    m_flight.state.rotation[MOT_MotionState::ROLL].rate = MAT_TWO_PI * NOD_DrawRange(-1.0f / c, 1.0f / c);
    m_flight.state.rotation[MOT_MotionState::PITCH].rate = MAT_TWO_PI * NOD_DrawRange(-1.0f / b, 1.0f / b);
    m_flight.state.rotation[MOT_MotionState::HEADING].rate = MAT_TWO_PI * NOD_DrawRange(-1.0f / a, 1.0f / a);
    m_flight.friction.c[0] = 0.04f / c;
    m_flight.friction.c[1] = 0.04f / a;
    m_flight.friction.c[2] = 0.04f / b;
    m_flight.friction.c[6] = 0.1f * b;
    m_flight.friction.c[7] = 0.1f * c;
    m_flight.friction.c[8] = 0.1f * a;

    const MAT_Vector3 offset = visual->GetShrapnelOffset(_piece);
    MAT_Matrix34 place = _frame;
    place.t = _frame.TransformPoint(offset);
    m_flight.state.SetMatrix(place);

    // From the blast centre to the piece, in the body's axes; the push falls off beyond one unit.
    const MAT_Vector3 away = offset - _frame.InverseRotate(_centre - _frame.t);
    const f32 distance = away.Length();
    MAT_Vector3 push;
    if (away.x != 0.0f || away.y != 0.0f || away.z != 0.0f) {
        const f32 d = distance * (distance > 1.0f ? distance : 1.0f);
        push = _frame.RotateVector({away.x * PUSH / d, away.y * PUSH / d, away.z * PUSH / d});
    }
    const f32 u1 = DrawJitter();
    const f32 u2 = DrawJitter();
    const f32 u3 = DrawJitter();
    m_flight.state.SetVelocity(push + _baseVelocity + MAT_Vector3{u2, u1, u3});

    m_flight.lift = {-GRAVITY * v, -GRAVITY * v, -GRAVITY * v};
    m_flight.lifeTime = 10.0f * v;
    return 1;
}

void NOD_Shrapnel::PM_EnterSimulation()
{
    m_flight.Enter(*this);
    const SIM_Clock& clock = SIM_GetSimulationClock();

    const MAT_AABox body = GetBodyBox();
    const f32 box[6] = {body.m_min.x, body.m_min.y, body.m_min.z, body.m_max.x, body.m_max.y, body.m_max.z};
    GetAggregate().GenerateVisibleObject(box);
    GetAggregate().EnterSimulation(*GetWorldTransform(clock.time + clock.dt), m_flight.state.GetVelocity());
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);

    if (Brisel_TheSpawn != nullptr) {
        MAT_Matrix34 smoke;
        smoke.SetFromVectors(MAT_Vector3(), {1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
        Brisel_TheSpawn->SpawnEmitter(SMOKE_EMITTER, this, smoke);
        smoke.SetFromVectors(MAT_Vector3(), {1.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
        Brisel_TheSpawn->SpawnEmitter(SMOKE_EMITTER, this, smoke);
    }
}

NOD_Message* NOD_Shrapnel::ProcessMessage(NOD_Message* _message)
{
    switch (NOD_TakeSimulationMessage(_message)) {
    case NOD_SIMULATION_ENTER:
        PM_EnterSimulation();
        return nullptr;
    case NOD_SIMULATION_LEAVE:
        m_flight.Leave(*this);
        return nullptr;
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

void NOD_Shrapnel::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_flight.Step(*this, clock);
    GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), m_flight.state.GetVelocity());
    NOD_Node::HeartBeat();
    if (m_flight.IsOver(clock.time))
        GC_AddNode(this);
}

void NOD_Shrapnel::Render()
{
    const Brisel_Mesh* visual = GetVisualMesh();
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (visual == nullptr || renderer == nullptr)
        return;
    renderer->RenderMesh(visual->GetShrapnelMesh(m_piece), *GetWorldTransform(SIM_GetFrameClock().time));
}

void NOD_Shrapnel::GetBoundingBox(f32* _box, f32 _time) { NOD_WorldBox(GetBodyBox(), *GetWorldTransform(_time), _box); }
