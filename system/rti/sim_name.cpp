// Names, class names and paths.
#include "sim_name.h"

#include <cstring>

#include "os_fatal.h"
#include "os_string.h"
#include "rti_archive.h"

RTI_IMPLEMENT_CLASS(SIM_Name, "RTI_Class")
RTI_IMPLEMENT_CLASS(SIM_ClassName, "RTI_Class")
RTI_IMPLEMENT_CLASS(SIM_Path, "RTI_Class")

// --- SIM_FixedName ---

template <u32 BYTES>
u32 SIM_FixedName<BYTES>::CopyText(const char* _text)
{
    if (_text == nullptr)
        _text = "";
    const u32 length = OS_StrLen(_text);
    if (length > MAX_LENGTH)
        return 0;
    memcpy(m_name, _text, length + 1);
    return 1;
}

template <u32 BYTES>
u32 SIM_FixedName<BYTES>::SetFromField(const u8* _field, s32 _count)
{
    u8 field[FIELD_BYTES] = {};
    const u32 count = _count < 0 ? 0 : ((u32)_count < BYTES ? (u32)_count : BYTES);
    if (count > 0)
        memcpy(field, _field, count);
    if (memchr(field, 0, MAX_LENGTH + 1) == nullptr) {
        memset(m_name, 0, FIELD_BYTES);
        return 0;
    }
    memcpy(m_name, field, FIELD_BYTES);
    return 1;
}

template <u32 BYTES>
u32 SIM_FixedName<BYTES>::SerializeField(RTI_Archive& _archive)
{
    if (_archive.GetMode() != RTI_Archive::MODE_READ) {
        s32 length = (s32)FIELD_BYTES;
        _archive.Serialize((u8*)m_name, &length);
        return 1;
    }
    u8 field[FIELD_BYTES] = {};
    s32 length = (s32)FIELD_BYTES;
    _archive.Serialize(field, &length);
    if (length != (s32)FIELD_BYTES || !SetFromField(field, length)) {
        memset(m_name, 0, FIELD_BYTES);
        _archive.SetFailed();
        return 0;
    }
    return 1;
}

template <u32 BYTES>
void SIM_FixedName<BYTES>::Serialize(RTI_Archive& _archive)
{
    SerializeField(_archive);
}

template class SIM_FixedName<16>;
template class SIM_FixedName<64>;

// --- SIM_Name ---

SIM_Name::SIM_Name(const char* _name) { SetName(_name); }

void SIM_Name::SetName(const char* _name)
{
    if (!CopyText(_name))
        OS_Fatal("SIM_Name::SetName() : name too long", _name);
}

SIM_Name& SIM_Name::operator=(const char* _name)
{
    if (!CopyText(_name))
        OS_Fatal("SIM_Name::oparator=() : name too long", _name);
    return *this;
}

bool SIM_Name::operator==(const SIM_Name& _other) const { return OS_StrICmp(m_name, _other.m_name) == 0; }

bool SIM_Name::operator==(const char* _name) const { return _name != nullptr && OS_StrICmp(m_name, _name) == 0; }

u32 SIM_Name::IsPrefixOf(const SIM_Name& _other) const
{
    return OS_StrNICmp(m_name, _other.m_name, OS_StrLen(m_name)) == 0 ? 1 : 0;
}

u32 SIM_Name::HasProperPrefix(const SIM_Name& _other) const
{
    const u32 length = OS_StrLen(_other.m_name);
    return (length < OS_StrLen(m_name) && memcmp(m_name, _other.m_name, length) == 0) ? 1 : 0;
}

// --- SIM_ClassName ---

SIM_ClassName::SIM_ClassName(const char* _name) { SetName(_name); }

void SIM_ClassName::SetName(const char* _name)
{
    if (!CopyText(_name))
        OS_Fatal("SIM_ClassName::SetName() : name too long", _name);
}

SIM_ClassName& SIM_ClassName::operator=(const char* _name)
{
    SetName(_name);
    return *this;
}

// --- SIM_Path ---

SIM_Path::SIM_Path(const char* _text) { Set(_text); }

