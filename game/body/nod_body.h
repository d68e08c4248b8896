// The base of every placed object of the scene: a node with a coordinate system (parent, track,
// attached motion state, world-frame cache), the contact aggregate that holds its collision,
// avoidance, sensing and visibility parts, and a render bucket.
//
// A plain body is an invisible frame that carries sons. Concrete body classes handle
// Node_EnterSimulation and Node_LeaveSimulation themselves (linking the coordinate system to
// the father's and registering the contact parts). The destructor never calls a handler: a
// body leaves the simulation before it is destroyed. Bodies are neither copied nor moved (the
// aggregate's descriptions point back into the body). One thread.
#pragma once

#include "brisel_scene.h"
#include "contactaggregate.h"
#include "mat_matrix.h"
#include "mat_vector.h"
#include "nod_cs.h"
#include "nod_node.h"
#include "os_types.h"

class DES_Section;
class MOT_MotionState;
class SHL_Shield;
class BHV_AttackerSlots;
class COD_Sensor;
struct MAT_AABox;

class NOD_Body : public NOD_Node, public Brisel_Renderable
{
    RTI_DECLARE_CLASS(NOD_Body)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    enum
    {
        RENDER_BUCKET_NONE = 10,
    };

    // _motionState (may be null) is the kinematic state that moves the body; not owned.
    explicit NOD_Body(MOT_MotionState* _motionState = nullptr);
    ~NOD_Body() override;
    NOD_Body(const NOD_Body&) = delete;
    NOD_Body& operator=(const NOD_Body&) = delete;

    // ParseLCS on the context, then ParseIniFile_Des on the data.
    void ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data) override;
    void HeartBeat() override;
    // Body_SetPosition .. Body_GetEmpShield (1000-1013, except 1003 and 1005-1007); every other
    // id goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    s32 GetGCMode() override;
    void Explode() override;
    // A NOD_BodyReplicator: the body track is its property.
    NOD_Replicator* CreateReplicator() override;

    // The twelve operations a body adds, in this order, then the mount frame. Render (called
    // for bodies in buckets 0..9) draws nothing here. The two renderable operations are inline:
    // the thunks that the second base needs are then weak, not exported by the library under
    // the renderer's name.
    void Render() override {}
    // World box at the time: min in _box[0..2], max in _box[3..5].
    virtual void GetBoundingBox(f32* _box, f32 _time);
    virtual SHL_Shield* GetShield();
    virtual COD_Sensor* GetSensor();
    virtual NOD_Body* GetRootBody();
    virtual MAT_Vector3* GetVelocity(MAT_Vector3* _velocity);
    // Evaluates (and caches) the world transform at _time; writes its translation.
    virtual MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time);
    virtual NOD_Node* GetShooter();
    virtual BHV_AttackerSlots* GetAttackerSlots();
    virtual BHV_AttackerSlots* GetTorpedoSlots();
    virtual MOT_MotionState* GetAttachedFrame();
    // Fatal for classes without a physical description.
    virtual f32 GetMass();
    // The frame a gun mounted on this body hangs on when the gun enters the simulation: the
    // body frame here; a turret answers its turning frame, so its gun turns with it.
    virtual NOD_CS* GetMountFrame();

    // The renderer's view: the world position at the frame time, through the cache.
    MAT_Vector3 GetWorldPositionAtTime(f32 _time) override
    {
        MAT_Vector3 position;
        GetMatrixAtTime(&position, _time);
        return position;
    }

    // The node when it is a body (or of a derived class), else null; null for null.
    static NOD_Body* DynamicCast(NOD_Node* _node);
    static const NOD_Body* DynamicCast(const NOD_Node* _node);

    // Reads "Translation", "Rotation0", "Rotation1", "Rotation2" (all mandatory) and places the
    // body there at the current simulation time.
    void ParseLCS(DES_Section& _section);
    // The frame those four keys give: each rotation row turns about the first, second and
    // third axis in turn (degrees), rows in order, then the translation.
    static MAT_Matrix34 ReadLCS(DES_Section& _section);
    // 1 when _node is this body or a body ancestor reached through an unbroken chain of body
    // fathers; 0 otherwise.
    u32 HasBodyAncestor(const NOD_Node* _node) const;
    // 1 when the father is null, no body, or has no physical description.
    u32 IsCollisionRoot() const;
    // GetMass of the top-most body of the chain of body fathers.
    f32 GetRootMass();
    // Selector 0: object collision (value != 0); any other: terrain collision flag = value.
    // Passed on to every body son.
    void SetCollision(u32 _selector, u32 _value);
    // Physical descriptions of type 1 or 2 ignore _node; passed on to every body son.
    void SetNonCollideNode(NOD_Node* _node);
    // Merges the response boxes of every description with contacts this step (sons from the
    // last to the first) and sets *_found to 1 when any did.
    void CollectContactBoxes(MAT_AABox* _boxA, MAT_AABox* _boxB, u32* _found);
    // The first shooter among this step's shot hits of this body, then its body sons depth
    // first; null when none (and at once without a physical description).
    NOD_Node* GetHitShooter();
    // Teleport: the track restarts at _time with the transform at rest, the attached state takes
    // it, and the cached world frame is dropped.
    void SetTransform(f32 _time, const MAT_Matrix34& _transform);
    // The step of a body driven by replication (FLAG_REPLICATED) in place of its own motion:
    // the replicator is evaluated at the simulation time, and the track's frame and velocity at
    // the next step's time go into _state.
    void FollowReplicator(MOT_MotionState& _state);

    // Body_SetEmpShield and Body_GetEmpShield.
    void PM_SetEmpShield(f32 _ratio);
    f32 PM_GetEmpShield();

    // The world transform at _time, through the cache (the parent's too).
    const MAT_Matrix34* GetWorldTransform(f32 _time) { return m_cs.GetWorldTransform(_time); }

    NOD_CS& GetCS() { return m_cs; }
    ContactAggregate& GetAggregate() { return m_aggregate; }
    const ContactAggregate& GetAggregate() const { return m_aggregate; }
    s16 GetRenderBucket() const { return renderBucket; }
    void SetRenderBucket(s16 _bucket) { renderBucket = _bucket; }

    // Installs HasBodyAncestor as the collision layer's compound-body test, or removes it.
    static void InstallHasBodyAncestorTest(bool _install);

    // Time of the cached world frame, -1.0 = none.
    f32 GetWorldCacheTime() const { return m_cs.GetWorldCacheTime(); }

private:
    NOD_CS m_cs;
    ContactAggregate m_aggregate{this};
};
