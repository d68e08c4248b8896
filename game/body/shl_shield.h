// The damage model of a shielded body: kinetic protection on the six faces of a box around
// the body, plus Emp and Bio protection, each with what is left (In), its full strength (InMax)
// and what the body deals when it hits another (Out).
//
// A shield is embedded in its body and parsed once from the body's "Shield" section before the
// body enters the simulation. Hits walk up a chain of shields from a son body to its father's
// (the next shield, linked and unlinked by the contact aggregate; not owned). An In value of -1
// never takes damage. Until parsed, every In and InMax is -1, no face pair is active, the
// propagation ratio is 1 and the extents are FLT_MAX: an unparsed shield reads as never damaged,
// not as exhausted.
//
// When "ShowShield" is set the shield holds one reference on "box.msh" in the render-mesh cache
// and gives it back in its destructor, so the run's cache must outlive it. Every float-to-integer
// damage goes through MAT_FloorByRounding: NaN or infinite products from scripts or data give
// defined values, and results are pinned to the s32 range. One thread.
#pragma once

#include <cfloat>

#include "mat_matrix.h"
#include "mat_vector.h"
#include "os_types.h"

class DES_Section;

// Faces in the body's local axes.
enum SHL_Face : s32
{
    SHL_FACE_RIGHT = 0,  // +X
    SHL_FACE_LEFT = 1,   // -X
    SHL_FACE_FRONT = 2,  // +Y
    SHL_FACE_BACK = 3,   // -Y
    SHL_FACE_TOP = 4,    // +Z
    SHL_FACE_BOT = 5,    // -Z
    SHL_FACE_COUNT = 6,
};

class SHL_Shield
{
public:
    SHL_Shield() = default;
    virtual ~SHL_Shield();
    // A shield holds a mesh reference and sits in a chain: copies go through CopyFrom.
    SHL_Shield(const SHL_Shield&) = delete;
    SHL_Shield& operator=(const SHL_Shield&) = delete;

    // Reads the "Shield" section the owner found (keys and subsections "Kinetic", "Emp", "Bio");
    // a missing key or subsection, a ratio outside 0..1 and a mesh that does not load are fatal.
    void Parse(DES_Section* _section);
    // Fatal unless 0 <= ratio <= 1 (NaN included): the check of "DamagePropagationRatio".
    static void CheckPropagationRatio(f32 _ratio);

    // A clone's shield: every value, the mesh handle (with a reference of its own) and the
    // next-shield link of _other.
    void CopyFrom(const SHL_Shield& _other);

    // Subtracts one weighted hit: Emp, then Bio, then the kinetic damage on _face, which a
    // charged Bio shield lessens. Values at -1 are skipped; results never go below 0.
    virtual void Absorb(s32 _kinetic, s32 _emp, s32 _bio, f32 _weight, s32 _face);
    // One hit by a body with _hitter's Out values: the father's shields take their share first,
    // then this one keeps its ratio of it on the face its own motion relative to the hitter
    // (_ownVelocity - _hitterVelocity, world) points at in _ownMatrix.
    void PropagateHit(const SHL_Shield* _hitter, const MAT_Vector3& _hitterVelocity, const MAT_Vector3& _ownVelocity,
                      const MAT_Matrix34& _ownMatrix, f32 _weight);
    // One step of terrain contact along the world direction: the selected face (with a pair
    // active) and, always, the Right face lose TerrainOutPoints.
    void TerrainHit(const MAT_Vector3& _direction, const MAT_Matrix34& _ownMatrix);
    // The face that a local direction points at through the box of half sizes _extents.
    static s32 SelectFace(const MAT_Vector3& _direction, const MAT_Vector3& _extents);

    // 1 when a face of an active pair (or, with none active, the Right face) is at 0.
    u32 IsExhausted() const;
    // The smallest In/InMax of the faces of active pairs; Right's alone with none active.
    f32 GetWeakestRatio() const;

