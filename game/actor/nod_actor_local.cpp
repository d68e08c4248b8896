// What the actor classes share: section lookup and the turret parts' helpers.
#include "nod_actor_local.h"

#include "cod_physical.h"
#include "des_file.h"
#include "nod_actormesh.h"
#include "nod_body.h"
#include "nod_cs.h"
#include "sim_clock.h"

DES_Section NOD_ActorSection(DES_Section& _data, const char* _name, const char* _where)
{
    DES_Section section;
    if (_data.FindSection(&section, _name) == 0)
        DES_FatalSection(_where, _name, _data.GetFile() != nullptr ? _data.GetFile()->GetName() : "");
    return section;
}

void NOD_ReadVisual(DES_Section& _data, const char* _where, NOD_ActorMesh& _mesh, bool _emptyIsNone)
{
    DES_Section visual = NOD_ActorSection(_data, "Visual", _where);
    char meshName[NOD_Node::PATH_BYTES] = {};
    visual.GetString("NameMesh", meshName, sizeof meshName);
    if (_emptyIsNone && meshName[0] == 0)
        _mesh.Release();
    else
        _mesh.Allocate(meshName, _where);
}

u32 NOD_HasContacts(const NOD_Body& _body)
{
    const COD_Physical* physical = _body.GetAggregate().GetPhysical();
    return physical != nullptr && physical->m_contactFlag != 0 ? 1u : 0u;
}

f32 NOD_TurretMass(const NOD_Body& _body)
{
    COD_Physical* physical = _body.GetAggregate().GetPhysical();
    const COD_Physical_Vessel* vessel = physical != nullptr ? physical->GetVessel() : nullptr;
    return vessel != nullptr ? vessel->m_mass : 0.0f;
}

u32 NOD_FatherIsFreeBody(const NOD_Node* _node)
{
    const NOD_Body* father = _node != nullptr ? NOD_Body::DynamicCast(_node->GetFather()) : nullptr;
    const COD_Physical* physical = father != nullptr ? father->GetAggregate().GetPhysical() : nullptr;
    return physical != nullptr && physical->m_kind == COD_KIND_FREE_BODY ? 1u : 0u;
}

MAT_Vector3 NOD_CarriedVelocity(NOD_Body& _body, const MAT_Vector3& _rates)
{
    NOD_Body* father = NOD_Body::DynamicCast(_body.GetFather());
    if (father == nullptr)
        return _rates;
    MAT_Vector3 fatherVelocity;
    father->GetVelocity(&fatherVelocity);
    return father->GetWorldTransform(SIM_GetSimulationClock().time)->r.Transform(_rates) + fatherVelocity;
}

void NOD_FreezeFrame(NOD_CS& _cs)
{
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 local = *_cs.GetTrack().GetAt(now, nullptr);
    _cs.SetTransform(now, local);
}
