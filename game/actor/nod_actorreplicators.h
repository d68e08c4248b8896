// The replicators of the actor classes.
//
// The turret base adds the turret's own track after the shield values and announces no
// departure. Vehicles and vessels driven from the other stream end steer by what arrives: a
// replica switches off its terrain and object avoidance. The player's replicator names the
// player's description file, and its creation record carries that and the replica's name.
#pragma once

#include "io_outputstream.h"
#include "nod_bodyreplicator.h"

class NOD_TurretBaseReplicator : public NOD_ShieldReplicator
{
public:
    NOD_TurretBaseReplicator();
    // The body track, the shield values, then the turret's track.
    void BindNode(NOD_Node* _node) override;
};

class NOD_SteeredReplicator : public NOD_ShieldReplicator
{
public:
    // Clears the avoidance switches (bits 0 and 1) of the body's active avoidance, when it has
    // one; the other bits keep their values. Sends nothing.
    void StartReplica(s32 _existed) override;
};

class NOD_PlayerReplicator : public NOD_ShieldReplicator
{
public:
    static constexpr const char* FILE_NAME = "osd/pla_zaredodoviv.osd";
    static constexpr const char* REPLICA_NAME = "rplayer";

    NOD_PlayerReplicator();
    // The description file name, then the replica's node name.
    void WriteCreationRecord(IO_OutputStream& _stream) override;
};
