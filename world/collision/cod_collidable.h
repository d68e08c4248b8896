// The root of every object the collision system registers.
//
// The system writes the object's type number (0 to 9) at registration, and the pass reads it
// back to tell the two sides of a pair apart (viewer from visible object, avoider from
// obstacle, sensor from emitter). Every collision description derives from this class, so the
// type is its first own field.
#pragma once

#include "os_types.h"
#include "rti_class.h"

class COD_Collidable : public RTI_Class
{
public:
    u32 m_type = 0;
};

// The registration functions of the collision descriptions: "COD_Physical" and "COD_Emitter",
// both with base "RTI_Class" (the other descriptions are never created by name).
void COD_RegisterClasses();
void COD_UnregisterClasses();
