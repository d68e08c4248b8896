// Body and shield replicators.
#include "nod_bodyreplicator.h"

#include "mot_track.h"
#include "nod_body.h"
#include "rpl_trackcontext.h"
#include "shl_shield.h"

s32 NOD_GetShieldValue(const SHL_Shield& _shield, u32 _index)
{
    if (_index < SHL_FACE_COUNT)
        return _shield.GetFaceIn((s32)_index);
    return _index == NOD_ShieldReplicator::VALUE_BIO ? _shield.GetBioIn() : _shield.GetEmpIn();
}

void NOD_SetShieldValue(SHL_Shield& _shield, u32 _index, s32 _value)
{
    if (_index < SHL_FACE_COUNT)
        _shield.SetFace((s32)_index, _value, _shield.GetFaceInMax((s32)_index));
    else if (_index == NOD_ShieldReplicator::VALUE_BIO)
        _shield.SetBio(_shield.GetBioOut(), _value, _shield.GetBioInMax());
    else
        _shield.SetEmp(_shield.GetEmpOut(), _value, _shield.GetEmpInMax());
}

NOD_BodyReplicator::NOD_BodyReplicator(u32 _quiet)
{
    if (_quiet != 0)
        SetFlags(GetFlags() | FLAG_QUIET_DEPARTURE);
}

NOD_BodyReplicator::~NOD_BodyReplicator() = default;

void NOD_BodyReplicator::BindNode(NOD_Node* _node)
{
    NOD_Replicator::BindNode(_node);
    NOD_Body* body = NOD_Body::DynamicCast(_node);
    if (body != nullptr)
        AddTrack(body->GetCS().GetTrack());
}

void NOD_BodyReplicator::AddTrack(MOT_TransformTrack& _track)
{
    _track.SetParameter(RPL_GetTrackContext());
    AddProperty(&_track);
}

NOD_ShieldReplicator::NOD_ShieldReplicator(u32 _quiet) : NOD_BodyReplicator(_quiet) {}

NOD_ShieldReplicator::~NOD_ShieldReplicator() { Depart(); }

SHL_Shield* NOD_ShieldReplicator::GetShield() const
{
    NOD_Body* body = NOD_Body::DynamicCast(GetNode());
    return body != nullptr ? body->GetShield() : nullptr;
}

void NOD_ShieldReplicator::BindNode(NOD_Node* _node)
{
    NOD_BodyReplicator::BindNode(_node);
    const SHL_Shield* shield = GetShield();
    for (u32 i = 0; i < SHIELD_VALUES; ++i) {
        if (shield != nullptr)
            m_values[i].SetValue(NOD_GetShieldValue(*shield, i));
        AddProperty(&m_values[i]);
    }
}

void NOD_ShieldReplicator::MarkChanged(RPL_ObjectRecord& _record, void* _context)
{
    const SHL_Shield* shield = GetShield();
    if (shield != nullptr) {
        for (u32 i = 0; i < SHIELD_VALUES; ++i) {
            const s32 value = NOD_GetShieldValue(*shield, i);
            if (value != m_values[i].GetValue())
                m_values[i].Take(value);
        }
    }
    NOD_BodyReplicator::MarkChanged(_record, _context);
}

void NOD_ShieldReplicator::ReadChanged(IO_InputStream& _stream, s32 _a, s32 _b)
{
    s32 values[SHIELD_VALUES];
    u8 pending[SHIELD_VALUES];
    for (u32 i = 0; i < SHIELD_VALUES; ++i) {
        values[i] = m_values[i].GetValue();
        pending[i] = m_values[i].IsPending();
    }
    NOD_BodyReplicator::ReadChanged(_stream, _a, _b);
    SHL_Shield* shield = GetShield();
    if (_stream.IsEOF() != 0 || _stream.HasError() != 0) {
        // Values of a record that did not arrive whole are dropped.
        for (u32 i = 0; i < SHIELD_VALUES; ++i) {
            m_values[i].SetValue(values[i]);
            if (pending[i] == 0)
                m_values[i].ClearPending();
        }
        return;
    }
    if (shield == nullptr)
        return;
    for (u32 i = 0; i < SHIELD_VALUES; ++i) {
        if (m_values[i].IsPending() == 0)
            continue;
        NOD_SetShieldValue(*shield, i, m_values[i].GetValue());
        m_values[i].ClearPending();
    }
}
