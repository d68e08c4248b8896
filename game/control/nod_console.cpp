// The in-game text console: line editor, built-in commands, messages composed from typed words,
// and its screen layer.
#include "nod_console.h"

#include <cstdlib>

#include "brisel_renderer.h"
#include "dsp_display.h"
#include "mat_angle.h"
#include "nod_handle.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "os_string.h"
#include "reb_texturecache.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Console, "NOD_Node")

namespace
{
const char* const TEXTURE_NAME = "vfx\\tex\\fx\\console";
const char* const FONT_NAME = "gfx\\font\\font1.tga";
const char* const SEPARATORS = " ,\t\n";              // between a command's arguments
const char* const WHITESPACE = " \t\n\v\f\r";         // around a command word
const s32 LAST_COLUMN = NOD_Console::LINE_BYTES - 1;  // the input line holds 79 characters at most

// The characters of the program's key codes (a QWERTZ layout, letters in upper case).
struct KeyTable
{
    char characters[NOD_Console::KEY_TABLE_SIZE] = {};

    KeyTable()
    {
        Put(1, "1234567890");
        Put(11, "_");
        Put(15, "QWERTZUIOP");
        Put(29, "ASDFGHJKL");
        Put(43, "YXCVBNM");
        Put(51, ".");
        Put(52, "/");
        Put(56, " ");
        Put(96, "_");
    }
    void Put(u32 _first, const char* _characters)
    {
        for (u32 i = 0; _characters[i] != 0; ++i)
            characters[_first + i] = _characters[i];
    }
};
const KeyTable s_keys;

Brisel_ScreenLayer* (*s_previousCast)(NOD_Node*) = nullptr;
bool s_castInstalled = false;

Brisel_ScreenLayer* ConsoleCast(NOD_Node* _node) { return NOD_Console::DynamicCast(_node); }

void CopyLine(char* _destination, const char* _text)
{
    OS_StrCopyBounded(_destination, _text != nullptr ? _text : "", NOD_Console::LINE_BYTES);
}

// The words of a command line as strtok finds them (runs of separators between words), over
// a private copy of the line and with a cursor of its own.
class Words
{
public:
    Words(const char* _line, const char* _separators) : m_separators(_separators)
    {
        OS_StrCopyBounded(m_buffer, _line, sizeof(m_buffer));
    }
    // The next word, or null when none is left.
    const char* Next()
    {
        while (m_buffer[m_position] != 0 && IsSeparator(m_buffer[m_position]))
            ++m_position;
        if (m_buffer[m_position] == 0)
            return nullptr;
        const char* word = m_buffer + m_position;
        while (m_buffer[m_position] != 0 && !IsSeparator(m_buffer[m_position]))
            ++m_position;
        if (m_buffer[m_position] != 0)
            m_buffer[m_position++] = 0;
        return word;
    }

private:
    bool IsSeparator(char _c) const
    {
        for (const char* s = m_separators; *s != 0; ++s)
            if (*s == _c)
                return true;
        return false;
    }

