// LOG_ChannelLogger: the settings of the channel-based log.
//
// A verbosity level, a log file name, a table of named channels each on or off, the names the
// user activated ("all" matches every channel) and the index of the default channel "Log".
// The debug node writes these settings; the log itself (OS_Log) does not read them. Names
// compare without regard to case and must have equal lengths. Both arrays keep the order in
// which entries were added and grow to the smallest power of two that is at least 4 and at
// least the needed count; storage comes from MEM_Alloc.
#pragma once

#include "mos_string.h"
#include "os_types.h"

struct LOG_Channel
{
    MOS_String name;
    u32 on = 0;
};

class LOG_ChannelLogger
{
public:
    // Lists and registers "Log", which becomes the default channel 0 and is on.
    LOG_ChannelLogger();
    ~LOG_ChannelLogger();
    LOG_ChannelLogger(const LOG_ChannelLogger&) = delete;
    LOG_ChannelLogger& operator=(const LOG_ChannelLogger&) = delete;

    // Switches the named channel on (every channel for "all") and lists the name once.
    void ActivateChannel(const MOS_String& _name);
    // Unlists the name and switches the named channel off (every channel for "all").
    void DeactivateChannel(const MOS_String& _name);
    // Table index of the channel: an entry of that name, else an entry with an empty name,
    // else a new one. It is on when its name or "all" is listed.
    u32 RegisterChannel(const MOS_String& _name);

    u32 GetChannelCount() const { return m_channelCount; }
    u32 GetChannelCapacity() const { return m_channelCapacity; }
    const LOG_Channel& GetChannel(u32 _index) const { return m_channels[_index]; }
    u32 GetActivatedCount() const { return m_activatedCount; }
    u32 GetActivatedCapacity() const { return m_activatedCapacity; }
    const MOS_String& GetActivated(u32 _index) const { return m_activated[_index]; }
    u32 GetDefaultChannel() const { return m_defaultChannel; }

    // Plain settings, written directly by the debug node.
    u32 m_level = 0;
    MOS_String m_fileName;

private:
    void SetOnFlag(const MOS_String& _name, u32 _on);
    u32 IsListed(const MOS_String& _name) const;  // 1 when the name or the wildcard is listed
    s32 FindActivated(const MOS_String& _name) const;

    LOG_Channel* m_channels = nullptr;
    u32 m_channelCount = 0;
    u32 m_channelCapacity = 0;
    MOS_String* m_activated = nullptr;
    u32 m_activatedCount = 0;
    u32 m_activatedCapacity = 0;
    u32 m_defaultChannel = 0;
};
