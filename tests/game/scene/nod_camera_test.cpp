#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "brisel_scene.h"
#include "brisel_simulation.h"
#include "cod_physical.h"
#include "cod_viewer.h"
#include "contactaggregate.h"
#include "cos_world_fixture.h"
#include "mat_fixture.h"
#include "mat_matrix.h"
#include "nod_body.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_node.h"
#include "nod_path.h"
#include "nod_position.h"
#include "pcs_visibleobject.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "vec_camera.h"

// A node the camera may bind to as its script thread.
class TST_CameraScript : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_CameraScript)
};
RTI_IMPLEMENT_CLASS(TST_CameraScript, "NOD_Script")

// Counts its HeartBeats: the camera runs none of its sons'.
static s32 s_sonBeats = 0;
class TST_BeatingSon : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_BeatingSon)

public:
    void HeartBeat() override { ++s_sonBeats; }
};
RTI_IMPLEMENT_CLASS(TST_BeatingSon, "NOD_Node")

namespace
{
constexpr f32 DT = SIM_STEP;
constexpr f32 START = 10.0f;
constexpr f32 DEG = 0.017453292f;

struct TST_Report
{
    std::string path;
    std::string position;
    u32 queued = 0;
    s32 thread = 0;
};
std::vector<TST_Report> s_reports;

NOD_Message* RecordReport(NOD_Node* /*_script*/, NOD_Message* _event, u32 _queued, s32 _thread)
{
    if (_event->GetType() == NOD_Camera_MovePosReached::ID) {
        SIM_Name path;
        SIM_Name position;
        NOD_Camera_MovePosReached::Read(_event, &path, &position);
        s_reports.push_back({path.GetName(), position.GetName(), _queued, _thread});
    }
    delete _event;
    return nullptr;
}

std::string Positions(const std::vector<TST_Report>& _reports)
{
    std::string text;
    for (const TST_Report& report : _reports)
        text += (text.empty() ? "" : " ") + report.path + ":" + report.position;
    return text;
}

MAT_Matrix34 Frame(const MAT_Vector3& _position, f32 _headingDegrees = 0.0f, f32 _pitchDegrees = 0.0f)
{
    MAT_Matrix34 frame;
    frame.r.FromAngles(MAT_Angle(_headingDegrees * DEG), MAT_Angle(_pitchDegrees * DEG), MAT_Angle(0.0f));
    frame.t = _position;
    return frame;
}

// Unit direction of heading h and pitch p (radians): heading 0 looks along +y, positive turns
// towards -x.
MAT_Vector3 Direction(f32 _heading, f32 _pitch)
{
    return {-std::sin(_heading) * std::cos(_pitch), std::cos(_heading) * std::cos(_pitch), std::sin(_pitch)};
}

class CameraTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TST_CameraScript::RegisterClassDefinition();
        TST_BeatingSon::RegisterClassDefinition();
        Clock().Set(START, DT);
        m_root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(m_root);
        camera = NOD_Camera::DynamicCast(Add("NOD_Camera", "camera"));
        ASSERT_NE(nullptr, camera);
        m_previousDelivery = NOD_Node::SetThreadDelivery(&RecordReport);
        s_reports.clear();
        s_sonBeats = 0;
    }
    void TearDown() override
    {
        NOD_Node::SetThreadDelivery(m_previousDelivery);
        NOD_Node::SetRoot(nullptr);
        delete m_root;
        NOD_Node::GC_Collect();
        TST_BeatingSon::UnregisterClassDefinition();
        TST_CameraScript::UnregisterClassDefinition();
        Clock().Reset();
    }

    static SIM_Clock& Clock() { return SIM_GetSimulationClock(); }

    NOD_Node* Add(const char* _className, const char* _name, NOD_Node* _father = nullptr)
    {
        NOD_Node* node = NOD_Node::CreateNode(_className, _name);
        EXPECT_NE(nullptr, node) << _className;
        (_father != nullptr ? _father : m_root)->AddSon(node);
        return node;
    }
    NOD_Body* Body(const char* _name, const MAT_Vector3& _position, f32 _heading = 0.0f, f32 _pitch = 0.0f)
    {
        NOD_Body* body = NOD_Body::DynamicCast(Add("NOD_Body", _name));
        body->SetTransform(Clock().time, Frame(_position, _heading, _pitch));
        return body;
    }
    // A path "route" of positions p0, p1, ... under the root.
    NOD_Node* Route(const std::vector<MAT_Vector3>& _points, const char* _className = "NOD_Path",
                    const char* _name = "route")
    {
        NOD_Node* path = Add(_className, _name);
        for (size_t i = 0; i < _points.size(); ++i) {
            const std::string name = "p" + std::to_string(i);
            NOD_Position* position = NOD_Position::DynamicCast(Add("NOD_Position", name.c_str(), path));
            position->SetPosition(_points[i]);
        }
        return path;
    }
    static std::vector<MAT_Vector3> Square() { return {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}; }

    void Send(NOD_Message* _message) { delete camera->ProcessMessage(_message); }
    void Enter() { Send(NOD_Node_EnterSimulation::Create()); }
    void Follow(const char* _path, f32 _distance, f32 _alpha = 0.0f, f32 _beta = 0.0f)
    {
        Send(NOD_Camera_Follow::Create(SIM_Path(_path), _distance, _alpha, _beta));
    }
    void Move(const NOD_Node* _path, f32 _velocity, u32 _loop, f32 _directionRate = 10.0f, f32 _rollRate = 5.0f)
    {
        Send(NOD_Camera_Move::Create(_path, _velocity, _directionRate, _rollRate, 0.0f, _loop));
    }
    void BindScript()
    {
        m_script = Add("TST_CameraScript", "script");
        camera->BindThread(m_script, 7);
    }
    // One simulation step: the camera's heartbeat, then the clock and the step counter move on.
    void Step(s32 _count = 1)
    {
        for (s32 i = 0; i < _count; ++i) {
            camera->HeartBeat();
            Clock().SetTime(Clock().time + DT);
            if (Brisel_TheSimulation != nullptr)
                ++Brisel_TheSimulation->stepCounter;
        }
    }
    // The camera as the driver and the renderer take it, at the clock's time.
    MAT_Matrix34 Placement(f32 _time) { return camera->GetCameraAtTime(_time)->GetWorldTransform(); }
    MAT_Matrix34 Placement() { return Placement(Clock().time); }
    bool Logged(const std::string& _line) const
    {
        return m_dir.Read("log.txt").find(_line + "\n") != std::string::npos;
    }
    bool LogHas(const std::string& _text) const { return m_dir.Read("log.txt").find(_text) != std::string::npos; }

    TST_TempDir m_dir;
    NOD_Node* m_root = nullptr;
    NOD_Node* m_script = nullptr;
    NOD_Camera* camera = nullptr;
    NOD_Node::ThreadDelivery m_previousDelivery = nullptr;
};

