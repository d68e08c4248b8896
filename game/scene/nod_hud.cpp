// The head-up display: its elements, zoom, sensor and screen layer.
#include "nod_hud.h"

#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "cod_sensor.h"
#include "coh_sense.h"
#include "hud_arrows.h"
#include "hud_enemy.h"
#include "hud_reticle.h"
#include "hud_statistic.h"
#include "mat_angle.h"
#include "mat_geometry.h"
#include "nod_body.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Hud, "NOD_Node")

namespace
{
Brisel_ScreenLayer* (*s_previousCast)(NOD_Node*) = nullptr;
bool s_castInstalled = false;

Brisel_ScreenLayer* HudCast(NOD_Node* _node) { return NOD_Hud::DynamicCast(_node); }

// "/camera" found from the root; null without a root.
NOD_Node* FindCamera()
{
    NOD_Node* root = NOD_Node::GetRoot();
    return root != nullptr ? root->Find(SIM_Path("/camera")) : nullptr;
}

HUD_Quad MakeQuad(s32 _texture, f32 _x, f32 _y, f32 _extent, u8 _colorAlpha, u8 _alpha)
{
    HUD_Quad quad;
    quad.texture = _texture;
    quad.x = _x;
    quad.y = _y;
    quad.width = _extent;
    quad.height = _extent;
    quad.color[3] = _colorAlpha;
    quad.blendMode = 1;
    quad.alpha = _alpha;
    return quad;
}
}  // namespace

NOD_Hud::NOD_Hud()
{
    m_playerMatrix.r.SetDiagonal(1.0f);
    m_statistic = new HUD_Statistic(this);
    m_reticle = new HUD_Reticle(this);
    m_arrows = new HUD_Arrows(this);
    m_enemy = new HUD_Enemy(this);
    m_sensor = new COD_Sensor();
    m_sensor->SetCapacities(0, 0, 0, SENSOR_SEEN_CAPACITY);
    m_flags = FLAG_VISIBLE;
    // The driver creates the display before the scenario creates the camera, so in a run this
    // finds none.
    SetCameraFieldOfView(NORMAL_FIELD_OF_VIEW);
}

NOD_Hud::~NOD_Hud()
{
    // A display deleted while its sensor is registered takes it out of the handler, which
    // would otherwise keep a pointer to the deleted sensor; a handler that went with its
    // simulation is not touched.
    if (COH_Sensor* handler = GetLiveHandler())
        handler->Remove(m_sensor);
    m_sensorHandler = nullptr;
    m_arrows->SetSensor(nullptr);
    delete m_sensor;
    delete m_enemy;
    delete m_arrows;
    delete m_reticle;
    delete m_statistic;
}

NOD_Hud* NOD_Hud::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Hud*>(_node);
}

void NOD_Hud::InstallCast(bool _install)
{
    if (_install == s_castInstalled)
        return;
    Brisel_SceneCasts casts = Brisel_Scene::GetCasts();
    if (_install) {
        s_previousCast = casts.hud;
        casts.hud = &HudCast;
    } else {
        casts.hud = s_previousCast;
        s_previousCast = nullptr;
    }
    Brisel_Scene::SetCasts(casts);
    s_castInstalled = _install;
}

NOD_Body* NOD_Hud::GetPlayer() const { return NOD_Body::DynamicCast((NOD_Node*)m_player.Get()); }

u32 NOD_Hud::IsTextPanelVisible() const { return m_statistic->IsVisible(); }

void NOD_Hud::SetTextPanelVisible(u32 _visible) { m_statistic->SetVisible(_visible); }

void NOD_Hud::SetCameraFieldOfView(f32 _degrees)
{
    if (NOD_Node* camera = FindCamera())
        delete camera->ProcessMessage(NOD_Camera_SetProjection::Create(_degrees));
}

void NOD_Hud::ZoomOn()
{
    m_flags |= FLAG_ZOOM;
    SetCameraFieldOfView(ZOOM_FIELD_OF_VIEW);
}

void NOD_Hud::ZoomOff()
{
    m_flags &= ~FLAG_ZOOM;
    SetCameraFieldOfView(NORMAL_FIELD_OF_VIEW);
}

NOD_Body* NOD_Hud::FindPlayer()
{
    NOD_Node* root = GetRoot();
    NOD_Body* player = root != nullptr ? NOD_Body::DynamicCast(root->Find(SIM_Path("/player1"))) : nullptr;
    if (player == nullptr)
        OS_Fatal("NOD_Hud::PM_EnterSimulation()", "player1 not found");
    return player;
}

