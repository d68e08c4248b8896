#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "brisel_scene_fake.h"
#include "display_fixture.h"
#include "nod_console.h"
#include "nod_handle.h"
#include "nod_message.h"
#include "nod_node.h"
#include "test_dir.h"
#include "tools_console.h"
#include "tools_font.h"
#include "tools_tga.h"

// Keeps every message it receives, for the tests to read back.
class TST_ConsoleReceiver : public NOD_Node
{
    RTI_DECLARE_CLASS(TST_ConsoleReceiver)

public:
    ~TST_ConsoleReceiver() override
    {
        for (NOD_Message* message : received)
            delete message;
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        received.push_back(_message);
        return nullptr;
    }
    std::vector<NOD_Message*> received;
};
RTI_IMPLEMENT_CLASS(TST_ConsoleReceiver, "NOD_Node")

namespace
{

// The key code that types _character (letters in either case); 0 for none.
u32 KeyOf(char _character)
{
    const char wanted = _character >= 'a' && _character <= 'z' ? (char)(_character - 32) : _character;
    for (u32 code = 1; code < NOD_Console::KEY_TABLE_SIZE; ++code)
        if (NOD_Console::GetKeyCharacter(code) == wanted)
            return code;
    return 0;
}

// A tree under a fresh root: scenario, camera (a recording receiver), player1, marker (a
// position), debug and console.
class ConsoleTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TST_ConsoleReceiver::RegisterClassDefinition();
        m_root = NOD_Node::CreateNode("NOD_Node", "root");
        NOD_Node::SetRoot(m_root);
        for (const char* name : {"scenario", "player1"})
            m_root->AddSon(NOD_Node::CreateNode("NOD_Node", name));
        m_camera =
            static_cast<TST_ConsoleReceiver*>(m_root->AddSon(NOD_Node::CreateNode("TST_ConsoleReceiver", "camera")));
        m_root->AddSon(NOD_Node::CreateNode("NOD_Position", "marker"));
        m_root->AddSon(NOD_Node::CreateNode("NOD_Debug", "debug"));
        m_console = NOD_Console::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("nod_console", "console")));
        ASSERT_NE(nullptr, m_console);
    }
    void TearDown() override
    {
        delete m_root;
        NOD_Node::GC_Collect();
        TST_ConsoleReceiver::UnregisterClassDefinition();
    }

    NOD_Node* Node(const char* _path) { return m_root->Find(SIM_Path(_path)); }
    void Key(u32 _code) { m_console->PM_Input(_code | NOD_Console::KEY_DOWN); }
    void Type(const std::string& _text)
    {
        for (char c : _text)
            Key(KeyOf(c));
    }
    // Clears the output, runs the line and answers the output lines after the echoed command,
    // joined with "|".
    std::string Run(const std::string& _line)
    {
        m_console->SubmitLine("cls");
        m_console->SubmitLine(_line.c_str());
        std::string text;
        for (s32 i = 1; i < m_console->GetLineCount(); ++i)
            text += std::string(i > 1 ? "|" : "") + m_console->GetLine(i);
        return text;
    }
    void Enter(const char* _path)
    {
        Run("cd /");
        if (_path[0] != 0) {
            ASSERT_EQ(std::string("changed to ") + Node(_path)->GetName().GetName(), Run(std::string("cd ") + _path));
        }
    }

    TST_TempDir m_dir;
    NOD_Node* m_root = nullptr;
    TST_ConsoleReceiver* m_camera = nullptr;
    NOD_Console* m_console = nullptr;
};

