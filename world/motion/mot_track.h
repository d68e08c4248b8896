// Motion tracks: the recent history of a placed object's state, evaluated at any time.
//
// A position track keeps its four newest samples in a fixed pool (recording never allocates)
// and answers the value and rate at a time: on the cubic through the two neighbouring samples
// and their rates, straight on with the rate of the end sample beyond either end. An
// orientation track is three position tracks, one per axis; a transform track joins a
// translation and an orientation and orthonormalises the result. Every level caches its last
// evaluation by time, so returned pointers stay valid until the next evaluation of the same
// track. Callers record at increasing times; a track is evaluated only after its first sample.
// Tracks hold pointers into themselves and therefore never copy. Single-threaded.
#pragma once

#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "rpl_replicatedproperty.h"

// One recorded sample: a value (a position or one axis of an orientation) and its rate.
struct MOT_StateSample
{
    MAT_Vector3 value;
    MAT_Vector3 derivative;
    f32 time = 0.0f;
    // The next newer live sample, or the next free one.
    MOT_StateSample* next = nullptr;
    MOT_StateSample* previous = nullptr;
};

class MOT_StateSampleList
{
public:
    static constexpr u32 CAPACITY = 4;

    MOT_StateSampleList();
    MOT_StateSampleList(const MOT_StateSampleList&) = delete;
    MOT_StateSampleList& operator=(const MOT_StateSampleList&) = delete;

    // A sample within 2^-23 of the newest one's time overwrites it; otherwise the sample is
    // appended, taking the oldest one's place when the pool is full.
    void Record(const MOT_StateSample& _sample);
    // Value and rate at t (zero when nothing was recorded); the out sample's time is t.
    void Evaluate(f32 _t, MOT_StateSample& _out) const;
    // A free sample, else the oldest live one unlinked from the list.
    MOT_StateSample* Allocate();
    // Returns every live sample to the free list.
    void Clear();

    u32 GetCount() const { return m_count; }
    const MOT_StateSample* GetOldest() const { return m_oldest; }
    const MOT_StateSample* GetNewest() const { return m_newest; }

private:
    MOT_StateSample m_pool[CAPACITY];
    MOT_StateSample* m_free = nullptr;
    MOT_StateSample* m_oldest = nullptr;
    MOT_StateSample* m_newest = nullptr;
    u32 m_count = 0;
};

// Base of the tracks, each a replicated property. The modes serve the replication of tracks
// between machines, which this program never runs: every track stays in mode 0. The change
// test answers whether a sample was recorded since the last Write; the transform track writes
// and reads its newest sample (the other tracks write and read nothing).
class MOT_StateTrack : public ReplicatedProperty
{
public:
    ~MOT_StateTrack() override = default;
    MOT_StateTrack(const MOT_StateTrack&) = delete;
    MOT_StateTrack& operator=(const MOT_StateTrack&) = delete;

    // Mode 0 becomes 1; returns the mode.
    virtual s32 EnsureMode();
    // Mode 1 becomes 0.
    virtual void LeaveMode1();
    virtual void SetMode2() { SetMode(2); }
    virtual void SetMode0() { SetMode(0); }
    virtual s32 GetMode() const { return m_mode; }
    virtual void SetMode(s32 _mode) { m_mode = _mode; }
    // A record of replication tolerances, kept but not read.
    virtual void SetParameter(const f32* _parameter) { m_parameter = _parameter; }

    // Nonzero when a sample was recorded since the last Write.
    u32 IsChanged(const RPL_ObjectRecord& _record, void* _context) override;

    const f32* GetParameter() const { return m_parameter; }
    u32 GetChanged() const { return m_changed; }

protected:
    MOT_StateTrack() = default;
    void SetChanged(u32 _changed) { m_changed = _changed; }

private:
    s32 m_mode = 0;
    const f32* m_parameter = nullptr;
    u32 m_changed = 0;
};

class MOT_PositionTrack : public MOT_StateTrack
{
public:
    MOT_PositionTrack();

