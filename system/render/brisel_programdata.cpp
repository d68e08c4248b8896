#include "brisel_programdata.h"

namespace
{
Brisel_ProgramData s_data;
}  // namespace

Brisel_ProgramData& Brisel_GetProgramData() { return s_data; }

void Brisel_ResetProgramData() { s_data = Brisel_ProgramData(); }
