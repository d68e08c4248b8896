// The scene camera: its four modes, the Camera_* messages, the path keys and the renderer's and
// contact world's views of it.
#include "nod_camera.h"

#include <cfloat>
#include <cmath>

#include "brisel_simulation.h"
#include "cod_physical.h"
#include "cod_viewer.h"
#include "mot_jerksegment.h"
#include "mot_motionstate.h"
#include "mot_smoother.h"
#include "nod_message.h"
#include "nod_path.h"
#include "nod_position.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Camera, "NOD_Body")

namespace
{
constexpr f32 DEGREES_TO_RADIANS = 0.017453292f;
constexpr f32 ANGLE_TAU = 0.2857143f;      // 2/7 s
constexpr f32 DISTANCE_TAU = 0.2f;         // s
constexpr f32 POSITION_TAU = 0.33333334f;  // 1/3 s
constexpr f32 MAX_COLLISION_STEP = 8.0f;   // units per step while collision limiting is on
constexpr f32 NO_TIME = FLT_MAX;

Brisel_CameraView* (*s_previousCameraCast)(NOD_Node*) = nullptr;
bool s_castInstalled = false;

// out = (1-u)^3 p0 + 3u(1-u)^2 p1 + 3u^2(1-u) p2 + u^3 p3, per axis.
MAT_Vector3 CubicBezier(const MAT_Vector3& _p0, const MAT_Vector3& _p1, const MAT_Vector3& _p2, const MAT_Vector3& _p3,
                        f32 _u)
{
    const f32 v = 1.0f - _u;
    const f32 b0 = v * v * v;
    const f32 b1 = 3.0f * _u * v * v;
    const f32 b2 = 3.0f * _u * _u * v;
    const f32 b3 = _u * _u * _u;
    return _p0 * b0 + _p1 * b1 + _p2 * b2 + _p3 * b3;
}

// Brings the offset towards its target for the time: eased along a line, fast at first.
void EaseOffset(NOD_CameraOffset& _offset, const SIM_Clock& _clock)
{
    const f32 u = _offset.duration < _clock.dt ? 1.0f : (_clock.time - _offset.startTime) / _offset.duration;
    if (u < 1.0f) {
        const MAT_Vector3 d = _offset.target - _offset.start;
        _offset.current =
            CubicBezier(_offset.start, _offset.start + d * 0.5f, _offset.start + d * 0.98f, _offset.target, u);
    } else {
        _offset.current = _offset.target;
    }
}

// The point an offset names relative to a body's world frame.
MAT_Vector3 OffsetPoint(const MAT_Matrix34& _frame, const NOD_CameraOffset& _offset)
{
    return _offset.local != 0 ? _frame.TransformPoint(_offset.current) : _frame.t + _offset.current;
}

MAT_Matrix34 LookAt(const MAT_Vector3& _from, const MAT_Vector3& _to, const MAT_Angle& _roll = MAT_Angle())
{
    MAT_Matrix34 frame;
    frame.LookAt(_from, _to, _roll);
    return frame;
}

u32 CurrentStep() { return Brisel_TheSimulation != nullptr ? Brisel_TheSimulation->stepCounter : 0u; }

void PathText(const SIM_Path& _path, char (&_text)[SIM_Path::STRING_BYTES]) { _path.GetString(_text, sizeof _text); }
}  // namespace

NOD_Camera::NOD_Camera() : m_cameraTime(NO_TIME), m_fieldOfView(MAT_PI * 0.5f)
{
    GetAggregate().GeneratePhysicalCamera();
    GetAggregate().GenerateShadowReceiver(1);
    GetAggregate().GenerateViewer();
    m_camera.SetProjection(-1.0f, 1.0f, -1.0f, 1.0f, m_near, m_far, PROJECTION_SCALE);
    m_camera.SetTransform(LookAt(MAT_Vector3(), MAT_Vector3(0.0f, 1.0f, 0.0f)));
}

NOD_Camera::~NOD_Camera() { delete[] m_keys; }

NOD_Camera* NOD_Camera::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Camera*>(_node);
}

