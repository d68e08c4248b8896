// Key curves: evenly spaced key values over one parameter, read by linear interpolation.
//
// A curve owns its key array (pooled memory, released with the curve; curves move but do not
// copy). Locate turns a parameter into a key index and fraction; Interpolate reads one curve at
// them, so several curves of one spacing (a particle's colour and size) share one Locate.
// Evaluation never leaves the array: the index is kept within the keys, a curve of no keys
// reads 0 and a curve of one key reads that key.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class VFX_KeyTrack : public MEM_Object
{
public:
    // Bit 0 of the flags: clamp at both ends; clear, the curve repeats with period length.
    enum : u32
    {
        FLAG_CLAMP = 0x1
    };

    // No key array: a curve embedded in a record that fills it in later.
    VFX_KeyTrack() = default;
    // _count zero keys; fatal when _count < 1 or the keys cannot be allocated.
    explicit VFX_KeyTrack(s32 _count);
    ~VFX_KeyTrack();
    VFX_KeyTrack(VFX_KeyTrack&& _other) noexcept;
    VFX_KeyTrack& operator=(VFX_KeyTrack&& _other) noexcept;
    VFX_KeyTrack(const VFX_KeyTrack&) = delete;
    VFX_KeyTrack& operator=(const VFX_KeyTrack&) = delete;

    // Frees the previous keys and allocates _count zero keys; clears the clamp flag. Fatal as
    // the constructor.
    void Allocate(s32 _count);
    // Every key takes the value.
    void Fill(f32 _value);
    // Key 0 sits at _start and the last key at _start + _length (which must not be 0).
    void SetTiming(f32 _start, f32 _length, u32 _flags);

    // The key index and fraction of parameter t (index within 0..count-2 whenever count >= 2).
    void Locate(f32 _t, s32& _index, f32& _fraction) const;
    // keys[i] + (keys[i+1] - keys[i]) * f; an index outside the keys reads the nearer end key.
    f32 Interpolate(s32 _index, f32 _fraction) const;
    // Interpolate at Locate(t).
    f32 Evaluate(f32 _t) const;

    s32 GetCount() const { return m_count; }
    f32* GetKeys() { return m_keys; }
    const f32* GetKeys() const { return m_keys; }
    f32 GetKeysPerUnit() const { return m_keysPerUnit; }
    f32 GetStart() const { return m_start; }
    f32 GetInverseLength() const { return m_inverseLength; }
    f32 GetLength() const { return m_length; }
    u32 GetFlags() const { return m_flags; }

private:
    void Release();

    s32 m_count = 0;
    f32* m_keys = nullptr;
    f32 m_keysPerUnit = 0.0f;
    f32 m_start = 0.0f;
    f32 m_inverseLength = 0.0f;
    f32 m_length = 0.0f;
    u32 m_flags = 0;
};
