// The particle emitter node: an FX_ParticleEmitter placed in the scene tree, feeding the
// simulation's particle system at its place every step while it is started.
//
// The node's own track is read relative to the body it hangs under (linked when it enters the
// simulation), so it moves with that body. It is made by the spawner from a parsed prototype,
// by debris that release their emitter sons, by shrapnel bursts, or listed as a child in a
// scene description; scripts drive it through the ParticleEmitter_* messages (3000-3008).
//
// Its end has two stages. The first collection (its own life time over, or its father being
// collected) freezes it where it stands in the world, stops the emission and moves it under
// "/garbage" still in the simulation; from then on it is fading: it ignores the
// ParticleEmitter_* messages and lets the particles it made finish, and it is destroyed once
// its description says none of them can still live. The particles read their look from the
// description they were made by (a clone's are its prototype's, which the spawner keeps for
// the whole run). One thread.
#pragma once

#include "fx_particleemitter.h"
#include "mat_vector.h"
#include "nod_body.h"
#include "os_types.h"

class NOD_ParticleEmitter : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_ParticleEmitter)

public:
    // Stopped, neither started nor fading, no life time.
    NOD_ParticleEmitter();
    ~NOD_ParticleEmitter() override;

    // A new node with a copy of the emitter and the started and fading flags, start time and
    // life time; no name, a fresh track.
    NOD_Node* Clone() override;
    // "OSD": "LifeTime", and its subsection "ParticleEmitter" for the emitter. Everything is
    // mandatory; a missing section is fatal.
    void ParseIniFile_Des(DES_Section& _data) override;
    // Emits while started; counts the life time down; while fading, queues the node once its
    // particles can no longer live (whether or not it is still in the simulation).
    void HeartBeat() override;
    // ParticleEmitter_* (ignored while fading), Node_EnterSimulation, Node_LeaveSimulation; no
    // replies. Every other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // First call: frozen in the world, stopped, fading, 1 (moved under "/garbage"). Fading: 2
    // while particles may live, else 0.
    s32 GetGCMode() override;
    void Explode() override {}
    void Render() override {}

    // The node when it is a particle emitter, else null; null for null.
    static NOD_ParticleEmitter* DynamicCast(NOD_Node* _node);

    FX_ParticleEmitter& GetEmitter() { return m_emitter; }
    const FX_ParticleEmitter& GetEmitter() const { return m_emitter; }
    u32 IsStarted() const { return m_started; }
    u32 IsFading() const { return m_fading; }
    f32 GetStartTime() const { return m_startTime; }
    f32 GetLifeTime() const { return m_lifeTime; }

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    // Places the node at _position turned by the angles (degrees) and sets the cone (degrees).
    void PM_SetCone(const MAT_Vector3& _position, const MAT_Vector3& _angles, f32 _cone);
    // The ParticleEmitter_* family; 1 when the id was one of them.
    u32 HandleEmitterMessage(NOD_Message* _message);

    FX_ParticleEmitter m_emitter;
    u32 m_started = 0;
    u32 m_fading = 0;
    f32 m_startTime = 0.0f;
    f32 m_lifeTime = 0.0f;  // 0 or less: no limit
};
