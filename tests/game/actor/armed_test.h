// The test base of the armed bodies' tests: a run with its spawner and flat ground
// (TST_ArmedWorld) in a temporary directory, with the lookups the tests share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "armed_fixture.h"
#include "os_fatal.h"
#include "rti_class.h"
#include "test_dir.h"

class TST_ArmedTest : public testing::Test
{
protected:
    void SetUp() override
    {
        try {
            m_world.reset(new TST_ArmedWorld(m_dir));
        } catch (const OS_FatalError& error) {
            FAIL() << error.Caption() << ": " << error.Message();
        }
    }
    void TearDown() override { m_world.reset(); }

    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    // The nodes of the class (or a derived one) anywhere under the root.
    s32 Count(const char* _className) const { return CountUnder(m_world->root, RTI_ClassDefinition::Find(_className)); }

    // Whether the node is still in the tree.
    bool Alive(const NOD_Node* _node) const { return Contains(m_world->root, _node); }

    TST_TempDir m_dir;
    std::unique_ptr<TST_ArmedWorld> m_world;

private:
    static s32 CountUnder(NOD_Node* _node, const RTI_ClassDefinition* _class)
    {
        s32 count = _class != nullptr && _node->IsKindOf(_class) ? 1 : 0;
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            count += CountUnder(_node->GetSon(i), _class);
        return count;
    }
    static bool Contains(NOD_Node* _node, const NOD_Node* _wanted)
    {
        if (_node == _wanted)
            return true;
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            if (Contains(_node->GetSon(i), _wanted))
                return true;
        return false;
    }
};
