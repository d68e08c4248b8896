// The collision manager of a benchmark run and its per-step pass.
//
// Objects register with the handler of their type (0 to 9) with an axis-aligned box (six f32:
// minimum x, y, z, maximum x, y, z) that their owner updates every step. Type t belongs to
// group t / 2, and each group has its own sweep list, so only types of one group ever meet;
// two entries pair when either's collide mask holds the other's type bit and their user
// values (the owners' root bodies) differ. Process hands each overlapping pair to the
// callback of its group and then runs the handlers' own per-step work, always in slot order
// and in the lists' pair order, never in an order that depends on addresses.
// The system owns its sweep lists and one pair buffer that only grows; the handlers belong
// to the caller and must outlive the system's use of them. Single-threaded; nothing may
// register, move or remove objects during Process.
#pragma once

#include "cos_sweeplist.h"
#include "mem_alloc.h"
#include "os_types.h"

class COD_Collidable;
class COH_HandlerBase;
struct SIM_Clock;

inline constexpr u32 COS_MAX_TYPES = 32;
inline constexpr s32 COS_GROUP_COUNT = 5;  // types 0 to 9 have a sweep list
inline constexpr s32 COS_INITIAL_PAIR_CAPACITY = 10000;

// The object types and their handlers.
enum COS_ObjectType : u32
{
    COS_TYPE_PHYSICAL = 0,
    COS_TYPE_VISIBLE = 2,
    COS_TYPE_VIEWER = 3,
    COS_TYPE_PASSIVE_AVOID = 4,
    COS_TYPE_ACTIVE_AVOID = 5,
    COS_TYPE_EMITTER = 6,
    COS_TYPE_SENSOR = 7,
    COS_TYPE_SHADOW_CASTER = 8,
    COS_TYPE_SHADOW_RECEIVER = 9,
};

class COS_CollisionSystem : public MEM_Object
{
public:
    // Every sweep list is built with these values (the simulation passes 2, 512, 4096).
    COS_CollisionSystem(s32 _axes, s32 _capacity, s32 _nodeCapacity);
    COS_CollisionSystem(const COS_CollisionSystem&) = delete;
    COS_CollisionSystem& operator=(const COS_CollisionSystem&) = delete;
    ~COS_CollisionSystem();

    // The handler's SetType rejects any type but its own (fatal) before anything is stored.
    void RegisterHandler(COH_HandlerBase* _handler, u32 _type, u32 _mask);

    // Writes the type into the object and enters the box in the type's group list with the
    // mask registered for the type. A type without a sweep list (10 or more) is fatal.
    s32 Insert(const f32 _box[6], u32 _type, COD_Collidable* _object, const void* _userValue);
    // As Insert, starting from a registered neighbour's entry; -1 and nothing entered when the
    // neighbour's entry is not in use.
    s32 InsertNextTo(const f32 _box[6], u32 _type, COD_Collidable* _object, const void* _userValue, s32 _neighbour);
    // The entry must be in use in the type's list (the handlers only pass their own).
    void Remove(u32 _type, s32 _entryId);
    void Update(u32 _type, s32 _entryId, const f32 _box[6]);

    // One collision pass with the simulation clock.
    void Process(const SIM_Clock& _clock);

    COH_HandlerBase* GetHandler(u32 _type) const { return _type < COS_MAX_TYPES ? m_handlers[_type] : nullptr; }
    u32 GetCollideMask(u32 _type) const { return _type < COS_MAX_TYPES ? m_masks[_type] : 0; }
    const COS_SweepList& GetSweepList(s32 _group) const { return *m_lists[_group]; }
    s32 GetPairCapacity() const { return m_pairCapacity; }

private:
    // The sweep list of a type that has one; fatal otherwise.
    COS_SweepList& ListOfType(u32 _type);
    COS_LIST_BoxAttributes MakeAttributes(u32 _type, COD_Collidable* _object, const void* _userValue) const;
    // The group's pairs into the shared buffer, grown until they fit; returns their number.
    s32 FetchPairs(s32 _group);

    COS_SweepList* m_lists[COS_GROUP_COUNT] = {};
    COH_HandlerBase* m_handlers[COS_MAX_TYPES] = {};
    u32 m_masks[COS_MAX_TYPES] = {};
    COS_LIST_Pair* m_pairs = nullptr;
    s32 m_pairCapacity = 0;
};