Brisel_CameraView* NOD_Camera::CastToCameraView(NOD_Node* _node) { return DynamicCast(_node); }

void NOD_Camera::InstallCameraCast()
{
    if (s_castInstalled)
        return;
    Brisel_SceneCasts casts = Brisel_Scene::GetCasts();
    s_previousCameraCast = casts.camera;
    casts.camera = &CastToCameraView;
    Brisel_Scene::SetCasts(casts);
    s_castInstalled = true;
}

void NOD_Camera::UninstallCameraCast()
{
    if (!s_castInstalled)
        return;
    Brisel_SceneCasts casts = Brisel_Scene::GetCasts();
    // Only our own hook is taken out: one installed later by someone else stays.
    if (casts.camera == &CastToCameraView) {
        casts.camera = s_previousCameraCast;
        Brisel_Scene::SetCasts(casts);
    }
    s_previousCameraCast = nullptr;
    s_castInstalled = false;
}

NOD_Body* NOD_Camera::GetFirstTarget() const { return NOD_Body::DynamicCast((NOD_Node*)m_firstTarget.Get()); }

NOD_Body* NOD_Camera::GetSecondTarget() const { return NOD_Body::DynamicCast((NOD_Node*)m_secondTarget.Get()); }

NOD_Body* NOD_Camera::GetLookAtBody() const { return NOD_Body::DynamicCast((NOD_Node*)m_lookAt.Get()); }

// ---------------------------------------------------------------------------------------------
// What others read

const VEC_Camera* NOD_Camera::GetCameraAtTime(f32 _time)
{
    if (_time == m_cameraTime)
        return &m_camera;
    m_camera.SetTransform(*GetWorldTransform(_time));
    m_cameraTime = _time;
    return &m_camera;
}

void NOD_Camera::GetVisibleBodies(NOD_Node** _nodes, s32* _count)
{
    const COD_Viewer* viewer = GetAggregate().GetViewer();
    const s32 available = viewer != nullptr ? viewer->m_visibleCount : 0;
    const s32 n = *_count < available ? *_count : available;
    const NOD_Node* inside = m_mode == MODE_LOOK_FROM ? GetFirstTarget() : nullptr;
    s32 written = 0;
    for (s32 i = 0; i < n; ++i) {
        NOD_Node* node = viewer->GetVisible(i);
        if (node != nullptr && node != inside)
            _nodes[written++] = node;
    }
    *_count = written;
}

void NOD_Camera::GetVisibleBodies(Brisel_Renderable** _bodies, s32* _count)
{
    const COD_Viewer* viewer = GetAggregate().GetViewer();
    const s32 available = viewer != nullptr ? viewer->m_visibleCount : 0;
    const s32 n = *_count < available ? *_count : available;
    const NOD_Node* inside = m_mode == MODE_LOOK_FROM ? GetFirstTarget() : nullptr;
    s32 written = 0;
    for (s32 i = 0; i < n; ++i) {
        NOD_Node* node = viewer->GetVisible(i);
        NOD_Body* body = NOD_Body::DynamicCast(node);
        if (body != nullptr && node != inside)
            _bodies[written++] = body;
    }
    *_count = written;
}

s32 NOD_Camera::GetModeAndTargets(NOD_Body** _first, NOD_Body** _second) const
{
    *_first = GetFirstTarget();
    *_second = GetSecondTarget();
    return m_mode;
}

void NOD_Camera::GetViewBox(f32 _box[6]) const
{
    const MAT_AABox& box = m_camera.GetWorldFrustumBox();
    _box[0] = box.m_min.x;
    _box[1] = box.m_min.y;
    _box[2] = box.m_min.z;
    _box[3] = box.m_max.x;
    _box[4] = box.m_max.y;
    _box[5] = box.m_max.z;
}