    char m_buffer[NOD_Console::LINE_BYTES * 2] = {};
    const char* m_separators = nullptr;
    u32 m_position = 0;
};

// The word as a path, as SIM_Path::Set parses it; false (the path untouched) when one of the
// names it would keep is too long, which Set would make fatal.
bool ReadPath(const char* _word, SIM_Path* _path)
{
    const char* cursor = _word;
    if (*cursor == '/' || *cursor == '\\')
        ++cursor;
    for (u32 depth = 0; *cursor != 0 && depth < SIM_Path::MAX_DEPTH; ++depth) {
        u32 length = 0;
        while (cursor[length] != 0 && cursor[length] != '/' && cursor[length] != '\\')
            ++length;
        if (length > SIM_Name::MAX_LENGTH)
            return false;
        cursor += length;
        if (*cursor == '/' || *cursor == '\\')
            ++cursor;
    }
    _path->Set(_word);
    return true;
}

// Reads one typed argument of type _type into _value; false when a word is missing or cannot
// be that argument.
bool ReadArgument(Words& _words, s32 _type, NOD_Node* _current, NOD_ArgValue* _value)
{
    _value->type = _type;
    if (_type < NOD_ARG_U8 || _type > NOD_ARG_NODEREF)
        return true;  // no typed form: nothing taken, nothing stored
    const char* word = _words.Next();
    if (word == nullptr)
        return false;
    switch (_type) {
    case NOD_ARG_F32:
    case NOD_ARG_F64:
        _value->number = atof(word);
        return true;
    case NOD_ARG_VEC3: {
        f32* components[3] = {&_value->vector.x, &_value->vector.y, &_value->vector.z};
        for (s32 i = 0; i < 3; ++i) {
            if (i > 0 && (word = _words.Next()) == nullptr)
                return false;
            *components[i] = NOD_NearestF32(atof(word));
        }
        return true;
    }
    case NOD_ARG_PATH:
        return ReadPath(word, &_value->path);
    case NOD_ARG_NAME:
        if (OS_StrLen(word) > SIM_Name::MAX_LENGTH)
            return false;
        _value->name.SetName(word);
        return true;
    case NOD_ARG_CLASSNAME:
        if (OS_StrLen(word) > SIM_ClassName::MAX_LENGTH)
            return false;
        _value->className.SetName(word);
        return true;
    case NOD_ARG_NODEREF: {
        SIM_Path path;
        if (!ReadPath(word, &path))
            return false;
        NOD_Node* node = _current->FindPrefix(path);
        if (node == nullptr)
            return false;
        _value->handle = NOD_GetHandle(node);
        return true;
    }
    default:  // the integer codes
        _value->integer = (s64)strtol(word, nullptr, 10);
        return true;
    }
}

// Appends the text of one reply value and a blank; node references append nothing.
void AppendValue(char* _text, u32 _size, const NOD_ArgValue& _value)
{
    char buffer[SIM_Path::STRING_BYTES * 2] = {};
    switch (_value.type) {
    case NOD_ARG_U8:
    case NOD_ARG_U16:
    case NOD_ARG_U32:
        OS_SNPrintf(buffer, sizeof(buffer), "%llu ", (unsigned long long)_value.integer);
        break;
    case NOD_ARG_S8:
    case NOD_ARG_S16:
    case NOD_ARG_S32:
        OS_SNPrintf(buffer, sizeof(buffer), "%lld ", (long long)_value.integer);
        break;
    case NOD_ARG_F32:
    case NOD_ARG_F64:
        OS_SNPrintf(buffer, sizeof(buffer), "%.12g ", _value.number);
        break;
    case NOD_ARG_VEC3:
        OS_SNPrintf(buffer, sizeof(buffer), "%.12g %.12g %.12g ", (f64)_value.vector.x, (f64)_value.vector.y,
                    (f64)_value.vector.z);
        break;
    case NOD_ARG_PATH: {
        char path[SIM_Path::STRING_BYTES] = {};
        _value.path.GetString(path, sizeof(path));
        OS_SNPrintf(buffer, sizeof(buffer), "%s ", path);
        break;
    }
    case NOD_ARG_NAME:
        OS_SNPrintf(buffer, sizeof(buffer), "%s ", _value.name.GetName());
        break;
    case NOD_ARG_CLASSNAME:
        OS_SNPrintf(buffer, sizeof(buffer), "%s ", _value.className.GetName());
        break;
    default:
        return;
    }
    const u32 used = OS_StrLen(_text);
    OS_StrCopyBounded(_text + used, buffer, _size - used);
}
}  // namespace

NOD_Console::NOD_Console()
{
    NOD_Node* root = GetRoot();
    if (root == nullptr)
        OS_Fatal("NOD_Console::NOD_Console()", "root node not found");
    m_currentNode.Set(root);

    CopyLine(m_lines[0], "CONSOLE");
    CopyLine(m_lines[1], "-------");
    CopyLine(m_lastLine, ">");

    // The renderer's first font, shared through the font table so that the console keeps it
    // whichever of the two goes first.
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer != nullptr && renderer->GetFont(0).GetIndex() >= 0)
        m_font.Open(FONT_NAME);
    m_writer.SetTarget(&m_picture);
    if (m_font.GetIndex() >= 0)
        m_writer.SetFont(&m_font);

    // Without a font (line height 0) all 32 lines are kept; a font taller than half the
    // picture still leaves one line, so the scroll-back always has room for the newest.
    const s32 lineHeight = m_font.GetIndex() >= 0 ? m_font.GetLineHeight() : 0;
    s32 limit = lineHeight > 0 ? PICTURE_SIZE / lineHeight - 1 : MAX_LINES;
    if (limit < 1)
        limit = 1;
    if (limit > MAX_LINES)
        limit = MAX_LINES;
    m_lineLimit = limit;

    if (Brisel_ResourceTables* resources = Brisel_Scene::GetResources()) {
        if (REB_TextureCache* names = resources->GetTextureNames())
            m_texture = names->RegisterTextureName(TEXTURE_NAME, TEXTURE_PRIORITY);
    }
}

