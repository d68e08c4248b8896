// Any text as console command lines on a small tree: each line is either a whole command line
// (SubmitLine) or, after a leading '#', a run of key events, one per byte (below 0x80 the key
// code going down, from 0x80 up a code past the key table, 0x7F the next byte's code going up). Whatever is typed,
// the console stays within its lines and sends only messages it could build, and nothing it
// sends can bring back its own Return.
//
// Three node messages stop the program by design or leave a node that nobody owns
// (Node_ParseIniFile needs a file, Node_SubSon a son, Node_CreateNode an owner); they are not
// executed here.
#include <cstring>
#include <string>

#include "app_register.h"
#include "fuzz_workdir.h"
#include "nod_console.h"
#include "nod_node.h"
#include "os_fatal.h"
#include "os_string.h"

namespace
{
const char* const SKIPPED[] = {"Node_ParseIniFile", "Node_SubSon", "Node_CreateNode"};

// True when the line's command (its first word, as the console reads it) may run here.
bool Allowed(const char* _line)
{
    const char* start = _line;
    while (*start == ' ' || (*start >= '\t' && *start <= '\r'))
        ++start;
    std::string word;
    while (start[word.size()] != 0 && start[word.size()] != ' ' &&
           !(start[word.size()] >= '\t' && start[word.size()] <= '\r'))
        word += start[word.size()];
    for (const char* skipped : SKIPPED)
        if (OS_StrICmp(word.c_str(), skipped) == 0)
            return false;
    return true;
}

NOD_Node* Son(NOD_Node* _father, const char* _className, const char* _name)
{
    NOD_Node* node = NOD_Node::CreateNode(_className, _name);
    if (node == nullptr)
        __builtin_trap();
    _father->AddSon(node);
    return node;
}

void CheckLines(const NOD_Console* _console)
{
    if (_console->GetLineCount() < 0 || _console->GetLineCount() > _console->GetLineLimit() ||
        _console->GetLineLimit() < 1 || _console->GetLineLimit() > NOD_Console::MAX_LINES)
        __builtin_trap();
    for (s32 i = 0; i < _console->GetLineCount(); ++i)
        if (strlen(_console->GetLine(i)) >= (size_t)NOD_Console::LINE_BYTES)
            __builtin_trap();
    if (strlen(_console->GetInputLine()) >= (size_t)NOD_Console::LINE_BYTES ||
        _console->GetCursor() != (s32)strlen(_console->GetInputLine()))
        __builtin_trap();
}

void Keys(NOD_Console* _console, const u8* _bytes, size_t _count)
{
    for (size_t i = 0; i < _count; ++i) {
        const u8 b = _bytes[i];
        if (b == 0x7F) {  // the next byte's key goes up
            if (++i < _count)
                _console->PM_Input(_bytes[i]);
            continue;
        }
        const u32 code = b < 0x80 ? b : (u32)b << 8;
        // The console's prompt is its first character; the command follows it.
        const char* input = _console->GetInputLine();
        if (code == NOD_Console::KEY_RETURN && !Allowed(input[0] != 0 ? input + 1 : input))
            continue;
        _console->PM_Input(code | NOD_Console::KEY_DOWN);
        CheckLines(_console);
    }
}
}  // namespace

// Lost messages (any message to a node that does not take it) log a line each: the log is kept
// silent.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FUZZ_EnterWorkDirectory("console", FUZZ_LOG_SILENT);
    Brisel_RegisterModules();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > 4096)
        return 0;
    NOD_Node* root = NOD_Node::CreateNode("NOD_Node", "root");
    NOD_Node::SetRoot(root);
    NOD_Node* scenario = Son(root, "NOD_Node", "scenario");
    Son(scenario, "NOD_Position", "marker");
    Son(Son(scenario, "NOD_Node", "group"), "NOD_Node", "player2");
    Son(root, "NOD_Node", "player1");
    Son(root, "NOD_Debug", "debug");
    NOD_Console* console = NOD_Console::DynamicCast(Son(root, "NOD_Console", "console"));
    if (console == nullptr)
        __builtin_trap();
    CheckLines(console);

    size_t start = 0;
    while (start <= _size) {
        size_t end = start;
        while (end < _size && _data[end] != '\n')
            ++end;
        if (end > start && _data[start] == '#') {
            Keys(console, _data + start + 1, end - start - 1);
        } else {
            // As the console takes it: up to a zero byte, 78 characters at most.
            std::string line((const char*)_data + start, end - start);
            line = line.substr(0, strnlen(line.c_str(), NOD_Console::LINE_BYTES - 2));
            if (Allowed(line.c_str())) {
                console->SubmitLine(line.c_str());
                CheckLines(console);
            }
        }
        start = end + 1;
    }

    delete root;
    NOD_Node::SetRoot(nullptr);
    return 0;
}
