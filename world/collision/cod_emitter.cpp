#include "cod_emitter.h"

COD_Description::~COD_Description() = default;

RTI_IMPLEMENT_CLASS(COD_Emitter, "RTI_Class")

COD_Emitter::~COD_Emitter() = default;