    // The value at t, re-evaluated only when the cache lies more than 2^-23 away from t; the
    // rate goes to _derivative unless it is null.
    const MAT_Vector3* GetAt(f32 _t, MAT_Vector3* _derivative);
    // Records a sample, which becomes the cached evaluation.
    void SetState(f32 _t, const MAT_Vector3& _value, const MAT_Vector3& _derivative);
    // Drops the history, then records the one sample.
    void Restart(f32 _t, const MAT_Vector3& _value, const MAT_Vector3& _derivative);

    const MOT_StateSampleList& GetList() const { return m_list; }
    f32 GetCacheTime() const { return m_cache.time; }

private:
    MOT_StateSampleList m_list;
    // Only value, rate and time are used.
    MOT_StateSample m_cache;
};

class MOT_OrientationTrack : public MOT_StateTrack
{
public:
    MOT_OrientationTrack() = default;

    // The axes at t as the axes of the matrix, not orthonormalised; cached within 2^-23, and
    // each axis track keeps its own cache too.
    const MAT_Matrix33* GetAt(f32 _t);
    // Records axis i with rate i in axis track i; everything takes the state as its cache.
    void SetState(f32 _t, const MAT_Matrix33& _axes, const MAT_Matrix33& _rates);
    // The same, dropping the history first.
    void Restart(f32 _t, const MAT_Matrix33& _axes, const MAT_Matrix33& _rates);

    void SetMode(s32 _mode) override;
    void SetParameter(const f32* _parameter) override;

    const MOT_PositionTrack& GetAxisTrack(s32 _axis) const { return m_axes[_axis]; }
    // The axis rates of the cached evaluation.
    const MAT_Matrix33& GetRates() const { return m_rates; }
    f32 GetCacheTime() const { return m_cacheTime; }

private:
    void SetCache(f32 _t, const MAT_Matrix33& _axes, const MAT_Matrix33& _rates);

    MOT_PositionTrack m_axes[3];
    MAT_Matrix33 m_orientation;
    MAT_Matrix33 m_rates;
    f32 m_cacheTime = -1.0f;
};

class MOT_TransformTrack : public MOT_StateTrack
{
public:
    // Floats of a replication record that belong to the translation; the orientation's follow.
    static constexpr s32 POSITION_PARAMETER_COUNT = 13;

    MOT_TransformTrack() = default;

    // The frame at t with an orthonormal rotation, cached by exact time; the velocity goes to
    // _velocity unless it is null.
    const MAT_Matrix34* GetAt(f32 _t, MAT_Vector3* _velocity);
    // Records the frame at t (the axes with zero rates); the cache takes the state. The flag
    // is accepted for the callers that pass one and has no effect.
    void SetState(f32 _t, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity, u32 _flag = 0);
    // Places the object anew: the history is dropped, so nothing interpolates across a jump.
    void SetTransform(f32 _t, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity);

    void SetMode(s32 _mode) override;
    void SetParameter(const f32* _parameter) override;

    // Clears the changed mark, then writes the newest sample: its time (f32), the frame
    // (translation, then the three axes, 12 f32) and the velocity (3 f32). Nothing recorded
    // yet writes time -1 and a zero frame.
    void Write(IO_OutputStream& _stream, void* _context) override;
    // Reads a sample as Write sends it and records it (SetState) only when every byte arrived,
    // every float is finite and its time lies after the newest sample's.
    void Read(IO_InputStream& _stream, s32 _a, s32 _b) override;

    const MOT_PositionTrack& GetPositionTrack() const { return m_position; }
    const MOT_OrientationTrack& GetOrientationTrack() const { return m_orientation; }
    f32 GetCacheTime() const { return m_cacheTime; }

private:
    void SetCache(f32 _t, const MAT_Matrix34& _frame, const MAT_Vector3& _velocity);

    MOT_PositionTrack m_position;
    MOT_OrientationTrack m_orientation;
    MAT_Matrix34 m_frame;
    MAT_Vector3 m_velocity;
    f32 m_cacheTime = -1.0f;
};
