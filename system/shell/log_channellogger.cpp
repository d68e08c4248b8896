// Channel settings of the log: two small ordered arrays of shared strings.
#include "log_channellogger.h"

#include <new>

#include "mem_alloc.h"
#include "os_fatal.h"
#include "os_string.h"

namespace
{
const char* const WHERE_GROW = "LOG_ChannelLogger::Grow()";

u32 NamesEqual(const MOS_String& _a, const MOS_String& _b)
{
    const u32 lengthA = _a.Length();
    const u32 lengthB = _b.Length();
    const u32 shorter = lengthA < lengthB ? lengthA : lengthB;
    return OS_StrNICmp(_a.C_Str(), _b.C_Str(), shorter) == 0 && lengthA == lengthB;
}

u32 IsWildcard(const MOS_String& _name) { return _name.Length() == 3 && OS_StrNICmp(_name.C_Str(), "all", 3) == 0; }

// Appends a copy of _value, growing the storage to the next power of two (at least 4) when
// it is full. _value may be an element of the same array: it is copied before the old
// storage goes.
template <typename T>
void AppendElement(T*& _storage, u32& _count, u32& _capacity, const T& _value)
{
    if (_count < _capacity) {
        new (&_storage[_count]) T(_value);
        ++_count;
        return;
    }
    const u64 needed = (u64)_count + 1;
    u64 capacity = 4;
    while (capacity < needed)
        capacity <<= 1;
    if (capacity * sizeof(T) > 0xFFFFFFFFu)
        OS_Fatal(WHERE_GROW, "out of memory");
    T* fresh = (T*)MEM_AllocOrDie((u32)(capacity * sizeof(T)), WHERE_GROW);
    for (u32 i = 0; i < _count; ++i)
        new (&fresh[i]) T(_storage[i]);
    new (&fresh[_count]) T(_value);
    for (u32 i = _count; i-- > 0;)
        _storage[i].~T();
    MEM_Free(_storage);
    _storage = fresh;
    _capacity = (u32)capacity;
    ++_count;
}

// Removes one element; the later ones move down and keep their order.
template <typename T>
void RemoveElement(T* _storage, u32& _count, u32 _index)
{
    for (u32 i = _index; i + 1 < _count; ++i)
        _storage[i] = _storage[i + 1];
    _storage[_count - 1].~T();
    --_count;
}

template <typename T>
void DestroyElements(T* _storage, u32& _count)
{
    for (u32 i = _count; i-- > 0;)
        _storage[i].~T();
    _count = 0;
}

template <typename T>
void FreeStorage(T*& _storage, u32& _capacity)
{
    MEM_Free(_storage);
    _storage = nullptr;
    _capacity = 0;
}
}  // namespace

LOG_ChannelLogger::LOG_ChannelLogger()
{
    ActivateChannel(MOS_String("Log"));
    m_defaultChannel = RegisterChannel(MOS_String("Log"));
}

LOG_ChannelLogger::~LOG_ChannelLogger()
{
    DestroyElements(m_activated, m_activatedCount);
    DestroyElements(m_channels, m_channelCount);
    FreeStorage(m_activated, m_activatedCapacity);
    FreeStorage(m_channels, m_channelCapacity);
}

s32 LOG_ChannelLogger::FindActivated(const MOS_String& _name) const
{
    for (u32 i = 0; i < m_activatedCount; ++i)
        if (NamesEqual(m_activated[i], _name))
            return (s32)i;
    return -1;
}

u32 LOG_ChannelLogger::IsListed(const MOS_String& _name) const
{
    for (u32 i = 0; i < m_activatedCount; ++i)
        if (NamesEqual(m_activated[i], _name) || IsWildcard(m_activated[i]))
            return 1;
    return 0;
}

void LOG_ChannelLogger::SetOnFlag(const MOS_String& _name, u32 _on)
{
    if (IsWildcard(_name)) {
        for (u32 i = 0; i < m_channelCount; ++i)
            m_channels[i].on = _on;
        return;
    }
    for (u32 i = 0; i < m_channelCount; ++i) {
        if (NamesEqual(m_channels[i].name, _name)) {
            m_channels[i].on = _on;
            return;
        }
    }
}

void LOG_ChannelLogger::ActivateChannel(const MOS_String& _name)
{
    SetOnFlag(_name, 1);
    if (FindActivated(_name) < 0)
        AppendElement(m_activated, m_activatedCount, m_activatedCapacity, _name);
}

void LOG_ChannelLogger::DeactivateChannel(const MOS_String& _name)
{
    // _name may be the listed element itself: keep it alive past the removal.
    const MOS_String name(_name);
    const s32 index = FindActivated(name);
    if (index >= 0)
        RemoveElement(m_activated, m_activatedCount, (u32)index);
    SetOnFlag(name, 0);
}

u32 LOG_ChannelLogger::RegisterChannel(const MOS_String& _name)
{
    const u32 on = IsListed(_name);
    for (u32 i = 0; i < m_channelCount; ++i) {
        if (NamesEqual(m_channels[i].name, _name)) {
            m_channels[i].name = _name;
            m_channels[i].on = on;
            return i;
        }
    }
    for (u32 i = 0; i < m_channelCount; ++i) {
        if (m_channels[i].name.Length() == 0) {
            m_channels[i].name = _name;
            m_channels[i].on = on;
            return i;
        }
    }
    LOG_Channel channel;
    channel.name = _name;
    channel.on = on;
    AppendElement(m_channels, m_channelCount, m_channelCapacity, channel);
    return m_channelCount - 1;
}
