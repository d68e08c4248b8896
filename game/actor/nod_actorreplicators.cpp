// Replicators of the actor classes.
#include "nod_actorreplicators.h"

#include <cstring>

#include "nod_turret_base.h"
#include "rpl_string.h"

NOD_TurretBaseReplicator::NOD_TurretBaseReplicator() : NOD_ShieldReplicator(1) {}

void NOD_TurretBaseReplicator::BindNode(NOD_Node* _node)
{
    NOD_ShieldReplicator::BindNode(_node);
    NOD_Turret_Base* turret = NOD_Turret_Base::DynamicCast(_node);
    if (turret != nullptr)
        AddTrack(turret->GetTurretCS().GetTrack());
}

void NOD_SteeredReplicator::StartReplica(s32) { NOD_SwitchOffAvoidance(GetNode()); }

NOD_PlayerReplicator::NOD_PlayerReplicator() { SetFileName(FILE_NAME); }

void NOD_PlayerReplicator::WriteCreationRecord(IO_OutputStream& _stream)
{
    const char* file = GetFileName().GetName();
    RPL_WriteString(_stream, file, (u32)std::strlen(file));
    RPL_WriteString(_stream, REPLICA_NAME, (u32)std::strlen(REPLICA_NAME));
}
