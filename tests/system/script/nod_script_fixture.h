// The fixture of the script node and binding tests: a temporary working directory holding the
// glue library, a root node, one script node under it, and helpers to run chunks and read the log.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lua_state.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_script.h"
#include "rti_class.h"
#include "sim_clock.h"
#include "test_dir.h"

class TST_ScriptFixture : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // The program registers the script node at start-up; a test main may not yet.
        if (RTI_ClassDefinition::Find("NOD_Script") == nullptr) {
            NOD_RegisterScriptClasses();
            s_registered = true;
        }
    }
    static void TearDownTestSuite()
    {
        if (s_registered)
            NOD_UnregisterScriptClasses();
        s_registered = false;
    }

    void SetUp() override
    {
        m_dir.Write("dat/script/lib/glue.sco", GlueText());
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        NOD_Script::SetSnoop(0);
        m_root = new NOD_Node();
        m_root->SetName("root");
        NOD_Node::SetRoot(m_root);
        m_script = NewScript("script");
    }
    void TearDown() override
    {
        delete m_root;
        NOD_Script::SetSnoop(0);
    }

    static std::string GlueText()
    {
        std::ifstream in(std::string(QV_DATA_SOURCE_DIR) + "/dat/script/lib/glue.sco", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // A script node attached under the root.
    NOD_Script* NewScript(const char* _name)
    {
        NOD_Node* node = NOD_Node::CreateNode("nod_script", _name);
        m_root->AddSon(node);
        return static_cast<NOD_Script*>(node);
    }
    NOD_Node* NewNode(const char* _name, NOD_Node* _father = nullptr)
    {
        NOD_Node* node = NOD_Node::CreateNode("NOD_Node", _name);
        (_father != nullptr ? _father : m_root)->AddSon(node);
        return node;
    }

    // Runs a chunk named "test" (its short source in the error and position lines).
    s32 Run(const std::string& _code, NOD_Script* _script = nullptr)
    {
        NOD_Script* script = _script != nullptr ? _script : m_script;
        return script->RunChunk((const u8*)_code.data(), (u32)_code.size(), "=test");
    }
    // A global of the script's state as a number or a string ("" when it is not one).
    f64 Number(const char* _global, NOD_Script* _script = nullptr)
    {
        lua_State* state = (_script != nullptr ? _script : m_script)->GetLuaState();
        lua_getglobal(state, _global);
        const f64 value = lua_tonumber(state, -1);
        lua_pop(state, 1);
        return value;
    }
    std::string String(const char* _global, NOD_Script* _script = nullptr)
    {
        lua_State* state = (_script != nullptr ? _script : m_script)->GetLuaState();
        lua_getglobal(state, _global);
        const char* text = lua_type(state, -1) == LUA_TSTRING ? lua_tostring(state, -1) : "";
        std::string value = text;
        lua_pop(state, 1);
        return value;
    }

    // A global as the script's tostring writes it; "" for nil.
    std::string Text(const char* _global, NOD_Script* _script = nullptr)
    {
        lua_State* state = (_script != nullptr ? _script : m_script)->GetLuaState();
        lua_getglobal(state, _global);
        std::string value;
        if (lua_isstring(state, -1))
            value = lua_tostring(state, -1);
        else if (!lua_isnil(state, -1))
            value = lua_typename(state, lua_type(state, -1));
        lua_pop(state, 1);
        return value;
    }

    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::stringstream text(m_dir.Read("log.txt"));
        std::string line;
        while (std::getline(text, line))
            lines.push_back(line);
        return lines;
    }
    // The log lines written from now on.
    void ClearLog() const { std::remove("log.txt"); }

    void Step(f32 _time) { SIM_GetSimulationClock().SetTime(_time); }

    TST_TempDir m_dir;
    NOD_Node* m_root = nullptr;
    NOD_Script* m_script = nullptr;
    static inline bool s_registered = false;
};
