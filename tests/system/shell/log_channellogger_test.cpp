#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_channellogger.h"
#include "mem_alloc.h"

namespace
{
std::vector<std::string> Activated(const LOG_ChannelLogger& _logger)
{
    std::vector<std::string> names;
    for (u32 i = 0; i < _logger.GetActivatedCount(); ++i)
        names.push_back(_logger.GetActivated(i).C_Str());
    return names;
}

// "name=on" per table entry, in table order.
std::vector<std::string> Table(const LOG_ChannelLogger& _logger)
{
    std::vector<std::string> entries;
    for (u32 i = 0; i < _logger.GetChannelCount(); ++i) {
        const LOG_Channel& channel = _logger.GetChannel(i);
        entries.push_back(std::string(channel.name.C_Str()) + "=" + std::to_string(channel.on));
    }
    return entries;
}

using Names = std::vector<std::string>;

TEST(LogChannelLoggerTest, ConstructionListsAndRegistersLogAsTheDefaultChannel)
{
    LOG_ChannelLogger logger;
    EXPECT_EQ(0u, logger.m_level);
    EXPECT_EQ(0u, logger.m_fileName.Length());
    EXPECT_EQ(Names({"Log"}), Activated(logger));
    EXPECT_EQ(Names({"Log=1"}), Table(logger));
    EXPECT_EQ(0u, logger.GetDefaultChannel());
    EXPECT_EQ(4u, logger.GetChannelCapacity());
    EXPECT_EQ(4u, logger.GetActivatedCapacity());
}

TEST(LogChannelLoggerTest, NamesMatchWithoutCaseButWithEqualLength)
{
    LOG_ChannelLogger logger;
    logger.DeactivateChannel("Lo");
    logger.DeactivateChannel("Logs");
    EXPECT_EQ(Names({"Log"}), Activated(logger));
    EXPECT_EQ(Names({"Log=1"}), Table(logger));

    logger.DeactivateChannel("log");
    EXPECT_EQ(Names({}), Activated(logger));
    EXPECT_EQ(Names({"Log=0"}), Table(logger));

    logger.ActivateChannel("LOG");
    logger.ActivateChannel("Log");
    EXPECT_EQ(Names({"LOG"}), Activated(logger)) << "listed once, in the first form";
    EXPECT_EQ(Names({"Log=1"}), Table(logger));
}

TEST(LogChannelLoggerTest, ActivationListsANameWithoutAddingAChannel)
{
    LOG_ChannelLogger logger;
    logger.ActivateChannel("Net");
    EXPECT_EQ(Names({"Log", "Net"}), Activated(logger));
    EXPECT_EQ(Names({"Log=1"}), Table(logger));

    EXPECT_EQ(1u, logger.RegisterChannel("NET"));
    EXPECT_EQ(2u, logger.RegisterChannel("Sound"));
    EXPECT_EQ(Names({"Log=1", "NET=1", "Sound=0"}), Table(logger));

    // Registering an existing channel again gives its index and its name the new form.
    logger.DeactivateChannel("net");
    EXPECT_EQ(1u, logger.RegisterChannel("nEt"));
    EXPECT_EQ(Names({"Log=1", "nEt=0", "Sound=0"}), Table(logger));
}

TEST(LogChannelLoggerTest, WildcardSwitchesEveryChannelButUnlistsOnlyItself)
{
    LOG_ChannelLogger logger;
    logger.RegisterChannel("Net");
    logger.ActivateChannel("ALL");
    EXPECT_EQ(Names({"Log", "ALL"}), Activated(logger));
    EXPECT_EQ(Names({"Log=1", "Net=1"}), Table(logger));
    EXPECT_EQ(2u, logger.RegisterChannel("Anything"));
    EXPECT_EQ(Names({"Log=1", "Net=1", "Anything=1"}), Table(logger));

    logger.ActivateChannel("Net");
    logger.DeactivateChannel("all");
    EXPECT_EQ(Names({"Log", "Net"}), Activated(logger));
    EXPECT_EQ(Names({"Log=0", "Net=0", "Anything=0"}), Table(logger));
    EXPECT_EQ(3u, logger.RegisterChannel("Other"));
    EXPECT_EQ(1u, logger.RegisterChannel("Net"));
    EXPECT_EQ(Names({"Log=0", "Net=1", "Anything=0", "Other=0"}), Table(logger));
}

TEST(LogChannelLoggerTest, AChannelWithAnEmptyNameIsReused)
{
    LOG_ChannelLogger logger;
    EXPECT_EQ(1u, logger.RegisterChannel(""));
    EXPECT_EQ(Names({"Log=1", "=0"}), Table(logger));
    EXPECT_EQ(1u, logger.RegisterChannel("Net"));
    EXPECT_EQ(2u, logger.RegisterChannel("Log2"));
    EXPECT_EQ(Names({"Log=1", "Net=0", "Log2=0"}), Table(logger));
}

TEST(LogChannelLoggerTest, ArraysGrowByPowersOfTwoAndRemovalKeepsTheOrder)
{
    const u32 before = MEM_GetBytesInUse();
    {
        LOG_ChannelLogger logger;
        struct Step
        {
            u32 count;
            u32 capacity;
        };
        const Step steps[] = {{4, 4}, {5, 8}, {8, 8}, {9, 16}, {17, 32}};
        Names expected = {"Log"};
        u32 next = 1;
        for (const Step& step : steps) {
            for (; next < step.count; ++next) {
                const std::string name = "C" + std::to_string(next);
                logger.ActivateChannel(name.c_str());
                EXPECT_EQ(next, logger.RegisterChannel(name.c_str()));
                expected.push_back(name);
            }
            EXPECT_EQ(step.count, logger.GetChannelCount());
            EXPECT_EQ(step.capacity, logger.GetChannelCapacity());
            EXPECT_EQ(step.capacity, logger.GetActivatedCapacity());
        }
        EXPECT_EQ(expected, Activated(logger));

        logger.DeactivateChannel("c3");
        logger.DeactivateChannel(logger.GetActivated(0));  // the listed element itself
        logger.DeactivateChannel("C16");
        expected.erase(expected.begin() + 16);
        expected.erase(expected.begin() + 3);
        expected.erase(expected.begin());
        EXPECT_EQ(expected, Activated(logger));
        EXPECT_EQ(32u, logger.GetActivatedCapacity()) << "removing never shrinks";
        EXPECT_EQ(0u, logger.GetChannel(0).on);
        EXPECT_EQ(0u, logger.GetChannel(3).on);
        EXPECT_EQ(1u, logger.GetChannel(4).on);
    }
    EXPECT_EQ(before, MEM_GetBytesInUse()) << "entries, names and storage all released";
}
}  // namespace
