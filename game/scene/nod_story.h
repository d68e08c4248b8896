// The story nodes: places in the node tree where scenario scripts keep story state. A
// character (number and name), a station, an area and a room (a number each), and a dialog
// that reads a sentence file and answers, by index, who speaks a sentence and what it says.
//
// They have no body, draw nothing, take no step and read nothing from their descriptions (the
// reader only logs that it was called). Entering or leaving the simulation is passed on to the
// sons as new messages; the node's own flag does not change. Numbers start at 0.
//
// Sentence file: a description file opened by the name given (from the working directory):
// section "Dialog" with "NumOfSentence" and the subsections "Sentence0", "Sentence1", ...,
// each with "Actor" and "Text". Any index whose section exists is answered, whatever the count.
// A file that cannot be read, a missing section or key and a text over 62 characters asked for
// are fatal; a question asked before any file was set answers 0 or the empty name and logs a
// line. One thread.
#pragma once

#include "nod_node.h"
#include "os_types.h"
#include "sim_name.h"

class DES_File;
class DES_Section;

class NOD_Story_Character : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Story_Character)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    // Character_Set/GetCharacterNumber, Character_Set/GetCharacterName, entering and leaving.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    s32 GetNumber() const { return m_number; }
    const SIM_ClassName& GetCharacterName() const { return m_name; }

private:
    s32 m_number = 0;
    SIM_ClassName m_name;
};

class NOD_Story_Station : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Story_Station)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    s32 GetNumber() const { return m_number; }

private:
    s32 m_number = 0;
};

class NOD_Story_Area : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Story_Area)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    s32 GetNumber() const { return m_number; }

private:
    s32 m_number = 0;
};

class NOD_Story_Room : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Story_Room)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    s32 GetNumber() const { return m_number; }

private:
    s32 m_number = 0;
};

class NOD_Story_Dialog : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Story_Dialog)

public:
    NOD_Story_Dialog() = default;
    // Closes and frees the sentence file.
    ~NOD_Story_Dialog() override;

    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    // Dialog_SetSentenceFile, Dialog_GetNumOfSentences, Dialog_GetActor,
    // Dialog_GetSentenceText, entering and leaving; the two "finished" messages are lost.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    const SIM_ClassName& GetSentenceFileName() const { return m_fileName; }
    // The open sentence file, null before one was set.
    const DES_File* GetSentenceFile() const { return m_file; }

private:
    void PM_SetSentenceFile(const SIM_ClassName& _name);
    s32 PM_GetNumOfSentences();
    // "Actor" or "Text" of sentence _index.
    SIM_ClassName PM_GetSentenceEntry(s32 _index, const char* _key, const char* _where);
    void CloseFile();
    // Section "Dialog" of the file; fatal for _where when missing. 0 (and a log line) before a
    // file was set.
    u32 FindDialog(DES_Section* _dialog, const char* _where);

    SIM_ClassName m_fileName;
    SIM_ClassName m_spare;          // kept beside the name; nothing uses it
    DES_File* m_file = nullptr;     // owned
    DES_Section* m_root = nullptr;  // owned; the file's root cursor
};