void NOD_Camera::GetViewBoxOf(NOD_Node* _camera, f32 _box[6])
{
    if (const NOD_Camera* camera = DynamicCast(_camera)) {
        camera->GetViewBox(_box);
        return;
    }
    for (s32 i = 0; i < 6; ++i)
        _box[i] = 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Placement

void NOD_Camera::SetJump()
{
    m_jumpFlag = 1;
    m_jumpStep = CurrentStep();
}

void NOD_Camera::Record(f32 _time, const MAT_Matrix34& _frame)
{
    GetCS().SetState(_time, _frame);
    m_cameraTime = NO_TIME;
}

void NOD_Camera::RecordWithVelocity(f32 _time, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity)
{
    GetCS().SetStateWithVelocity(_time, _frame, _velocity);
    m_cameraTime = NO_TIME;
}

void NOD_Camera::Restart(f32 _time, f32 _dt, const MAT_Matrix34& _frame)
{
    SetTransform(_time, _frame);
    GetCS().SetState(_time + _dt, _frame);
    m_cameraTime = NO_TIME;
}

void NOD_Camera::Stop(const char* _why)
{
    OS_Log(OS_Format("NOD_Camera::HeartBeat() - %s, camera stands still", _why));
    m_mode = MODE_STILL;
}

MAT_Vector3 NOD_Camera::FollowPoint(const MAT_Matrix34& _target) const
{
    MAT_Angle heading;
    MAT_Angle pitch;
    MAT_Angle roll;
    _target.r.GetAngles(heading, pitch, roll);
    heading = heading.Get() + m_smoothedAlpha.Get();
    pitch = pitch.Get() + m_smoothedBeta.Get();
    MAT_Vector3 offset(0.0f, m_smoothedDistance, 0.0f);
    MAT_RotateByAngles(offset, heading, pitch, roll);
    return _target.t - offset;
}

f32 NOD_Camera::ClampDistance(f32 _distance) const
{
    if (_distance > m_maximumDistance)
        return m_maximumDistance;
    if (_distance < m_minimumDistance)
        return m_minimumDistance;
    return _distance;
}

void NOD_Camera::SetFrustum(f32 _horizontalField, f32 _verticalField, f32 _near, f32 _far, f32 _scale)
{
    const f32 ex = std::tan(_horizontalField * 0.5f) * _near;
    const f32 ey = std::tan(_verticalField * 0.5f) * _near;
    m_camera.SetProjection(-ex, ex, -ey, ey, _near, _far, _scale);
    m_cameraTime = NO_TIME;
}

// ---------------------------------------------------------------------------------------------
// Steps

void NOD_Camera::HeartBeat()
{
    if (!IsInSimulation())
        return;
    // The flag lasts through the step it was set in and the next; counted without wrapping, so
    // a jump made before the first step is not lost at step 0.
    if ((u64)CurrentStep() > (u64)m_jumpStep + 1u)
        m_jumpFlag = 0;

    switch (m_mode) {
    case MODE_STILL:
        break;
    case MODE_LOOK_FROM:
        HeartBeat_LookFrom();
        break;
    case MODE_FOLLOW:
        HeartBeat_Follow();
        break;
    case MODE_MOVE:
        HeartBeat_Move();
        break;
    case MODE_WATCH:
        HeartBeat_Watch();
        break;
    default:
        OS_Fatal("NOD_Camera::HeartBeat()", "illegal mode");
    }

    const SIM_Clock& clock = SIM_GetSimulationClock();
    GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), MAT_Vector3());
}

void NOD_Camera::HeartBeat_LookFrom()
{
    NOD_Body* target = GetFirstTarget();
    if (target == nullptr) {
        Stop("look-from body is gone");
        return;
    }
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 next = clock.time + clock.dt;
    const MAT_Matrix34 frame = *target->GetWorldTransform(next);
    MOT_MotionState* state = target->GetAttachedFrame();
    const MAT_Vector3 velocity = state != nullptr ? state->GetVelocity() : MAT_Vector3();
    RecordWithVelocity(next, frame, velocity);
}

