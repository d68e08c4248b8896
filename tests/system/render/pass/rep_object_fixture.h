// A display on the recording fake device for the shared-register and pass tests (the smaller
// passes' fixture builds on it), installed as SITO_DISPLAY, with meshes whose materials the tests shape and a log of which
// program each draw ran with.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "dsp_display.h"
#include "dsp_texture.h"
#include "reb_mesh.h"
#include "rep_constants.h"

class TST_ObjectFakeTest : public DisplayTest
{
protected:
    static constexpr s32 TEXTURES = 16;
    static constexpr s32 CAPACITY = 64;

    void SetUp() override
    {
        Open();
        SITO_DISPLAY = m_display;
        m_display->SetTextureCacheSize(TEXTURES);
        for (f32* row : REP_VertexShaderConstants)
            row[0] = row[1] = row[2] = row[3] = 0.0f;
        m_fake.Forget();
    }

    // Meshes go before the display.
    void TearDown() override
    {
        m_meshes.clear();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    // A mesh of _indexCounts.size() materials, material i drawing _indexCounts[i] indices over
    // three vertices from the start of buffers of CAPACITY entries.
    REB_Mesh* Mesh(const std::vector<s32>& _indexCounts)
    {
        m_meshes.emplace_back(new REB_Mesh());
        REB_Mesh* mesh = m_meshes.back().get();
        mesh->Reconstruct(REB_BUFFER_STATIC, CAPACITY, REB_BUFFER_STATIC, CAPACITY, (s32)_indexCounts.size());
        for (size_t i = 0; i < _indexCounts.size(); ++i) {
            mesh->GetMaterial((s32)i)->indexCount = _indexCounts[i];
            mesh->GetMaterial((s32)i)->vertexCount = 3;
        }
        return mesh;
    }

    // Texture id _id made on the device.
    void Texture(s32 _id) { m_display->Texture_Create(_id, DSP_TEXTURE_A8R8G8B8, 0, 1); }

    // Names the vertex shaders created by _create, in creation order, so that the draw log can
    // say which program each draw used.
    template <class CREATE>
    void NameShaders(const std::vector<std::string>& _names, CREATE _create)
    {
        m_fake.Forget();
        _create();
        const std::vector<std::string> created = m_fake.Matching("CreateVertexShader ");
        ASSERT_EQ(_names.size(), created.size());
        for (size_t i = 0; i < created.size(); ++i) {
            const size_t arrow = created[i].find("-> ");
            m_shaderNames[(DEV_Handle)std::stoul(created[i].substr(arrow + 3))] = _names[i];
        }
        m_fake.Forget();
    }

    // The program of every draw since the last Forget, in order.
    std::vector<std::string> DrawnPrograms() const
    {
        std::vector<std::string> drawn;
        DEV_Handle current = m_lastShader;
        for (const std::string& call : m_fake.calls) {
            if (call.rfind("SetVertexShader ", 0) == 0)
                current = (DEV_Handle)std::stoul(call.substr(strlen("SetVertexShader ")));
            else if (call.rfind("DrawIndexedPrimitive", 0) == 0) {
                auto found = m_shaderNames.find(current);
                drawn.push_back(found != m_shaderNames.end() ? found->second : "?");
            }
        }
        return drawn;
    }

    // Forgets the calls so far, remembering the program they left selected.
    void ForgetCalls()
    {
        for (const std::string& call : m_fake.calls)
            if (call.rfind("SetVertexShader ", 0) == 0)
                m_lastShader = (DEV_Handle)std::stoul(call.substr(strlen("SetVertexShader ")));
        m_fake.Forget();
    }

    // Register _register as the device holds it.
    std::vector<f32> Held(s32 _register) const
    {
        const f32* r = m_fake.device->constants[_register];
        return {r[0], r[1], r[2], r[3]};
    }

    // The registers of every constant upload since the last Forget, in order.
    std::vector<u32> Uploads() const
    {
        std::vector<u32> registers;
        for (const std::string& call : m_fake.Matching("SetVertexShaderConstant "))
            registers.push_back((u32)std::stoul(call.substr(strlen("SetVertexShaderConstant "))));
        return registers;
    }

    std::vector<std::unique_ptr<REB_Mesh>> m_meshes;
    std::map<DEV_Handle, std::string> m_shaderNames;
    DEV_Handle m_lastShader = 0;
};
