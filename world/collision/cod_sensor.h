// A sensor (type 7): perceives the emitters within its ranges on sensing passes, and answers
// direct queries at any time.
//
// Its lists are rebuilt on sensing passes only (emptied by the handler's BeginStep, filled by
// NoteEmitter, thinned by the terrain test in Step and the visibility test in EndStep) and stay
// valid for the passes in between; entries read null once their emitter is gone. The owner
// sets transform, ranges, flags, filter, capacities and the terrain cell; the sensor owns its
// lists and filter. The costly parts are the terrain and tree segment tests per seen emitter.
#pragma once

#include "cod_collidable.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class COD_Emitter;
class MAT_Matrix34;
struct MRT_TerrainCell;

// Bits of COD_Sensor::m_flags.
inline constexpr u32 COD_SENSOR_ACTIVE = 1u << 0;
inline constexpr u32 COD_SENSOR_OCCLUSION = 1u << 1;
inline constexpr u32 COD_SENSOR_NAME_FILTER = 1u << 2;
inline constexpr u32 COD_SENSOR_SEEING = 1u << 3;
inline constexpr u32 COD_SENSOR_HEARING = 1u << 4;
inline constexpr u32 COD_SENSOR_PRESENCE = 1u << 5;
inline constexpr u32 COD_SENSOR_SECTOR = 1u << 6;
inline constexpr u32 COD_SENSOR_VISIBILITY_TESTED = 1u << 7;

// A direction this short is left as it is instead of being normalised (no NaN at distance 0).
inline constexpr f32 COD_SENSOR_MIN_LENGTH_SQUARED = 1.1920929e-7f;

class COD_Sensor : public COD_Collidable
{
public:
    COD_Sensor() = default;
    ~COD_Sensor() override;
    COD_Sensor(const COD_Sensor&) = delete;
    COD_Sensor& operator=(const COD_Sensor&) = delete;

    // Group-3 pair callback on sensing passes: notes a view blocker, then (when active and the
    // name passes) the emitter as seen, heard and present within the ranges, ends included.
    virtual void NoteEmitter(COD_Emitter* _emitter);
    // Drops seen emitters hidden by the ground (Step of a sensing pass).
    virtual void CheckTerrainOcclusion();
    // Drops seen emitters hidden by a noted blocker other than themselves (EndStep of a
    // sensing pass).
    virtual void CheckVisibility();
    // Empties the seen, heard, present and blocking lists.
    virtual void ClearResults();

    // Whether the sensor perceives the emitter now (each answer 0 or 1): ranges exclusive, the
    // cone strict, occlusion by the ground and by the blockers of the last sensing pass.
    void Sense(COD_Emitter* _emitter, s32& _seen, s32& _heard, s32& _present);
    // The sector test of a direction from the sensor: elevation (the sine against the up
    // axis) within the limits, horizontal part within the cone about the forward axis.
    s32 SectorTest(const MAT_Vector3& _d) const;
    // The broad-phase box relative to the position: the cube of half size max(1, the ranges
    // of the senses in use).
    void GetRangeBox(f32 _box[6]) const;
    // Allocates each list with room for that many entries (none for 0 or less); the lists
    // start empty.
    void SetCapacities(s32 _blocking, s32 _heard, s32 _present, s32 _seen);
    // The plain cone looks along the forward axis of this rotation instead of the transform's.
    void SetOrientationDegrees(f32 _heading, f32 _pitch, f32 _roll);
    // Copies the filter as well (at most _count names; none for 0 or less).
    void SetNameFilter(const SIM_Name* _names, s32 _count);
    // Every field of the source, the filter copied, the lists fresh and empty with the same
    // capacities. The copy stays unregistered.
    void Clone(const COD_Sensor& _source);

    MAT_Vector3 GetPosition() const;
    COD_Emitter* GetSeen(s32 _index) const;
    COD_Emitter* GetHeard(s32 _index) const;
    COD_Emitter* GetPresent(s32 _index) const;
    COD_Emitter* GetBlocking(s32 _index) const;

    const MAT_Matrix34* m_transform = nullptr;  // position, forward (second) and up (third) axis
    f32 m_seeingRange = 0.0f;
    f32 m_hearingRange = 0.0f;
    f32 m_presenceRange = 0.0f;
    s32 m_minSoundLevel = 0;
    f32 m_coneCosine = -1.0f;  // all around
    f32 m_minElevation = 0.0f;
    f32 m_maxElevation = 0.0f;
    s32 m_seenCount = 0;
    RTI_Pointer* m_seen = nullptr;
    s32 m_heardCount = 0;
    RTI_Pointer* m_heard = nullptr;
    s32 m_presentCount = 0;
    RTI_Pointer* m_present = nullptr;
    u32 m_flags = 0;
    s32 m_blockingCount = 0;
    s32 m_blockingCapacity = 0;
    RTI_Pointer* m_blocking = nullptr;
    s32 m_seenCapacity = 0;
    s32 m_heardCapacity = 0;
    s32 m_presentCapacity = 0;
    SIM_Name* m_filter = nullptr;
    s32 m_filterCount = 0;
    s32 m_listPosition = -1;  // in COH_Sensor's list, -1 = none
    s32 m_orientationFlag = 0;
    MAT_Vector3 m_orientation;
    // The simulation's terrain cell; no ground while it or its terrain is null.
    MRT_TerrainCell* m_terrainCell = nullptr;

private:
    bool NamePasses(const COD_Emitter& _emitter) const;
    // The cone or sector test of d; the cone passes on a cosine above the cone cosine, or
    // equal to it when _inclusive.
    bool AnglePasses(const MAT_Vector3& _d, bool _inclusive) const;
    // 1 when the ground lies between the sensor and the point.
    s32 TerrainBlocks(const MAT_Vector3& _from, const MAT_Vector3& _to) const;
    // 1 when the tree of a noted blocker other than _emitter crosses the segment.
    s32 BlockerHides(const MAT_Vector3& _from, const COD_Emitter* _emitter) const;
};
