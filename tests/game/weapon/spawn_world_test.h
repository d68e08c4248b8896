// A test in the run's spawner world (TST_SpawnWorld): made in SetUp, where a prototype file it
// refuses fails the test, and taken down in TearDown.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "spawn_fixture.h"
#include "test_dir.h"

class TST_SpawnWorldTest : public testing::Test
{
protected:
    void SetUp() override
    {
        try {
            m_world.reset(new TST_SpawnWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }
    void TearDown() override { m_world.reset(); }

    TST_TempDir m_dir;
    std::unique_ptr<TST_SpawnWorld> m_world;
};