TEST_F(ConsoleTest, ANewConsoleIsClosedOnTheRootWithItsHeading)
{
    EXPECT_EQ(0u, m_console->IsActive());
    EXPECT_EQ(2, m_console->GetLineCount());
    EXPECT_STREQ("CONSOLE", m_console->GetLine(0));
    EXPECT_STREQ("-------", m_console->GetLine(1));
    EXPECT_STREQ(">", m_console->GetLastLine());
    EXPECT_STREQ("", m_console->GetInputLine());
    EXPECT_EQ(0, m_console->GetCursor());
    EXPECT_EQ(m_root, m_console->GetCurrentNode());
    EXPECT_EQ(32, m_console->GetLineLimit());  // no renderer, no font
    EXPECT_EQ(-1, m_console->GetTexture());    // no resource cache
    EXPECT_EQ(nullptr, NOD_Console::DynamicCast(m_root));
    EXPECT_EQ(nullptr, NOD_Console::DynamicCast(nullptr));

    NOD_Node* root = m_root;
    NOD_Node::SetRoot(nullptr);
    EXPECT_FATAL(NOD_Node::CreateNode("NOD_Console", "second"), "NOD_Console::NOD_Console()", "root node not found");
    NOD_Node::SetRoot(root);
}

TEST_F(ConsoleTest, ActivateAndDeactivateActOnlyInTheOtherState)
{
    m_console->ProcessMessage(NOD_Console_Activate::Create());
    EXPECT_EQ(1u, m_console->IsActive());
    EXPECT_STREQ(">", m_console->GetInputLine());
    EXPECT_EQ(1, m_console->GetCursor());
    Type("A");
    m_console->ProcessMessage(NOD_Console_Activate::Create());
    EXPECT_STREQ(">A", m_console->GetInputLine());

    m_console->ProcessMessage(NOD_Console_Deactivate::Create());
    EXPECT_EQ(0u, m_console->IsActive());
    EXPECT_STREQ("", m_console->GetInputLine());
    EXPECT_EQ(0, m_console->GetCursor());
    m_console->ProcessMessage(NOD_Console_Deactivate::Create());
    EXPECT_EQ(0u, m_console->IsActive());

    // Other ids are the node's: the console answers its name.
    NOD_Message* reply = m_console->ProcessMessage(NOD_Node_GetName::Create());
    SIM_Name name;
    NOD_Node_GetName::ReadReply(reply, &name);
    EXPECT_STREQ("console", name.GetName());
    delete reply;
}

TEST_F(ConsoleTest, KeysTypeTheirTableCharactersAndNothingElse)
{
    m_console->ProcessMessage(NOD_Console_Activate::Create());
    // The letter rows of a QWERTZ keyboard, the digits, both underscores, '.', '/' and space.
    for (u32 code : {15u, 20u, 24u, 29u, 37u, 43u, 44u, 49u, 1u, 10u, 11u, 96u, 51u, 52u, 56u})
        Key(code);
    EXPECT_STREQ(">QZPALYXM10__./ ", m_console->GetInputLine());

    // Releases, codes without a character and codes past the table (scripts send any u32)
    // type nothing.
    m_console->PM_Input(15);
    for (u32 code : {0u, 12u, 57u, 255u, 256u, 300u, 0x10000u, 0x7FFFFFFFu})
        Key(code);
    m_console->ProcessMessage(NOD_Console_Input::Create(0xFFFFFFFFu));
    EXPECT_STREQ(">QZPALYXM10__./ ", m_console->GetInputLine());
    EXPECT_EQ(16, m_console->GetCursor());
}

