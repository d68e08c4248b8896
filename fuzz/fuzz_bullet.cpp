// Any bytes as a bullet's description (its sons included), read by class name as the spawner
// reads its prototypes; then copies of it launched as the spawner launches bullets, one down
// at the ground and one level, beside bullets the spawner itself fires, run until each hit or
// grew old. Fatal refusals are expected. Whatever the description held, once the bullets and
// the prototype are gone every render mesh, sample and texture set it took has come back.
#include "fuzz_spawnworld.h"
#include "nod_bullet.h"

namespace
{

// What SpawnBullet does to its copy of a prototype.
void Launch(FUZZ_SpawnWorld& _world, NOD_Bullet* _bullet, const MAT_Matrix34& _frame)
{
    const MAT_Vector3 velocity = _frame.r.GetY() * _bullet->GetVMax();
    _bullet->GetCS().GetTrack().SetTransform(SIM_GetSimulationClock().time, _frame, velocity);
    _bullet->GetMotionState().SetMatrix(_frame);
    _bullet->GetMotionState().SetVelocity(velocity);
    _bullet->SetBulletType(0);
    FUZZ_SpawnWorld::Enter(_world.root, _bullet);
}

void Run()
{
    NOD_Bullet* prototype = NOD_Bullet::DynamicCast(NOD_Node::CreateNode("NOD_Bullet", ""));
    {
        FUZZ_SpawnWorld world;
        try {
            prototype->ParseIniFile_File("in.osd");
            MAT_Matrix34 down;
            down.SetPositionAngles(MAT_Vector3(500.0f, 500.0f, 40.0f), MAT_Angle(0.0f), MAT_Angle(-1.5707964f),
                                   MAT_Angle(0.0f));
            MAT_Matrix34 level;
            level.SetPositionAngles(MAT_Vector3(500.0f, 500.0f, 40.0f), MAT_Angle(0.7f), MAT_Angle(0.0f),
                                    MAT_Angle(0.0f));
            Launch(world, static_cast<NOD_Bullet*>(prototype->Clone()), down);
            world.Steps(1);
            Launch(world, static_cast<NOD_Bullet*>(prototype->Clone()), level);
            Brisel_TheSpawn->SpawnBullet(1, prototype, down);
            Brisel_TheSpawn->SpawnBullet(5, nullptr, level);
            world.Steps(40);
        } catch (const OS_FatalError&) {
        }
    }
    delete prototype;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    return FUZZ_SpawnWorld::TakeInput("bullet", _data, _size, Run);
}
