#include "nod_creationrecord.h"

#include <cstring>

#include "des_file.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "os_path.h"
#include "os_string.h"
#include "rpl_string.h"

namespace
{
// No zero inside, at most _maxLength characters.
u32 IsPlainText(const MOS_String& _text, u32 _maxLength)
{
    return _text.Length() <= _maxLength && std::strlen(_text.C_Str()) == _text.Length() ? 1 : 0;
}

// A relative name whose elements are neither empty, "." nor "..", without a drive.
u32 IsInsideFolder(const char* _text)
{
    if (_text[0] == 0 || _text[0] == '/' || _text[0] == '\\' || std::strchr(_text, ':') != nullptr)
        return 0;
    const char* element = _text;
    for (const char* cursor = _text;; ++cursor) {
        if (*cursor == '/' || *cursor == '\\' || *cursor == 0) {
            const size_t length = (size_t)(cursor - element);
            if (length == 0 || (length == 1 && element[0] == '.') ||
                (length == 2 && element[0] == '.' && element[1] == '.'))
                return 0;
            if (*cursor == 0)
                return 1;
            element = cursor + 1;
        }
    }
}

// The file is there, loose or as its packed image (as the description opener looks).
u32 FileThere(const char* _path)
{
    char image[NOD_Node::PATH_BYTES + 1];
    s64 time = 0;
    return OS_GetFileTime(_path, &time) || (DES_ImageName(_path, image, sizeof(image)) && OS_GetFileTime(image, &time))
               ? 1
               : 0;
}
}  // namespace

u32 NOD_CreationRecord::ReadString(IO_InputStream& _stream, MOS_String& _text)
{
    return RPL_ReadString(_stream, _text);
}

u32 NOD_CreationRecord::StreamIntact(const IO_InputStream& _stream)
{
    return _stream.IsEOF() == 0 && _stream.HasError() == 0 ? 1 : 0;
}

u32 NOD_CreationRecord::IsNodeName(const MOS_String& _text)
{
    const char* text = _text.C_Str();
    if (_text.Length() == 0 || !IsPlainText(_text, SIM_Name::MAX_LENGTH))
        return 0;
    if (std::strchr(text, '/') != nullptr || std::strchr(text, '\\') != nullptr)
        return 0;
    return std::strcmp(text, ".") != 0 && std::strcmp(text, "..") != 0 ? 1 : 0;
}

u32 NOD_CreationRecord::ParsePath(const MOS_String& _text, SIM_Path& _path, u32 _allowEmpty)
{
    if (_text.Length() == 0) {
        _path = SIM_Path();
        return _allowEmpty;
    }
    if (!IsPlainText(_text, SIM_Path::STRING_BYTES - 1) || _text.C_Str()[0] != '/')
        return 0;
    // Every element between separators must be a node name; at most four of them.
    const char* cursor = _text.C_Str() + 1;
    u32 depth = 0;
    while (*cursor != 0) {
        const char* end = cursor;
        while (*end != 0 && *end != '/' && *end != '\\')
            ++end;
        if (!IsNodeName(MOS_String(cursor, (u32)(end - cursor))) || ++depth > SIM_Path::MAX_DEPTH)
            return 0;
        if (*end == 0)
            break;
        cursor = end + 1;
        if (*cursor == 0)
            return 0;  // a trailing separator
    }
    _path.Set(_text.C_Str());
    return 1;
}

u32 NOD_CreationRecord::IsDescriptionFile(const MOS_String& _text)
{
    if (!IsPlainText(_text, NOD_Node::PATH_BYTES - 5) || !IsInsideFolder(_text.C_Str()))
        return 0;
    return FileThere(OS_Format("vfx\\%s", _text.C_Str()));
}

u32 NOD_CreationRecord::IsTerrainSet(const MOS_String& _text)
{
    if (!IsPlainText(_text, NOD_Node::PATH_BYTES - 16) || !IsInsideFolder(_text.C_Str()))
        return 0;
    return FileThere(OS_Format("%s\\terrain.des", _text.C_Str())) &&
           FileThere(OS_Format("%s\\material.des", _text.C_Str()));
}

u32 NOD_CreationRecord::IsClassName(const MOS_String& _text) { return IsPlainText(_text, SIM_ClassName::MAX_LENGTH); }

RTI_Class* NOD_CreationRecord::Refuse(const char* _caption, const char* _why)
{
    OS_Log(OS_Format("%s refused: %s", _caption, _why));
    return nullptr;
}

u32 NOD_CreationRecord::Read(IO_InputStream& _stream, const char* _caption)
{
    MOS_String father;
    MOS_String name;
    const u32 complete = ReadString(_stream, fileName) && ReadString(_stream, father) && ReadString(_stream, name);
    if (!complete || !StreamIntact(_stream))
        return Refuse(_caption, "record cut short"), 0;
    if (fileName.Length() > 0 && !IsDescriptionFile(fileName))
        return Refuse(_caption, "description file"), 0;
    if (!ParsePath(father, fatherPath, 0))
        return Refuse(_caption, "father path"), 0;
    if (!IsNodeName(name))
        return Refuse(_caption, "node name"), 0;
    nodeName = name.C_Str();
    return 1;
}

NOD_Node* NOD_CreationRecord::Make(u32 _classIndex, s32 _replica) const
{
    NOD_Node* root = NOD_Node::GetRoot();
    NOD_Node* father = root != nullptr ? root->Find(fatherPath) : nullptr;
    if (father == nullptr || _classIndex > 0x7FFFFFFFu)
        return nullptr;
    const RTI_ClassDefinition* definition = RTI_ClassDefinition::GetByIndex((s32)_classIndex);
    if (definition == nullptr)
        return nullptr;
    // The son the name finds (the first of that name) is taken when its class is the one asked.
    NOD_Node* son = father->Find(SIM_Path(nodeName.GetName()));
    if (son != nullptr && son->GetClassDefinition() == definition) {
        if (_replica)
            son->SetFlags(son->GetFlags() | NOD_Node::FLAG_REPLICATED);
        return son;
    }
    NOD_Node* node = NOD_Node::CreateNode(definition->GetName(), nodeName.GetName());
    if (node == nullptr)
        return nullptr;
    father->AddSon(node);
    if (_replica)
        node->SetFlags(node->GetFlags() | NOD_Node::FLAG_REPLICATED);
    if (fileName.Length() > 0)
        node->ParseIniFile_File(fileName.C_Str());
    return node;
}

RTI_Class* NOD_CreationRecord::CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream)
{
    NOD_CreationRecord record;
    if (!record.Read(_stream, "NOD_Replicator::CreateFromStream()"))
        return nullptr;
    return record.Make(_classIndex, _replica);
}