TEST_F(CameraTest, ConstructionGivesTheDefaultViewPartsAndCasts)
{
    const RTI_ClassDefinition* definition = RTI_ClassDefinition::Find("NOD_Camera");
    ASSERT_NE(nullptr, definition);
    EXPECT_EQ(RTI_ClassDefinition::Find("NOD_Body"), definition->GetBaseDefinition());
    EXPECT_EQ(NOD_Camera::MODE_STILL, camera->GetMode());
    EXPECT_EQ(0, camera->GetJumpFlag());
    EXPECT_FLOAT_EQ(MAT_PI * 0.5f, camera->GetFieldOfView());
    EXPECT_EQ(1.0f, camera->GetNearPlane());
    EXPECT_EQ(1024.0f, camera->GetFarPlane());
    EXPECT_EQ(-1, camera->GetKeyCount());

    const ContactAggregate& aggregate = camera->GetAggregate();
    EXPECT_EQ(NOD_CONTACT_CAMERA, aggregate.GetKind());
    ASSERT_NE(nullptr, aggregate.GetViewer());
    EXPECT_EQ(1024, aggregate.GetViewer()->m_capacity);
    EXPECT_NE(nullptr, aggregate.GetShadowReceiver());

    // At the origin looking along +y, through a 90-degree view from 1 to 1024.
    const VEC_Camera* view = camera->GetCameraAtTime(START);
    EXPECT_VEC_NEAR(MAT_Vector3(0, 0, 0), view->GetWorldTransform().t, 1e-6f);
    EXPECT_VEC_NEAR(MAT_Vector3(0, 1, 0), view->GetWorldTransform().r.GetY(), 1e-6f);
    EXPECT_EQ(1.0f, view->GetNear());
    EXPECT_EQ(1024.0f, view->GetFar());
    EXPECT_NEAR(1.0f, view->GetViewCorner(1).x, 1e-5f);  // right edge at the near plane

    // The renderer's cast answers cameras only, as the camera view.
    const Brisel_SceneCasts& casts = Brisel_Scene::GetCasts();
    ASSERT_NE(nullptr, casts.camera);
    EXPECT_EQ(static_cast<Brisel_CameraView*>(camera), casts.camera(camera));
    EXPECT_EQ(nullptr, casts.camera(Body("plain", {})));
    EXPECT_EQ(nullptr, casts.camera(nullptr));
    EXPECT_EQ(view, casts.camera(camera)->GetCameraAtTime(START));

    NOD_Body* first = reinterpret_cast<NOD_Body*>(1);
    NOD_Body* second = reinterpret_cast<NOD_Body*>(1);
    EXPECT_EQ(0, camera->GetModeAndTargets(&first, &second));
    EXPECT_EQ(nullptr, first);
    EXPECT_EQ(nullptr, second);
}

TEST_F(CameraTest, TheCastInstallationKeepsTheOtherHooksAndPutsBackTheOldCamera)
{
    struct Hooks
    {
        static Brisel_CameraView* Camera(NOD_Node*) { return nullptr; }
        static Brisel_ScreenLayer* Screen(NOD_Node*) { return nullptr; }
    };
    const Brisel_SceneCasts original = Brisel_Scene::GetCasts();
    NOD_Camera::UninstallCameraCast();
    EXPECT_EQ(original.camera == &NOD_Camera::CastToCameraView ? nullptr : original.camera,
              Brisel_Scene::GetCasts().camera);

    Brisel_SceneCasts other;
    other.camera = &Hooks::Camera;
    other.console = &Hooks::Screen;
    other.hud = &Hooks::Screen;
    Brisel_Scene::SetCasts(other);
    NOD_Camera::InstallCameraCast();
    NOD_Camera::InstallCameraCast();  // repeating changes nothing
    EXPECT_EQ(&NOD_Camera::CastToCameraView, Brisel_Scene::GetCasts().camera);
    EXPECT_EQ(&Hooks::Screen, Brisel_Scene::GetCasts().console);
    EXPECT_EQ(&Hooks::Screen, Brisel_Scene::GetCasts().hud);
    NOD_Camera::UninstallCameraCast();
    EXPECT_EQ(&Hooks::Camera, Brisel_Scene::GetCasts().camera);
    EXPECT_EQ(&Hooks::Screen, Brisel_Scene::GetCasts().console);

    Brisel_Scene::SetCasts(original);
    NOD_Camera::InstallCameraCast();
    EXPECT_EQ(&NOD_Camera::CastToCameraView, Brisel_Scene::GetCasts().camera);
}

TEST_F(CameraTest, FollowPlacesTheCameraBehindTheBodyAtDistanceAndAngles)
{
    struct Case
    {
        f32 heading;
        f32 alpha;
        f32 beta;
    };
    const Case cases[] = {{0, 0, 0}, {90, 0, 0}, {30, 45, -20}, {-170, -30, 10}, {0, 180, 0}};
    const MAT_Vector3 at(10.0f, 5.0f, -3.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "heading " << c.heading << " alpha " << c.alpha << " beta " << c.beta);
        NOD_Body* body = Body("player1", at, c.heading);
        Follow("/player1", 20.0f, c.alpha, c.beta);
        EXPECT_EQ(NOD_Camera::MODE_FOLLOW, camera->GetMode());
        EXPECT_EQ(1, camera->GetJumpFlag());
        const MAT_Vector3 direction = Direction((c.heading + c.alpha) * DEG, c.beta * DEG);
        const MAT_Matrix34 placed = Placement();
        EXPECT_VEC_NEAR(at - direction * 20.0f, placed.t, 1e-3f);
        EXPECT_VEC_NEAR(direction, placed.r.GetY(), 1e-4f);  // looking at the body
        NOD_Body* first = nullptr;
        NOD_Body* second = nullptr;
        EXPECT_EQ(2, camera->GetModeAndTargets(&first, &second));
        EXPECT_EQ(body, first);
        EXPECT_EQ(nullptr, second);
        delete body;
    }
}