void NOD_Camera::HeartBeat_Follow()
{
    NOD_Body* target = GetFirstTarget();
    if (target == nullptr) {
        Stop("followed body is gone");
        return;
    }
    const SIM_Clock& clock = SIM_GetSimulationClock();
    MOT_Smoother smoother;
    smoother.tau = ANGLE_TAU;
    smoother.SmoothAngle(clock, m_smoothedAlpha, m_requestedAlpha, m_smoothedAlpha);
    smoother.SmoothAngle(clock, m_smoothedBeta, m_requestedBeta, m_smoothedBeta);
    smoother.tau = DISTANCE_TAU;
    smoother.Smooth(clock, m_smoothedDistance, m_requestedDistance, &m_smoothedDistance);

    const MAT_Matrix34 w = *target->GetWorldTransform(clock.time);
    const MAT_Vector3 c = FollowPoint(w);
    const MAT_Vector3 q = GetCS().GetTrack().GetAt(clock.time, nullptr)->t;
    MAT_Vector3 p;
    smoother.tau = POSITION_TAU;
    smoother.SmoothVector3(clock, &q.x, &c.x, &p.x);
    MAT_Matrix34 m = LookAt(p, w.t);

    if (m_collisionFlag != 0) {
        MAT_Vector3 d = m.t - q;
        if (d.LengthSquared() > MAX_COLLISION_STEP * MAX_COLLISION_STEP)
            d *= MAX_COLLISION_STEP / d.Length();
        const COD_Physical* physical = GetAggregate().GetPhysical();
        if (physical != nullptr && physical->m_kind == COD_KIND_CAMERA && physical->m_contactFlag != 0) {
            const MAT_Vector3 pushOut = static_cast<const COD_Physical_Camera*>(physical)->m_pushOut;
            const f32 lengthSquared = pushOut.LengthSquared();
            const MAT_Vector3 n = lengthSquared > MAT_EPSILON ? pushOut * (1.0f / std::sqrt(lengthSquared)) : pushOut;
            const f32 into = d.Dot(n);
            if (into < 0.0f)
                d -= n * into;
        }
        m.t = q + d;
    }
    Record(clock.time + clock.dt, m);
}

void NOD_Camera::HeartBeat_Watch()
{
    NOD_Body* source = GetFirstTarget();
    NOD_Body* destination = GetSecondTarget();
    if (source == nullptr || destination == nullptr) {
        Stop(source == nullptr ? "watching body is gone" : "watched body is gone");
        return;
    }
    const SIM_Clock& clock = SIM_GetSimulationClock();
    EaseOffset(m_sourceOffset, clock);
    const MAT_Vector3 from = OffsetPoint(*source->GetWorldTransform(clock.time), m_sourceOffset);
    EaseOffset(m_destinationOffset, clock);
    const MAT_Vector3 to = OffsetPoint(*destination->GetWorldTransform(clock.time), m_destinationOffset);
    Record(clock.time + clock.dt, LookAt(from, to));
}

void NOD_Camera::HeartBeat_Move()
{
    NOD_Node* path = GetPath();
    if (path == nullptr || m_keys == nullptr || m_keyCount < 2) {
        Stop("flight path is gone");
        return;
    }
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const s32 n = m_keyCount;
    const f32 t0 = m_keys[0].time;
    const f32 length = m_keys[n - 1].time - t0;
    // A path whose positions all coincide takes no time: there is nothing to fly along.
    if (!(length > MAT_EPSILON)) {
        Stop("flight path has no length");
        return;
    }
    const f32 pathTime = t0 + std::fmod(clock.time - t0, length);

    // The next key; a path time rounded up to the end finds none and takes the last.
    s32 i = 0;
    while (i < n && !(m_keys[i].time > pathTime))
        ++i;
    if (i >= n)
        i = n - 1;
    const s32 previous = i == 0 ? n - 1 : i - 1;

    if (pathTime + clock.dt > m_keys[i].time && IsThreadBound()) {
        const s32 sons = path->GetNumOfSons();
        NOD_Node* son = i < sons ? path->GetSon(i) : (sons > 0 ? path->GetSon(0) : nullptr);
        delete SendToThread(
            NOD_Camera_MovePosReached::Create(path->GetName(), son != nullptr ? son->GetName() : SIM_Name()), 1);
    }

    const NOD_CameraKey& a = m_keys[previous];
    const NOD_CameraKey& b = m_keys[i];
    MOT_JerkSegment3 segment;
    if (!segment.Fit(a.time, &a.position.x, &a.velocity.x, b.time, &b.position.x, &b.velocity.x)) {
        OS_Log("NOD_Camera::HeartBeat_Move() - interpolator returned error in settsvtsv()");
        return;
    }
    if (m_loopMode == LOOP_ONESHOT && clock.time + clock.dt >= m_keys[n - 1].time) {
        if (IsThreadBound())
            delete SendToThread(NOD_Camera_MovePosReached::Create(path->GetName(), SIM_Name()), 1);
        m_mode = MODE_STILL;
        return;
    }
    MOT_JerkState3 state;
    if (!segment.Evaluate(pathTime + clock.dt, state)) {
        OS_Log("NOD_Camera::HeartBeat_Move() - interpolator returned error in get()");
        return;
    }
    const MAT_Vector3 position(state.value[0], state.value[1], state.value[2]);
    const MAT_Vector3 velocity(state.velocity[0], state.velocity[1], state.velocity[2]);
    NOD_Body* lookAt = GetLookAtBody();
    const MAT_Vector3 lookPoint = lookAt != nullptr ? lookAt->GetWorldTransform(clock.time)->t : position + velocity;
    MoveOrient(position, lookPoint, m_moveParameters[0], m_moveParameters[1]);
}

