// The parts the self-propelled and the drifting projectiles (torpedo, buzzer) share: their
// render mesh, their way out of the simulation, the debris they leave and the start state a
// clone takes from its prototype.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

class MAT_Matrix34;
class MOT_MotionState;
class NOD_Body;
class NOD_Message;
class NOD_Node;
class REB_Mesh;

// A reference on one mesh of the run's render-mesh cache ("vfx\msh\"): handle 0 is no mesh.
// The reference goes back to the cache with the holder.
class NOD_ProjectileMesh
{
public:
    NOD_ProjectileMesh() = default;
    ~NOD_ProjectileMesh() { Release(); }
    NOD_ProjectileMesh(const NOD_ProjectileMesh&) = delete;
    NOD_ProjectileMesh& operator=(const NOD_ProjectileMesh&) = delete;

    // The mesh file _name (an earlier reference is given back first); fatal in the cache when
    // it cannot be loaded or the cache is full, and without a cache.
    void Allocate(const char* _name, const char* _where);
    // One more reference on the prototype's mesh, for a clone.
    void Share(const NOD_ProjectileMesh& _prototype);
    void Release();

    s32 GetHandle() const { return m_handle; }
    // Null for handle 0 and outside a run.
    REB_Mesh* Get() const;
    // The mesh's box in its own frame (min xyz, max xyz); a point box at the origin without one.
    void GetLocalBox(f32 _box[6]) const;

    // The mesh at the body's world frame at the frame time, when there is one.
    void Render(NOD_Body& _body) const;
    // The world box of the mesh box's eight corners at the time (min xyz, max xyz).
    void GetBoundingBox(NOD_Body& _body, f32* _box, f32 _time) const;
    // The world position of the mesh box's centre at the time.
    MAT_Vector3 GetCentre(NOD_Body& _body, f32 _time) const;
    // The world-axis box (min xyz, max xyz) of the eight corners of _local placed by _world.
    static void WorldBox(const f32 _local[6], const MAT_Matrix34& _world, f32* _box);

private:
    s32 m_handle = 0;
};

// A projectile entering the simulation at its world frame now with _velocity: the contact
// parts registered, the sons sent in, their shields linked, the flag set.
void NOD_EnterProjectile(NOD_Body& _body, const MAT_Vector3& _velocity);
// A projectile leaving the simulation: the sons' shields unlinked, the sons sent out, the
// contact parts unregistered, the flag cleared, and the body frozen at rest where its own
// track has it now (the motion state takes that frame).
void NOD_LeaveProjectile(NOD_Body& _body);
// The simulation messages of a projectile, each deleted: entering runs _enter, leaving
// NOD_LeaveProjectile. Every other message goes to the body base.
NOD_Message* NOD_ProcessProjectileMessage(NOD_Body& _body, NOD_Message* _message, void (*_enter)(NOD_Body& _body));
// Debris of type 0 at the body's world frame now, flying on with _velocity.
void NOD_ExplodeProjectile(NOD_Body& _body, const MAT_Vector3& _velocity);
// A clone's motion state at the place of its prototype's track now, integrating x, y, z and
// the absolute heading-pitch-roll rotation.
void NOD_TakePrototypePlace(MOT_MotionState& _state, NOD_Body& _prototype);