TEST_F(CameraTest, DistanceAnglesProjectionAndPlanesAreClamped)
{
    // Before any follow both bounds are 0.
    Send(NOD_Camera_SetRelDistance::Create(5.0f));
    EXPECT_EQ(0.0f, camera->GetRequestedDistance());

    Body("player1", {});
    Follow("/player1", 20.0f, 0.0f, -0.5f);
    EXPECT_EQ(20.0f, camera->GetMinimumDistance());
    EXPECT_EQ(400.0f, camera->GetMaximumDistance());
    EXPECT_FLOAT_EQ(-0.5f * DEG, camera->GetRequestedBeta().Get());

    struct Case
    {
        const char* what;
        NOD_Message* message;
        f32 (*read)(const NOD_Camera*);
        f32 expected;
    };
    auto distance = [](const NOD_Camera* _c) { return _c->GetRequestedDistance(); };
    auto fov = [](const NOD_Camera* _c) { return _c->GetFieldOfView(); };
    auto nearPlane = [](const NOD_Camera* _c) { return _c->GetNearPlane(); };
    auto farPlane = [](const NOD_Camera* _c) { return _c->GetFarPlane(); };
    auto collision = [](const NOD_Camera* _c) { return (f32)_c->GetCollisionFlag(); };
    auto alpha = [](const NOD_Camera* _c) { return _c->GetRequestedAlpha().Get(); };
    auto beta = [](const NOD_Camera* _c) { return _c->GetRequestedBeta().Get(); };
    const Case cases[] = {
        {"abs 5 -> min", NOD_Camera_SetAbsDistance::Create(5.0f), distance, 20.0f},
        {"abs 1000 -> max", NOD_Camera_SetAbsDistance::Create(1000.0f), distance, 400.0f},
        {"abs 55", NOD_Camera_SetAbsDistance::Create(55.0f), distance, 55.0f},
        {"rel -5", NOD_Camera_SetRelDistance::Create(-5.0f), distance, 50.0f},
        {"rel -100 -> min", NOD_Camera_SetRelDistance::Create(-100.0f), distance, 20.0f},
        {"fov 0 -> 1", NOD_Camera_SetProjection::Create(0.0f), fov, 1.0f * DEG},
        {"fov 200 -> 179", NOD_Camera_SetProjection::Create(200.0f), fov, 179.0f * DEG},
        {"fov 45", NOD_Camera_SetProjection::Create(45.0f), fov, 45.0f * DEG},
        {"front 0", NOD_Camera_SetFrontPlane::Create(0.0f), nearPlane, 0.001f},
        {"front 2e5", NOD_Camera_SetFrontPlane::Create(2e5f), nearPlane, 100000.0f},
        {"front 2", NOD_Camera_SetFrontPlane::Create(2.0f), nearPlane, 2.0f},
        {"back 5", NOD_Camera_SetBackPlane::Create(5.0f), farPlane, 10.0f},
        {"back 2e5", NOD_Camera_SetBackPlane::Create(2e5f), farPlane, 100000.0f},
        {"back 500", NOD_Camera_SetBackPlane::Create(500.0f), farPlane, 500.0f},
        {"collision 1", NOD_Camera_SetCollisionStatus::Create((u8)1), collision, 1.0f},
        {"collision 2 is off", NOD_Camera_SetCollisionStatus::Create((u8)2), collision, 0.0f},
        {"alpha +200 wraps", NOD_Camera_SetRelAlpha::Create(200.0f), alpha, -160.0f * DEG},
        {"alpha +200 again", NOD_Camera_SetRelAlpha::Create(200.0f), alpha, 40.0f * DEG},
        {"beta -270 wraps, no clamp", NOD_Camera_SetRelBeta::Create(-270.0f), beta, 89.5f * DEG},
    };
    for (const Case& c : cases) {
        Send(c.message);
        EXPECT_NEAR(c.expected, c.read(camera), 1e-5f) << c.what;
    }

    // Steps of +5 from 20 stop at 400.
    Send(NOD_Camera_SetAbsDistance::Create(20.0f));
    for (s32 i = 0; i < 80; ++i)
        Send(NOD_Camera_SetRelDistance::Create(5.0f));
    EXPECT_EQ(400.0f, camera->GetRequestedDistance());
    // The smoothed follow values only move with the steps.
    EXPECT_EQ(20.0f, camera->GetSmoothedDistance());

    // The projection is rebuilt with the last field of view and planes: 45 degrees from 2 to 500.
    const VEC_Camera* view = camera->GetCameraAtTime(Clock().time);
    EXPECT_NEAR(std::tan(22.5f * DEG) * 2.0f, view->GetViewCorner(1).x, 1e-4f);
    EXPECT_NEAR(2.0f, view->GetNear(), 1e-6f);
    EXPECT_NEAR(500.0f, view->GetFar(), 1e-3f);
}

TEST_F(CameraTest, FollowEasesAnglesDistanceAndPositionStepByStep)
{
    Enter();
    Body("player1", {});
    Follow("/player1", 20.0f);
    const MAT_Vector3 q = Placement().t;  // (0, -20, 0)
    Send(NOD_Camera_SetRelAlpha::Create(90.0f));
    Send(NOD_Camera_SetRelDistance::Create(10.0f));
    Step();

    const f32 wAngle = DT / (0.2857143f + DT);
    const f32 wDistance = DT / (0.2f + DT);
    const f32 wPosition = DT / (0.33333334f + DT);
    const f32 alpha = wAngle * 90.0f * DEG;
    EXPECT_NEAR(alpha, camera->GetSmoothedAlpha().Get(), 1e-5f);
    EXPECT_NEAR(20.0f + wDistance * 10.0f, camera->GetSmoothedDistance(), 1e-4f);
    const MAT_Vector3 c = MAT_Vector3() - Direction(alpha, 0.0f) * camera->GetSmoothedDistance();
    const MAT_Vector3 p = q + (c - q) * wPosition;
    const MAT_Matrix34 placed = Placement();
    EXPECT_VEC_NEAR(p, placed.t, 1e-3f);
    EXPECT_VEC_NEAR((MAT_Vector3() - p).GetNormalized(), placed.r.GetY(), 1e-4f);

    // In the end the camera stands where asked: 30 units away, a quarter turn round.
    Step(200);
    EXPECT_NEAR(90.0f * DEG, camera->GetSmoothedAlpha().Get(), 1e-4f);
    EXPECT_NEAR(30.0f, camera->GetSmoothedDistance(), 1e-3f);
    EXPECT_VEC_NEAR(MAT_Vector3() - Direction(90.0f * DEG, 0.0f) * 30.0f, Placement().t, 1e-2f);
}

