// A sensor (type 7): perceives the emitters within its ranges on sensing passes.
//
// Its lists are rebuilt on sensing passes only (cleared by the handler's BeginStep, filled by
// the pair callbacks, thinned by the terrain test in Step and the visibility test in EndStep)
// and stay valid for the passes in between. The owner sets ranges, flags and capacities.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class COD_Emitter;
class MAT_Matrix34;

// Bits of COD_Sensor::m_flags.
inline constexpr u32 COD_SENSOR_ACTIVE = 1u << 0;
inline constexpr u32 COD_SENSOR_OCCLUSION = 1u << 1;
inline constexpr u32 COD_SENSOR_NAME_FILTER = 1u << 2;
inline constexpr u32 COD_SENSOR_SEEING = 1u << 3;
inline constexpr u32 COD_SENSOR_HEARING = 1u << 4;
inline constexpr u32 COD_SENSOR_PRESENCE = 1u << 5;
inline constexpr u32 COD_SENSOR_SECTOR = 1u << 6;
inline constexpr u32 COD_SENSOR_VISIBILITY_TESTED = 1u << 7;

class COD_Sensor : public COD_Collidable
{
public:
    COD_Sensor() = default;
    ~COD_Sensor() override;
    COD_Sensor(const COD_Sensor&) = delete;
    COD_Sensor& operator=(const COD_Sensor&) = delete;

    // Group-3 pair callback on sensing passes.
    virtual void NoteEmitter(COD_Emitter* _emitter);
    // Drops seen emitters hidden by the terrain (Step of a sensing pass).
    virtual void CheckTerrainOcclusion();
    // Drops seen emitters hidden by view-blocking ones (EndStep of a sensing pass).
    virtual void CheckVisibility();
    // Empties the seen, heard, present and blocking lists.
    virtual void ClearResults();

    const MAT_Matrix34* m_transform = nullptr;
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
    f32 m_orientation[3] = {};
};
