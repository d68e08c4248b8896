#include "shl_shield.h"

#include "brisel_cache.h"
#include "des_file.h"
#include "mat_round.h"
#include "os_fatal.h"

namespace
{
const char* const PARSE = "SHL_Shield::Parse";

const char* const FACE_IN_KEYS[SHL_FACE_COUNT] = {"RightIn", "LeftIn", "FrontIn", "BackIn", "TopIn", "BotIn"};
const char* const FACE_IN_MAX_KEYS[SHL_FACE_COUNT] = {"RightInMax", "LeftInMax", "FrontInMax",
                                                      "BackInMax",  "TopInMax",  "BotInMax"};

// A value after a loss, never below 0. Data and scripts may hand in any s32 (a negative loss
// from a description adds), so the difference is taken wide and pinned rather than overflowing.
s32 Reduced(s32 _value, s32 _loss)
{
    const s64 left = (s64)_value - (s64)_loss;
    if (left <= 0)
        return 0;
    return left >= 2147483647 ? 2147483647 : (s32)left;
}

// The less-than of face selection: succeeds when either quotient is not a number, which is
// how a zero vector falls through to Back.
bool LessOrNaN(f32 _a, f32 _b) { return !(_a >= _b); }

u32 ReadFlag(DES_Section* _section, const char* _key)
{
    s32 value = 0;
    _section->GetS32(_key, &value);
    return value == 1 ? 1u : 0u;
}

void FindSub(DES_Section* _section, DES_Section* _out, const char* _name)
{
    if (_section->FindSection(_out, _name) == 0)
        DES_FatalSection(PARSE, _name, _section->GetFile() != nullptr ? _section->GetFile()->GetName() : "");
}

f64 Ratio(s32 _in, s32 _inMax) { return (f64)_in / (f64)_inMax; }
}  // namespace

SHL_Shield::~SHL_Shield() { ReleaseMesh(); }

void SHL_Shield::ReleaseMesh()
{
    if (m_meshHandle != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->GetRenderMeshCache()->Release(m_meshHandle);
    m_meshHandle = 0;
}

void SHL_Shield::CheckPropagationRatio(f32 _ratio)
{
    if (!(_ratio >= 0.0f && _ratio <= 1.0f))
        OS_Fatal(PARSE, "DamagaPropagationRatio out of range (0..1)");
}

void SHL_Shield::Parse(DES_Section* _section)
{
    s32 show = 0;
    _section->GetS32("ShowShield", &show);
    m_showShield = show == 1 ? 1u : 0u;
    // A shield parsed again gives back the reference of its earlier reading first.
    ReleaseMesh();
    if (m_showShield != 0) {
        if (Brisel_TheCache == nullptr)
            OS_Fatal(PARSE, "no resource cache");
        m_meshHandle = Brisel_TheCache->GetRenderMeshCache()->Allocate("box.msh", 1);
    }

    _section->GetFloat("DamagePropagationRatio", &m_propagationRatio);
    CheckPropagationRatio(m_propagationRatio);
    _section->GetS32("TerrainOutPoints", &m_terrainOutPoints);

    DES_Section kinetic;
    FindSub(_section, &kinetic, "Kinetic");
    kinetic.GetS32("Out", &m_kineticOut);
    m_leftRightActive = ReadFlag(&kinetic, "LeftRightActive");
    m_frontBackActive = ReadFlag(&kinetic, "FrontBackActive");
    m_topBottomActive = ReadFlag(&kinetic, "TopBottomActive");
    kinetic.GetFloat("X-Extension-In", &m_extents.x);
    kinetic.GetFloat("Y-Extension-In", &m_extents.y);
    kinetic.GetFloat("Z-Extension-In", &m_extents.z);
    SetPairs(m_leftRightActive, m_frontBackActive, m_topBottomActive, m_extents);
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        kinetic.GetS32(FACE_IN_KEYS[face], &m_kineticIn[face]);
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        kinetic.GetS32(FACE_IN_MAX_KEYS[face], &m_kineticInMax[face]);

    DES_Section emp;
    FindSub(_section, &emp, "Emp");
    emp.GetS32("Out", &m_empOut);
    emp.GetS32("In", &m_empIn);
    emp.GetS32("InMax", &m_empInMax);

    DES_Section bio;
    FindSub(_section, &bio, "Bio");
    bio.GetS32("Out", &m_bioOut);
    bio.GetS32("In", &m_bioIn);
    bio.GetS32("InMax", &m_bioInMax);
}

void SHL_Shield::SetPairs(u32 _leftRight, u32 _frontBack, u32 _topBottom, const MAT_Vector3& _extents)
{
    m_leftRightActive = _leftRight != 0 ? 1u : 0u;
    m_frontBackActive = _frontBack != 0 ? 1u : 0u;
    m_topBottomActive = _topBottom != 0 ? 1u : 0u;
    m_extents = _extents;
    // An inactive axis must practically never win the face selection.
    if (m_topBottomActive == 0)
        m_extents.z = FLT_MAX;
    if (m_frontBackActive == 0)
        m_extents.y = FLT_MAX;
    if (m_leftRightActive == 0)
        m_extents.x = FLT_MAX;
}

void SHL_Shield::CopyFrom(const SHL_Shield& _other)
{
    if (&_other == this)
        return;
    ReleaseMesh();
    m_extents = _other.m_extents;
    m_kineticOut = _other.m_kineticOut;
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face) {
        m_kineticIn[face] = _other.m_kineticIn[face];
        m_kineticInMax[face] = _other.m_kineticInMax[face];
    }
    m_empOut = _other.m_empOut;
    m_empIn = _other.m_empIn;
    m_empInMax = _other.m_empInMax;
    m_bioOut = _other.m_bioOut;
    m_bioIn = _other.m_bioIn;
    m_bioInMax = _other.m_bioInMax;
    m_terrainOutPoints = _other.m_terrainOutPoints;
    m_leftRightActive = _other.m_leftRightActive;
    m_frontBackActive = _other.m_frontBackActive;
    m_topBottomActive = _other.m_topBottomActive;
    m_showShield = _other.m_showShield;
    m_propagationRatio = _other.m_propagationRatio;
    m_next = _other.m_next;
    if (_other.m_meshHandle != 0 && Brisel_TheCache != nullptr) {
        Brisel_TheCache->GetRenderMeshCache()->AddRef(_other.m_meshHandle);
        m_meshHandle = _other.m_meshHandle;
    }
}

