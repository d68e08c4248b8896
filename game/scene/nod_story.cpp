// The story nodes: numbers, a character's name and the dialog's sentence files.
#include "nod_story.h"

#include <memory>

#include "des_file.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "os_string.h"

RTI_IMPLEMENT_CLASS(NOD_Story_Character, "NOD_Node")
RTI_IMPLEMENT_CLASS(NOD_Story_Station, "NOD_Node")
RTI_IMPLEMENT_CLASS(NOD_Story_Area, "NOD_Node")
RTI_IMPLEMENT_CLASS(NOD_Story_Room, "NOD_Node")
RTI_IMPLEMENT_CLASS(NOD_Story_Dialog, "NOD_Node")

namespace
{
constexpr u32 TEXT_BYTES = 256;
const char* const NUM_OF_SENTENCES = "NOD_Story_Dialog::PM_GetNumOfSentences()";
const char* const GET_ACTOR = "NOD_Story_Dialog::PM_GetActor(NOD_Message* _Message)";
const char* const GET_TEXT = "NOD_Story_Dialog::PM_GetSentenceText(NOD_Message* _Message)";

// Entering or leaving the simulation: the message is deleted and a new one of its kind goes to
// every son in order; 1 when it was one of them, else 0 (the message is the caller's).
u32 ForwardEntry(NOD_Node& _node, NOD_Message* _message)
{
    const u32 type = _message->GetType();
    if (type != NOD_Node_EnterSimulation::ID && type != NOD_Node_LeaveSimulation::ID)
        return 0;
    delete _message;
    for (s32 i = 0; i < (s32)_node.GetNumOfSons(); ++i)
        delete _node.GetSon(i)->ProcessMessage(type == NOD_Node_EnterSimulation::ID
                                                   ? static_cast<NOD_Message*>(NOD_Node_EnterSimulation::Create())
                                                   : static_cast<NOD_Message*>(NOD_Node_LeaveSimulation::Create()));
    return 1;
}

// The number messages of the station, area and room: set (replies the new number) and get.
template <class SET, class GET>
NOD_Message* NumberMessage(NOD_Node& _node, s32& _number, NOD_Message* _message)
{
    if (_message->GetType() == SET::ID) {
        SET::Read(_message, &_number);
        return SET::Reply(_message, _number);
    }
    if (_message->GetType() == GET::ID)
        return GET::Reply(_message, _number);
    if (ForwardEntry(_node, _message))
        return nullptr;
    return _node.NOD_Node::ProcessMessage(_message);
}
}  // namespace

// ---- character, station, area, room ---------------------------------------------------------------

void NOD_Story_Character::ParseIniFile_Des(DES_Section& _data)
{
    (void)_data;
    OS_Log("Character received parseinifile");
}

NOD_Message* NOD_Story_Character::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Story_Character_SetCharacterName::ID:
        NOD_Story_Character_SetCharacterName::Read(_message, &m_name);
        return NOD_Story_Character_SetCharacterName::Reply(_message, m_name);
    case NOD_Story_Character_GetCharacterName::ID:
        return NOD_Story_Character_GetCharacterName::Reply(_message, m_name);
    default:
        return NumberMessage<NOD_Story_Character_SetCharacterNumber, NOD_Story_Character_GetCharacterNumber>(
            *this, m_number, _message);
    }
}

void NOD_Story_Station::ParseIniFile_Des(DES_Section& _data)
{
    (void)_data;
    OS_Log("Station received parseinifile");
}

NOD_Message* NOD_Story_Station::ProcessMessage(NOD_Message* _message)
{
    return NumberMessage<NOD_Story_Station_SetStationNumber, NOD_Story_Station_GetStationNumber>(*this, m_number,
                                                                                                 _message);
}

void NOD_Story_Area::ParseIniFile_Des(DES_Section& _data)
{
    (void)_data;
    OS_Log("area received parseinifile");
}

NOD_Message* NOD_Story_Area::ProcessMessage(NOD_Message* _message)
{
    return NumberMessage<NOD_Story_Area_SetAreaNumber, NOD_Story_Area_GetAreaNumber>(*this, m_number, _message);
}

void NOD_Story_Room::ParseIniFile_Des(DES_Section& _data)
{
    (void)_data;
    OS_Log("room received parseinifile");
}

