// NOD_ActorMesh: the reference on a render mesh that the static and turret bodies draw, box and
// place themselves by.
#pragma once

#include "mat_matrix.h"
#include "mat_vector.h"
#include "nod_projectile.h"
#include "os_types.h"

// A reference on a mesh of the run's render-mesh cache, as the projectiles hold theirs, with
// the boxes of a placed body: without a mesh the unit box from -0.5 to +0.5 stands in for the
// mesh's box.
class NOD_ActorMesh : public NOD_ProjectileMesh
{
public:
    // The mesh's box in its own frame (min xyz, max xyz), or the unit box.
    void GetBodyBox(f32 _box[6]) const;
    // The box around the body box's eight corners placed by _frame.
    void GetWorldBox(const MAT_Matrix34& _frame, f32* _box) const;
    // The body box's centre placed by _frame; the frame's origin without a mesh.
    MAT_Vector3 GetCentre(const MAT_Matrix34& _frame) const;
};
