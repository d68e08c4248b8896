// Node names, class names and node paths: fixed-size, case-insensitive value types.
//
// SIM_Name holds at most 14 characters in a 16-byte field, SIM_ClassName at most 62 in a
// 64-byte field; a longer text is fatal. SIM_Path holds up to four names, relative or absolute,
// written with "/" (and read with "/" or "\"). All three are registered classes with fixed byte
// forms in archives and in message argument buffers:
//   name        archive: the 16-byte field           message: u8 16, the 16-byte field
//   class name  archive: the 64-byte field           message: u8 64, the 64-byte field
//   path        archive: u8 depth, u8 absolute, 16 bytes per name
//               message: u8 depth, u8 absolute, per name u8 16 and its 16 bytes
// The whole field travels, terminator and any bytes after it included. Readers trust nothing:
// a field without a terminator within the allowed length, a short field or a path deeper than
// four leaves the value empty and reports failure (the archive's failure flag, or a result of
// 0 from GetFromMessage).
#pragma once

#include "os_types.h"
#include "rti_class.h"

// The argument-buffer operations the byte forms need; the node messages provide them.
template <class MESSAGE>
concept SIM_Message = requires(MESSAGE* _message, u8 _value, const u8* _source, u8* _destination, s32* _capacity)
{
    _message->PutU8(_value);
    _message->PutBytes(_source, _value);
    _message->GetU8(_destination);
    _message->GetBytes(_destination, _capacity);
};

// A text of at most BYTES - 2 characters in a field of BYTES bytes: the value, the checks and
// the byte forms that SIM_Name and SIM_ClassName share. Only the two named classes are
// registered; this part of them never is.
template <u32 BYTES>
class SIM_FixedName : public RTI_Class
{
public:
    enum
    {
        FIELD_BYTES = BYTES,
        MAX_LENGTH = BYTES - 2
    };

    const char* GetName() const { return m_name; }

    template <SIM_Message MESSAGE>
    void PutToMessage(MESSAGE* _message) const
    {
        _message->PutBytes((const u8*)m_name, (u8)FIELD_BYTES);
    }
    // 1 when a valid text was read; 0 leaves it empty.
    template <SIM_Message MESSAGE>
    u32 GetFromMessage(MESSAGE* _message)
    {
        u8 field[FIELD_BYTES] = {};
        s32 count = FIELD_BYTES;
        _message->GetBytes(field, &count);
        return SetFromField(field, count);
    }
    void Serialize(RTI_Archive& _archive) override;

protected:
    SIM_FixedName() = default;
    SIM_FixedName(const SIM_FixedName&) = default;
    SIM_FixedName& operator=(const SIM_FixedName&) = default;

    // Copies a text of at most MAX_LENGTH characters (null: the empty text); 0 when it is
    // longer, leaving the value unchanged. The callers make that fatal with their own caption.
    u32 CopyText(const char* _text);
    // Takes a received field of _count bytes (missing bytes read as zeros) when it holds a text
    // of at most MAX_LENGTH characters; otherwise empties the value. 1 when taken.
    u32 SetFromField(const u8* _field, s32 _count);
    // Serialize, answering 0 when a read field was short or malformed (the value empty, the
    // archive marked failed), so that a path can refuse itself as a whole.
    u32 SerializeField(RTI_Archive& _archive);

    char m_name[FIELD_BYTES] = {};
};

// The two sizes in use, instantiated once in sim_name.cpp.
extern template class SIM_FixedName<16>;
extern template class SIM_FixedName<64>;

class SIM_Name : public SIM_FixedName<16>
{
    RTI_DECLARE_CLASS(SIM_Name)

public:
    SIM_Name() = default;
    explicit SIM_Name(const char* _name);  // fatal when too long, as SetName
    SIM_Name(const SIM_Name&) = default;
    SIM_Name& operator=(const SIM_Name&) = default;