void NOD_Camera::MoveOrient(const MAT_Vector3& _position, const MAT_Vector3& _lookPoint, f32 _directionRate,
                            f32 _rollRate)
{
    const MAT_Vector3 toLook = _lookPoint - _position;
    if (MAT_IsTiny(toLook.x) && MAT_IsTiny(toLook.y) && MAT_IsTiny(toLook.z))
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const MAT_Matrix34 current = *GetWorldTransform(clock.time);
    MAT_Vector3 forward = current.r.GetY();
    const MAT_Vector3 direction = toLook.GetNormalized();
    MOT_Smoother smoother;
    smoother.tau = 1.0f / _directionRate;
    smoother.SmoothVector3(clock, &forward.x, &direction.x, &forward.x);

    MAT_Angle heading;
    MAT_Angle pitch;
    MAT_Angle roll;
    current.r.GetAngles(heading, pitch, roll);
    MAT_Angle forwardHeading;
    MAT_GetHeadingAngle(forward, forwardHeading);
    f32 turn = MAT_WrapAngle(heading.Get()) - MAT_WrapAngle(forwardHeading.Get());
    if (turn < -MAT_PI)
        turn += MAT_TWO_PI;
    else if (turn >= MAT_PI)
        turn -= MAT_TWO_PI;
    turn /= clock.dt;
    MAT_Angle rollTarget;
    rollTarget = turn;  // the camera banks by its heading change per second
    smoother.tau = 1.0f / _rollRate;
    smoother.SmoothAngle(clock, roll, rollTarget, roll);
    Record(clock.time + clock.dt, LookAt(_position, _position + forward, roll));
}

// ---------------------------------------------------------------------------------------------
// Messages

void NOD_Camera::PM_EnterSimulation()
{
    const f32 now = SIM_GetSimulationClock().time;
    GetAggregate().EnterSimulation(*GetWorldTransform(now), MAT_Vector3());
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
    SetJump();
}

void NOD_Camera::PM_LeaveSimulation()
{
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    const f32 now = SIM_GetSimulationClock().time;
    // The camera's own track, without a father's frame: it stays frozen where it is.
    const MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(now, nullptr);
    SetTransform(now, frame);
    m_cameraTime = NO_TIME;
}

NOD_Body* NOD_Camera::FindBody(const SIM_Path& _path, const char* _message, const char* _role)
{
    char text[SIM_Path::STRING_BYTES];
    PathText(_path, text);
    NOD_Node* node = Find(_path);
    if (node == nullptr) {
        OS_Log(OS_Format("%s(\"%s\") did not find %snode", _message, text, _role));
        return nullptr;
    }
    NOD_Body* body = NOD_Body::DynamicCast(node);
    if (body == nullptr)
        OS_Log(OS_Format("%s(\"%s\") %sobject is not a body", _message, text, _role));
    return body;
}

