#include "pcs_visibleobject.h"

PCS_VisibleObject::~PCS_VisibleObject() = default;
