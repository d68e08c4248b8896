// The animation set of a character and what the character builds from it.
#include "nod_characterset.h"

#include "bhv_behaviourlist.h"
#include "brisel_cache.h"
#include "des_file.h"
#include "mat_geometry.h"
#include "mem_alloc.h"
#include "mot_oldone.h"
#include "nod_body.h"
#include "nod_bodylink.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "vca_animdata.h"
#include "vca_cache.h"
#include "vca_skin.h"

namespace
{
constexpr u32 NAME_BYTES = 256;

CON_Cache<VCA_Cache>* AnimationSets()
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetAnimationCache() : nullptr;
}
}  // namespace

NOD_AnimationSetReference::~NOD_AnimationSetReference()
{
    if (m_handle != 0 && AnimationSets() != nullptr)
        AnimationSets()->Release(m_handle);
}

void NOD_AnimationSetReference::Acquire(const char* _name)
{
    CON_Cache<VCA_Cache>* sets = AnimationSets();
    if (sets == nullptr)
        OS_Fatal("CON_Cache::Allocate() file not found", _name);
    m_handle = sets->Allocate(_name, 1);
}

VCA_Cache* NOD_AnimationSetReference::Get() const
{
    return m_handle != 0 && AnimationSets() != nullptr ? AnimationSets()->Get(m_handle) : nullptr;
}

NOD_CharacterSet::~NOD_CharacterSet() { MEM_Free(m_handles); }

void NOD_CharacterSet::Load(DES_Section& _data, const char* _where)
{
    // The skeleton, the controller's slots and the behaviours are built once.
    if (m_set.GetHandle() != 0)
        OS_Fatal(_where, OS_Format("second description in file \"%s\"", NOD_DesFileName(_data)));
    DES_Section animation = NOD_RequireSection(_data, "Animation", _where);
    char name[NAME_BYTES] = {};
    animation.GetString("AnimationFile", name, sizeof(name));
    m_set.Acquire(name);
    VCA_Cache* set = m_set.Get();
    skin = set->skin;
    skeleton.Load(set->path);
    controller.SetSkeleton(&skeleton);
    const s32 count = set->NumOfAnimation > 0 ? set->NumOfAnimation : 0;
    if (count > 0)
        m_handles = (s32*)MEM_Alloc((u32)count * (u32)sizeof(s32));
    m_count = count;
    for (s32 i = 0; i < count; ++i)
        m_handles[i] = controller.AddAnimation(&set->animations[i]);
}

void NOD_CharacterSet::GetBoundingBox(NOD_Body& _body, f32* _box, f32 _time)
{
    MAT_AABox unit;
    unit.m_min = MAT_Vector3(-0.5f, -0.5f, -0.5f);
    unit.m_max = MAT_Vector3(0.5f, 0.5f, 0.5f);
    MAT_Vector3 corners[8];
    unit.Transform(*_body.GetWorldTransform(_time), corners);
    MAT_AABox world;
    world.m_min = world.m_max = corners[0];
    for (const MAT_Vector3& corner : corners) {
        world.m_min = MAT_Vector3(corner.x < world.m_min.x ? corner.x : world.m_min.x,
                                  corner.y < world.m_min.y ? corner.y : world.m_min.y,
                                  corner.z < world.m_min.z ? corner.z : world.m_min.z);
        world.m_max = MAT_Vector3(corner.x > world.m_max.x ? corner.x : world.m_max.x,
                                  corner.y > world.m_max.y ? corner.y : world.m_max.y,
                                  corner.z > world.m_max.z ? corner.z : world.m_max.z);
    }
    _box[0] = world.m_min.x;
    _box[1] = world.m_min.y;
    _box[2] = world.m_min.z;
    _box[3] = world.m_max.x;
    _box[4] = world.m_max.y;
    _box[5] = world.m_max.z;
}

void NOD_CharacterSet::Animate(f32 _time)
{
    controller.Update(_time);
    if (skin != nullptr && skin->GetMesh() != nullptr)
        skin->ComputeAnimatedMesh(1.0f, &skeleton);
}

void NOD_StepCharacter(NOD_Body& _body, BHV_ActionBehaviourSlot& _actions, MOT_OldOne& _motion)
{
    _actions.Handle();
    const SIM_Clock& clock = SIM_GetSimulationClock();
    _motion.ApplyFrictionOnFreeAxes(clock);
    _motion.Translation.Step(clock, _motion.State);
    _motion.Rotation.Step(clock, _motion.State);
    _motion.State.Integrate(clock);
    _body.GetCS().RecordStep(clock.time + clock.dt, _motion.State.frame, _motion.State.GetVelocity());
}