TEST_F(CameraTest, CollisionLimitsTheStepAndSlidesAlongTheContact)
{
    Enter();
    NOD_Body* body = Body("player1", {});
    Follow("/player1", 20.0f);
    Send(NOD_Camera_SetCollisionStatus::Create((u8)1));
    body->SetTransform(Clock().time, Frame({100.0f, 0.0f, 0.0f}));
    Step();
    // The smoothed move would be 13 units: limited to 8.
    EXPECT_VEC_NEAR(MAT_Vector3(8.0f, -20.0f, 0.0f), Placement().t, 1e-3f);

    // A contact pushing out along (-1, 1, 0) takes away the part of the move into it.
    COD_Physical_Camera* physical = static_cast<COD_Physical_Camera*>(camera->GetAggregate().GetPhysical());
    physical->m_contactFlag = 1;
    physical->m_pushOut = MAT_Vector3(-3.0f, 3.0f, 0.0f);
    body->SetTransform(Clock().time, Frame({200.0f, 0.0f, 0.0f}));
    Step();
    EXPECT_VEC_NEAR(MAT_Vector3(12.0f, -16.0f, 0.0f), Placement().t, 1e-3f);

    // Without limiting the camera takes the whole smoothed move.
    physical->m_contactFlag = 0;
    Send(NOD_Camera_SetCollisionStatus::Create((u8)0));
    const MAT_Vector3 q = Placement().t;
    Step();
    const MAT_Vector3 c(200.0f, -20.0f, 0.0f);
    EXPECT_VEC_NEAR(q + (c - q) * (DT / (0.33333334f + DT)), Placement().t, 1e-3f);
}

TEST_F(CameraTest, WatchUsesBothOffsetsAtOnceAndEasesMovedOffsets)
{
    Enter();
    Body("a", {}, 90.0f);
    Body("b", {0.0f, 100.0f, 0.0f});
    Send(NOD_Camera_Watch::Create(SIM_Path("/a"), SIM_Path("/b"), MAT_Vector3(), MAT_Vector3(0, 0, 10), 0u));
    EXPECT_EQ(NOD_Camera::MODE_WATCH, camera->GetMode());
    EXPECT_EQ(1, camera->GetJumpFlag());
    const MAT_Matrix34 first = Placement(START + DT);
    EXPECT_VEC_NEAR(MAT_Vector3(), first.t, 1e-4f);
    EXPECT_VEC_NEAR(MAT_Vector3(0, 100, 10).GetNormalized(), first.r.GetY(), 1e-5f);

    // From (0, 0, 0) to (0, 0, 100) over 2 s: 68 after one second, 100 from two on.
    Send(NOD_Camera_MoveSourceOffset::Create(MAT_Vector3(0, 0, 100), 2.0f));
    Step(21);  // the last heartbeat ran one second after the move began
    EXPECT_NEAR(68.0f, camera->GetSourceOffset().current.z, 0.05f);
    EXPECT_NEAR(68.0f, Placement().t.z, 0.05f);
    Step(21);
    EXPECT_EQ(100.0f, camera->GetSourceOffset().current.z);
    Step();
    EXPECT_EQ(100.0f, camera->GetSourceOffset().current.z);

    // A duration shorter than a step switches at once.
    Send(NOD_Camera_MoveDestiOffset::Create(MAT_Vector3(0, 0, -10), 0.01f));
    Step();
    EXPECT_EQ(-10.0f, camera->GetDestinationOffset().current.z);
    EXPECT_EQ(10.0f, camera->GetDestinationOffset().start.z);
}

TEST_F(CameraTest, WatchTakesTheFirstPlacementsAxesFromBitsZeroAndTwoThenOneAndThree)
{
    Enter();
    Body("a", {}, 90.0f);  // the body's x axis points along +y
    Body("b", {0.0f, 100.0f, 0.0f}, 90.0f);
    // Bit 1: the source offset is in the body's axes from the first step on, not before.
    Send(NOD_Camera_Watch::Create(SIM_Path("/a"), SIM_Path("/b"), MAT_Vector3(10, 0, 0), MAT_Vector3(), 2u));
    EXPECT_VEC_NEAR(MAT_Vector3(10, 0, 0), Placement(START + DT).t, 1e-4f);
    Step();
    EXPECT_VEC_NEAR(MAT_Vector3(0, 10, 0), Placement(START + DT).t, 1e-4f);

    // Bits 0 and 2: both offsets in the bodies' axes for the first placement only.
    Send(NOD_Camera_Watch::Create(SIM_Path("/a"), SIM_Path("/b"), MAT_Vector3(10, 0, 0), MAT_Vector3(0, 0, 5), 5u));
    const MAT_Matrix34 placed = Placement(Clock().time + DT);
    EXPECT_VEC_NEAR(MAT_Vector3(0, 10, 0), placed.t, 1e-4f);
    EXPECT_VEC_NEAR(MAT_Vector3(0, 90, 5).GetNormalized(), placed.r.GetY(), 1e-5f);
    Step();
    EXPECT_VEC_NEAR(MAT_Vector3(10, 0, 0), Placement(Clock().time).t, 1e-4f);
}