NOD_Console::~NOD_Console() = default;

NOD_Message* NOD_Console::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Console_Input::ID: {
        const auto [event] = NOD_Console_Input::Read(_message);
        delete _message;
        PM_Input(event);
        return nullptr;
    }
    case NOD_Console_Activate::ID:
        delete _message;
        if (!m_active) {
            ResetInput();
            m_active = 1;
        }
        return nullptr;
    case NOD_Console_Deactivate::ID:
        delete _message;
        if (m_active) {
            m_input[0] = 0;
            m_cursor = 0;
            m_active = 0;
        }
        return nullptr;
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

char NOD_Console::GetKeyCharacter(u32 _code) { return _code < KEY_TABLE_SIZE ? s_keys.characters[_code] : 0; }

void NOD_Console::PM_Input(u32 _event)
{
    if (_event == (KEY_TAB | KEY_DOWN)) {
        m_input[0] = 0;
        m_cursor = 0;
        m_active = 0;
    }
    if ((_event & KEY_DOWN) == 0)
        return;

    const u32 key = _event & ~KEY_DOWN;
    const char character = GetKeyCharacter(key);
    if (character != 0 && m_cursor < LAST_COLUMN) {
        m_input[m_cursor++] = character;
        m_input[m_cursor] = 0;
        m_dirty = 1;
    }
    if (key == KEY_CURSOR_UP) {
        CopyLine(m_input, m_lastLine);
        m_cursor = (s32)OS_StrLen(m_input);
        m_dirty = 1;
    } else if (key == KEY_BACKSPACE) {
        if (m_cursor > 1) {
            m_input[--m_cursor] = 0;
            m_dirty = 1;
        }
    } else if (key == KEY_RETURN && !m_executing) {
        // A command that sends this console its own Return would otherwise execute itself
        // without end.
        CopyLine(m_lastLine, m_input);
        AddLine(m_input);
        ExecuteCommand();
        ResetInput();
    }
}

void NOD_Console::SubmitLine(const char* _line)
{
    m_input[0] = '>';
    OS_StrCopyBounded(m_input + 1, _line != nullptr ? _line : "", LINE_BYTES - 1);
    m_cursor = (s32)OS_StrLen(m_input);
    PM_Input(KEY_RETURN | KEY_DOWN);
}

void NOD_Console::ExecuteCommand()
{
    if (GetCurrentNode() == nullptr)
        m_currentNode.Set(GetRoot());
    NOD_Node* current = GetCurrentNode();

    char line[LINE_BYTES] = {};
    CopyLine(line, m_input[0] != 0 ? m_input + 1 : m_input);
    Words words(line, WHITESPACE);
    const char* command = words.Next();
    if (command == nullptr)
        command = "";

    if (OS_StrICmp(command, "exit") == 0) {
        m_active = 0;
        return;
    }
    if (OS_StrICmp(command, "cd") == 0) {
        ChangeDirectory(line);
        return;
    }
    if (OS_StrICmp(command, "cls") == 0) {
        m_lineCount = 0;
        ResetInput();
        return;
    }
    if (OS_StrICmp(command, "dir") == 0 || OS_StrICmp(command, "ls") == 0) {
        ListSons();
        ResetInput();
        return;
    }

    NOD_MessagePrototype* prototype = nullptr;
    while (NOD_MessagePrototype::Iterate(&prototype)) {
        if (OS_StrICmp(prototype->GetName(), command) == 0)
            break;
    }
    if (prototype == nullptr || current == nullptr) {
        AddLine("ERROR");
        return;
    }
    m_executing = 1;
    const bool done = ParseArguments(prototype, line);
    m_executing = 0;
    AddLine(done ? "OK" : "ERROR");
}

bool NOD_Console::ParseArguments(const NOD_MessagePrototype* _prototype, const char* _line)
{
    NOD_Node* current = GetCurrentNode();
    if (current == nullptr)
        return false;
    Words words(_line, SEPARATORS);
    words.Next();  // the command

    NOD_Message* message = new NOD_Message(_prototype->GetId());
    const s32 inCount = _prototype->GetNumInArgs();
    for (s32 i = 0; i < inCount; ++i) {
        NOD_ArgValue value;
        if (!ReadArgument(words, _prototype->GetInArgType(i), current, &value)) {
            delete message;
            return false;
        }
        NOD_PutArg(message, value);
    }

    NOD_Message* reply = current->ProcessMessage(message);
    if (reply != nullptr) {
        char result[LINE_BYTES * 2] = {};
        reply->Reset();
        const s32 outCount = _prototype->GetNumOutArgs();
        for (s32 i = 0; i < outCount; ++i) {
            NOD_ArgValue value;
            const s32 type = _prototype->GetOutArgType(i);
            value.type = type;
            NOD_GetArg(reply, type, &value);
            AppendValue(result, sizeof(result), value);
        }
        delete reply;
        AddLine(result);
    }
    return true;
}

