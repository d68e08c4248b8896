// Reading creation records: the fields a stream creator takes from a stream, each checked so
// that no record can stop or mislead the receiver.
//
// A record is refused as a whole, before anything is made: the creator logs one line and
// answers null. Refused are records cut short or failing in the stream, names and path elements
// that do not fit the name types, paths deeper than four names, node names that are empty, "."
// or ".." or hold a separator, and description files or terrain sets the receiver lacks or that
// leave their folder ("..", an absolute name). Only the receiver's own descriptions, read for
// the class named, can still stop it.
#pragma once

#include "io_inputstream.h"
#include "mos_string.h"
#include "os_types.h"
#include "sim_name.h"

class NOD_Node;

// The generic record: description file, father path, node name.
struct NOD_CreationRecord
{
    MOS_String fileName;
    SIM_Path fatherPath;
    SIM_Name nodeName;

    // Reads and checks the three strings; 0 (one line logged under _caption) when refused.
    u32 Read(IO_InputStream& _stream, const char* _caption);
    // Finds the son of the father named so whose class has the index _classIndex, or creates,
    // attaches and configures one. With _replica set the node gets NOD_Node::FLAG_REPLICATED. Null when the
    // father or the class is missing, or the class makes no node.
    NOD_Node* Make(u32 _classIndex, s32 _replica) const;

    // The generic stream creator.
    static RTI_Class* CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream);

    // One record string; 0 when the stream ended or failed inside it.
    static u32 ReadString(IO_InputStream& _stream, MOS_String& _text);
    // 1 when the stream neither ended nor failed.
    static u32 StreamIntact(const IO_InputStream& _stream);
    // An absolute path of at most four valid node names ("/" is the root); with _allowEmpty
    // the empty text too (the empty relative path: no node).
    static u32 ParsePath(const MOS_String& _text, SIM_Path& _path, u32 _allowEmpty);
    // 1 to 14 characters, not "." or "..", no separator.
    static u32 IsNodeName(const MOS_String& _text);
    // A relative name inside its folder that the receiver holds under "vfx\".
    static u32 IsDescriptionFile(const MOS_String& _text);
    // A relative folder that holds "terrain.des" and "material.des".
    static u32 IsTerrainSet(const MOS_String& _text);
    // A text without embedded zero that fits a class name.
    static u32 IsClassName(const MOS_String& _text);
    // Logs "<caption> refused: <why>" and answers null.
    static RTI_Class* Refuse(const char* _caption, const char* _why);
};
