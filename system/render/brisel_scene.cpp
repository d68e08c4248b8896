#include "brisel_scene.h"

namespace
{

Brisel_SceneCasts s_casts;
Brisel_ResourceTables* s_resources = nullptr;
const Brisel_ParticleSource* s_particles = nullptr;

}  // namespace

Brisel_SceneCasts Brisel_Scene::SetCasts(const Brisel_SceneCasts& _casts)
{
    const Brisel_SceneCasts previous = s_casts;
    s_casts = _casts;
    return previous;
}

const Brisel_SceneCasts& Brisel_Scene::GetCasts() { return s_casts; }

Brisel_ResourceTables* Brisel_Scene::SetResources(Brisel_ResourceTables* _resources)
{
    Brisel_ResourceTables* previous = s_resources;
    s_resources = _resources;
    return previous;
}

Brisel_ResourceTables* Brisel_Scene::GetResources() { return s_resources; }

const Brisel_ParticleSource* Brisel_Scene::SetParticles(const Brisel_ParticleSource* _particles)
{
    const Brisel_ParticleSource* previous = s_particles;
    s_particles = _particles;
    return previous;
}

const Brisel_ParticleSource* Brisel_Scene::GetParticles() { return s_particles; }
