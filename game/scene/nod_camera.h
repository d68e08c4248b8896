// The scene camera: a body without visuals at "/camera" that moves itself once per simulation
// step in one of four modes (look from a body, follow a body, fly along a path, watch one body
// from another), records each placement in its own transform track and hands out a
// VEC_Camera evaluated at any time between those samples.
//
// The camera is driven by the Camera_* messages (7000 to 7016). It keeps its targets, its path
// and its look-at body as weak references: a node that dies while the camera uses it drops the
// camera back to standing still (mode 0) where it was, and a dead look-at body makes the flight
// look along its motion. The jump flag reports a discontinuous placement to the terrain and
// the plants; it stays set through the step of the driver's step counter in which it was set
// and the next one.
//
// The camera's registration installs the renderer's camera cast (InstallCameraCast), and the
// contact world takes the camera's view box through GetViewBoxOf. One thread.
#pragma once

#include "brisel_scene.h"
#include "mat_angle.h"
#include "mat_matrix.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "nod_body.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "vec_camera.h"

class SIM_Path;

// A watch offset easing from its start to its target over a duration.
struct NOD_CameraOffset
{
    MAT_Vector3 start;
    MAT_Vector3 current;
    MAT_Vector3 target;
    f32 startTime = 0.0f;
    f32 duration = 0.0f;
    s32 local = 0;  // 1: the offset is in the body's own axes; 0: in world axes
};

// One key of the path flight.
struct NOD_CameraKey : MEM_Object
{
    f32 time = 0.0f;
    MAT_Vector3 position;
    MAT_Vector3 velocity;
};

class NOD_Camera : public NOD_Body, public Brisel_CameraView
{
    RTI_DECLARE_CLASS(NOD_Camera)

public:
    enum Mode : s32
    {
        MODE_STILL = 0,
        MODE_LOOK_FROM = 1,
        MODE_FOLLOW = 2,
        MODE_MOVE = 3,
        MODE_WATCH = 4,
    };
    enum LoopMode : u32
    {
        LOOP_ONESHOT = 0,
        LOOP_LOOPED = 1,
    };
    static constexpr f32 PROJECTION_SCALE = 1.24f;

    NOD_Camera();
    ~NOD_Camera() override;

    // Runs only while in the simulation: clears an old jump flag, moves the camera by its mode
    // and updates its contact parts. The sons get no HeartBeat.
    void HeartBeat() override;
    // Node_EnterSimulation, Node_LeaveSimulation and the Camera family (no replies); every
    // other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // The camera at _time: re-evaluated from the track unless it was evaluated at exactly that
    // time and the camera has not been placed since.
    const VEC_Camera* GetCameraAtTime(f32 _time) override;
    // The viewer's first min(*_count, entries) bodies that are alive, without the body looked
    // from in mode 1; *_count becomes the number written.
    void GetVisibleBodies(Brisel_Renderable** _bodies, s32* _count) override;
    void GetVisibleBodies(NOD_Node** _nodes, s32* _count);
    // The mode; the first and second targets (null when unset or dead).
    s32 GetModeAndTargets(NOD_Body** _first, NOD_Body** _second) const;
    // The camera's world-space box around its view volume: min x, y, z, max x, y, z.
    void GetViewBox(f32 _box[6]) const;
    // The view box of _camera for the contact world (NOD_ContactWorld::getViewBox); a node
    // that is not a camera answers an empty box at the origin.
    static void GetViewBoxOf(NOD_Node* _camera, f32 _box[6]);

    // The node as a camera, or null (null for null).
    static NOD_Camera* DynamicCast(NOD_Node* _node);
    // The renderer's camera cast: the node as a camera view, or null.
    static Brisel_CameraView* CastToCameraView(NOD_Node* _node);
    // Puts CastToCameraView into the scene casts, keeping the other hooks and remembering the
    // camera hook it replaces; Uninstall puts that one back. Repeating either is harmless.
    static void InstallCameraCast();
    static void UninstallCameraCast();

    // The handlers of the messages that need more than a field.
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    // The body at _path; null after logging "<message>("path") did not find <role>node" or
    // "... <role>object is not a body".
    NOD_Body* FindBody(const SIM_Path& _path, const char* _message, const char* _role);
    void PM_LookFrom(const SIM_Path& _path);
    void PM_Follow(const SIM_Path& _path, f32 _distance, f32 _alphaDegrees, f32 _betaDegrees);
    void PM_Watch(const SIM_Path& _source, const SIM_Path& _destination, const MAT_Vector3& _sourceOffset,
                  const MAT_Vector3& _destinationOffset, u32 _flags);
    void PM_Move(NOD_Node* _path, f32 _velocity, f32 _directionRate, f32 _rollRate, f32 _third, u32 _loopMode);
    void PM_MoveLookAt(NOD_Node* _node);
    void PM_SetProjection(f32 _fieldOfViewDegrees);
    void PM_SetCollisionStatus(u8 _status);