    // In/InMax of a face (0..5), -1.0 for another face; an InMax of 0 gives what the division gives.
    f64 GetFaceRatio(s32 _face) const;
    f64 GetEmpRatio() const;
    f64 GetBioRatio() const;
    // In = floor(InMax x ratio) for a face (0..5; others do nothing), and for Emp and Bio only
    // when their InMax is 0 or more.
    void SetFaceRatio(f32 _ratio, s32 _face);
    void SetEmpRatio(f32 _ratio);
    void SetBioRatio(f32 _ratio);

    // The damage chain, set by the contact aggregate; null at the top.
    SHL_Shield* GetNextShield() const { return m_next; }
    void SetNextShield(SHL_Shield* _next) { m_next = _next; }

    s32 GetKineticOut() const { return m_kineticOut; }
    s32 GetEmpOut() const { return m_empOut; }
    s32 GetBioOut() const { return m_bioOut; }
    s32 GetFaceIn(s32 _face) const { return m_kineticIn[_face]; }
    s32 GetFaceInMax(s32 _face) const { return m_kineticInMax[_face]; }
    s32 GetEmpIn() const { return m_empIn; }
    s32 GetEmpInMax() const { return m_empInMax; }
    s32 GetBioIn() const { return m_bioIn; }
    s32 GetBioInMax() const { return m_bioInMax; }
    s32 GetTerrainOutPoints() const { return m_terrainOutPoints; }
    u32 IsLeftRightActive() const { return m_leftRightActive; }
    u32 IsFrontBackActive() const { return m_frontBackActive; }
    u32 IsTopBottomActive() const { return m_topBottomActive; }
    u32 GetShowShield() const { return m_showShield; }
    f32 GetPropagationRatio() const { return m_propagationRatio; }
    const MAT_Vector3& GetExtents() const { return m_extents; }
    // 1-based handle of "box.msh" in the render-mesh cache, 0 = none.
    s32 GetMeshHandle() const { return m_meshHandle; }

    // Direct setters for bodies made in code and for tests; descriptions go through Parse.
    void SetFace(s32 _face, s32 _in, s32 _inMax)
    {
        m_kineticIn[_face] = _in;
        m_kineticInMax[_face] = _inMax;
    }
    void SetEmp(s32 _out, s32 _in, s32 _inMax)
    {
        m_empOut = _out;
        m_empIn = _in;
        m_empInMax = _inMax;
    }
    void SetBio(s32 _out, s32 _in, s32 _inMax)
    {
        m_bioOut = _out;
        m_bioIn = _in;
        m_bioInMax = _inMax;
    }
    void SetKineticOut(s32 _out) { m_kineticOut = _out; }
    void SetTerrainOutPoints(s32 _points) { m_terrainOutPoints = _points; }
    // An inactive pair's extent becomes FLT_MAX, as parsing leaves it.
    void SetPairs(u32 _leftRight, u32 _frontBack, u32 _topBottom, const MAT_Vector3& _extents);
    void SetPropagationRatio(f32 _ratio) { m_propagationRatio = _ratio; }

private:
    u32 AnyPairActive() const { return m_leftRightActive | m_frontBackActive | m_topBottomActive; }
    void ReleaseMesh();

    MAT_Vector3 m_extents = {FLT_MAX, FLT_MAX, FLT_MAX};
    s32 m_kineticOut = 0;
    s32 m_kineticIn[SHL_FACE_COUNT] = {-1, -1, -1, -1, -1, -1};
    s32 m_empOut = 0;
    s32 m_empIn = -1;
    s32 m_bioOut = 0;
    s32 m_bioIn = -1;
    s32 m_kineticInMax[SHL_FACE_COUNT] = {-1, -1, -1, -1, -1, -1};
    s32 m_empInMax = -1;
    s32 m_bioInMax = -1;
    s32 m_terrainOutPoints = 0;
    u32 m_leftRightActive = 0;
    u32 m_frontBackActive = 0;
    u32 m_topBottomActive = 0;
    u32 m_showShield = 0;
    f32 m_propagationRatio = 1.0f;
    s32 m_meshHandle = 0;
    SHL_Shield* m_next = nullptr;
};
