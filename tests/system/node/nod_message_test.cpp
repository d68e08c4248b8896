// The message buffer: byte layout per type, the 384-byte limit, the cursor rules of GetBytes,
// Reply, node handles and reading what the writer did not write.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "nod_message.h"
#include "nod_node.h"
#include "test_dir.h"

namespace
{
SIM_Path DeepPath(u32 _depth)
{
    std::string text = "/";
    for (u32 i = 0; i < _depth; ++i)
        text += (i ? "/" : "") + std::string("nameof14chars") + (char)('a' + i);
    return SIM_Path(text.c_str());
}

NOD_ArgValue Sample(s32 _type, u32 _pathDepth = 0)
{
    NOD_ArgValue value;
    value.type = _type;
    value.integer = -1;
    value.number = 0.5;
    value.vector = MAT_Vector3(1.0f, 2.0f, 3.0f);
    value.path = DeepPath(_pathDepth);
    value.name = "n";
    value.className = "c";
    value.handle = 7;
    return value;
}
}  // namespace

TEST(NOD_Message, EachTypeTakesItsBytes)
{
    struct Case
    {
        s32 type;
        u32 pathDepth;
        u32 bytes;
    };
    const Case cases[] = {
        {NOD_ARG_U8, 0, 1},    {NOD_ARG_S8, 0, 1},         {NOD_ARG_U16, 0, 2},     {NOD_ARG_S16, 0, 2},
        {NOD_ARG_U32, 0, 4},   {NOD_ARG_S32, 0, 4},        {NOD_ARG_F32, 0, 4},     {NOD_ARG_F64, 0, 8},
        {NOD_ARG_VEC3, 0, 12}, {NOD_ARG_PATH, 0, 2},       {NOD_ARG_PATH, 3, 53},   {NOD_ARG_PATH, 4, 70},
        {NOD_ARG_NAME, 0, 17}, {NOD_ARG_CLASSNAME, 0, 65}, {NOD_ARG_NODEREF, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " depth " << c.pathDepth);
        EXPECT_EQ(c.bytes, NOD_GetArgBytes(c.type, c.pathDepth));
        NOD_Message message(1);
        ASSERT_EQ(1u, NOD_PutArg(&message, Sample(c.type, c.pathDepth)));
        EXPECT_EQ(c.bytes, message.GetCursor());
    }
    EXPECT_EQ(0u, NOD_GetArgBytes(NOD_ARG_NONE));
    EXPECT_EQ(0u, NOD_GetArgBytes(14));
}

