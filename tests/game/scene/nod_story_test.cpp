// Story nodes: numbers and names, the dialog's sentence files and every way a question to it
// can go, and entering and leaving passed on to the sons.
#include "nod_story.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "des_file.h"
#include "nod_message.h"
#include "test_dir.h"
#include "tools_lights.h"

namespace
{

class StoryTest : public testing::Test
{
protected:
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    static std::unique_ptr<NOD_Node> Make(const char* _class)
    {
        return std::unique_ptr<NOD_Node>(NOD_Node::CreateNode(_class, "story"));
    }
    // The node's reply to _message (which must reply).
    static std::unique_ptr<NOD_Message> Ask(NOD_Node& _node, NOD_Message* _message)
    {
        return std::unique_ptr<NOD_Message>(_node.ProcessMessage(_message));
    }
    static TOOL_SentenceFile ThreeSentences()
    {
        TOOL_SentenceFile file;
        file.sentences = {{"Mara", "Dive deeper.", -1}, {"Oren", "The hull holds.", -1}, {"Mara", "Lights on.", -1}};
        return file;
    }

    TST_TempDir m_dir;
};

TEST_F(StoryTest, NumberedNodesKeepTheirNumbersFromZero)
{
    struct Case
    {
        const char* className;
        NOD_Message* (*set)(s32);
        NOD_Message* (*get)();
        s32 (*read)(NOD_Message*);
    };
    const Case cases[] = {
        {"NOD_Story_Character", [](s32 _n) { return NOD_Story_Character_SetCharacterNumber::Create(_n); },
         [] { return NOD_Story_Character_GetCharacterNumber::Create(); },
         [](NOD_Message* _m) { return std::get<0>(NOD_Story_Character_GetCharacterNumber::ReadReply(_m)); }},
        {"NOD_Story_Station", [](s32 _n) { return NOD_Story_Station_SetStationNumber::Create(_n); },
         [] { return NOD_Story_Station_GetStationNumber::Create(); },
         [](NOD_Message* _m) { return std::get<0>(NOD_Story_Station_GetStationNumber::ReadReply(_m)); }},
        {"NOD_Story_Area", [](s32 _n) { return NOD_Story_Area_SetAreaNumber::Create(_n); },
         [] { return NOD_Story_Area_GetAreaNumber::Create(); },
         [](NOD_Message* _m) { return std::get<0>(NOD_Story_Area_GetAreaNumber::ReadReply(_m)); }},
        {"NOD_Story_Room", [](s32 _n) { return NOD_Story_Room_SetRoomNumber::Create(_n); },
         [] { return NOD_Story_Room_GetRoomNumber::Create(); },
         [](NOD_Message* _m) { return std::get<0>(NOD_Story_Room_GetRoomNumber::ReadReply(_m)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        std::unique_ptr<NOD_Node> node = Make(c.className);
        ASSERT_NE(nullptr, node);
        EXPECT_EQ(0, c.read(Ask(*node, c.get()).get()));
        // The set replies the new number, in the set's own reply layout (an i32).
        EXPECT_EQ(-7, c.read(Ask(*node, c.set(-7)).get()));
        EXPECT_EQ(-7, c.read(Ask(*node, c.get()).get()));
        EXPECT_EQ(nullptr, node->ProcessMessage(NOD_Story_Dialog_GetNumOfSentences::Create()));
        EXPECT_TRUE(Logged("received lost message of type 26001 [Dialog_GetNumOfSentences]"));
    }
}

TEST_F(StoryTest, EveryNodeLogsItsReaderAndPassesEntryOnToItsSons)
{
    const char* const classes[][2] = {{"NOD_Story_Character", "Character received parseinifile"},
                                      {"NOD_Story_Station", "Station received parseinifile"},
                                      {"NOD_Story_Area", "area received parseinifile"},
                                      {"NOD_Story_Room", "room received parseinifile"},
                                      {"NOD_Story_Dialog", "dialog received parseinifile"}};
    m_dir.Write("vfx/story.des", "[Anything]\n{\n    Key = 1\n}\n");
    for (const auto& c : classes) {
        SCOPED_TRACE(c[0]);
        std::unique_ptr<NOD_Node> node = Make(c[0]);
        node->ParseIniFile_File("story.des");
        EXPECT_TRUE(Logged(c[1]));
        NOD_Node* first = node->AddSon(NOD_Node::CreateNode("NOD_Node", "a"));
        NOD_Node* second = node->AddSon(NOD_Node::CreateNode("NOD_Node", "b"));
        EXPECT_EQ(nullptr, node->ProcessMessage(NOD_Node_EnterSimulation::Create()));
        EXPECT_TRUE(first->IsInSimulation());
        EXPECT_TRUE(second->IsInSimulation());
        EXPECT_FALSE(node->IsInSimulation());
        node->HeartBeat();
        EXPECT_EQ(nullptr, node->ProcessMessage(NOD_Node_LeaveSimulation::Create()));
        EXPECT_FALSE(first->IsInSimulation());
        EXPECT_FALSE(second->IsInSimulation());
    }
}

TEST_F(StoryTest, ACharacterNameOf62CharactersIsKeptAndOneOf63StopsInTheNameType)
{
    std::unique_ptr<NOD_Node> node = Make("NOD_Story_Character");
    const std::string name(62, 'n');
    auto reply = Ask(*node, NOD_Story_Character_SetCharacterName::Create(SIM_ClassName(name.c_str())));
    EXPECT_STREQ(name.c_str(), std::get<0>(NOD_Story_Character_SetCharacterName::ReadReply(reply.get())).GetName());
    reply = Ask(*node, NOD_Story_Character_GetCharacterName::Create());
    EXPECT_STREQ(name.c_str(), std::get<0>(NOD_Story_Character_GetCharacterName::ReadReply(reply.get())).GetName());
    const std::string tooLong(63, 'n');
    EXPECT_FATAL(SIM_ClassName longName(tooLong.c_str()), "SIM_ClassName::SetName() : name too long", tooLong.c_str());
}

// Every question a dialog answers, with the file it holds (none: no file set), and what
// comes back: a count, a name, or a fatal error.
TEST_F(StoryTest, DialogQuestionsAnswerFromTheSentenceFileOrStop)
{
    const std::string long63(63, 't');
    struct Case
    {
        const char* what;
        std::function<void(TOOL_SentenceFile&)> file;  // null: no file is set
        std::function<NOD_Message*()> question;
        s32 count;            // Dialog_GetNumOfSentences
        std::string name;     // Dialog_GetActor, Dialog_GetSentenceText
        const char* caption;  // a fatal error instead
        std::string text;
    };
    auto count = [] { return NOD_Story_Dialog_GetNumOfSentences::Create(); };
    auto actor = [](s32 _i) { return [_i] { return NOD_Story_Dialog_GetActor::Create(_i); }; };
    auto text = [](s32 _i) { return [_i] { return NOD_Story_Dialog_GetSentenceText::Create(_i); }; };
    const std::string file = "sentences.des";
    const char* const DES = "DES FILE ERROR";
    const Case cases[] = {
        {"count 3", [](TOOL_SentenceFile&) {}, count, 3, "", nullptr, ""},
        {"count 0", [](TOOL_SentenceFile& _f) { _f.numOfSentence = 0; }, count, 0, "", nullptr, ""},
        {"count -2", [](TOOL_SentenceFile& _f) { _f.numOfSentence = -2; }, count, 0, "", nullptr, ""},
        {"actor 1", [](TOOL_SentenceFile&) {}, actor(1), 0, "Oren", nullptr, ""},
        {"text 2", [](TOOL_SentenceFile&) {}, text(2), 0, "Lights on.", nullptr, ""},
        {"actor 5 of 3",
         [](TOOL_SentenceFile& _f) {
             _f.sentences.push_back({"Ilse", "Beyond the count.", 5});
         },
         actor(5), 0, "Ilse", nullptr, ""},
        {"missing Sentence4", [](TOOL_SentenceFile&) {}, text(4), 0, "", DES,
         "(NOD_Story_Dialog::PM_GetSentenceText(NOD_Message* _Message)): Get [\"Sentence4\"] in file \"" + file +
             "\" failed"},
        {"missing Sentence-1", [](TOOL_SentenceFile&) {}, actor(-1), 0, "", DES,
         "(NOD_Story_Dialog::PM_GetActor(NOD_Message* _Message)): Get [\"Sentence-1\"] in file \"" + file +
             "\" failed"},
        {"no Dialog", [](TOOL_SentenceFile& _f) { _f.omitSection = "Dialog"; }, count, 0, "", DES,
         "(NOD_Story_Dialog::PM_GetNumOfSentences()): Get [\"Dialog\"] in file \"" + file + "\" failed"},
        {"no Dialog for an actor", [](TOOL_SentenceFile& _f) { _f.omitSection = "Dialog"; }, actor(0), 0, "", DES,
         "(NOD_Story_Dialog::PM_GetActor(NOD_Message* _Message)): Get [\"Dialog\"] in file \"" + file + "\" failed"},
        {"no NumOfSentence", [](TOOL_SentenceFile& _f) { _f.omitKey = "NumOfSentence"; }, count, 0, "", "DesFile Error",
         "data \"NumOfSentence\" not found in file \"" + file + "\""},
        {"no Text", [](TOOL_SentenceFile& _f) { _f.omitKey = "Text"; }, text(0), 0, "", "DesFile Error",
         "data \"Text\" not found in file \"" + file + "\""},
        {"Actor a number", [](TOOL_SentenceFile& _f) { _f.mistypedKey = "Actor"; }, actor(0), 0, "", "DesFile Error",
         "data \"Actor\" in file \"" + file + "\" has wrong type"},
        // A text too long for the name loads, and stops only when it is asked for.
        {"63 characters, other sentence", [&](TOOL_SentenceFile& _f) { _f.sentences[2].text = long63; }, text(1), 0,
         "The hull holds.", nullptr, ""},
        {"63 characters asked", [&](TOOL_SentenceFile& _f) { _f.sentences[2].text = long63; }, text(2), 0, "",
         "SIM_ClassName::SetName() : name too long", long63},
        {"62 characters asked", [](TOOL_SentenceFile& _f) { _f.sentences[0].actor = std::string(62, 'a'); }, actor(0),
         0, std::string(62, 'a'), nullptr, ""},
        // Before a file: 0 or the empty name, and a line in the log.
        {"count before a file", nullptr, count, 0, "", nullptr, ""},
        {"actor before a file", nullptr, actor(0), 0, "", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<NOD_Node> dialog = Make("NOD_Story_Dialog");
        if (c.file) {
            TOOL_SentenceFile sentences = ThreeSentences();
            c.file(sentences);
            m_dir.Write(file, TOOL_SentenceFileText(sentences) + "[Other]\n{\n    Key = 1\n}\n");
            EXPECT_EQ(nullptr,
                      dialog->ProcessMessage(NOD_Story_Dialog_SetSentenceFile::Create(SIM_ClassName(file.c_str()))));
            EXPECT_TRUE(Logged("SetSentenceFile to " + file));
        }
        NOD_Message* question = c.question();
        const u32 type = question->GetType();
        if (c.caption != nullptr) {
            EXPECT_FATAL(delete dialog->ProcessMessage(question), c.caption, c.text.c_str());
            continue;
        }
        std::unique_ptr<NOD_Message> reply(dialog->ProcessMessage(question));
        ASSERT_NE(nullptr, reply);
        EXPECT_EQ(type, reply->GetType());
        if (type == NOD_Story_Dialog_GetNumOfSentences::ID)
            EXPECT_EQ(c.count, std::get<0>(NOD_Story_Dialog_GetNumOfSentences::ReadReply(reply.get())));
        else
            EXPECT_EQ(c.name, std::get<0>(NOD_Story_Dialog_GetActor::ReadReply(reply.get())).GetName());
        if (!c.file) {
            EXPECT_TRUE(Logged("dialog \"story\" has no sentence file"));
        }
    }
}

TEST_F(StoryTest, ANewSentenceFileReplacesTheOldAndAFileThatCannotBeReadStops)
{
    std::unique_ptr<NOD_Node> dialog = Make("NOD_Story_Dialog");
    NOD_Story_Dialog* node = static_cast<NOD_Story_Dialog*>(dialog.get());
    m_dir.Write("first.des", TOOL_SentenceFileText(ThreeSentences()));
    TOOL_SentenceFile second;
    second.sentences = {{"Kel", "Another voice.", -1}};
    m_dir.Write("second.des", TOOL_SentenceFileText(second));
    delete dialog->ProcessMessage(NOD_Story_Dialog_SetSentenceFile::Create(SIM_ClassName("first.des")));
    delete dialog->ProcessMessage(NOD_Story_Dialog_SetSentenceFile::Create(SIM_ClassName("second.des")));
    EXPECT_STREQ("second.des", node->GetSentenceFileName().GetName());
    auto reply = Ask(*dialog, NOD_Story_Dialog_GetNumOfSentences::Create());
    EXPECT_EQ(1, std::get<0>(NOD_Story_Dialog_GetNumOfSentences::ReadReply(reply.get())));
    reply = Ask(*dialog, NOD_Story_Dialog_GetActor::Create(0));
    EXPECT_STREQ("Kel", std::get<0>(NOD_Story_Dialog_GetActor::ReadReply(reply.get())).GetName());

    // A missing file and one that does not parse stop under the dialog's own text; the old
    // file is gone either way.
    const char* const caption =
        "NOD_Story_Dialog::LoadSentenceFile() : file not found or syntax error in sentence file";
    m_dir.Write("broken.des", "[Dialog\n{\n");
    for (const char* name : {"missing.des", "broken.des"}) {
        SCOPED_TRACE(name);
        EXPECT_FATAL(delete dialog->ProcessMessage(NOD_Story_Dialog_SetSentenceFile::Create(SIM_ClassName(name))),
                     caption, name);
        EXPECT_EQ(nullptr, node->GetSentenceFile() != nullptr ? node->GetSentenceFile()->GetTree() : nullptr);
    }
}

TEST_F(StoryTest, TheFinishedMessagesAreLostAtADialog)
{
    std::unique_ptr<NOD_Node> dialog = Make("NOD_Story_Dialog");
    EXPECT_EQ(nullptr, dialog->ProcessMessage(NOD_Story_Dialog_SentenceFinished::Create(SIM_ClassName("x"))));
    EXPECT_EQ(nullptr, dialog->ProcessMessage(NOD_Story_Dialog_DialogFinished::Create(SIM_ClassName("x"))));
    EXPECT_TRUE(Logged("node \"story\" received lost message of type 26004 [Dialog_SentenceFinished]."));
    EXPECT_TRUE(Logged("node \"story\" received lost message of type 26005 [Dialog_DialogFinished]."));
}

}  // namespace