void SHL_Shield::Absorb(s32 _kinetic, s32 _emp, s32 _bio, f32 _weight, s32 _face)
{
    if (m_empIn != -1)
        m_empIn = Reduced(m_empIn, MAT_FloorByRounding((f32)_emp * _weight));

    // A face outside 0..5 names no kinetic value: only Emp and Bio take such a hit.
    const bool faceValid = _face >= 0 && _face < SHL_FACE_COUNT;
    if (m_bioIn != -1) {
        m_bioIn = Reduced(m_bioIn, MAT_FloorByRounding((f32)_bio * _weight));
        if (faceValid && m_kineticIn[_face] != -1) {
            const s32 kinetic = MAT_FloorByRounding((f32)_kinetic * _weight);
            // A Bio shield without strength lessens nothing; the quotient would be infinite or
            // not a number.
            s32 passed = kinetic;
            if (m_bioInMax != 0) {
                const f32 factor = 1.0f - (f32)m_bioIn * 0.9f / (f32)m_bioInMax;
                passed = MAT_FloorByRounding(factor * (f32)kinetic);
            }
            m_kineticIn[_face] = Reduced(m_kineticIn[_face], passed);
        }
    } else if (faceValid && m_kineticIn[_face] != -1) {
        m_kineticIn[_face] = Reduced(m_kineticIn[_face], MAT_FloorByRounding((f32)_kinetic * _weight));
    }
}

void SHL_Shield::PropagateHit(const SHL_Shield* _hitter, const MAT_Vector3& _hitterVelocity,
                              const MAT_Vector3& _ownVelocity, const MAT_Matrix34& _ownMatrix, f32 _weight)
{
    if (_hitter == nullptr)
        return;
    if (m_next != nullptr)
        m_next->PropagateHit(_hitter, _hitterVelocity, _ownVelocity, _ownMatrix, _weight * (1.0f - m_propagationRatio));

    s32 face = SHL_FACE_RIGHT;
    if (AnyPairActive() != 0) {
        const MAT_Vector3 relative = _ownVelocity - _hitterVelocity;
        face = SelectFace(_ownMatrix.InverseRotate(relative), m_extents);
    }
    Absorb(_hitter->m_kineticOut, _hitter->m_empOut, _hitter->m_bioOut, _weight * m_propagationRatio, face);
}