TEST_F(ConsoleTest, LineEditingKeepsThePromptAndAtMost79Characters)
{
    m_console->ProcessMessage(NOD_Console_Activate::Create());
    for (s32 i = 0; i < 100; ++i)
        Key(KeyOf('A'));
    EXPECT_EQ(79, m_console->GetCursor());
    EXPECT_EQ(">" + std::string(78, 'A'), m_console->GetInputLine());

    for (s32 i = 0; i < 100; ++i)
        Key(NOD_Console::KEY_BACKSPACE);
    EXPECT_STREQ(">", m_console->GetInputLine());
    EXPECT_EQ(1, m_console->GetCursor());

    // Return executes; cursor up brings the whole line back, prompt included.
    Type("NODE_GETNAME");
    Key(NOD_Console::KEY_RETURN);
    EXPECT_STREQ(">", m_console->GetInputLine());
    EXPECT_STREQ("root ", m_console->GetLine(m_console->GetLineCount() - 2));
    EXPECT_STREQ("OK", m_console->GetLine(m_console->GetLineCount() - 1));
    Key(NOD_Console::KEY_CURSOR_UP);
    EXPECT_STREQ(">NODE_GETNAME", m_console->GetInputLine());
    EXPECT_EQ(13, m_console->GetCursor());

    // Tab closes and empties the line; its release changes nothing more.
    m_console->PM_Input(NOD_Console::KEY_TAB | NOD_Console::KEY_DOWN);
    m_console->PM_Input(NOD_Console::KEY_TAB);
    EXPECT_EQ(0u, m_console->IsActive());
    EXPECT_STREQ("", m_console->GetInputLine());
    EXPECT_EQ(0, m_console->GetCursor());
}

