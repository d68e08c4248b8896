// Replicators of bullets and torpedoes.
#include "nod_weaponreplicators.h"

#include <cstring>

#include "cod_activeavoid.h"
#include "nod_bullet.h"
#include "nod_torpedo.h"
#include "rpl_string.h"
#include "sim_name.h"

namespace
{

void WritePathOf(IO_OutputStream& _stream, NOD_Node* _node)
{
    char path[SIM_Path::STRING_BYTES] = {};
    if (_node != nullptr)
        _node->GetPath().GetString(path, sizeof(path));
    RPL_WriteString(_stream, path, (u32)std::strlen(path));
}

}  // namespace

NOD_BulletReplicator::NOD_BulletReplicator() : NOD_BodyReplicator(1) {}

void NOD_BulletReplicator::WriteCreationRecord(IO_OutputStream& _stream)
{
    NOD_Bullet* bullet = NOD_Bullet::DynamicCast(GetNode());
    if (bullet == nullptr)
        return;
    _stream.WriteU8((u8)bullet->GetBulletType());
    WritePathOf(_stream, bullet->GetShooter());
    _stream.WriteF32(bullet->GetLaunchTime());
}

void NOD_BulletReplicator::StartLocal(s32)
{
    if (NOD_Bullet* bullet = NOD_Bullet::DynamicCast(GetNode()))
        bullet->StartFromLaunch();
}

void NOD_TorpedoReplicator::WriteCreationRecord(IO_OutputStream& _stream)
{
    NOD_Torpedo* torpedo = NOD_Torpedo::DynamicCast(GetNode());
    if (torpedo == nullptr)
        return;
    _stream.WriteU8((u8)torpedo->GetTorpedoType());
    _stream.WriteF32(torpedo->GetLaunchTime());
    const MAT_Vector3& launch = torpedo->GetLaunchVelocity();
    _stream.WriteF32(launch.x);
    _stream.WriteF32(launch.y);
    _stream.WriteF32(launch.z);
    WritePathOf(_stream, torpedo->GetShooter());
    WritePathOf(_stream, torpedo->GetTarget());
}

void NOD_TorpedoReplicator::StartReplica(s32)
{
    if (NOD_Torpedo* torpedo = NOD_Torpedo::DynamicCast(GetNode()))
        torpedo->StartFromLaunch(1);
}

void NOD_TorpedoReplicator::StartLocal(s32)
{
    if (NOD_Torpedo* torpedo = NOD_Torpedo::DynamicCast(GetNode()))
        torpedo->StartFromLaunch(0);
}