TEST_F(CameraTest, FailedLookupsAreLoggedAndChangeNoMode)
{
    Body("player1", {});
    Route(Square());
    struct Case
    {
        NOD_Message* message;
        const char* line;
    };
    const Case cases[] = {
        {NOD_Camera_LookFrom::Create(SIM_Path("/nobody")), "Camera_LookFrom(\"/nobody\") did not find node"},
        {NOD_Camera_LookFrom::Create(SIM_Path("/route")), "Camera_LookFrom(\"/route\") object is not a body"},
        {NOD_Camera_Follow::Create(SIM_Path("ghost"), 20.0f, 0.0f, 0.0f), "Camera_Follow(\"ghost\") did not find node"},
        {NOD_Camera_Follow::Create(SIM_Path("/route/p1"), 20.0f, 0.0f, 0.0f),
         "Camera_Follow(\"/route/p1\") object is not a body"},
        {NOD_Camera_Watch::Create(SIM_Path("/x"), SIM_Path("/player1"), MAT_Vector3(), MAT_Vector3(), 0u),
         "Camera_Watch(\"/x\") did not find source node"},
        {NOD_Camera_Watch::Create(SIM_Path("/route"), SIM_Path("/player1"), MAT_Vector3(), MAT_Vector3(), 0u),
         "Camera_Watch(\"/route\") source object is not a body"},
        {NOD_Camera_Watch::Create(SIM_Path("/player1"), SIM_Path("/y"), MAT_Vector3(), MAT_Vector3(), 0u),
         "Camera_Watch(\"/y\") did not find desti node"},
        {NOD_Camera_Watch::Create(SIM_Path("/player1"), SIM_Path("/route"), MAT_Vector3(), MAT_Vector3(), 0u),
         "Camera_Watch(\"/route\") desti object is not a body"},
        {NOD_Camera_Move::Create(nullptr, 1.0f, 1.0f, 1.0f, 0.0f, 0u), "NOD_Camera::PM_Move() - mode is NULL"},
    };
    for (const Case& c : cases) {
        Send(c.message);
        EXPECT_TRUE(Logged(c.line)) << c.line;
        EXPECT_EQ(NOD_Camera::MODE_STILL, camera->GetMode()) << c.line;
        EXPECT_EQ(0, camera->GetJumpFlag()) << c.line;
    }
    // A failed destination leaves the source as the first target.
    NOD_Body* first = nullptr;
    NOD_Body* second = nullptr;
    camera->GetModeAndTargets(&first, &second);
    EXPECT_STREQ("player1", first != nullptr ? first->GetName().GetName() : "");
    EXPECT_EQ(nullptr, second);

    // A look-at node that is no body counts as none.
    NOD_Node* plain = Add("NOD_Node", "plain");
    Send(NOD_Camera_MoveLookAt::Create(plain));
    EXPECT_TRUE(Logged("NOD_Camera::PM_MoveLookAt() - mode 'plain' is not a body node"));
    EXPECT_EQ(nullptr, camera->GetLookAtBody());
}

TEST_F(CameraTest, LookFromSitsInTheBodyAndLeavesItOutOfTheVisibleBodies)
{
    Enter();
    NOD_Body* a = Body("a", {5.0f, 5.0f, 1.0f}, 30.0f);
    NOD_Body* b = Body("b", {0.0f, 50.0f, 0.0f});
    NOD_Body* c = Body("c", {0.0f, 60.0f, 0.0f});
    const f32 box[6] = {-1, -1, -1, 1, 1, 1};
    COD_Viewer* viewer = camera->GetAggregate().GetViewer();
    for (NOD_Body* body : {a, b, c}) {
        body->GetAggregate().GenerateVisibleObject(box);
        viewer->AddVisible(body->GetAggregate().GetVisibleObject());
    }
    delete c;  // a dead entry is skipped

    Send(NOD_Camera_LookFrom::Create(SIM_Path("/a")));
    EXPECT_EQ(NOD_Camera::MODE_LOOK_FROM, camera->GetMode());
    Step();
    const MAT_Matrix34 placed = Placement();
    EXPECT_VEC_NEAR(MAT_Vector3(5, 5, 1), placed.t, 1e-5f);
    EXPECT_VEC_NEAR(Direction(30.0f * DEG, 0.0f), placed.r.GetY(), 1e-5f);

    Brisel_Renderable* bodies[8] = {};
    s32 count = 8;
    camera->GetVisibleBodies(bodies, &count);
    ASSERT_EQ(1, count);
    EXPECT_EQ(static_cast<Brisel_Renderable*>(b), bodies[0]);
    NOD_Node* nodes[8] = {};
    count = 8;
    camera->GetVisibleBodies(nodes, &count);
    ASSERT_EQ(1, count);
    EXPECT_EQ(b, nodes[0]);

    // Following, the body is seen; the caller's count bounds the walk.
    Follow("/a", 10.0f);
    count = 8;
    camera->GetVisibleBodies(nodes, &count);
    ASSERT_EQ(2, count);
    EXPECT_EQ(a, nodes[0]);
    EXPECT_EQ(b, nodes[1]);
    count = 1;
    camera->GetVisibleBodies(bodies, &count);
    ASSERT_EQ(1, count);
    EXPECT_EQ(static_cast<Brisel_Renderable*>(a), bodies[0]);
}

TEST_F(CameraTest, TheViewBoxComesFromTheCameraAndFindsTheBodiesInFrontInACollisionPass)
{
    TST_CollisionWorld world;
    NOD_ContactWorld contact;
    contact.system = &world.system;
    contact.handlers[0] = &world.physical;
    contact.handlers[2] = &world.visible;
    contact.handlers[3] = &world.viewers;
    contact.handlers[9] = &world.receivers;
    contact.getViewBox = &NOD_Camera::GetViewBoxOf;
    ContactAggregate::SetWorld(&contact);

    f32 box[6] = {1, 1, 1, 1, 1, 1};
    NOD_Camera::GetViewBoxOf(Body("plain", {}), box);
    for (f32 v : box)
        EXPECT_EQ(0.0f, v);
    Send(NOD_Camera_SetBackPlane::Create(100.0f));
    NOD_Camera::GetViewBoxOf(camera, box);
    const MAT_AABox& frustum = camera->GetCameraAtTime(START)->GetWorldFrustumBox();
    EXPECT_EQ(frustum.m_min.x, box[0]);
    EXPECT_EQ(frustum.m_max.y, box[4]);
    EXPECT_NEAR(100.0f, box[4], 1e-3f);  // the far plane, straight ahead along +y

    const f32 unit[6] = {-1, -1, -1, 1, 1, 1};
    NOD_Body* front = Body("front", {0.0f, 50.0f, 0.0f});
    NOD_Body* behind = Body("behind", {0.0f, -50.0f, 0.0f});
    for (NOD_Body* body : {front, behind}) {
        body->GetAggregate().GenerateVisibleObject(unit);
        body->GetAggregate().EnterSimulation(*body->GetWorldTransform(START), MAT_Vector3());
    }
    Enter();
    EXPECT_EQ(NOD_PART_REGISTERED, camera->GetAggregate().GetState(NOD_PART_VIEWER));
    EXPECT_EQ(NOD_PART_REGISTERED, camera->GetAggregate().GetState(NOD_PART_SHADOW_RECEIVER));
    world.clock.Set(START, DT);
    world.system.Process(world.clock);
    NOD_Node* nodes[4] = {};
    s32 count = 4;
    camera->GetVisibleBodies(nodes, &count);
    ASSERT_EQ(1, count);
    EXPECT_EQ(front, nodes[0]);

    for (NOD_Body* body : {front, behind})
        body->GetAggregate().LeaveSimulation();
    Send(NOD_Node_LeaveSimulation::Create());
    ContactAggregate::SetWorld(nullptr);
}