void SHL_Shield::TerrainHit(const MAT_Vector3& _direction, const MAT_Matrix34& _ownMatrix)
{
    if (AnyPairActive() != 0) {
        const s32 face = SelectFace(_ownMatrix.InverseRotate(_direction), m_extents);
        if (m_kineticIn[face] >= 0)
            m_kineticIn[face] = Reduced(m_kineticIn[face], m_terrainOutPoints);
    }
    // The Right face pays for every terrain step, on top of the selected face (twice when it
    // is the selected face).
    if (m_kineticIn[SHL_FACE_RIGHT] >= 0)
        m_kineticIn[SHL_FACE_RIGHT] = Reduced(m_kineticIn[SHL_FACE_RIGHT], m_terrainOutPoints);
}

s32 SHL_Shield::SelectFace(const MAT_Vector3& _direction, const MAT_Vector3& _extents)
{
    const f32 a = _direction.x < 0.0f ? -_direction.x : _direction.x;
    const f32 b = _direction.y < 0.0f ? -_direction.y : _direction.y;
    const f32 c = _direction.z < 0.0f ? -_direction.z : _direction.z;
    // b/e.y > a/e.x, written as quotients of extents against quotients of components.
    if (LessOrNaN(_extents.y / _extents.x, b / a)) {
        if (LessOrNaN(_extents.y / _extents.z, b / c))
            return _direction.y > 0.0f ? SHL_FACE_FRONT : SHL_FACE_BACK;
    } else if (LessOrNaN(_extents.x / _extents.z, a / c)) {
        return _direction.x > 0.0f ? SHL_FACE_RIGHT : SHL_FACE_LEFT;
    }
    return _direction.z > 0.0f ? SHL_FACE_TOP : SHL_FACE_BOT;
}

u32 SHL_Shield::IsExhausted() const
{
    if (m_leftRightActive != 0 && (m_kineticIn[SHL_FACE_RIGHT] == 0 || m_kineticIn[SHL_FACE_LEFT] == 0))
        return 1;
    if (m_frontBackActive != 0 && (m_kineticIn[SHL_FACE_FRONT] == 0 || m_kineticIn[SHL_FACE_BACK] == 0))
        return 1;
    if (m_topBottomActive != 0 && (m_kineticIn[SHL_FACE_TOP] == 0 || m_kineticIn[SHL_FACE_BOT] == 0))
        return 1;
    if (AnyPairActive() == 0)
        return m_kineticIn[SHL_FACE_RIGHT] == 0 ? 1u : 0u;
    return 0;
}

f32 SHL_Shield::GetWeakestRatio() const
{
    if (AnyPairActive() == 0)
        return (f32)m_kineticIn[SHL_FACE_RIGHT] / (f32)m_kineticInMax[SHL_FACE_RIGHT];
    const u32 active[3] = {m_leftRightActive, m_frontBackActive, m_topBottomActive};
    f32 weakest = FLT_MAX;
    for (s32 pair = 0; pair < 3; ++pair) {
        if (active[pair] == 0)
            continue;
        const s32 first = pair * 2;
        const f32 one = (f32)m_kineticIn[first] / (f32)m_kineticInMax[first];
        const f32 other = (f32)m_kineticIn[first + 1] / (f32)m_kineticInMax[first + 1];
        const f32 smaller = other < one ? other : one;
        if (smaller < weakest)
            weakest = smaller;
    }
    return weakest;
}

f64 SHL_Shield::GetFaceRatio(s32 _face) const
{
    if (_face < 0 || _face >= SHL_FACE_COUNT)
        return -1.0;
    return Ratio(m_kineticIn[_face], m_kineticInMax[_face]);
}

f64 SHL_Shield::GetEmpRatio() const { return Ratio(m_empIn, m_empInMax); }

f64 SHL_Shield::GetBioRatio() const { return Ratio(m_bioIn, m_bioInMax); }

void SHL_Shield::SetFaceRatio(f32 _ratio, s32 _face)
{
    if (_face < 0 || _face >= SHL_FACE_COUNT)
        return;
    m_kineticIn[_face] = MAT_FloorByRounding((f32)m_kineticInMax[_face] * _ratio);
}

void SHL_Shield::SetEmpRatio(f32 _ratio)
{
    if (m_empInMax >= 0)
        m_empIn = MAT_FloorByRounding((f32)m_empInMax * _ratio);
}

void SHL_Shield::SetBioRatio(f32 _ratio)
{
    if (m_bioInMax >= 0)
        m_bioIn = MAT_FloorByRounding((f32)m_bioInMax * _ratio);
}
