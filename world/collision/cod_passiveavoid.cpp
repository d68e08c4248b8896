#include "cod_passiveavoid.h"

#include <cstring>

#include "des_file.h"
#include "os_fatal.h"

namespace
{
struct SizeClassName
{
    const char* name;
    s32 sizeClass;
};

const SizeClassName SIZE_CLASS_NAMES[] = {
    {"SmallVessel", COD_SIZE_SMALL_VESSEL}, {"MediumVessel", COD_SIZE_MEDIUM_VESSEL},
    {"LargeVessel", COD_SIZE_LARGE_VESSEL}, {"Vehicle", COD_SIZE_VEHICLE},
    {"Building", COD_SIZE_BUILDING},
};
}  // namespace

COD_PassiveAvoid::~COD_PassiveAvoid() = default;

void COD_PassiveAvoid::Parse(DES_Section* _section)
{
    char description[64];
    _section->GetString("Description", description, sizeof(description));
    for (const SizeClassName& entry : SIZE_CLASS_NAMES) {
        if (strcmp(description, entry.name) == 0) {
            m_sizeClass = entry.sizeClass;
            return;
        }
    }
    OS_Fatal("COD_PassiveAvoid::Parse", "Illegal boject type in avoidance description");
}

void COD_PassiveAvoid::Assign(const COD_PassiveAvoid& _source)
{
    m_entryId = _source.m_entryId;
    m_sizeClass = _source.m_sizeClass;
}
