#include "snd_sampletable.h"

namespace
{
SND_SampleTable* s_current = nullptr;
}

void SND_SampleTable::SetCurrent(SND_SampleTable* _table) { s_current = _table; }

SND_SampleTable* SND_SampleTable::GetCurrent() { return s_current; }
