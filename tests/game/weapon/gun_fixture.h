// A gun's surroundings for the gun tests: the recording display, the sound output and the
// resource cache, the thirteen weapons' files (tools/tools_guns.h) in a fresh directory, and a
// tree with "/camera" and the owner body "/player1". Guns are stepped one by one with the
// simulation clock moved on after each step, as the run moves it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "brisel_cache.h"
#include "display_fixture.h"
#include "mat_fixture.h"
#include "mat_matrix.h"
#include "nod_body.h"
#include "nod_camera.h"
#include "nod_gun.h"
#include "nod_gun_part.h"
#include "nod_guns.h"
#include "nod_message.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "snd_sounddevice.h"
#include "test_dir.h"
#include "tools_guns.h"

class GunTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        SIM_GetFrameClock().Set(0.0f, 0.0f);
        SITO_DISPLAY = Open();
        ASSERT_EQ(1u, TOOL_WriteGunFiles(m_dir.Path()));
        m_dir.Write("ini/sound.des", "[Sound]\n{\n    SoundOn = 1\n    NumOfChannels = 2\n    Rate = 22050\n"
                                     "    Bits = 16\n}\n");
        m_sound.reset(new SND_SoundDevice2D("ini\\sound.des"));
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
        m_root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(m_root);
        m_camera = NOD_Camera::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera")));
        m_owner = NOD_Body::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Body", "player1")));
        ASSERT_NE(nullptr, m_camera);
        ASSERT_NE(nullptr, m_owner);
        MAT_Matrix34 frame;
        frame.r.FromAngles(MAT_Angle(1.5707964f), MAT_Angle(0.0f), MAT_Angle(0.0f));
        frame.t = MAT_Vector3(100.0f, 200.0f, 50.0f);
        m_owner->SetTransform(0.0f, frame);
    }
    void TearDown() override
    {
        delete m_root;
        NOD_Node::GC_Collect();
        Brisel_TheCache = nullptr;
        delete m_cache;
        m_cache = nullptr;
        m_sound.reset();
        SIM_GetSimulationClock().Reset();
        SIM_GetFrameClock().Reset();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    static f32 Now() { return SIM_GetSimulationClock().time; }

    // The weapon _name of the set as the player adds it: created by class, read, given the owner
    // and the muzzle 10 units ahead, hung under _father (the owner when null) and entered.
    NOD_Gun* AddGun(const char* _name, NOD_Node* _father = nullptr)
    {
        const TOOL_Weapon* weapon = TOOL_FindWeapon(_name);
        EXPECT_NE(nullptr, weapon) << _name;
        NOD_Gun* gun = NOD_Gun::DynamicCast(NOD_Node::CreateNode(weapon->className, weapon->name));
        EXPECT_NE(nullptr, gun) << weapon->className;
        gun->ParseIniFile_File(weapon->file);
        gun->SetOwner(m_owner);
        gun->SetMuzzleFrame(TST_TranslationFrame(0.0f, 10.0f, 0.0f));
        (_father != nullptr ? _father : m_owner)->AddSon(gun);
        delete gun->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return gun;
    }
    // A gun of class _className from the description _text, read as "vfx\gun.osd".
    NOD_Gun* ReadGun(const char* _className, const std::string& _text)
    {
        m_dir.Write("vfx/gun.osd", _text);
        NOD_Gun* gun = NOD_Gun::DynamicCast(NOD_Node::CreateNode(_className, "gun"));
        EXPECT_NE(nullptr, gun) << _className;
        try {
            gun->ParseIniFile_File("gun.osd");
        } catch (...) {
            delete gun;
            throw;
        }
        return gun;
    }

    // _count steps of _node, each followed by the clock's step.
    static void Step(NOD_Node* _node, s32 _count = 1)
    {
        for (s32 i = 0; i < _count; ++i) {
            _node->HeartBeat();
            SIM_Clock& clock = SIM_GetSimulationClock();
            clock.SetTime(clock.time + clock.dt);
        }
    }
    // Steps only the clock.
    static void Wait(s32 _count)
    {
        for (s32 i = 0; i < _count; ++i) {
            SIM_Clock& clock = SIM_GetSimulationClock();
            clock.SetTime(clock.time + clock.dt);
        }
    }

    void LookFromOwner() { delete m_camera->ProcessMessage(NOD_Camera_LookFrom::Create(SIM_Path("/player1"))); }

    TST_TempDir m_dir;
    std::unique_ptr<SND_SoundDevice2D> m_sound;
    Brisel_Cache* m_cache = nullptr;
    NOD_Node* m_root = nullptr;
    NOD_Camera* m_camera = nullptr;
    NOD_Body* m_owner = nullptr;
};