TEST_F(CameraTest, EnterAndLeaveStartAndFreezeTheStepWork)
{
    NOD_Body* body = Body("player1", {});
    Add("TST_BeatingSon", "son", camera);
    Follow("/player1", 20.0f);
    // Outside the simulation the step does nothing.
    body->SetTransform(Clock().time, Frame({50.0f, 0.0f, 0.0f}));
    Step();
    EXPECT_VEC_NEAR(MAT_Vector3(0, -20, 0), Placement().t, 1e-4f);

    Enter();
    EXPECT_TRUE(camera->IsInSimulation());
    EXPECT_EQ(1, camera->GetJumpFlag());
    Step(3);
    EXPECT_GT(Placement().t.x, 10.0f);
    EXPECT_EQ(0, s_sonBeats);

    Send(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(camera->IsInSimulation());
    const MAT_Vector3 frozen = Placement().t;
    Step(5);
    EXPECT_VEC_NEAR(frozen, Placement().t, 1e-6f);
    EXPECT_VEC_NEAR(frozen, Placement(Clock().time + 3.0f).t, 1e-6f);
    EXPECT_EQ(NOD_Camera::MODE_FOLLOW, camera->GetMode());  // the mode keeps its data
}

TEST_F(CameraTest, GetCameraAtTimeReevaluatesOnlyForANewTimeOrANewPlacement)
{
    const VEC_Camera* view = camera->GetCameraAtTime(START);
    EXPECT_EQ(view, camera->GetCameraAtTime(START));
    // A teleport at the same time is seen at once.
    Send(NOD_Body_SetPosition::Create(MAT_Vector3(1, 2, 3)));
    EXPECT_VEC_NEAR(MAT_Vector3(1, 2, 3), camera->GetCameraAtTime(START)->GetWorldTransform().t, 1e-6f);
    Body("player1", {0.0f, 0.0f, 0.0f});
    Follow("/player1", 10.0f);
    EXPECT_VEC_NEAR(MAT_Vector3(0, -10, 0), camera->GetCameraAtTime(START)->GetWorldTransform().t, 1e-5f);
}

TEST_F(CameraTest, ALoopedFlightReportsEveryPositionAndComesBackToTheFirst)
{
    BindScript();
    Enter();
    NOD_Node* route = Route(Square());
    const f32 velocity = 9.0f;  // legs of 1.111 s, off the step grid
    Move(route, velocity, 1);
    EXPECT_EQ(NOD_Camera::MODE_MOVE, camera->GetMode());
    EXPECT_EQ(1, camera->GetJumpFlag());
    ASSERT_EQ(5, camera->GetKeyCount());
    EXPECT_EQ(START, camera->GetKey(0).time);
    EXPECT_NEAR(START + 40.0f / velocity, camera->GetKey(4).time, 1e-4f);
    EXPECT_VEC_NEAR(MAT_Vector3(), camera->GetKey(4).position, 0.0f);
    // Tangents along the neighbours, closing over the loop.
    EXPECT_VEC_NEAR(MAT_Vector3(10, -10, 0).GetNormalized() * velocity, camera->GetKey(0).velocity, 1e-4f);
    EXPECT_VEC_NEAR(MAT_Vector3(10, 10, 0).GetNormalized() * velocity, camera->GetKey(1).velocity, 1e-4f);
    EXPECT_VEC_NEAR(camera->GetKey(0).velocity, camera->GetKey(4).velocity, 1e-6f);
    // Placed on the first position looking at the second.
    const MAT_Matrix34 start = Placement();
    EXPECT_VEC_NEAR(MAT_Vector3(), start.t, 1e-6f);
    EXPECT_VEC_NEAR(MAT_Vector3(1, 0, 0), start.r.GetY(), 1e-5f);

    const f32 loop = 40.0f / velocity;
    f32 closest = 1e9f;
    while (Clock().time < START + loop - 0.5f * DT) {
        Step();
        if (std::fabs(Clock().time - (START + loop)) < 1.5f * DT)
            closest = std::fmin(closest, Placement().t.Length());
    }
    EXPECT_EQ("route:p1 route:p2 route:p3 route:p0", Positions(s_reports));
    for (const TST_Report& report : s_reports) {
        EXPECT_EQ(1u, report.queued);
        EXPECT_EQ(7, report.thread);
    }
    Step(2);
    closest = std::fmin(closest, Placement().t.Length());
    EXPECT_LT(closest, velocity * DT);
    // It flies on round the loop.
    EXPECT_EQ(NOD_Camera::MODE_MOVE, camera->GetMode());
    Step(30);
    EXPECT_EQ("route:p1 route:p2 route:p3 route:p0 route:p1", Positions(s_reports));
}

TEST_F(CameraTest, AOneshotFlightReportsAllButTheFirstThenAnEmptyNameAndStops)
{
    BindScript();
    Enter();
    NOD_Node* route = Route(Square());
    Send(NOD_Camera_Move::Create(route, 9.0f, 10.0f, 5.0f, 0.0f, 7u));  // a bad loop mode flies oneshot
    EXPECT_TRUE(
        Logged("NOD_Camera::PM_Move() - mode has to be 0(oneshot) or 1(looped), oneshot mode is not activated"));
    EXPECT_EQ(0u, camera->GetLoopMode());
    ASSERT_EQ(5, camera->GetKeyCount());
    EXPECT_VEC_NEAR(MAT_Vector3(0, 10, 0), camera->GetKey(4).position, 0.0f);
    EXPECT_EQ(camera->GetKey(3).time, camera->GetKey(4).time);
    EXPECT_VEC_NEAR(MAT_Vector3(), camera->GetKey(3).velocity, 0.0f);
    EXPECT_VEC_NEAR(MAT_Vector3(), camera->GetKey(4).velocity, 0.0f);
    EXPECT_VEC_NEAR(MAT_Vector3(9, 0, 0), camera->GetKey(0).velocity, 1e-5f);

    s32 steps = 0;
    while (camera->GetMode() == NOD_Camera::MODE_MOVE && steps < 200) {
        Step();
        ++steps;
    }
    EXPECT_EQ(NOD_Camera::MODE_STILL, camera->GetMode());
    EXPECT_EQ("route:p1 route:p2 route:p3 route:", Positions(s_reports));
    EXPECT_NEAR(30.0f / 9.0f, steps * DT, 1.5f * DT);
    EXPECT_LT((Placement().t - MAT_Vector3(0, 10, 0)).Length(), 9.0f * DT);
    // Standing still: no more samples, no more reports.
    const MAT_Vector3 still = Placement().t;
    Step(10);
    EXPECT_VEC_NEAR(still, Placement().t, 1e-6f);
    EXPECT_EQ(4u, s_reports.size());
}

TEST_F(CameraTest, TheKeyArrayIsReusedAndOnlyGrows)
{
    std::vector<MAT_Vector3> six = Square();
    six.push_back({-10, 10, 0});
    six.push_back({-10, 0, 0});
    NOD_Node* big = Route(six, "NOD_Path", "big");
    NOD_Node* small = Route(Square(), "NOD_Path", "small");
    Move(big, 5.0f, 1);
    EXPECT_EQ(7, camera->GetKeyCount());
    EXPECT_EQ(7, camera->GetKeyCapacity());
    Move(small, 5.0f, 0);
    EXPECT_EQ(5, camera->GetKeyCount());
    EXPECT_EQ(7, camera->GetKeyCapacity());
    EXPECT_EQ(nullptr, camera->GetLookAtBody());
}

TEST_F(CameraTest, BadFlightPathsAndVelocitiesStopTheProgram)
{
    NOD_Node* good = Route(Square(), "NOD_Path", "good");
    NOD_Node* shortPath = Route({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, "NOD_Path", "short");
    NOD_Node* notPath = Route(Square(), "NOD_Node", "notpath");
    NOD_Node* few = Route({{0, 0, 0}}, "NOD_Node", "few");
    NOD_Node* mixed = Route({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, "NOD_Path", "mixed");
    mixed->AddSon(NOD_Node::CreateNode("NOD_Node", "stray"));
    const char* caption = "NOD_Camera::BuildMoveInfoArray()";
    EXPECT_FATAL(Move(good, 0.0f, 1), caption, "velocity must be greater than 0");
    EXPECT_FATAL(Move(good, -1.0f, 1), caption, "velocity must be greater than 0");
    EXPECT_FATAL(Move(shortPath, 1.0f, 1), caption, "path 'short' must have at least 4 position");
    EXPECT_FATAL(Move(few, 1.0f, 1), caption, "path 'few' must have at least 4 position");
    EXPECT_FATAL(Move(notPath, 1.0f, 1), caption, "node 'notpath' is not a path node");
    EXPECT_FATAL(Move(mixed, 1.0f, 1), caption, "path has a non position son");
}

TEST_F(CameraTest, TheJumpFlagLastsThroughItsStepAndTheNextFromStepZeroOn)
{
    Brisel_Simulation* simulation = new Brisel_Simulation();
    Brisel_TheSimulation = simulation;
    Body("player1", {});
    NOD_Node* route = Route(Square());

    // Set while the scene is built, before the first step: it holds through steps 0 and 1.
    Enter();
    EXPECT_EQ(1, camera->GetJumpFlag());
    EXPECT_EQ(0u, camera->GetJumpStep());
    Step();  // step 0
    EXPECT_EQ(1, camera->GetJumpFlag());
    Step();  // step 1
    EXPECT_EQ(1, camera->GetJumpFlag());
    Step();  // step 2
    EXPECT_EQ(0, camera->GetJumpFlag());

    // Each placing message sets it with the current step.
    struct Case
    {
        const char* what;
        std::function<void()> send;
    };
    const Case cases[] = {
        {"look-from", [&] { Send(NOD_Camera_LookFrom::Create(SIM_Path("/player1"))); }},
        {"follow", [&] { Follow("/player1", 20.0f); }},
        {"watch",
         [&] {
             Send(NOD_Camera_Watch::Create(SIM_Path("/player1"), SIM_Path("/player1"), MAT_Vector3(),
                                           MAT_Vector3(0, 1, 0), 0u));
         }},
        {"move", [&] { Move(route, 10.0f, 1); }},
        {"move look-at", [&] { Send(NOD_Camera_MoveLookAt::Create(nullptr)); }},
        {"enter", [&] { Enter(); }},
    };
    for (const Case& c : cases) {
        Step(3);
        ASSERT_EQ(0, camera->GetJumpFlag()) << c.what;
        const u32 step = simulation->stepCounter;
        c.send();
        EXPECT_EQ(1, camera->GetJumpFlag()) << c.what;
        EXPECT_EQ(step, camera->GetJumpStep()) << c.what;
        Step(2);
        EXPECT_EQ(1, camera->GetJumpFlag()) << c.what;
        Step();
        EXPECT_EQ(0, camera->GetJumpFlag()) << c.what;
    }
    // Lookups that fail set nothing.
    Send(NOD_Camera_Follow::Create(SIM_Path("/nobody"), 20.0f, 0.0f, 0.0f));
    EXPECT_EQ(0, camera->GetJumpFlag());

    Brisel_TheSimulation = nullptr;
    NOD_Node::SetRoot(nullptr);  // the driver deletes the root's tree: this one is the test's
    delete simulation;
    NOD_Node::SetRoot(m_root);
}

TEST_F(CameraTest, ADeadTargetPathOrWatchedBodyStopsTheCameraWhereItWas)
{
    struct Case
    {
        const char* what;
        const char* victim;
        s32 mode;
    };
    const Case cases[] = {
        {"look-from", "a", NOD_Camera::MODE_LOOK_FROM}, {"follow", "a", NOD_Camera::MODE_FOLLOW},
        {"watch source", "a", NOD_Camera::MODE_WATCH},  {"watch destination", "b", NOD_Camera::MODE_WATCH},
        {"move path", "route", NOD_Camera::MODE_MOVE},
    };
    Enter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NOD_Body* a = Body("a", {0.0f, 0.0f, 0.0f});
        Body("b", {0.0f, 40.0f, 0.0f});
        NOD_Node* route = Route(Square());
        switch (c.mode) {
        case NOD_Camera::MODE_LOOK_FROM:
            Send(NOD_Camera_LookFrom::Create(SIM_Path("/a")));
            break;
        case NOD_Camera::MODE_FOLLOW:
            Follow("/a", 20.0f);
            break;
        case NOD_Camera::MODE_WATCH:
            Send(NOD_Camera_Watch::Create(SIM_Path("/a"), SIM_Path("/b"), MAT_Vector3(), MAT_Vector3(), 0u));
            break;
        default:
            Move(route, 9.0f, 1);
            break;
        }
        a->SetTransform(Clock().time, Frame({3.0f, 0.0f, 0.0f}));
        Step(4);
        ASSERT_EQ(c.mode, camera->GetMode());
        const MAT_Vector3 last = Placement().t;
        delete m_root->Find(SIM_Path(c.victim));
        Step();
        EXPECT_EQ(NOD_Camera::MODE_STILL, camera->GetMode());
        EXPECT_TRUE(LogHas("camera stands still"));
        EXPECT_VEC_NEAR(last, Placement().t, 1e-5f);
        Step(3);
        EXPECT_VEC_NEAR(last, Placement().t, 1e-5f);
        for (const char* name : {"a", "b", "route"})
            delete m_root->Find(SIM_Path(name));
    }
}

TEST_F(CameraTest, ADeadLookAtBodyMakesTheFlightLookAlongItsMotion)
{
    NOD_Camera* other = NOD_Camera::DynamicCast(Add("NOD_Camera", "other"));
    NOD_Node* route = Route(Square());
    Enter();
    delete other->ProcessMessage(NOD_Node_EnterSimulation::Create());
    Move(route, 9.0f, 1);
    delete other->ProcessMessage(NOD_Camera_Move::Create(route, 9.0f, 10.0f, 5.0f, 0.0f, 1u));
    // A look-at body where the camera looks already: the turn changes nothing.
    NOD_Body* target = Body("target", {10.0f, 0.0f, 0.0f});
    Send(NOD_Camera_MoveLookAt::Create(target));
    EXPECT_EQ(target, camera->GetLookAtBody());
    delete target;
    EXPECT_EQ(nullptr, camera->GetLookAtBody());
    for (s32 i = 0; i < 20; ++i) {
        other->HeartBeat();
        Step();
    }
    const MAT_Matrix34 mine = Placement();
    const MAT_Matrix34 theirs = *other->GetWorldTransform(Clock().time);
    EXPECT_VEC_NEAR(theirs.t, mine.t, 1e-5f);
    EXPECT_VEC_NEAR(theirs.r.GetY(), mine.r.GetY(), 1e-5f);
    EXPECT_VEC_NEAR(theirs.r.GetZ(), mine.r.GetZ(), 1e-5f);
}

TEST_F(CameraTest, AFlightTurnsAtOnceToANewLookAtBody)
{
    NOD_Node* route = Route(Square());
    Enter();
    Move(route, 9.0f, 1);
    NOD_Body* target = Body("target", {0.0f, 0.0f, 50.0f});
    Send(NOD_Camera_MoveLookAt::Create(target));
    EXPECT_VEC_NEAR(MAT_Vector3(0, 0, 1), Placement().r.GetY(), 1e-5f);
    EXPECT_VEC_NEAR(MAT_Vector3(0, 0, 1), Placement(Clock().time + DT).r.GetY(), 1e-5f);
}

TEST_F(CameraTest, AFlightWithoutLengthStopsInsteadOfFlyingOnNaN)
{
    struct Case
    {
        const char* what;
        f32 time;
        MAT_Vector3 at;
        f32 spacing;
    };
    // Near time 0 legs of 1e-8 units take a time that is not zero but below 2^-23 s.
    const Case cases[] = {{"one point", START, {5, 5, 5}, 0.0f}, {"tiny legs", 0.0f, {0, 0, 0}, 1e-8f}};
    Enter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clock().SetTime(c.time);
        const MAT_Vector3 a = c.at;
        NOD_Node* route = Route(
            {a, a + MAT_Vector3(c.spacing, 0, 0), a + MAT_Vector3(0, c.spacing, 0), a + MAT_Vector3(0, 0, c.spacing)});
        Move(route, 1.0f, 1);
        EXPECT_EQ(NOD_Camera::MODE_MOVE, camera->GetMode());
        Step();
        EXPECT_EQ(NOD_Camera::MODE_STILL, camera->GetMode());
        EXPECT_TRUE(LogHas("flight path has no length"));
        const MAT_Matrix34 placed = Placement();
        EXPECT_TRUE(std::isfinite(placed.t.x) && std::isfinite(placed.t.y) && std::isfinite(placed.t.z));
        EXPECT_VEC_NEAR(c.at, placed.t, 1e-5f);
        delete route;
    }
}

TEST_F(CameraTest, APathTimeRoundedUpToTheEndFlysOnTowardsTheLastKey)
{
    // A start time off the grid and a long flight: somewhere the path time, taken modulo the
    // loop, rounds up to the loop's end and no key lies after it.
    Clock().SetTime(7.9f);
    Enter();
    std::vector<MAT_Vector3> points = Square();
    for (MAT_Vector3& point : points)
        point += MAT_Vector3(100.0f, 100.0f, 0.0f);
    NOD_Node* route = Route(points);
    Move(route, 9.0f, 1);
    const s32 n = camera->GetKeyCount();
    const f32 t0 = camera->GetKey(0).time;
    const f32 end = camera->GetKey(n - 1).time;
    const f32 length = end - t0;
    f32 found = -1.0f;
    for (s32 k = 1; k < 100 && found < 0.0f; ++k) {
        f32 t = t0 + (f32)k * length;
        for (s32 u = 0; u < 16; ++u)
            t = std::nextafter(t, 0.0f);
        for (s32 u = 0; u < 32 && found < 0.0f; ++u, t = std::nextafter(t, 1e9f))
            if (t0 + std::fmod(t - t0, length) >= end)
                found = t;
    }
    ASSERT_GT(found, 0.0f) << "no rounding case found";
    Clock().SetTime(found);
    Step();
    EXPECT_EQ(NOD_Camera::MODE_MOVE, camera->GetMode());
    const MAT_Vector3 placed = Placement().t;
    EXPECT_TRUE(std::isfinite(placed.x) && std::isfinite(placed.y) && std::isfinite(placed.z));
    // The closing key is the first position.
    EXPECT_LT((placed - points[0]).Length(), 9.0f * DT * 2.0f);
}
}  // namespace