TEST_F(ConsoleTest, CommandLines)
{
    struct Case
    {
        const char* from;  // the current node's path ("" for the root)
        std::string line;
        std::string output;  // the lines after the echoed command
        const char* after;   // the current node afterwards
    };
    const Case cases[] = {
        {"", "cd sc", "changed to scenario", "scenario"},
        {"scenario", "CD ..", "changed to root", ""},
        {"scenario", "cd /", "changed to root", ""},
        {"scenario", "cd /pl", "changed to player1", "player1"},
        {"", "cd nowhere", "ERROR", ""},
        {"", "cd", "ERROR", ""},
        {"", "cd abcdefghijklmno", "ERROR", ""},  // a name of 15 characters
        {"", "cd scenario/abcdefghijklmnopqrstuvwxyz", "ERROR", ""},
        {"scenario", "Node_GetName", "scenario |OK", "scenario"},
        {"", "NODE_GETNUMOFSONS", "6 |OK", ""},
        {"scenario", "Node_GetPath", "/scenario |OK", "scenario"},
        {"", "Node_GetSonName 1", "player1 |OK", ""},
        {"", "Node_GetSonName -1", " |OK", ""},  // no such son: the empty name
        {"marker", "Position_SetPosition 1,2.5,\t-3", "OK", "marker"},
        {"marker", "Position_SetPosition 1 2.5", "ERROR", "marker"},
        {"", "bogus", "ERROR", ""},
        {"", "", "ERROR", ""},
        {"", "ls", "scenario player1 camera marker debug console ", ""},
        {"scenario", "dir", "", "scenario"},
        {"scenario", "Node_SetName abcdefghijklmno", "ERROR", "scenario"},
        {"", "Body_SetMesh " + std::string(63, 'm'), "ERROR", ""},
        {"", "Node_CreateNode " + std::string(63, 'c') + " x", "ERROR", ""},
        {"camera", "Camera_SetRelDistance", "ERROR", "camera"},
        {"camera", "Camera_Follow /player1 20 0 -0.5", "OK", "camera"},
        {"camera", "Camera_Move /player1 1 2 3 4 5", "OK", "camera"},
        {"camera", "Camera_Move /nobody 1 2 3 4 5", "ERROR", "camera"},
        {"camera", "Camera_Move /abcdefghijklmnop 1 2 3 4 5", "ERROR", "camera"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Enter(c.from);
        EXPECT_EQ(c.output, Run(c.line));
        EXPECT_EQ(c.after[0] != 0 ? Node(c.after) : m_root, m_console->GetCurrentNode());
    }
    EXPECT_STREQ("scenario", Node("scenario")->GetName().GetName());
    // Only the two accepted lines reached the camera.
    EXPECT_EQ(2u, m_camera->received.size());
}

TEST_F(ConsoleTest, MessagesCarryTheTypedArgumentsAndTheRepliesPrintThem)
{
    Enter("camera");
    ASSERT_EQ("OK", Run("Camera_Follow /player1 20 0 -0.5"));
    ASSERT_EQ(1u, m_camera->received.size());
    NOD_Message* follow = m_camera->received[0];
    EXPECT_EQ((u32)NOD_Camera_Follow::ID, follow->GetType());
    SIM_Path path;
    f32 distance = 0.0f, alpha = 1.0f, beta = 0.0f;
    NOD_Camera_Follow::Read(follow, &path, &distance, &alpha, &beta);
    EXPECT_TRUE(path == SIM_Path("/player1"));
    EXPECT_EQ(20.0f, distance);
    EXPECT_EQ(0.0f, alpha);
    EXPECT_EQ(-0.5f, beta);

    // A node reference is typed as a path from the current node and travels as the node's
    // handle, and the arguments after it stay in their places.
    ASSERT_EQ("OK", Run("Camera_Move ../pl 1 2 3 4 5"));
    ASSERT_EQ(2u, m_camera->received.size());
    NOD_Node* target = nullptr;
    f32 values[4] = {};
    u32 loop = 0;
    NOD_Camera_Move::Read(m_camera->received[1], &target, &values[0], &values[1], &values[2], &values[3], &loop);
    EXPECT_EQ(Node("player1"), target);
    EXPECT_EQ(1.0f, values[0]);
    EXPECT_EQ(4.0f, values[3]);
    EXPECT_EQ(5u, loop);

    // A node reference moves a son; replies print integers by their signedness and numbers
    // with 12 significant digits.
    Enter("scenario");
    EXPECT_EQ("OK", Run("Node_AddSon ../player1"));
    EXPECT_EQ(Node("scenario"), Node("scenario/player1")->GetFather());
    Enter("marker");
    ASSERT_EQ("OK", Run("Position_SetPosition 1 2.5 -3"));
    EXPECT_EQ("1 2.5 -3 |OK", Run("Position_GetPosition"));
    ASSERT_EQ("OK", Run("Position_SetPosition 0.1 1e39 -70000"));
    EXPECT_EQ("0.10000000149 inf -70000 |OK", Run("Position_GetPosition"));
}

TEST_F(ConsoleTest, TheCurrentNodeFallsBackToTheRootWhenItDies)
{
    Enter("scenario");
    delete Node("scenario");
    EXPECT_EQ(nullptr, m_console->GetCurrentNode());
    EXPECT_EQ("root |OK", Run("Node_GetName"));
    EXPECT_EQ(m_root, m_console->GetCurrentNode());
}

TEST_F(ConsoleTest, ACommandSendingItsOwnReturnRunsOnce)
{
    Enter("console");
    const std::string line = "Console_Input " + std::to_string(NOD_Console::KEY_RETURN | NOD_Console::KEY_DOWN);
    EXPECT_EQ("OK", Run(line));
    EXPECT_STREQ(">", m_console->GetInputLine());
}

TEST_F(ConsoleTest, TheCastReplacesOnlyTheConsoleMemberAndPutsItBack)
{
    const Brisel_SceneCasts startUp = Brisel_Scene::GetCasts();
    ASSERT_NE(nullptr, startUp.console);
    EXPECT_EQ(static_cast<Brisel_ScreenLayer*>(m_console), startUp.console(m_console));
    EXPECT_EQ(nullptr, startUp.console(m_root));
    EXPECT_EQ(nullptr, startUp.console(m_camera));

    NOD_Console::InstallCast(false);  // back to what the registration found
    const Brisel_SceneCasts found = Brisel_Scene::GetCasts();
    Brisel_SceneCasts others;
    others.camera = &TST_FakeScene::CastCamera;
    others.console = &TST_FakeScene::CastScreen;
    others.hud = &TST_FakeScene::CastScreen;
    Brisel_Scene::SetCasts(others);
    NOD_Console::InstallCast(true);
    NOD_Console::InstallCast(true);
    EXPECT_EQ(startUp.console, Brisel_Scene::GetCasts().console);
    EXPECT_EQ(&TST_FakeScene::CastCamera, Brisel_Scene::GetCasts().camera);
    EXPECT_EQ(&TST_FakeScene::CastScreen, Brisel_Scene::GetCasts().hud);
    NOD_Console::InstallCast(false);
    NOD_Console::InstallCast(false);
    EXPECT_EQ(&TST_FakeScene::CastScreen, Brisel_Scene::GetCasts().console);
    EXPECT_EQ(&TST_FakeScene::CastCamera, Brisel_Scene::GetCasts().camera);

    Brisel_Scene::SetCasts(found);
    NOD_Console::InstallCast(true);
    EXPECT_EQ(startUp.console, Brisel_Scene::GetCasts().console);
}

TEST_F(ConsoleTest, ExitClosesAndClsEmptiesTheOutput)
{
    m_console->ProcessMessage(NOD_Console_Activate::Create());
    m_console->SubmitLine("EXIT");
    EXPECT_EQ(0u, m_console->IsActive());
    EXPECT_STREQ(">", m_console->GetInputLine());
    m_console->SubmitLine("cls");
    EXPECT_EQ(0, m_console->GetLineCount());
}

TEST_F(ConsoleTest, The33rdLineDropsTheOldest)
{
    m_console->SubmitLine("cls");
    for (s32 i = 1; i <= 17; ++i)
        m_console->SubmitLine(std::to_string(i).c_str());  // the command and "ERROR"
    EXPECT_EQ(32, m_console->GetLineCount());
    EXPECT_STREQ(">2", m_console->GetLine(0));
    EXPECT_STREQ(">17", m_console->GetLine(30));
    EXPECT_STREQ("ERROR", m_console->GetLine(31));
}

TEST_F(ConsoleTest, LongListingsBreakBefore79Characters)
{
    NOD_Node* scenario = Node("scenario");
    for (s32 i = 0; i < 12; ++i)
        scenario->AddSon(NOD_Node::CreateNode("NOD_Node", ("son_number_" + std::to_string(100 + i)).c_str()));
    Enter("scenario");
    // Each name takes 15 characters with its blank: five fit below 79, the sixth would not.
    const std::string five = "son_number_100 son_number_101 son_number_102 son_number_103 son_number_104 ";
    const std::string output = Run("ls");
    EXPECT_EQ(0u, output.find(five + "|son_number_105 ")) << output;
    EXPECT_EQ(3 + 1, m_console->GetLineCount());
}

// ---- the picture, the texture and the screen layer ----

// A console drawn by a renderer over the recording display, with a font of 4 x _height glyphs
// for the characters 32 to 95.
class ConsoleRenderTest : public DisplayTest
{
protected:
    void Build(s32 _glyphHeight)
    {
        TST_WriteRendererData(m_dir);
        TOOL_FontSheet sheet;
        for (s32 i = 32; i < 96; ++i) {
            TOOL_FontGlyph glyph;
            glyph.width = 4;
            glyph.height = _glyphHeight;
            sheet.glyphs.push_back(glyph);
        }
        m_dir.Write("gfx/font/font1.tga", TOOL_TGABytes(TOOL_FontSheetPicture(sheet, nullptr)));
        m_dir.Write(TOOL_CONSOLE_TEXTURE_FILE, TOOL_TGABytes(TOOL_ConsoleTexture()));
        TST_ResetRendererGlobals();
        SITO_DISPLAY = Open();
        m_resources.reset(new TST_FakeResources());
        Brisel_ScreenLayer* (*consoleCast)(NOD_Node*) = Brisel_Scene::GetCasts().console;
        m_scene.reset(new TST_FakeScene());
        // The fake scene's casts replaced the console's (installed at start-up): put it back.
        Brisel_SceneCasts casts = Brisel_Scene::GetCasts();
        casts.console = consoleCast;
        Brisel_Scene::SetCasts(casts);
        m_renderer.reset(new Brisel_Renderer());
        m_renderer->CreateDisplay();
        m_console = NOD_Console::DynamicCast(m_scene->root->AddSon(NOD_Node::CreateNode("NOD_Console", "console")));
        ASSERT_NE(nullptr, m_console);
        m_renderer->LoadTextures();
        m_fake.Forget();
    }
    void TearDown() override
    {
        m_renderer.reset();
        m_scene.reset();
        m_resources.reset();
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }
    // 1 when the picture's pixel holds ink.
    u32 Ink(s32 _x, s32 _y) const
    {
        return m_console->GetPicture().GetPixels()[_y * NOD_Console::PICTURE_SIZE + _x] != 0;
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_FakeResources> m_resources;
    std::unique_ptr<TST_FakeScene> m_scene;
    std::unique_ptr<Brisel_Renderer> m_renderer;
    NOD_Console* m_console = nullptr;
};

TEST_F(ConsoleRenderTest, TheOpenConsoleRedrawsAfterChangesAndIsDrawnEveryFrame)
{
    Build(6);
    EXPECT_EQ(32, m_console->GetLineLimit());  // 256 / 6 - 1 = 41 lines would fit
    EXPECT_EQ(m_resources->names.RegisterTextureName("vfx\\tex\\fx\\console", 32), m_console->GetTexture());

    // Closed: the renderer finds it through the cast but nothing is drawn.
    m_renderer->Render();
    const size_t closedDraws = m_fake.Count("DrawIndexedPrimitive");
    const size_t closedLocks = m_fake.Count("LockRect");  // the fog texture's
    EXPECT_EQ(0u, Ink(0, 0));

    m_console->ProcessMessage(NOD_Console_Activate::Create());
    m_console->SubmitLine(std::string(70, 'A').c_str());
    m_fake.Forget();
    m_renderer->Render();
    EXPECT_EQ(closedDraws + 1, m_fake.Count("DrawIndexedPrimitive"));
    EXPECT_EQ(closedLocks + 1, m_fake.Count("LockRect"));  // the console's texture refreshed once
    EXPECT_EQ(0u, m_console->IsDirty());
    // "CONSOLE", "-------", then ">AAA..." wrapped after 63 glyphs of 4 pixels (the 64th
    // would reach the edge), "ERROR" and the prompt.
    EXPECT_EQ(1u, Ink(0, 0));
    EXPECT_EQ(1u, Ink(251, 12));
    EXPECT_EQ(0u, Ink(252, 12));
    EXPECT_EQ(1u, Ink(0, 18));   // the wrapped rest
    EXPECT_EQ(0u, Ink(40, 18));  // 8 characters only
    EXPECT_EQ(1u, Ink(0, 24));   // ERROR
    EXPECT_EQ(1u, Ink(0, 30));   // >
    EXPECT_EQ(0u, Ink(0, 36));

    // Unchanged: drawn again without a refresh.
    m_fake.Forget();
    m_renderer->Render();
    EXPECT_EQ(closedDraws + 1, m_fake.Count("DrawIndexedPrimitive"));
    EXPECT_EQ(closedLocks, m_fake.Count("LockRect"));
}

// A font taller than half the picture left no line (a limit of 0 that the scrolling never
// met): the console keeps one, the newest.
TEST_F(ConsoleRenderTest, AFontTallerThanHalfThePictureStillKeepsOneLine)
{
    Build(129);
    EXPECT_EQ(1, m_console->GetLineLimit());
    for (s32 i = 0; i < 40; ++i)
        m_console->SubmitLine("bogus");
    EXPECT_EQ(1, m_console->GetLineCount());
    EXPECT_STREQ("ERROR", m_console->GetLine(0));
}
}  // namespace