SIM_Path::SIM_Path(SIM_Name* const* _names, u32 _absolute)
{
    m_absolute = _absolute ? 1 : 0;
    if (_names == nullptr)
        return;
    while (m_depth < MAX_DEPTH && _names[m_depth] != nullptr) {
        m_names[m_depth] = *_names[m_depth];
        ++m_depth;
    }
}

void SIM_Path::Set(const char* _text)
{
    // Parse into locals so that a fatal name leaves the path as it was.
    SIM_Name names[MAX_DEPTH];
    u8 depth = 0;
    u8 absolute = 0;
    const char* cursor = _text != nullptr ? _text : "";
    if (*cursor == '/' || *cursor == '\\') {
        absolute = 1;
        ++cursor;
    }
    while (*cursor != 0 && depth < MAX_DEPTH) {
        char element[SIM_Name::FIELD_BYTES] = {};
        u32 length = 0;
        while (length <= SIM_Name::MAX_LENGTH && cursor[length] != 0 && cursor[length] != '/' &&
               cursor[length] != '\\') {
            element[length] = cursor[length];
            ++length;
        }
        if (length > SIM_Name::MAX_LENGTH)
            OS_Fatal("SIM_Name::SetName() : name too long", element);
        names[depth++].SetName(element);
        cursor += length;
        if (*cursor == '/' || *cursor == '\\')
            ++cursor;
    }
    Accept(names, depth, absolute, 1);
}

void SIM_Path::GetString(char* _buffer, u32 _size) const
{
    if (_buffer == nullptr || _size == 0)
        return;
    u32 used = 0;
    auto append = [&](const char* _text) {
        for (; *_text != 0 && used + 1 < _size; ++_text)
            _buffer[used++] = *_text;
    };
    if (m_absolute)
        append("/");
    for (u32 i = 0; i < m_depth; ++i) {
        if (i > 0)
            append("/");
        append(m_names[i].GetName());
    }
    _buffer[used] = 0;
}

bool SIM_Path::operator==(const SIM_Path& _other) const
{
    if (m_absolute != _other.m_absolute || m_depth != _other.m_depth)
        return false;
    for (u32 i = 0; i < m_depth; ++i) {
        if (!(m_names[i] == _other.m_names[i]))
            return false;
    }
    return true;
}

const SIM_Name& SIM_Path::GetName(s32 _depth) const
{
    if (_depth < 0 || _depth >= (s32)m_depth)
        OS_Fatal("SIM_Path::GetName()", "illegal depth");
    return m_names[_depth];
}

void SIM_Path::Clear()
{
    for (SIM_Name& name : m_names)
        name.SetName("");
    m_absolute = 0;
    m_depth = 0;
}

u32 SIM_Path::Accept(const SIM_Name* _names, u8 _depth, u8 _absolute, u32 _valid)
{
    Clear();
    if (!_valid || _depth > MAX_DEPTH)
        return 0;
    for (u32 i = 0; i < _depth; ++i)
        m_names[i] = _names[i];
    m_depth = _depth;
    m_absolute = _absolute ? 1 : 0;
    return 1;
}

void SIM_Path::Serialize(RTI_Archive& _archive)
{
    u8 header[2] = {m_depth, m_absolute};
    s32 length = 2;
    if (_archive.GetMode() != RTI_Archive::MODE_READ) {
        _archive.Serialize(header, &length);
        for (u32 i = 0; i < m_depth; ++i)
            m_names[i].Serialize(_archive);
        return;
    }
    _archive.Serialize(header, &length);
    if (length != 2 || header[0] > MAX_DEPTH) {
        Clear();
        _archive.SetFailed();
        return;
    }
    SIM_Name names[MAX_DEPTH];
    u32 valid = 1;
    for (u32 i = 0; i < header[0]; ++i) {
        if (!names[i].SerializeField(_archive))
            valid = 0;
    }
    Accept(names, header[0], header[1], valid);
}

void SIM_RegisterClasses()
{
    SIM_ClassName::RegisterClassDefinition();
    SIM_Name::RegisterClassDefinition();
    SIM_Path::RegisterClassDefinition();
}

void SIM_UnregisterClasses()
{
    SIM_Path::UnregisterClassDefinition();
    SIM_Name::UnregisterClassDefinition();
    SIM_ClassName::UnregisterClassDefinition();
}
