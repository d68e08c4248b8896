// NOD_ActorMesh: the reference on a render mesh that the static and turret bodies draw, box and
// place themselves by.
#pragma once

#include "mat_matrix.h"
#include "mat_vector.h"
#include "os_types.h"

class REB_Mesh;

// A handle of the run's render-mesh cache ("vfx\msh\"), 0 for none; the reference goes back
// with the holder. Without a mesh the unit box from -0.5 to +0.5 stands in for the mesh's box.
class NOD_ActorMesh
{
public:
    NOD_ActorMesh() = default;
    ~NOD_ActorMesh() { Release(); }
    NOD_ActorMesh(const NOD_ActorMesh&) = delete;
    NOD_ActorMesh& operator=(const NOD_ActorMesh&) = delete;

    // The mesh file _name (an earlier reference is given back first); the cache stops the
    // program when it cannot be loaded or is full, _where names the caller without a cache.
    void Allocate(const char* _name, const char* _where);
    void Release();

    s32 GetHandle() const { return m_handle; }
    // Null for handle 0, a handle the cache does not hold, and outside a run.
    REB_Mesh* Get() const;
    // The mesh's box in its own frame (min xyz, max xyz), or the unit box.
    void GetLocalBox(f32 _box[6]) const;
    // The box around the local box's eight corners placed by _frame.
    void GetWorldBox(const MAT_Matrix34& _frame, f32* _box) const;
    // The local box's centre placed by _frame; the frame's origin without a mesh.
    MAT_Vector3 GetCentre(const MAT_Matrix34& _frame) const;

private:
    s32 m_handle = 0;
};
