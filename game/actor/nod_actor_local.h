// What the actor classes share inside their folder: description sections, and the mass,
// ground switch, velocity and freezing of the turret's parts.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

class DES_Section;
class NOD_ActorMesh;
class NOD_Body;
class NOD_CS;
class NOD_Node;

// The section _name of _data; a missing one stops the program with the caller's name _where,
// the section and the file.
DES_Section NOD_ActorSection(DES_Section& _data, const char* _name, const char* _where);

// The section "Visual" of _data and the mesh its "NameMesh" names into _mesh; with
// _emptyIsNone an empty name gives no mesh instead of the cache's refusal.
void NOD_ReadVisual(DES_Section& _data, const char* _where, NOD_ActorMesh& _mesh, bool _emptyIsNone);
// 1 when the body's physical description was touched in the last collision pass.
u32 NOD_HasContacts(const NOD_Body& _body);

// The mass of a turret's or turret gun's physical description (vessel kind); 0 without one.
f32 NOD_TurretMass(const NOD_Body& _body);
// A turret's or turret gun's ground-switch flag for its physical description: 1 when the
// father is a body whose physical description is a free body, else 0 (no father, no body, or
// no description).
u32 NOD_FatherIsFreeBody(const NOD_Node* _node);
// The world velocity of a body carried by its father: the father's world rotation now applied
// to _rates, plus the father's own velocity; _rates as they are without a body father.
MAT_Vector3 NOD_CarriedVelocity(NOD_Body& _body, const MAT_Vector3& _rates);
// A frame frozen where it is when its body leaves the simulation: its local frame now
// re-recorded at rest, and its attached motion state (if any) placed there.
void NOD_FreezeFrame(NOD_CS& _cs);
