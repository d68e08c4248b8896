// Shielded bodies: the shield's description, its per-step damage from the collision pass and
// the death test.
#include "nod_shieldedbody.h"
#include "nod_creationrecord.h"

#include "cod_physical.h"
#include "des_file.h"
#include "nod_bodyreplicator.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_ShieldedBody, "NOD_Body")

void NOD_ShieldedBody::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
// The world velocity of a body's description this step: a vessel-like body's own motion, a
// projectile's displacement over one step; zero for the others.
MAT_Vector3 PartnerVelocity(COD_Physical* _physical)
{
    if (COD_Physical_Vessel* vessel = _physical->GetVessel())
        return vessel->GetVelocity();
    return MAT_Vector3();
}

MAT_Vector3 ProjectileVelocity(COD_Physical* _physical)
{
    const f32 perStep = SIM_GetSimulationClock().oneOverDt;
    if (_physical->m_kind == COD_KIND_BULLET)
        return static_cast<COD_Physical_Bullet*>(_physical)->m_segment.m_delta * perStep;
    if (_physical->m_kind == COD_KIND_TORPEDO)
        return static_cast<COD_PhysicalTorpedo*>(_physical)->m_segment.m_delta * perStep;
    return PartnerVelocity(_physical);
}

// The other body of a list entry, when it has both a shield and a physical description.
NOD_Body* Hitter(const RTI_Pointer& _entry, SHL_Shield** _shield, COD_Physical** _physical)
{
    NOD_Body* body = NOD_Body::DynamicCast(static_cast<NOD_Node*>(_entry.Get()));
    if (body == nullptr)
        return nullptr;
    *_shield = body->GetShield();
    *_physical = body->GetAggregate().GetPhysical();
    return (*_shield != nullptr && *_physical != nullptr) ? body : nullptr;
}
}  // namespace

NOD_ShieldedBody::NOD_ShieldedBody(MOT_MotionState* _motionState) : NOD_Body(_motionState) {}

NOD_ShieldedBody::~NOD_ShieldedBody() = default;

NOD_Node* NOD_ShieldedBody::Clone()
{
    NOD_ShieldedBody* clone = new NOD_ShieldedBody();
    clone->m_shield.CopyFrom(m_shield);
    return clone;
}

void NOD_ShieldedBody::ParseIniFile_Des(DES_Section& _data) { ParseIniFile(_data); }

void NOD_ShieldedBody::ParseIniFile(DES_Section& _data)
{
    DES_Section shield;
    if (_data.FindSection(&shield, "Shield") == 0)
        DES_FatalSection("NOD_ShieldedBody::ParseIniFile()", "Shield",
                         _data.GetFile() != nullptr ? _data.GetFile()->GetName() : "");
    m_shield.Parse(&shield);
}

void NOD_ShieldedBody::HeartBeat() { CheckShield(); }

SHL_Shield* NOD_ShieldedBody::GetShield() { return &m_shield; }

void NOD_ShieldedBody::CheckShield()
{
    if (m_shield.IsExhausted() != 0)
        NOD_Node::GC_AddNode(this);
}

void NOD_ShieldedBody::ApplyContactsToShield()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    if (physical == nullptr)
        return;
    switch (physical->m_kind) {
    case COD_KIND_PLAYER:
        ApplyPlayerContacts();
        break;
    case COD_KIND_FREE_BODY:
    case COD_KIND_GROUND_BODY:
        ApplyVesselContacts();
        break;
    case COD_KIND_GENERIC:
        ApplyGenericContacts();
        break;
    case COD_KIND_TORPEDO:
        ApplyTorpedoContacts();
        break;
    default:
        break;  // bullets and cameras take no damage
    }
}

void NOD_ShieldedBody::ApplyShotHits(COD_PhysicalShotHits* _hits, const MAT_Matrix34& _ownMatrix)
{
    if (_hits == nullptr)
        return;
    for (s32 i = 0; i < _hits->count; ++i) {
        SHL_Shield* shield = nullptr;
        COD_Physical* physical = nullptr;
        if (Hitter(_hits->shooters[i], &shield, &physical) == nullptr)
            continue;
        m_shield.PropagateHit(shield, ProjectileVelocity(physical), MAT_Vector3(), _ownMatrix, 1.0f);
    }
}

