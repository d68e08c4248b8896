// Any bytes as a message's argument buffer, read by every prototype's argument lists through
// the generic reader and through each kind's typed readers: a read may stop with the overflow
// error, but it never touches memory outside the message and every name it yields is terminated.
#include <cstring>
#include <tuple>

#include "app_register.h"
#include "fuzz_workdir.h"
#include "nod_message.h"
#include "os_fatal.h"

namespace
{
// A value read from any bytes is still a proper value: terminated names, depth in range.
void Check(const SIM_Name& _name)
{
    if (strlen(_name.GetName()) > SIM_Name::MAX_LENGTH)
        __builtin_trap();
}
void Check(const SIM_ClassName& _name)
{
    if (strlen(_name.GetName()) > SIM_ClassName::MAX_LENGTH)
        __builtin_trap();
}
void Check(const SIM_Path& _path)
{
    if (_path.GetDepth() > SIM_Path::MAX_DEPTH)
        __builtin_trap();
    for (u32 i = 0; i < _path.GetDepth(); ++i)
        Check(_path.GetName((s32)i));
}
template <class T>
void Check(const T&)
{
}

// Both argument lists of one kind through its typed readers.
template <class PROTOTYPE>
void ReadTyped(NOD_Message* _message)
{
    try {
        if constexpr (PROTOTYPE::InArgs::COUNT > 0)
            std::apply([](const auto&... _values) { (Check(_values), ...); }, PROTOTYPE::Read(_message));
        if constexpr (PROTOTYPE::OutArgs::COUNT > 0)
            std::apply([](const auto&... _values) { (Check(_values), ...); }, PROTOTYPE::ReadReply(_message));
    } catch (const OS_FatalError&) {
        // the overflow refusal
    }
}

void ReadList(NOD_Message* _message, const NOD_MessagePrototype* _prototype, u32 _out)
{
    _message->Reset();
    const s32 count = _out ? _prototype->GetNumOutArgs() : _prototype->GetNumInArgs();
    try {
        for (s32 i = 0; i < count; ++i) {
            NOD_ArgValue value;
            NOD_GetArg(_message, _out ? _prototype->GetOutArgType(i) : _prototype->GetInArgType(i), &value);
            Check(value.path);
            Check(value.name);
            Check(value.className);
        }
    } catch (const OS_FatalError&) {
    }
}
}  // namespace

// Most random buffers end in the overflow refusal, and each refusal would append a line to
// "log.txt": the log is kept silent instead of filling the disk.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FUZZ_EnterWorkDirectory("messages", FUZZ_LOG_SILENT);
    Brisel_RegisterModules();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    if (_size > NOD_Message::MAX_BYTES)
        return 0;
    NOD_Message message(0);
    for (size_t i = 0; i < _size; ++i)
        message.PutU8(_data[i]);

    NOD_MessagePrototype* prototype = nullptr;
    while (NOD_MessagePrototype::Iterate(&prototype)) {
        ReadList(&message, prototype, 0);
        ReadList(&message, prototype, 1);
    }

#define NOD_MESSAGE(_classPart, _scriptFamily, _message, _id, _in, _out) \
    ReadTyped<NOD_##_classPart##_##_message>(&message);
#include "nod_catalogue.inc"
    return 0;
}