    void SetName(const char* _name);  // null sets the empty name
    SIM_Name& operator=(const char* _name);

    // Equal without regard to case.
    bool operator==(const SIM_Name& _other) const;
    bool operator==(const char* _name) const;
    // 1 when this name begins _other without regard to case; the empty name begins every name.
    u32 IsPrefixOf(const SIM_Name& _other) const;
    // 1 when _other is a proper prefix of this name, compared with case ("x" for "x1", not "x").
    u32 HasProperPrefix(const SIM_Name& _other) const;

private:
    friend class SIM_Path;
};

class SIM_ClassName : public SIM_FixedName<64>
{
    RTI_DECLARE_CLASS(SIM_ClassName)

public:
    SIM_ClassName() = default;
    explicit SIM_ClassName(const char* _name);  // fatal when too long, as SetName
    SIM_ClassName(const SIM_ClassName&) = default;
    SIM_ClassName& operator=(const SIM_ClassName&) = default;

    void SetName(const char* _name);  // null sets the empty name
    SIM_ClassName& operator=(const char* _name);
};

class SIM_Path : public RTI_Class
{
    RTI_DECLARE_CLASS(SIM_Path)

public:
    enum
    {
        MAX_DEPTH = 4,
        STRING_BYTES = 64,  // room for the text of any path and its terminator
    };

    SIM_Path() = default;  // empty and relative
    explicit SIM_Path(const char* _text);
    // The first four names of a null-terminated array of name pointers.
    SIM_Path(SIM_Name* const* _names, u32 _absolute);
    SIM_Path(const SIM_Path&) = default;
    SIM_Path& operator=(const SIM_Path&) = default;

    // Parses names separated by "/" or "\"; a leading separator makes the path absolute, two
    // in a row give an empty name, a trailing one adds none, names after the fourth are
    // dropped. A name of 15 characters or more is fatal.
    void Set(const char* _text);
    // The text form ("/" first when absolute, names joined with "/"), cut to fit _size bytes
    // and always terminated.
    void GetString(char* _buffer, u32 _size) const;

    // Same absoluteness, same depth, names equal without regard to case.
    bool operator==(const SIM_Path& _other) const;

    u32 IsAbsolute() const { return m_absolute; }
    u32 GetDepth() const { return m_depth; }
    const SIM_Name& GetName(s32 _depth) const;  // fatal outside 0..depth-1

    template <SIM_Message MESSAGE>
    void PutToMessage(MESSAGE* _message) const
    {
        _message->PutU8(m_depth);
        _message->PutU8(m_absolute);
        for (u32 i = 0; i < m_depth; ++i)
            m_names[i].PutToMessage(_message);
    }
    // 1 when a valid path was read. A depth above four (the rest of the message cannot be
    // trusted then) or an invalid name leaves the path empty and relative and answers 0.
    template <SIM_Message MESSAGE>
    u32 GetFromMessage(MESSAGE* _message)
    {
        u8 depth = 0;
        u8 absolute = 0;
        _message->GetU8(&depth);
        _message->GetU8(&absolute);
        if (depth > MAX_DEPTH) {
            Clear();
            return 0;
        }
        SIM_Name names[MAX_DEPTH];
        u32 valid = 1;
        for (u32 i = 0; i < depth; ++i) {
            if (!names[i].GetFromMessage(_message))
                valid = 0;
        }
        return Accept(names, depth, absolute, valid);
    }
    void Serialize(RTI_Archive& _archive) override;

private:
    void Clear();
    u32 Accept(const SIM_Name* _names, u8 _depth, u8 _absolute, u32 _valid);

    SIM_Name m_names[MAX_DEPTH];
    u8 m_absolute = 0;
    u8 m_depth = 0;
};

// The registration functions of this module: "SIM_ClassName", "SIM_Name", "SIM_Path".
void SIM_RegisterClasses();
void SIM_UnregisterClasses();