void NOD_ShieldedBody::ApplyPartnerContacts(COD_PhysicalContacts* _contacts, const MAT_Matrix34& _ownMatrix)
{
    if (_contacts == nullptr)
        return;
    for (s32 i = 0; i < _contacts->count; ++i) {
        SHL_Shield* shield = nullptr;
        COD_Physical* physical = nullptr;
        if (Hitter(_contacts->bodies[i], &shield, &physical) == nullptr)
            continue;
        if (physical->m_kind >= COD_KIND_PLAYER && physical->m_kind <= COD_KIND_GROUND_BODY)
            m_shield.PropagateHit(shield, PartnerVelocity(physical), MAT_Vector3(), _ownMatrix, 1.0f);
    }
}

void NOD_ShieldedBody::ApplyPlayerContacts()
{
    COD_Physical_Vessel* vessel = GetAggregate().GetPhysical()->GetVessel();
    if (vessel == nullptr)
        return;
    const MAT_Matrix34& own = vessel->m_transform != nullptr ? *vessel->m_transform : GetAggregate().GetMatrix();
    const MAT_Vector3 ownVelocity = vessel->GetVelocity();
    if (vessel->m_terrainContact != 0)
        m_shield.TerrainHit(ownVelocity, own);
    for (s32 i = 0; i < vessel->m_contacts.count; ++i) {
        SHL_Shield* shield = nullptr;
        COD_Physical* physical = nullptr;
        if (Hitter(vessel->m_contacts.bodies[i], &shield, &physical) == nullptr)
            continue;
        if (physical->m_kind == COD_KIND_FREE_BODY || physical->m_kind == COD_KIND_GROUND_BODY)
            m_shield.PropagateHit(shield, PartnerVelocity(physical), ownVelocity, own, 1.0f);
        else if (physical->m_kind == COD_KIND_GENERIC)
            m_shield.PropagateHit(shield, MAT_Vector3(), ownVelocity, own, 1.0f);
    }
    ApplyShotHits(&vessel->m_shotHits, own);
}

void NOD_ShieldedBody::ApplyVesselContacts()
{
    COD_Physical_Vessel* vessel = GetAggregate().GetPhysical()->GetVessel();
    if (vessel == nullptr)
        return;
    const MAT_Matrix34& own = vessel->m_transform != nullptr ? *vessel->m_transform : GetAggregate().GetMatrix();
    ApplyPartnerContacts(&vessel->m_contacts, own);
    ApplyShotHits(&vessel->m_shotHits, own);
}

void NOD_ShieldedBody::ApplyGenericContacts()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    const MAT_Matrix34* transform = physical->GetTransform();
    const MAT_Matrix34& own = transform != nullptr ? *transform : GetAggregate().GetMatrix();
    ApplyPartnerContacts(physical->GetContacts(), own);
    ApplyShotHits(physical->GetShotHits(), own);
}

void NOD_ShieldedBody::ApplyTorpedoContacts()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    if (physical->m_kind != COD_KIND_TORPEDO)
        return;
    COD_PhysicalTorpedo* torpedo = static_cast<COD_PhysicalTorpedo*>(physical);
    if (torpedo->m_terrainHit != 0 || torpedo->m_bodyHit != 0)
        m_shield.SetFace(SHL_FACE_RIGHT, 0, m_shield.GetFaceInMax(SHL_FACE_RIGHT));
    const MAT_Matrix34& own = torpedo->m_transform != nullptr ? *torpedo->m_transform : GetAggregate().GetMatrix();
    ApplyShotHits(&torpedo->m_shotHits, own);
}

NOD_Replicator* NOD_ShieldedBody::CreateReplicator() { return new NOD_ShieldReplicator(); }
