// The creation records of bullets and torpedoes: clones of the spawner's prototypes, linked to
// the bodies the record names and added under the root.
#include <cmath>
#include <cstring>

#include "brisel_spawn.h"
#include "nod_body.h"
#include "nod_bullet.h"
#include "nod_creationrecord.h"
#include "nod_torpedo.h"

namespace
{
// The body a record path names from the root; null for the empty path, none or no body.
NOD_Node* BodyAt(const SIM_Path& _path)
{
    NOD_Node* root = NOD_Node::GetRoot();
    if (root == nullptr || (_path.GetDepth() == 0 && !_path.IsAbsolute()))
        return nullptr;
    return NOD_Body::DynamicCast(root->Find(_path));
}
}  // namespace

RTI_Class* NOD_Torpedo::CreateFromStream(u32, s32, IO_InputStream& _stream)
{
    static constexpr const char* CAPTION = "NOD_Torpedo::CreateFromStream()";
    u8 type = 0;
    f32 launch[4] = {};
    MOS_String shooterText;
    MOS_String targetText;
    _stream.ReadU8(type);
    for (f32& value : launch)
        _stream.ReadF32(value);
    const u32 complete =
        NOD_CreationRecord::ReadString(_stream, shooterText) && NOD_CreationRecord::ReadString(_stream, targetText);
    if (!complete || !NOD_CreationRecord::StreamIntact(_stream))
        return NOD_CreationRecord::Refuse(CAPTION, "record cut short");
    for (f32 value : launch) {
        if (!std::isfinite(value))
            return NOD_CreationRecord::Refuse(CAPTION, "launch data");
    }
    if (type >= Brisel_Spawn::TORPEDO_TYPES)
        return NOD_CreationRecord::Refuse(CAPTION, "torpedo type");
    if (std::strcmp(shooterText.C_Str(), "/player1") == 0)
        shooterText = MOS_String("/rplayer");
    SIM_Path shooter;
    SIM_Path target;
    if (!NOD_CreationRecord::ParsePath(shooterText, shooter, 1) ||
        !NOD_CreationRecord::ParsePath(targetText, target, 1))
        return NOD_CreationRecord::Refuse(CAPTION, "path");
    NOD_Node* root = NOD_Node::GetRoot();
    if (root == nullptr || Brisel_TheSpawn == nullptr)
        return NOD_CreationRecord::Refuse(CAPTION, "no root or spawner");
    NOD_Torpedo* torpedo = Brisel_TheSpawn->CloneTorpedo(type);
    torpedo->SetLaunch(launch[0], BodyAt(shooter), MAT_Vector3(launch[1], launch[2], launch[3]), BodyAt(target), type);
    root->AddSon(torpedo);
    return torpedo;
}

RTI_Class* NOD_Bullet::CreateFromStream(u32, s32, IO_InputStream& _stream)
{
    static constexpr const char* CAPTION = "NOD_Bullet::CreateFromStream()";
    u8 type = 0;
    MOS_String shooterText;
    f32 time = 0.0f;
    _stream.ReadU8(type);
    const u32 complete = NOD_CreationRecord::ReadString(_stream, shooterText);
    _stream.ReadF32(time);
    if (!complete || !NOD_CreationRecord::StreamIntact(_stream))
        return NOD_CreationRecord::Refuse(CAPTION, "record cut short");
    if (!std::isfinite(time))
        return NOD_CreationRecord::Refuse(CAPTION, "launch time");
    if (type >= Brisel_Spawn::BULLET_TYPES)
        return NOD_CreationRecord::Refuse(CAPTION, "bullet type");
    SIM_Path shooter;
    if (!NOD_CreationRecord::ParsePath(shooterText, shooter, 1))
        return NOD_CreationRecord::Refuse(CAPTION, "path");
    NOD_Node* root = NOD_Node::GetRoot();
    if (root == nullptr || Brisel_TheSpawn == nullptr)
        return NOD_CreationRecord::Refuse(CAPTION, "no root or spawner");
    NOD_Bullet* bullet = Brisel_TheSpawn->CloneBullet(type);
    bullet->SetShooter(BodyAt(shooter));
    bullet->SetBulletType(type);
    bullet->SetLaunchTime(time);
    root->AddSon(bullet);
    return bullet;
}