NOD_Message* NOD_Story_Room::ProcessMessage(NOD_Message* _message)
{
    return NumberMessage<NOD_Story_Room_SetRoomNumber, NOD_Story_Room_GetRoomNumber>(*this, m_number, _message);
}

// ---- dialog -------------------------------------------------------------------------------------------

NOD_Story_Dialog::~NOD_Story_Dialog() { CloseFile(); }

void NOD_Story_Dialog::ParseIniFile_Des(DES_Section& _data)
{
    (void)_data;
    OS_Log("dialog received parseinifile");
}

void NOD_Story_Dialog::CloseFile()
{
    delete m_root;
    m_root = nullptr;
    if (m_file != nullptr)
        m_file->Close();
    delete m_file;
    m_file = nullptr;
}

void NOD_Story_Dialog::PM_SetSentenceFile(const SIM_ClassName& _name)
{
    m_fileName = _name;
    // The old file goes first, so a file that does not open leaves none behind.
    CloseFile();
    m_file = new DES_File();
    m_root = new DES_Section();
    OpenDescription(*m_file, m_root, m_fileName.GetName(),
                    "NOD_Story_Dialog::LoadSentenceFile() : file not found or syntax error in sentence file");
    OS_Log(OS_Format("SetSentenceFile to %s", m_fileName.GetName()));
}

u32 NOD_Story_Dialog::FindDialog(DES_Section* _dialog, const char* _where)
{
    if (m_root == nullptr || m_file == nullptr || m_file->GetTree() == nullptr) {
        OS_Log(OS_Format("%s: dialog \"%s\" has no sentence file", _where, GetName().GetName()));
        return 0;
    }
    if (!m_root->FindSection(_dialog, "Dialog"))
        DES_FatalSection(_where, "Dialog", m_file->GetName());
    return 1;
}

s32 NOD_Story_Dialog::PM_GetNumOfSentences()
{
    DES_Section dialog;
    if (!FindDialog(&dialog, NUM_OF_SENTENCES))
        return 0;
    s32 count = 0;
    dialog.GetS32("NumOfSentence", &count);
    return count < 1 ? 0 : count;
}

SIM_ClassName NOD_Story_Dialog::PM_GetSentenceEntry(s32 _index, const char* _key, const char* _where)
{
    DES_Section dialog;
    if (!FindDialog(&dialog, _where))
        return SIM_ClassName();
    char name[32];
    OS_SNPrintf(name, sizeof(name), "Sentence%d", _index);
    DES_Section sentence;
    if (!dialog.FindSection(&sentence, name))
        OS_Fatal("DES FILE ERROR", OS_Format("(%s): Get [\"%s%d\"] in file \"%s\" failed", _where, "Sentence", _index,
                                             m_file->GetName()));
    char text[TEXT_BYTES] = {};
    sentence.GetString(_key, text, sizeof(text));
    return SIM_ClassName(text);
}

NOD_Message* NOD_Story_Dialog::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Story_Dialog_SetSentenceFile::ID: {
        const auto [name] = NOD_Story_Dialog_SetSentenceFile::Read(_message);
        delete _message;
        PM_SetSentenceFile(name);
        return nullptr;
    }
    case NOD_Story_Dialog_GetNumOfSentences::ID: {
        // A question that stops the run takes its message with it.
        std::unique_ptr<NOD_Message> held(_message);
        const s32 count = PM_GetNumOfSentences();
        return NOD_Story_Dialog_GetNumOfSentences::Reply(held.release(), count);
    }
    case NOD_Story_Dialog_GetActor::ID: {
        std::unique_ptr<NOD_Message> held(_message);
        const auto [index] = NOD_Story_Dialog_GetActor::Read(_message);
        const SIM_ClassName actor = PM_GetSentenceEntry(index, "Actor", GET_ACTOR);
        return NOD_Story_Dialog_GetActor::Reply(held.release(), actor);
    }
    case NOD_Story_Dialog_GetSentenceText::ID: {
        std::unique_ptr<NOD_Message> held(_message);
        const auto [index] = NOD_Story_Dialog_GetSentenceText::Read(_message);
        const SIM_ClassName text = PM_GetSentenceEntry(index, "Text", GET_TEXT);
        return NOD_Story_Dialog_GetSentenceText::Reply(held.release(), text);
    }
    default:
        if (ForwardEntry(*this, _message))
            return nullptr;
        return NOD_Node::ProcessMessage(_message);
    }
}