    // The flight keys from the path's positions at _velocity (fatal on a bad path or velocity).
    void BuildMoveInfoArray(NOD_Node* _path, f32 _velocity);
    // Turns the camera at p towards the look point with the direction and roll rates and
    // records the result one step ahead.
    void MoveOrient(const MAT_Vector3& _position, const MAT_Vector3& _lookPoint, f32 _directionRate, f32 _rollRate);
    // Rebuilds the projection from the two fields of view (radians), the planes and the scale.
    void SetFrustum(f32 _horizontalField, f32 _verticalField, f32 _near, f32 _far, f32 _scale);

    s32 GetMode() const { return m_mode; }
    s32 GetJumpFlag() const { return m_jumpFlag; }
    u32 GetJumpStep() const { return m_jumpStep; }
    f32 GetFieldOfView() const { return m_fieldOfView; }
    f32 GetNearPlane() const { return m_near; }
    f32 GetFarPlane() const { return m_far; }
    s32 GetCollisionFlag() const { return m_collisionFlag; }
    const MAT_Angle& GetSmoothedAlpha() const { return m_smoothedAlpha; }
    const MAT_Angle& GetRequestedAlpha() const { return m_requestedAlpha; }
    const MAT_Angle& GetSmoothedBeta() const { return m_smoothedBeta; }
    const MAT_Angle& GetRequestedBeta() const { return m_requestedBeta; }
    f32 GetSmoothedDistance() const { return m_smoothedDistance; }
    f32 GetRequestedDistance() const { return m_requestedDistance; }
    f32 GetMinimumDistance() const { return m_minimumDistance; }
    f32 GetMaximumDistance() const { return m_maximumDistance; }
    const NOD_CameraOffset& GetSourceOffset() const { return m_sourceOffset; }
    const NOD_CameraOffset& GetDestinationOffset() const { return m_destinationOffset; }
    s32 GetKeyCount() const { return m_keyCount; }
    s32 GetKeyCapacity() const { return m_keyCapacity; }
    const NOD_CameraKey& GetKey(s32 _index) const { return m_keys[_index]; }
    const f32* GetMoveParameters() const { return m_moveParameters; }
    u32 GetLoopMode() const { return m_loopMode; }
    NOD_Node* GetPath() const { return (NOD_Node*)m_path.Get(); }
    NOD_Body* GetLookAtBody() const;

private:
    // Sets the jump flag with the driver's current step.
    void SetJump();
    // Records _frame at _time at rest (with _velocity for the look-from mode).
    void Record(f32 _time, const MAT_Matrix34& _frame);
    void RecordWithVelocity(f32 _time, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity);
    // Restarts the track at _time (history dropped) and records the same frame at _time + dt.
    void Restart(f32 _time, f32 _dt, const MAT_Matrix34& _frame);
    // Logs why and stands still where the camera is.
    void Stop(const char* _why);
    // The follow placement's point C for the smoothed values; _target is the followed body's
    // world frame at the time.
    MAT_Vector3 FollowPoint(const MAT_Matrix34& _target) const;
    void HeartBeat_LookFrom();
    void HeartBeat_Follow();
    void HeartBeat_Move();
    void HeartBeat_Watch();
    NOD_Body* GetFirstTarget() const;
    NOD_Body* GetSecondTarget() const;
    // The distance clamped into [minimum, maximum], the maximum tested first.
    f32 ClampDistance(f32 _distance) const;

    s32 m_mode = MODE_STILL;
    VEC_Camera m_camera;
    f32 m_cameraTime;
    RTI_Pointer m_firstTarget;
    NOD_CameraOffset m_sourceOffset;
    RTI_Pointer m_secondTarget;
    NOD_CameraOffset m_destinationOffset;
    MAT_Angle m_smoothedAlpha;
    MAT_Angle m_requestedAlpha;
    MAT_Angle m_smoothedBeta;
    MAT_Angle m_requestedBeta;
    f32 m_smoothedDistance = 0.0f;
    f32 m_requestedDistance = 0.0f;
    f32 m_minimumDistance = 0.0f;
    f32 m_maximumDistance = 0.0f;
    f32 m_fieldOfView;
    f32 m_near = 1.0f;
    f32 m_far = 1024.0f;
    s32 m_collisionFlag = 0;
    NOD_CameraKey* m_keys = nullptr;
    s32 m_keyCount = -1;
    s32 m_keyCapacity = -1;
    f32 m_moveParameters[3] = {};
    u32 m_loopMode = LOOP_ONESHOT;
    RTI_Pointer m_path;
    RTI_Pointer m_lookAt;
    s32 m_jumpFlag = 0;
    u32 m_jumpStep = 0;
};