void NOD_Hud::GetSensorBox(f32 _box[6]) const
{
    f32 range[6];
    m_sensor->GetRangeBox(range);
    MAT_AABox local;
    local.m_min = MAT_Vector3(range[0], range[1], range[2]);
    local.m_max = MAT_Vector3(range[3], range[4], range[5]);
    MAT_Vector3 corners[8];
    local.Transform(m_playerMatrix, corners);
    MAT_AABox world;
    Brisel_Renderer::BoundingBoxOfPoints(world, corners, 8);
    _box[0] = world.m_min.x;
    _box[1] = world.m_min.y;
    _box[2] = world.m_min.z;
    _box[3] = world.m_max.x;
    _box[4] = world.m_max.y;
    _box[5] = world.m_max.z;
}

COH_Sensor* NOD_Hud::GetLiveHandler() const
{
    if (m_sensorHandler == nullptr || Brisel_TheSimulation == nullptr ||
        Brisel_TheSimulation->sensorHandler != m_sensorHandler)
        return nullptr;
    return m_sensorHandler;
}

void NOD_Hud::PM_EnterSimulation()
{
    NOD_Body* player = FindPlayer();
    m_playerMatrix = *player->GetWorldTransform(SIM_GetSimulationClock().time);
    m_sensor->m_transform = &m_playerMatrix;

    // Registered once however often the display enters: a second entry would leave an entry
    // behind after one exit. The box is taken before the range is set; the first step brings
    // it to the full range. The player's root body as user value keeps the sensor from
    // pairing with the player's own parts.
    COH_Sensor* handler = Brisel_TheSimulation != nullptr ? Brisel_TheSimulation->sensorHandler : nullptr;
    if (m_sensorHandler == nullptr && handler != nullptr) {
        f32 box[6];
        GetSensorBox(box);
        handler->Insert(m_sensor, box, player->GetRootBody());
        if (m_sensor->m_listPosition != -1)
            m_sensorHandler = handler;
    }

    m_sensor->m_seeingRange = SENSOR_RANGE;
    m_sensor->m_coneCosine = -1.0f;
    m_sensor->m_flags &= ~COD_SENSOR_VISIBILITY_TESTED;
    m_sensor->m_flags |= COD_SENSOR_SEEING | COD_SENSOR_ACTIVE;

    m_arrows->SetFollowedBody(player);
    m_arrows->SetSensor(m_sensor);
    m_player.Set(player);
}

void NOD_Hud::PM_LeaveSimulation()
{
    if (COH_Sensor* handler = GetLiveHandler())
        handler->Remove(m_sensor);
    m_sensorHandler = nullptr;
    m_arrows->SetFollowedBody(nullptr);
    m_arrows->SetSensor(nullptr);
}

NOD_Message* NOD_Hud::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

void NOD_Hud::HeartBeat()
{
    const f32 now = SIM_GetSimulationClock().time;
    m_arrows->Update(now);
    m_enemy->Step(now);
    NOD_Body* player = FindPlayer();
    m_playerMatrix = *player->GetWorldTransform(now);
    if (COH_Sensor* handler = GetLiveHandler()) {
        f32 box[6];
        GetSensorBox(box);
        handler->Update(m_sensor, box);
    }
}

s32 NOD_Hud::PrepareQuads(HUD_Quad _quads[MAX_QUADS])
{
    if ((m_flags & FLAG_VISIBLE) == 0)
        return 0;
    s32 count = 0;
    if (m_statistic->IsVisible()) {
        m_statistic->Update();
        _quads[count++] = MakeQuad(m_statistic->GetTexture(), 496.0f, 144.0f, 256.0f, 255, 128);
    }
    if (m_reticle->IsVisible()) {
        // Only while the camera looks from a body.
        NOD_Camera* camera = NOD_Camera::DynamicCast(FindCamera());
        NOD_Body* first = nullptr;
        NOD_Body* second = nullptr;
        if (camera != nullptr && camera->GetModeAndTargets(&first, &second) == NOD_Camera::MODE_LOOK_FROM &&
            first != nullptr) {
            if (IsZoomOn())
                _quads[count++] = MakeQuad(m_reticle->GetSnipeTexture(), 320.0f, 240.0f, 32.0f, 255, 255);
            else
                _quads[count++] = MakeQuad(m_reticle->GetReticleTexture(), 320.0f, 240.0f, 64.0f, 255, 255);
        }
    }
    m_enemy->Update();
    _quads[count++] = MakeQuad(m_enemy->GetTexture(), 80.0f, 80.0f, 128.0f, 200, 255);
    return count;
}

void NOD_Hud::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    HUD_Quad quads[MAX_QUADS];
    const s32 count = PrepareQuads(quads);
    for (s32 i = 0; i < count; ++i) {
        const HUD_Quad& q = quads[i];
        if (q.texture >= 0)
            renderer->Draw2DQuad(q.texture, q.x, q.y, MAT_Angle(), q.width, q.height, q.color, q.blendMode, q.alpha);
    }
}
