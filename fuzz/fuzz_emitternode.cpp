// Any bytes as a particle emitter node's description, read by class name; then the node in the
// simulation under the root, driven by every ParticleEmitter message (with values taken from
// the input), and a copy of it as the spawner makes emitters, under a bullet that flies, dies of
// age and leaves the copy fading under "/garbage"; the node itself collected too. Fatal
// refusals are expected. Whatever the description held, once the tree and the node are gone
// every texture set it took has come back.
#include <cstring>

#include "fuzz_spawnworld.h"
#include "nod_bullet.h"
#include "nod_particleemitter.h"

namespace
{

// Values the messages take, picked by the input's bytes: ordinary, zero, negative, huge.
const f32 VALUES[8] = {0.5f, 0.0f, -1.0f, 3.0f, 1.0e30f, 90.0f, 1.0e-30f, 400.0f};

f32 Value(const u8* _data, size_t _size, size_t _index) { return VALUES[_size == 0 ? 0 : _data[_index % _size] & 7]; }

void Drive(NOD_ParticleEmitter* _node, const u8* _data, size_t _size)
{
    size_t k = 0;
    auto v = [&] { return Value(_data, _size, k++); };
    delete _node->ProcessMessage(NOD_ParticleEmitter_SetLifeTime::Create(v()));
    delete _node->ProcessMessage(NOD_ParticleEmitter_SetAccelerationOffset::Create(MAT_Vector3(v(), v(), v())));
    delete _node->ProcessMessage(NOD_ParticleEmitter_SetFriction::Create(MAT_Vector3(v(), v(), v())));
    delete _node->ProcessMessage(NOD_ParticleEmitter_SetPPS::Create(v()));
    delete _node->ProcessMessage(NOD_ParticleEmitter_SetConeAngle::Create(v()));
    delete _node->ProcessMessage(NOD_ParticleEmitter_SetVelocity::Create(v(), v()));
    delete _node->ProcessMessage(NOD_ParticleEmitter_Stop::Create());
    delete _node->ProcessMessage(NOD_ParticleEmitter_Start::Create());
    delete _node->ProcessMessage(NOD_ParticleEmitter_SetCone::Create(MAT_Vector3(0.0f, 20.0f + v(), 0.0f),
                                                                     MAT_Vector3(v(), v(), v()), v(), v()));
}

void Run(const u8* _data, size_t _size)
{
    FUZZ_SpawnWorld world;
    NOD_ParticleEmitter* node = NOD_ParticleEmitter::DynamicCast(FUZZ_SpawnWorld::Parsed("NOD_ParticleEmitter", "e"));
    if (node == nullptr)
        return;
    // From here the tree owns both, and the driver takes them down before their particles.
    try {
        NOD_ParticleEmitter* copy = static_cast<NOD_ParticleEmitter*>(node->Clone());
        FUZZ_SpawnWorld::Enter(world.root, node);
        MAT_Matrix34 frame;
        frame.SetPositionAngles(MAT_Vector3(0.0f, 20.0f, 0.0f), MAT_Angle(0.0f), MAT_Angle(0.0f), MAT_Angle(0.0f));
        NOD_Bullet* bullet = Brisel_TheSpawn->SpawnBullet(0, nullptr, frame);
        FUZZ_SpawnWorld::Enter(bullet, copy);
        frame.t = MAT_Vector3(0.0f, 0.0f, 1.0f);
        copy->GetCS().SetState(SIM_GetSimulationClock().time, frame);
        world.Steps(3);
        Drive(node, _data, _size);
        world.Steps(30);
        NOD_Node::GC_AddNode(node);
        world.Steps(10);
        Drive(node, _data, _size);
        world.Steps(5);
    } catch (const OS_FatalError&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    return FUZZ_SpawnWorld::TakeInput("emitternode", _data, _size, [&] { Run(_data, _size); });
}
