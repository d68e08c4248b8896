// The triangle mesh under a collision tree: vertices, triangles with their planes computed at
// load, and the triangle list whose ranges the tree's leaves address (so the list gives the
// triangles in tree order).
//
// Every triangle has n = normalize((C - A) x (B - A)) and d = -(n . A): seen from the side n
// points to, A, B, C run clockwise. The mesh owns its three arrays. LoadFile checks every
// count and index against the file, so a loaded mesh can be read without bounds checks:
// corners lie inside the vertices and list entries inside the triangles.
#pragma once

#include "mat_geometry.h"
#include "mem_alloc.h"
#include "os_types.h"

class DES_Section;

struct COS_MeshTriangle
{
    u16 a = 0;  // corner indices into the vertices
    u16 b = 0;
    u16 c = 0;
    MAT_Vector3 normal;
    f32 d = 0.0f;
};

class COS_CollisionMesh : public MEM_Object
{
public:
    COS_CollisionMesh() = default;
    ~COS_CollisionMesh();
    COS_CollisionMesh(const COS_CollisionMesh&) = delete;
    COS_CollisionMesh& operator=(const COS_CollisionMesh&) = delete;

    // Reads the section "MeshTreeInterface" of a collision-tree file, replacing an earlier
    // load. Always 1; a missing or broken part is fatal.
    s32 LoadFile(DES_Section* _section);
    // The triangle that list position _position names: its corners and its stored plane.
    MAT_Triangle GetTriangle(s32 _position) const;

    MAT_AABox box;  // all vertices in the mesh's own frame; zero without vertices
    s32 triangleListCount = 0;
    s32* triangleList = nullptr;
    s32 triangleCount = 0;
    COS_MeshTriangle* triangles = nullptr;
    s32 vertexCount = 0;
    MAT_Vector3* vertices = nullptr;

private:
    void Free();
};
