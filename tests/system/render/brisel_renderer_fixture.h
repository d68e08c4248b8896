// A frame renderer over the recording display, with the data files it reads and fakes of the
// scene it draws, shared by the renderer's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_scene_fake.h"
#include "display_fixture.h"
#include "os_clock.h"
#include "os_commandline.h"
#include "sim_clock.h"

class RendererTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        TST_WriteRendererData(m_dir, m_data);
        TST_ResetRendererGlobals(m_commandLine.c_str());
        SITO_DISPLAY = Open();
        m_resources.reset(new TST_FakeResources());
        m_scene.reset(new TST_FakeScene());
        m_renderer = new Brisel_Renderer();
        m_renderer->CreateDisplay();
        m_fake.Forget();
    }

    void TearDown() override
    {
        delete m_renderer;
        m_renderer = nullptr;
        m_scene.reset();
        m_resources.reset();
        SITO_DISPLAY = nullptr;
        OS_SetCommandLine("");
        DisplayTest::TearDown();
    }

    // One frame at _time.
    void Frame(f32 _time = 0.0f)
    {
        SIM_GetFrameClock().SetTime(_time);
        m_renderer->Render();
    }

    // A body filed by the camera (owned by the fixture).
    TST_FakeBody* Body(s16 _bucket, const MAT_Vector3& _position, bool _visible = true)
    {
        m_bodies.emplace_back(new TST_FakeBody(&m_drawn, _bucket, _position));
        if (_visible)
            m_scene->camera->visible.push_back(m_bodies.back().get());
        return m_bodies.back().get();
    }

    size_t Draws() const { return m_fake.Count("DrawIndexedPrimitive"); }

    // Each lock of a buffer as (buffer, first byte, bytes, discard and no-overwrite flags).
    struct Lock
    {
        u32 buffer, offset, size, flags;
    };
    std::vector<Lock> Locks(const char* _kind) const
    {
        std::vector<Lock> locks;
        for (const std::string& call : m_fake.Matching(std::string("Lock") + _kind + "Buffer ")) {
            Lock lock{};
            const std::string format = std::string("Lock") + _kind + "Buffer %u %u %u 0x%x";
            std::sscanf(call.c_str(), format.c_str(), &lock.buffer, &lock.offset, &lock.size, &lock.flags);
            lock.flags &= DEV_LOCK_DISCARD | DEV_LOCK_NOOVERWRITE;
            locks.push_back(lock);
        }
        return locks;
    }

    TST_TempDir m_dir;
    TST_RendererData m_data;
    std::string m_commandLine;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    Brisel_Renderer* m_renderer = nullptr;
    std::vector<std::unique_ptr<TST_FakeBody>> m_bodies;
    std::vector<const TST_FakeBody*> m_drawn;
};