void NOD_Camera::PM_LookFrom(const SIM_Path& _path)
{
    NOD_Body* body = FindBody(_path, "Camera_LookFrom", "");
    if (body == nullptr)
        return;
    m_firstTarget.Set(body);
    m_mode = MODE_LOOK_FROM;
    SetJump();
}

void NOD_Camera::PM_Follow(const SIM_Path& _path, f32 _distance, f32 _alphaDegrees, f32 _betaDegrees)
{
    const f32 alpha = _alphaDegrees * DEGREES_TO_RADIANS;
    const f32 beta = _betaDegrees * DEGREES_TO_RADIANS;
    NOD_Body* body = FindBody(_path, "Camera_Follow", "");
    if (body == nullptr)
        return;
    m_firstTarget.Set(body);
    m_minimumDistance = _distance;
    m_maximumDistance = 20.0f * _distance;
    m_smoothedDistance = _distance;
    m_requestedDistance = _distance;
    m_mode = MODE_FOLLOW;
    m_smoothedAlpha.Set(alpha);
    m_requestedAlpha.Set(alpha);
    m_smoothedBeta.Set(beta);
    m_requestedBeta.Set(beta);

    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 w = *body->GetWorldTransform(now);
    Record(now, LookAt(FollowPoint(w), w.t));
    SetJump();
}

void NOD_Camera::PM_Watch(const SIM_Path& _source, const SIM_Path& _destination, const MAT_Vector3& _sourceOffset,
                          const MAT_Vector3& _destinationOffset, u32 _flags)
{
    NOD_Body* source = FindBody(_source, "Camera_Watch", "source ");
    if (source == nullptr)
        return;
    m_firstTarget.Set(source);

    NOD_Body* destination = FindBody(_destination, "Camera_Watch", "desti ");
    if (destination == nullptr)
        return;
    m_secondTarget.Set(destination);
    m_mode = MODE_WATCH;

    const f32 now = SIM_GetSimulationClock().time;
    m_sourceOffset.start = MAT_Vector3();
    m_sourceOffset.target = _sourceOffset;
    m_sourceOffset.startTime = now;
    m_sourceOffset.duration = 0.0f;
    m_destinationOffset.start = MAT_Vector3();
    m_destinationOffset.target = _destinationOffset;
    m_destinationOffset.startTime = now;
    m_destinationOffset.duration = 0.0f;

    // The first placement takes the offsets' axes from bits 0 and 2, the steps after it from
    // bits 1 and 3.
    m_sourceOffset.local = (s32)(_flags & 1u);
    m_destinationOffset.local = (s32)((_flags >> 2) & 1u);
    HeartBeat_Watch();
    m_sourceOffset.local = (s32)((_flags >> 1) & 1u);
    m_destinationOffset.local = (s32)((_flags >> 3) & 1u);
    SetJump();
}

void NOD_Camera::PM_Move(NOD_Node* _path, f32 _velocity, f32 _directionRate, f32 _rollRate, f32 _third, u32 _loopMode)
{
    m_moveParameters[0] = _directionRate;
    m_moveParameters[1] = _rollRate;
    m_moveParameters[2] = _third;
    m_loopMode = _loopMode;
    if (_path == nullptr) {
        OS_Log("NOD_Camera::PM_Move() - mode is NULL");
        return;
    }
    if (m_loopMode != LOOP_ONESHOT && m_loopMode != LOOP_LOOPED) {
        OS_Log("NOD_Camera::PM_Move() - mode has to be 0(oneshot) or 1(looped), oneshot mode is not "
               "activated");
        m_loopMode = LOOP_ONESHOT;
    }
    m_path.Set(_path);
    m_lookAt.Set(nullptr);
    BuildMoveInfoArray(_path, _velocity);
    m_mode = MODE_MOVE;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    Restart(clock.time, clock.dt, LookAt(m_keys[0].position, m_keys[1].position));
    SetJump();
}

