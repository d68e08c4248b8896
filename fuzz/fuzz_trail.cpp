// Any bytes as a trail node's description, read by class name; then the node in the
// simulation under the root, a copy of it under a bullet that flies and dies of age (the copy
// lets go of it and fades under "/garbage"), and a second copy under a node that is no body,
// collected at once. Fatal refusals (the description's, and the sampling the trail system
// refuses on entering) are expected. The trail system's records stay consistent: every trail
// a node holds is one the system handed out; once the tree and the node are gone every texture
// set it took has come back.
#include "fuzz_spawnworld.h"
#include "nod_bullet.h"
#include "nod_trail.h"
#include "vfx_trail.h"

namespace
{

void CheckTrails(NOD_Node* _node, VFX_TrailSystem* _system)
{
    if (NOD_Trail* trail = NOD_Trail::DynamicCast(_node)) {
        const s32 id = trail->GetTrailId();
        Check(id == -1 ||
              (_system->GetTrail(id) != nullptr && _system->GetTrail(id)->GetState() != VFX_Trail::STATE_FREE));
    }
    for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
        CheckTrails(_node->GetSon(i), _system);
}

void Run()
{
    FUZZ_SpawnWorld world;
    NOD_Trail* node = NOD_Trail::DynamicCast(FUZZ_SpawnWorld::Parsed("NOD_Trail", "t"));
    if (node == nullptr)
        return;
    NOD_Node* copy = node->Clone();
    NOD_Node* second = node->Clone();
    world.root->AddSon(node);
    try {
        delete node->ProcessMessage(NOD_Node_EnterSimulation::Create());
        MAT_Matrix34 frame;
        frame.SetPositionAngles(MAT_Vector3(10.0f, 20.0f, 30.0f), MAT_Angle(0.3f), MAT_Angle(0.1f), MAT_Angle(0.0f));
        NOD_Bullet* bullet = Brisel_TheSpawn->SpawnBullet(0, nullptr, frame);
        bullet->AddSon(copy);
        copy = nullptr;
        delete bullet->GetSon(bullet->GetNumOfSons() - 1)->ProcessMessage(NOD_Node_EnterSimulation::Create());
        NOD_Node* holder = world.root->AddSon(NOD_Node::CreateNode("NOD_Node", "holder"));
        holder->AddSon(second);
        second = nullptr;
        delete holder->GetSon(0)->ProcessMessage(NOD_Node_EnterSimulation::Create());
        NOD_Node::GC_AddNode(holder->GetSon(0));
        for (s32 i = 0; i < 50; ++i) {
            world.Steps(1);
            CheckTrails(world.root, world.simulation->trailSystem);
        }
    } catch (const OS_FatalError&) {
    }
    delete copy;
    delete second;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    return FUZZ_SpawnWorld::TakeInput("trail", _data, _size, Run);
}
