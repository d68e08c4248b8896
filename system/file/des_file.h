// Reading description files: open the text (or its newer pre-parsed image, the base name
// with "~" appended), find sections from the root cursor, read typed entries by key.
// A missing or mistyped key is fatal in the getter ("DesFile Error"); a missing section is
// reported by the caller under "DES FILE ERROR". Keys and names compare without regard to case.
#pragma once

#include "des_tree.h"
#include "mem_alloc.h"
#include "os_types.h"

class DES_File;

// A cursor over one section. Searches start at the last match and wrap around, so reading
// the keys in file order costs one comparison each. Valid until its file is closed.
class DES_Section
{
public:
    u32 FindSection(DES_Section* _out, const char* _name);
    u32 FindSectionIndexed(DES_Section* _out, const char* _stem, u32 _index);
    u32 HasEntry(const char* _key);

    u32 GetS8(const char* _key, s8* _value);
    u32 GetS16(const char* _key, s16* _value);
    u32 GetS32(const char* _key, s32* _value);
    u32 GetFloat(const char* _key, f32* _value);
    // Copies at most _bufferSize - 1 characters; a longer string is cut and logged.
    u32 GetString(const char* _key, char* _buffer, u32 _bufferSize);
    u32 GetVector3(const char* _key, f32* _xyz);
    u32 GetVector2(const char* _key, f32* _xy);

    u32 GetS8Indexed(const char* _stem, u32 _index, s8* _value);
    u32 GetS16Indexed(const char* _stem, u32 _index, s16* _value);
    u32 GetS32Indexed(const char* _stem, u32 _index, s32* _value);
    u32 GetVector3Indexed(const char* _stem, u32 _index, f32* _xyz);
    u32 GetStringIndexed(const char* _stem, u32 _index, char* _buffer, u32 _bufferSize);

    const char* GetName() const;
    const DES_File* GetFile() const { return m_file; }

private:
    friend class DES_File;
    u32 FindEntry(const char* _key);  // entry offset or DES_NONE
    const u8* GetTyped(const char* _key, u8 _type);

    DES_File* m_file = nullptr;
    u32 m_section = DES_NONE;
    u32 m_entry = DES_NONE;       // search start among the entries
    u32 m_subsection = DES_NONE;  // search start among the subsections
};

class DES_File : public MEM_Object
{
public:
    DES_File();
    ~DES_File();
    DES_File(const DES_File&) = delete;
    DES_File& operator=(const DES_File&) = delete;

    // 1 with the root cursor filled in; every failure is fatal.
    u32 Open(DES_Section* _root, const char* _name);
    void Close();

    const char* GetName() const { return m_name; }
    const DES_Tree* GetTree() const { return m_tree; }

private:
    DES_Tree* m_tree = nullptr;
    char m_name[260] = {};
};

// The pre-parsed image's name: "~" after the base name, same directory and extension
// ("ini\display.des" -> "ini\display~.des"; "name" -> "name~"). 0 when it does not fit.
u32 DES_ImageName(const char* _name, char* _out, u32 _outSize);

// The callers' reports of a failed lookup: caption "DES FILE ERROR", message naming the
// caller ("Class::Method()"), the key or section (a stem and its decimal index) and the file.
[[noreturn]] void DES_FatalKey(const char* _where, const char* _key, const char* _file);
[[noreturn]] void DES_FatalKeyIndexed(const char* _where, const char* _stem, u32 _index, const char* _file);
[[noreturn]] void DES_FatalSection(const char* _where, const char* _section, const char* _file);
[[noreturn]] void DES_FatalSectionIndexed(const char* _where, const char* _stem, u32 _index, const char* _file);