void NOD_Camera::PM_MoveLookAt(NOD_Node* _node)
{
    NOD_Body* body = NOD_Body::DynamicCast(_node);
    if (_node != nullptr && body == nullptr)
        OS_Log(OS_Format("NOD_Camera::PM_MoveLookAt() - mode '%s' is not a body node", _node->GetName().GetName()));
    m_lookAt.Set(body);
    if (m_mode == MODE_MOVE && body != nullptr) {
        const SIM_Clock& clock = SIM_GetSimulationClock();
        const f32 next = clock.time + clock.dt;
        const MAT_Vector3 from = GetWorldTransform(next)->t;
        const MAT_Vector3 to = body->GetWorldTransform(next)->t;
        Restart(clock.time, clock.dt, LookAt(from, to));
    }
    SetJump();
}

void NOD_Camera::PM_SetProjection(f32 _fieldOfViewDegrees)
{
    f32 degrees = _fieldOfViewDegrees;
    if (degrees < 1.0f)
        degrees = 1.0f;
    else if (degrees > 179.0f)
        degrees = 179.0f;
    m_fieldOfView = degrees * DEGREES_TO_RADIANS;
    const f32 e = std::tan(m_fieldOfView * 0.5f) * m_near;
    m_camera.SetProjection(-e, e, -e, e, m_near, m_far, PROJECTION_SCALE);
    m_cameraTime = NO_TIME;
}

void NOD_Camera::PM_SetCollisionStatus(u8 _status) { m_collisionFlag = _status == 1 ? 1 : 0; }

void NOD_Camera::BuildMoveInfoArray(NOD_Node* _path, f32 _velocity)
{
    const char* caption = "NOD_Camera::BuildMoveInfoArray()";
    if (!(_velocity > 0.0f))
        OS_Fatal(caption, "velocity must be greater than 0");
    const s32 sons = _path->GetNumOfSons();
    if (sons < 4)
        OS_Fatal(caption, OS_Format("path '%s' must have at least 4 position", _path->GetName().GetName()));
    if (NOD_Path::DynamicCast(_path) == nullptr)
        OS_Fatal(caption, OS_Format("node '%s' is not a path node", _path->GetName().GetName()));

    const s32 count = sons + 1;
    if (count > m_keyCapacity) {
        delete[] m_keys;
        m_keys = nullptr;
        m_keys = new NOD_CameraKey[(u32)count];
        m_keyCapacity = count;
    }
    for (s32 i = 0; i < sons; ++i) {
        const NOD_Position* position = NOD_Position::DynamicCast(_path->GetSon(i));
        if (position == nullptr)
            OS_Fatal(caption, "path has a non position son");
        m_keys[i].position = position->GetPosition();
    }
    m_keyCount = count;
    const bool looped = m_loopMode == LOOP_LOOPED;
    m_keys[count - 1].position = m_keys[looped ? 0 : sons - 1].position;

    m_keys[0].time = SIM_GetSimulationClock().time;
    for (s32 i = 1; i < count; ++i)
        m_keys[i].time = m_keys[i - 1].time + (m_keys[i].position - m_keys[i - 1].position).Length() / _velocity;

    auto tangent = [&](const MAT_Vector3& _d) {
        const f32 lengthSquared = _d.LengthSquared();
        return lengthSquared > 0.0f ? _d * (_velocity / std::sqrt(lengthSquared)) : MAT_Vector3();
    };
    const MAT_Vector3 closing = m_keys[1].position - m_keys[count - 2].position;
    m_keys[0].velocity = tangent(looped ? closing : m_keys[1].position - m_keys[0].position);
    for (s32 i = 1; i < count - 1; ++i)
        m_keys[i].velocity = tangent(m_keys[i + 1].position - m_keys[i - 1].position);
    if (looped) {
        m_keys[count - 1].velocity = tangent(closing);
    } else {
        // The camera comes to rest on the last position.
        m_keys[count - 2].velocity = MAT_Vector3();
        m_keys[count - 1].velocity = MAT_Vector3();
    }
}