TEST(NOD_Message, HoldsExactly384Bytes)
{
    // (cursor before, operation width, accepted)
    struct Case
    {
        u16 start;
        const char* operation;
        bool accepted;
    };
    const Case cases[] = {
        {383, "u8", true},   {384, "u8", false},   {382, "u16", true},    {383, "u16", false},    {380, "u32", true},
        {381, "u32", false}, {380, "f32", true},   {381, "f32", false},   {376, "f64", true},     {377, "f64", false},
        {367, "name", true}, {368, "name", false}, {383, "bytes0", true}, {384, "bytes0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.operation << " at " << c.start);
        NOD_Message message(1);
        for (u16 i = 0; i < c.start; ++i)
            message.PutU8(0);
        auto put = [&]() {
            const std::string op = c.operation;
            if (op == "u8")
                message.PutU8(1);
            else if (op == "u16")
                message.PutU16(1);
            else if (op == "u32")
                message.PutU32(1);
            else if (op == "f32")
                message.PutF32(1.0f);
            else if (op == "f64")
                message.PutF64(1.0);
            else if (op == "name")
                SIM_Name("x").PutToMessage(&message);
            else
                message.PutBytes(nullptr, 0);
        };
        if (c.accepted) {
            put();
            EXPECT_LE(message.GetCursor(), 384);
        } else {
            EXPECT_FATAL(put(), "NOD_Message::Allocate()", "message buffer overflow");
        }
    }

    // Reading is bounded the same way, also when a length byte promises more than is left.
    NOD_Message full(1);
    for (u32 i = 0; i < 96; ++i)
        full.PutU32(i);
    EXPECT_EQ(384, full.GetCursor());
    full.Reset();
    u32 value = 0;
    for (u32 i = 0; i < 96; ++i)
        full.GetU32(&value);
    EXPECT_EQ(95u, value);
    EXPECT_FATAL(full.GetU8((u8*)&value), "NOD_Message::Allocate()", "message buffer overflow");

    NOD_Message lying(1);
    for (u32 i = 0; i < 380; ++i)
        lying.PutU8(0);
    lying.PutU8(200);
    lying.Reset();
    for (u32 i = 0; i < 380; ++i)
        lying.GetU8((u8*)&value);
    u8 field[255] = {};
    s32 capacity = (s32)sizeof(field);
    EXPECT_FATAL(lying.GetBytes(field, &capacity), "NOD_Message::Allocate()", "message buffer overflow");
}

TEST(NOD_Message, GetBytesCopiesAtMostTheCapacityAndSkipsTheRest)
{
    const u8 field[16] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 0, 'z'};
    struct Case
    {
        s32 capacity;
        s32 copied;
    };
    const Case cases[] = {{10, 10}, {16, 16}, {40, 16}, {0, 0}, {-3, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        NOD_Message message(1);
        message.PutBytes(field, 16)->PutU8(0x5A);
        message.Reset();
        u8 out[40];
        memset(out, 0xEE, sizeof(out));
        s32 capacity = c.capacity;
        message.GetBytes(out, &capacity);
        EXPECT_EQ(c.copied, capacity);
        EXPECT_EQ(0, memcmp(out, field, (size_t)c.copied));
        EXPECT_EQ(0xEE, out[c.copied]);
        EXPECT_EQ(17, message.GetCursor());
        u8 after = 0;
        message.GetU8(&after);
        EXPECT_EQ(0x5A, after);
    }
}

TEST(NOD_Message, ValuesComeBackWithTheirSign)
{
    NOD_Message message(1);
    message.PutU8(0xFF)->PutU8(0xFF)->PutU16(0xFFFE)->PutU16(0xFFFE)->PutU32(0xFFFFFFFFu);
    message.PutU32(0xFFFFFFFFu)->PutF32(-1.25f)->PutF64(1e300);
    const s32 types[] = {NOD_ARG_U8,  NOD_ARG_S8,  NOD_ARG_U16, NOD_ARG_S16,
                         NOD_ARG_U32, NOD_ARG_S32, NOD_ARG_F32, NOD_ARG_F64};
    const s64 integers[] = {255, -1, 65534, -2, 4294967295ll, -1};
    message.Reset();
    for (u32 i = 0; i < 8; ++i) {
        NOD_ArgValue value;
        ASSERT_EQ(1u, NOD_GetArg(&message, types[i], &value));
        EXPECT_EQ(types[i], value.type);
        if (i < 6) {
            EXPECT_EQ(integers[i], value.integer) << i;
        }
    }
    message.Reset();
    u8 a = 0;
    s8 b = 0;
    u16 c = 0;
    s16 d = 0;
    u32 e = 0;
    s32 f = 0;
    f32 g = 0.0f;
    f64 h = 0.0;
    NOD_ReadArg(&message, &a);
    NOD_ReadArg(&message, &b);
    NOD_ReadArg(&message, &c);
    NOD_ReadArg(&message, &d);
    NOD_ReadArg(&message, &e);
    NOD_ReadArg(&message, &f);
    NOD_ReadArg(&message, &g);
    NOD_ReadArg(&message, &h);
    EXPECT_EQ(255, a);
    EXPECT_EQ(-1, b);
    EXPECT_EQ(65534, c);
    EXPECT_EQ(-2, d);
    EXPECT_EQ(4294967295u, e);
    EXPECT_EQ(-1, f);
    EXPECT_EQ(-1.25f, g);
    EXPECT_EQ(1e300, h);
}

TEST(NOD_Message, NamesWithoutTerminatorReadTerminated)
{
    u8 letters[64];
    memset(letters, 'A', sizeof(letters));

    NOD_Message message(1);
    message.PutBytes(letters, 16)->PutBytes(letters, 64)->PutU8(1)->PutU8(1)->PutBytes(letters, 16);
    SIM_Name name("keep");
    SIM_ClassName className("keep");
    SIM_Path path("/keep");
    message.Reset();
    NOD_ReadArg(&message, &name);
    NOD_ReadArg(&message, &className);
    NOD_ReadArg(&message, &path);
    EXPECT_LE(strlen(name.GetName()), (size_t)SIM_Name::MAX_LENGTH);
    EXPECT_LE(strlen(className.GetName()), (size_t)SIM_ClassName::MAX_LENGTH);
    EXPECT_EQ(0u, path.GetDepth());
    EXPECT_EQ(17 + 65 + 2 + 17, message.GetCursor());

    // A short length byte: the missing bytes of the field read as zeros.
    NOD_Message shortField(1);
    shortField.PutBytes((const u8*)"abc", 3);
    NOD_Node_SetName::Read(&shortField, &name);
    EXPECT_STREQ("abc", name.GetName());
}

TEST(NOD_Message, ReadingPastTheWrittenArgumentsStaysInTheBuffer)
{
    // A fresh message reads zeros; a reply shorter than the request leaves the request's later
    // bytes behind, and reading them is defined.
    NOD_Message* message = NOD_Script_SetTimer::Create(3, 2.5f);
    u32 rest[94] = {};
    message->Reset();
    message->GetU32(&rest[0])->GetU32(&rest[1]);
    for (u32 i = 0; i < 94; ++i)
        message->GetU32(&rest[i]);
    for (u32 value : rest)
        EXPECT_EQ(0u, value);

    NOD_Script_SetTimer::Reply(message, 9);
    s32 timer = 0;
    f32 stale = 0.0f;
    NOD_Script_SetTimer::Read(message, &timer, &stale);  // the reply, then the request's rest
    EXPECT_EQ(9, timer);
    EXPECT_EQ(2.5f, stale);
    delete message;
}

TEST(NOD_Message, ReplyRefillsTheIncomingMessageOrMakesOne)
{
    NOD_Message* incoming = NOD_Node_GetSonName::Create(5);
    EXPECT_EQ(5012u, incoming->GetType());
    NOD_Message* reply = NOD_Node_GetTime::Reply(incoming, 12.5f);  // any kind's writer
    EXPECT_EQ(incoming, reply);
    EXPECT_EQ(5012u, reply->GetType());
    EXPECT_EQ(4, reply->GetCursor());
    f32 time = 0.0f;
    EXPECT_EQ(reply, NOD_Node_GetTime::ReadReply(reply, &time));
    EXPECT_EQ(12.5f, time);
    delete reply;

    NOD_Message* fresh = NOD_Node_GetNumOfSons::Reply(nullptr, (u16)6);
    ASSERT_NE(nullptr, fresh);
    EXPECT_EQ(5009u, fresh->GetType());
    u16 sons = 0;
    NOD_Node_GetNumOfSons::ReadReply(fresh, &sons);
    EXPECT_EQ(6, sons);
    delete fresh;

    EXPECT_EQ(nullptr, NOD_Node_GetNumOfSons::ReadReply(nullptr, &sons));
}

TEST(NOD_Message, NodeReferencesTravelAsHandles)
{
    NOD_Node* node = new NOD_Node();
    NOD_Message* message = NOD_Script_UnBindThread::Create(4, node);
    EXPECT_EQ(8, message->GetCursor());
    u32 raw[2] = {};
    memcpy(raw, message->GetArguments(), sizeof(raw));
    EXPECT_EQ(4u, raw[0]);
    EXPECT_NE(0u, raw[1]);
    EXPECT_EQ(NOD_GetHandle(node), raw[1]);

    s32 thread = 0;
    NOD_Node* read = nullptr;
    NOD_Script_UnBindThread::Read(message, &thread, &read);
    EXPECT_EQ(node, read);

    delete node;
    NOD_Script_UnBindThread::Read(message, &thread, &read);
    EXPECT_EQ(nullptr, read);
    delete message;

    message = NOD_Node_AddSon::Create(nullptr);
    u32 handle = 1;
    message->Reset();
    message->GetU32(&handle);  // the raw handle, not the node it decodes to
    EXPECT_EQ(0u, handle);
    delete message;
}

TEST(NOD_Message, UnknownTypeCodesMoveNothing)
{
    NOD_Message message(1);
    NOD_ArgValue value;
    for (s32 type : {(s32)NOD_ARG_NONE, 14, -1, 255}) {
        value.type = type;
        EXPECT_EQ(0u, NOD_PutArg(&message, value));
        EXPECT_EQ(0u, NOD_GetArg(&message, type, &value));
        EXPECT_EQ(0, message.GetCursor());
    }
}

TEST(NOD_Message, IsARegisteredClass)
{
    RTI_ClassDefinition* definition = RTI_ClassDefinition::Find("NOD_Message");
    ASSERT_NE(nullptr, definition);
    EXPECT_STREQ("RTI_Class", definition->GetBaseName());
    RTI_Class* object = definition->CreateInstance();
    EXPECT_EQ(definition, object->GetClassDefinition());
    EXPECT_EQ(0u, static_cast<NOD_Message*>(object)->GetType());
    delete object;
}
