// The replicators of bullets and torpedoes.
//
// Both describe the projectile by its launch (type, time, shooter; the torpedo also its launch
// vector and target) and rebuild its motion from that launch when it starts at either stream
// end. A bullet's departure is not announced.
#pragma once

#include "io_outputstream.h"
#include "nod_bodyreplicator.h"

class NOD_BulletReplicator : public NOD_BodyReplicator
{
public:
    NOD_BulletReplicator();
    // u8 bullet type, the shooter's path (empty without one), f32 launch time.
    void WriteCreationRecord(IO_OutputStream& _stream) override;
    // Restarts the bullet's motion from its launch and enters it into the simulation.
    void StartLocal(s32 _unused) override;
};

class NOD_TorpedoReplicator : public NOD_ShieldReplicator
{
public:
    // u8 torpedo type, f32 launch time, the launch vector (3 f32), the shooter's path and the
    // target's path (each empty without one).
    void WriteCreationRecord(IO_OutputStream& _stream) override;
    // Restarts the torpedo's motion at the current time, switches off its avoidance and
    // enters it into the simulation.
    void StartReplica(s32 _existed) override;
    // The same without touching the avoidance.
    void StartLocal(s32 _unused) override;
};