NOD_Message* NOD_Camera::ProcessMessage(NOD_Message* _message)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        PM_EnterSimulation();
        break;
    case NOD_Node_LeaveSimulation::ID:
        PM_LeaveSimulation();
        break;
    case NOD_Camera_LookFrom::ID: {
        const auto [path] = NOD_Camera_LookFrom::Read(_message);
        PM_LookFrom(path);
        break;
    }
    case NOD_Camera_Follow::ID: {
        const auto [path, distance, alpha, beta] = NOD_Camera_Follow::Read(_message);
        PM_Follow(path, distance, alpha, beta);
        break;
    }
    case NOD_Camera_SetRelDistance::ID: {
        const auto [delta] = NOD_Camera_SetRelDistance::Read(_message);
        m_requestedDistance = ClampDistance(m_requestedDistance + delta);
        break;
    }
    case NOD_Camera_SetAbsDistance::ID: {
        const auto [distance] = NOD_Camera_SetAbsDistance::Read(_message);
        m_requestedDistance = ClampDistance(distance);
        break;
    }
    case NOD_Camera_SetRelAlpha::ID: {
        const auto [delta] = NOD_Camera_SetRelAlpha::Read(_message);
        m_requestedAlpha = m_requestedAlpha.Get() + delta * DEGREES_TO_RADIANS;
        break;
    }
    case NOD_Camera_SetRelBeta::ID: {
        const auto [delta] = NOD_Camera_SetRelBeta::Read(_message);
        m_requestedBeta = m_requestedBeta.Get() + delta * DEGREES_TO_RADIANS;
        break;
    }
    case NOD_Camera_Watch::ID: {
        const auto [source, destination, sourceOffset, destinationOffset, flags] = NOD_Camera_Watch::Read(_message);
        PM_Watch(source, destination, sourceOffset, destinationOffset, flags);
        break;
    }
    case NOD_Camera_MoveSourceOffset::ID:
    case NOD_Camera_MoveDestiOffset::ID: {
        // Both kinds carry the same arguments.
        const auto [offset, duration] = NOD_Camera_MoveSourceOffset::Read(_message);
        NOD_CameraOffset& record =
            _message->GetType() == NOD_Camera_MoveSourceOffset::ID ? m_sourceOffset : m_destinationOffset;
        record.start = record.current;
        record.target = offset;
        record.startTime = clock.time;
        record.duration = duration;
        break;
    }
    case NOD_Camera_SetBackPlane::ID: {
        const auto [far] = NOD_Camera_SetBackPlane::Read(_message);
        m_far = far < 10.0f ? 10.0f : (far > 100000.0f ? 100000.0f : far);
        SetFrustum(m_fieldOfView, m_fieldOfView, m_near, m_far, PROJECTION_SCALE);
        break;
    }
    case NOD_Camera_SetProjection::ID: {
        const auto [fieldOfView] = NOD_Camera_SetProjection::Read(_message);
        PM_SetProjection(fieldOfView);
        break;
    }
    case NOD_Camera_SetCollisionStatus::ID: {
        const auto [status] = NOD_Camera_SetCollisionStatus::Read(_message);
        PM_SetCollisionStatus(status);
        break;
    }
    case NOD_Camera_Move::ID: {
        const auto [path, velocity, directionRate, rollRate, third, loopMode] = NOD_Camera_Move::Read(_message);
        // The message goes before the keys are built: a bad path stops the program.
        delete _message;
        PM_Move(path, velocity, directionRate, rollRate, third, loopMode);
        return nullptr;
    }
    case NOD_Camera_MoveLookAt::ID: {
        const auto [node] = NOD_Camera_MoveLookAt::Read(_message);
        PM_MoveLookAt(node);
        break;
    }
    case NOD_Camera_MoveSetParameters::ID:
        NOD_Camera_MoveSetParameters::Read(_message, &m_moveParameters[0], &m_moveParameters[1], &m_moveParameters[2]);
        break;
    case NOD_Camera_SetFrontPlane::ID: {
        const auto [near] = NOD_Camera_SetFrontPlane::Read(_message);
        m_near = near < 0.001f ? 0.001f : (near > 100000.0f ? 100000.0f : near);
        SetFrustum(m_fieldOfView, m_fieldOfView, m_near, m_far, PROJECTION_SCALE);
        break;
    }
    default:
        // Body messages may place the camera anew: the next request re-evaluates it.
        m_cameraTime = NO_TIME;
        return NOD_Body::ProcessMessage(_message);
    }
    delete _message;
    return nullptr;
}
