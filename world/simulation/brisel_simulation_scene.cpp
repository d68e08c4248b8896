// The driver's two scene operations: building the fixed top of the tree around the scenario
// script, and one simulation step.
#include "brisel_scene.h"
#include "brisel_simulation.h"
#include "cos_collisionsystem.h"
#include "nod_message.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "vec_camera.h"
#include "vfx_particle.h"
#include "vfx_trail.h"

namespace
{
// Hands _message to _node and drops the reply: the scene's set-up messages answer nothing the
// driver reads.
void SendAndDrop(NOD_Node* _node, NOD_Message* _message)
{
    if (_node == nullptr) {
        delete _message;
        return;
    }
    delete _node->ProcessMessage(_message);
}

// The fixed sons of the root, in order.
struct SIM_SceneSon
{
    const char* className;
    const char* nodeName;
};
constexpr SIM_SceneSon s_sons[] = {
    {"nod_debug", "debug"},       {"nod_scenario", "garbage"}, {"nod_console", "console"},
    {"nod_scenario", "scenario"}, {"nod_scenario", "script"},
};
}  // namespace

void Brisel_Simulation::BuildSceneGraph(const char* _script)
{
    NOD_Node* root = NOD_Node::CreateNode("nod_game", "");
    if (root == nullptr)
        OS_Fatal("Brisel_Simulation::BuildSceneGraph()", "no game controller class");
    NOD_Node::SetRoot(root);
    SendAndDrop(root, NOD_Node_SetName::Create(SIM_Name("root")));

    for (const SIM_SceneSon& son : s_sons)
        root->AddSon(NOD_Node::CreateNode(son.className, son.nodeName));
    SendAndDrop(root, NOD_Node_EnterSimulation::Create());

    // The head-up display joins after the script has built the scene, so that it finds the
    // nodes the script made when it enters.
    NOD_Node* hud = NOD_Node::CreateNode("nod_hud", "hud");
    root->AddSon(hud);
    SendAndDrop(root, NOD_Game_LoadScript::Create(SIM_ClassName(_script)));
    SendAndDrop(hud, NOD_Node_EnterSimulation::Create());
}

void Brisel_Simulation::HandleSimulation()
{
    NOD_Node* root = NOD_Node::GetRoot();
    NOD_Node* node = root != nullptr ? root->Find(SIM_Path("/camera")) : nullptr;
    if (node == nullptr)
        OS_Fatal("Brisel_Simulation::HandleSimulation()", "no camera node");
    Brisel_CameraView* view =
        Brisel_Scene::GetCasts().camera != nullptr ? Brisel_Scene::GetCasts().camera(node) : nullptr;
    if (view == nullptr)
        OS_Fatal("Brisel_Simulation::HandleSimulation()", "wrong camera node type");
    cameraNode = node;

    const SIM_Clock& clock = SIM_GetSimulationClock();
    // The step sees the camera where it is at the step's time, before anything moves.
    *camera = *view->GetCameraAtTime(clock.time);

    collisionSystem->Process(clock);
    root->HeartBeat();
    if (trailSystem != nullptr)
        trailSystem->Update(clock.time);
    if (particleSystem != nullptr)
        particleSystem->Update(clock);
}
