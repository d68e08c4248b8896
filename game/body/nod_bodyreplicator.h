// The replicators of bodies: the body track, and for shielded bodies eight shield values.
//
// A body replicator's property is the body's motion track, handed the replication host's track
// context (null without a host). A shield replicator adds, after the track, the six kinetic
// face values In (right, left, front, back, top, bottom), the Bio In and the Emp In of the
// body's shield. The shield properties start with the shield's values when the node is bound,
// take every changed shield value at MarkChanged and are copied back into the shield after a
// complete changed record arrived.
#pragma once

#include "io_inputstream.h"
#include "nod_replicator.h"
#include "os_types.h"

class NOD_Body;
class MOT_TransformTrack;
class SHL_Shield;

class NOD_BodyReplicator : public NOD_Replicator
{
public:
    // _quiet sets FLAG_QUIET_DEPARTURE: observers announce no departure of the node.
    explicit NOD_BodyReplicator(u32 _quiet = 0);
    ~NOD_BodyReplicator() override;

    // The node must be a body: its track becomes the first property.
    void BindNode(NOD_Node* _node) override;

protected:
    // Hands the track the host's track context and adds it as the next property.
    void AddTrack(MOT_TransformTrack& _track);
};

class NOD_ShieldReplicator : public NOD_BodyReplicator
{
public:
    enum : u32
    {
        SHIELD_VALUES = 8,
        VALUE_BIO = 6,
        VALUE_EMP = 7,
    };

    explicit NOD_ShieldReplicator(u32 _quiet = 0);
    // Departs before the shield values die.
    ~NOD_ShieldReplicator() override;

    // The body track, then the eight shield values in order.
    void BindNode(NOD_Node* _node) override;
    // Each shield value that differs from its property goes into it (changed, not pending);
    // then every property is asked, the track first.
    void MarkChanged(RPL_ObjectRecord& _record, void* _context) override;
    // The changed record; when it arrived whole, the values that came with it go into the
    // shield. A record cut short or corrupt leaves the shield as it was.
    void ReadChanged(IO_InputStream& _stream, s32 _a, s32 _b) override;

    NOD_ReplicatedProperty& GetShieldValue(u32 _index) { return m_values[_index]; }

protected:
    SHL_Shield* GetShield() const;

private:
    NOD_ReplicatedProperty m_values[SHIELD_VALUES];
};

// The shield value of a replicated property index (0 .. 7).
s32 NOD_GetShieldValue(const SHL_Shield& _shield, u32 _index);
void NOD_SetShieldValue(SHL_Shield& _shield, u32 _index, s32 _value);