void NOD_Console::ChangeDirectory(const char* _line)
{
    Words words(_line, WHITESPACE);
    words.Next();  // "cd"
    const char* word = words.Next();
    SIM_Path path;
    NOD_Node* current = GetCurrentNode();
    NOD_Node* found = nullptr;
    if (current != nullptr && ReadPath(word != nullptr ? word : "", &path))
        found = current->FindPrefix(path);
    if (found == nullptr) {
        AddLine("ERROR");
        return;
    }
    m_currentNode.Set(found);
    char text[LINE_BYTES] = {};
    OS_SNPrintf(text, sizeof(text), "changed to %s", found->GetName().GetName());
    AddLine(text);
}

void NOD_Console::ListSons()
{
    NOD_Node* current = GetCurrentNode();
    char line[LINE_BYTES] = {};
    u32 length = 0;
    const s32 count = current != nullptr ? current->GetNumOfSons() : 0;
    for (s32 i = 0; i < count; ++i) {
        const char* name = current->GetSon(i)->GetName().GetName();
        const u32 nameLength = OS_StrLen(name);
        if (nameLength + length + 1 >= (u32)LAST_COLUMN) {
            AddLine(line);
            line[0] = 0;
            length = 0;
        }
        OS_StrCopyBounded(line + length, name, sizeof(line) - length);
        length += nameLength;
        line[length++] = ' ';
        line[length] = 0;
    }
    AddLine(line);
}

void NOD_Console::AddLine(const char* _text)
{
    while (m_lineCount >= m_lineLimit) {
        for (s32 i = 1; i < m_lineCount; ++i)
            CopyLine(m_lines[i - 1], m_lines[i]);
        --m_lineCount;
    }
    CopyLine(m_lines[m_lineCount++], _text);
    m_dirty = 1;
}

void NOD_Console::ResetInput()
{
    CopyLine(m_input, ">");
    m_cursor = 1;
    m_dirty = 1;
}

const char* NOD_Console::GetLine(s32 _index) const
{
    return _index >= 0 && _index < m_lineCount ? m_lines[_index] : "";
}

void NOD_Console::DrawLine(const char* _text)
{
    if (m_font.GetIndex() >= 0) {
        for (const char* c = _text; *c != 0; ++c) {
            const GFX_Rect* glyph = m_font.GetGlyph((u8)*c);
            if (glyph == nullptr)
                continue;
            if (m_writer.GetCursorX() + glyph->width >= m_picture.GetWidth())
                m_writer.PutString("\r\n");
            m_writer.PutChar(*c);
        }
    }
    m_writer.PutString("\r\n");
}

void NOD_Console::Render()
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (!m_active || renderer == nullptr)
        return;
    if (m_dirty) {
        m_picture.Fill(0);
        m_writer.SetCursor(0, 0);
        for (s32 i = 0; i < m_lineCount; ++i)
            DrawLine(m_lines[i]);
        DrawLine(m_input);
        if (m_texture >= 0)
            SITO_DISPLAY->Texture_Refresh(m_texture, m_picture.GetPixels(), m_picture.GetByteSize());
        m_dirty = 0;
    }
    if (m_texture < 0)
        return;
    static const u8 s_white[4] = {255, 255, 255, 255};
    renderer->Draw2DQuad(m_texture, 136.0f, 136.0f, MAT_Angle(), 256.0f, 256.0f, s_white, 1, 255);
}

NOD_Console* NOD_Console::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Console*>(_node);
}

void NOD_Console::InstallCast(bool _install)
{
    if (_install == s_castInstalled)
        return;
    Brisel_SceneCasts casts = Brisel_Scene::GetCasts();
    if (_install) {
        s_previousCast = casts.console;
        casts.console = &ConsoleCast;
    } else {
        casts.console = s_previousCast;
        s_previousCast = nullptr;
    }
    Brisel_Scene::SetCasts(casts);
    s_castInstalled = _install;
}
