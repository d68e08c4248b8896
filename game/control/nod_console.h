// The in-game text console: a node ("/console") that, while open, collects typed keys into a
// command line and executes it on Return, and that the renderer draws as a screen layer.
//
// A command is a built-in (exit, cd, cls, dir, ls) or the script name of any message prototype
// followed by its arguments: the console builds that message from the words by the
// prototype's argument types, sends it to its current node, and prints the reply's values,
// then "OK" or "ERROR". Every word that cannot become its argument (a missing one, a name or
// class name too long, a path with a name too long, a node reference that names no node)
// prints "ERROR" and sends nothing; nothing typed can stop the program. Node references are
// typed as paths from the current node, resolved as cd resolves them (names may be
// abbreviated).
//
// The console owns a 256 x 256 picture of 16-bit pixels and a text writer on it with the
// renderer's first font (none without a renderer: nothing is written then); it registers the
// texture "vfx\tex\fx\console" with the resource cache and copies the picture into it when
// the text changed. The texture must be a 256 x 256 16-bit texture. The current node is a weak
// reference that falls back to the root when its node dies. Creating a console without a root
// is fatal. One thread.
#pragma once

#include "brisel_scene.h"
#include "gfx_font.h"
#include "gfx_picture16.h"
#include "gfx_textwriter.h"
#include "nod_node.h"
#include "os_types.h"
#include "rti_pointer.h"

class NOD_MessagePrototype;

class NOD_Console : public NOD_Node, public Brisel_ScreenLayer
{
    RTI_DECLARE_CLASS(NOD_Console)

public:
    enum : s32
    {
        MAX_LINES = 32,
        LINE_BYTES = 80,
        PICTURE_SIZE = 256,
        TEXTURE_PRIORITY = 32,
    };
    // Key events: a key code, bit 31 set when the key went down.
    enum : u32
    {
        KEY_DOWN = 0x80000000u,
        KEY_BACKSPACE = 13,
        KEY_TAB = 14,
        KEY_RETURN = 27,
        KEY_CURSOR_UP = 108,
        KEY_TABLE_SIZE = 256,
    };

    // Fatal "root node not found" without a root.
    NOD_Console();
    ~NOD_Console() override;

    // Console_Input, Console_Activate and Console_Deactivate (no reply); every other id goes
    // to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The line editor: one key event (see the key codes above).
    void PM_Input(u32 _event);
    // Puts _line (cut to 78 characters) after the prompt and presses Return: a whole command
    // line at once, with characters the key table has no key for (tests and tools use it).
    void SubmitLine(const char* _line);
    // Executes the input line after its prompt character.
    void ExecuteCommand();
    // Builds the prototype's message from the words of _line (the first is the command), sends
    // it to the current node and prints the reply's values; false (nothing sent) when a word
    // is missing or cannot be its argument.
    bool ParseArguments(const NOD_MessagePrototype* _prototype, const char* _line);
    // Draws the open console: the picture is redrawn and copied into the texture when the text
    // changed, then the texture is drawn as a 2D quad. Nothing without a renderer.
    void Render() override;

    // The node as a console, or null (null for null).
    static NOD_Console* DynamicCast(NOD_Node* _node);
    // Installs (or puts back what it replaced) the renderer's console cast; only the console
    // member of the casts changes. Repeating either is harmless.
    static void InstallCast(bool _install);
    // The character key _code types; 0 for none (every code from 256 up among them).
    static char GetKeyCharacter(u32 _code);

    u32 IsActive() const { return m_active; }
    s32 GetLineCount() const { return m_lineCount; }
    // The output line _index (oldest first); "" outside 0..count-1.
    const char* GetLine(s32 _index) const;
    const char* GetInputLine() const { return m_input; }
    const char* GetLastLine() const { return m_lastLine; }
    s32 GetCursor() const { return m_cursor; }
    s32 GetLineLimit() const { return m_lineLimit; }
    u32 IsDirty() const { return m_dirty; }
    s32 GetTexture() const { return m_texture; }
    const GFX_Picture16& GetPicture() const { return m_picture; }
    // The node commands go to; null only when its node and the root are gone.
    NOD_Node* GetCurrentNode() const { return (NOD_Node*)m_currentNode.Get(); }

private:
    // Appends an output line (cut to 79 characters); the oldest lines scroll out so that the
    // count stays within the line limit.
    void AddLine(const char* _text);
    // Writes _text with the font's glyphs, wrapping at the picture's width, then a line break.
    void DrawLine(const char* _text);
    void ResetInput();
    void ChangeDirectory(const char* _line);
    void ListSons();

    u32 m_active = 0;
    char m_lines[MAX_LINES][LINE_BYTES] = {};
    s32 m_lineCount = 2;
    char m_input[LINE_BYTES] = {};
    char m_lastLine[LINE_BYTES] = {};
    s32 m_cursor = 0;
    GFX_Picture16 m_picture{PICTURE_SIZE, PICTURE_SIZE};
    GFX_Font m_font;
    GFX_TextWriter m_writer;
    u32 m_dirty = 1;
    RTI_Pointer m_currentNode;
    s32 m_lineLimit = MAX_LINES;
    s32 m_texture = -1;
    u32 m_executing = 0;  // a Return arriving while a command runs is not executed again
};
