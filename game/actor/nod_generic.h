// NOD_Generic: a static object of the scene, such as a building. Placed once by its description
// and never moving, it has a mesh, a shield and a generic-kind physical description with the
// usual contact parts, so it blocks, is seen and sensed, casts and receives shadows and can be
// hit. With a section "Attackable" it can be attacked and destroyed; otherwise it never dies,
// whatever its shield says. A turret standing on it counts as mounted on a building.
//
// Pre-lit drawing: a body whose father is no generic body looks in the light-mesh cache
// ("dat\lmesh\") for a mesh with baked lighting named after its node, and hands its generic
// sons the names "<name>_child<i>"; when one exists the body is drawn unlit with it (the lit
// mesh still decides visibility). The mesh handles go back to their caches with the body. One
// thread.
#pragma once

#include "bhv_attackerslots.h"
#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_owner.h"
#include "nod_actormesh.h"
#include "nod_shieldedbody.h"

class NOD_Generic : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Generic)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    NOD_Generic();
    ~NOD_Generic() override;

    // "Visual" ("NameMesh", "" for none), "Collision", "Avoidance", "Emitter", "Shield", the
    // optional "Attackable", then the sons; the pre-lit meshes are looked up last by the top
    // generic body of a group.
    void ParseIniFile_Des(DES_Section& _data) override;
    // The state behaviours around the shield work, the sons, and death when attackable.
    void HeartBeat() override;
    // Node_EnterSimulation, Node_LeaveSimulation, then the state behaviours, then the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    void Render() override;
    void GetBoundingBox(f32* _box, f32 _time) override;
    // The centre of the mesh's box, or the frame's origin without a mesh.
    MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time) override;
    // Null unless attackable.
    BHV_AttackerSlots* GetAttackerSlots() override;
    BHV_AttackerSlots* GetTorpedoSlots() override;
    // Immovable in every contact.
    f32 GetMass() override { return 1.0e20f; }

    // The pre-lit mesh _name + ".msh" (or its pre-parsed image _name + "~.msh") of this body,
    // then "_child<i>" for each son while the sons are generic bodies.
    void LoadMesh(const char* _name);

    s32 GetMeshHandle() const { return m_mesh.GetHandle(); }
    s32 GetLightMeshHandle() const { return m_lightMeshHandle; }
    u32 IsAttackable() const { return m_isAttackable; }

    // The node when it is a generic body (or of a derived class), else null; null for null.
    static NOD_Generic* DynamicCast(NOD_Node* _node);

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();

    NOD_ActorMesh m_mesh;
    s32 m_lightMeshHandle = 0;
    BHV_AttackerSlots* m_attackers = nullptr;
    BHV_AttackerSlots* m_torpedoes = nullptr;
    BHV_Owner m_parts;
    BHV_Body_S_ShotHits m_shotHits;
    BHV_Body_S_ShieldGuard m_shieldGuard;
    BHV_StateBehaviourList m_states;
    u32 m_isAttackable = 0;
};
