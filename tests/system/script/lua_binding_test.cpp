#include <cmath>
#include <string>
#include <vector>

#include "mem_alloc.h"
#include "nod_handle.h"
#include "nod_script_fixture.h"
#include "nod_script_local.h"

namespace
{
// One prototype per type code, (code) -> (code), so that every conversion runs both ways.
const char* const s_argNames[] = {"",          "Test_U8",   "Test_S8",        "Test_U16",    "Test_S16",
                                  "Test_U32",  "Test_S32",  "Test_F32",       "Test_F64",    "Test_Vector",
                                  "Test_Path", "Test_Name", "Test_ClassName", "Test_NodeRef"};
constexpr u32 TEST_ID = 990000;

template <s32 CODE>
class TST_ArgPrototype final : public NOD_PrototypeOf<TEST_ID + CODE, NOD_ArgList<CODE>, NOD_ArgList<CODE>>
{
public:
    const char* GetName() const override { return s_argNames[CODE]; }
};

// Ten vectors in: a snoop line longer than any log line may be.
class TST_LongPrototype final
    : public NOD_PrototypeOf<TEST_ID + 100, NOD_ArgList<9, 9, 9, 9, 9, 9, 9, 9, 9, 9>, NOD_ArgList<>>
{
public:
    const char* GetName() const override { return "Test_Long"; }
};

template <s32... CODES>
std::vector<NOD_MessagePrototype*> MakePrototypes(std::integer_sequence<s32, CODES...>)
{
    return {new TST_ArgPrototype<CODES + 1>()...};
}

std::string Describe(const NOD_ArgValue& _value)
{
    char text[128] = {};
    switch (_value.type) {
    case NOD_ARG_F32:
    case NOD_ARG_F64:
        snprintf(text, sizeof(text), "%.9g", _value.number);
        break;
    case NOD_ARG_VEC3:
        snprintf(text, sizeof(text), "%g,%g,%g", (f64)_value.vector.x, (f64)_value.vector.y, (f64)_value.vector.z);
        break;
    case NOD_ARG_PATH:
        _value.path.GetString(text, sizeof(text));
        break;
    case NOD_ARG_NAME:
        return _value.name.GetName();
    case NOD_ARG_CLASSNAME:
        return _value.className.GetName();
    case NOD_ARG_NODEREF: {
        NOD_Node* node = NOD_FromHandle(_value.handle);
        return node != nullptr ? node->GetName().GetName() : "null";
    }
    default:
        snprintf(text, sizeof(text), "%lld", (long long)_value.integer);
        break;
    }
    return text;
}

// Answers the test prototypes with what it received; can be told to answer any message.
class TST_EchoNode : public NOD_Node
{
public:
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        const NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(_message->GetType());
        if (m_answerEverything)
            return _message;
        if (_message->GetType() < TEST_ID || prototype == nullptr)
            return NOD_Node::ProcessMessage(_message);
        ++m_received;
        m_values.clear();
        _message->Reset();
        for (s32 i = 0; i < prototype->GetNumInArgs(); ++i) {
            NOD_ArgValue value;
            NOD_GetArg(_message, prototype->GetInArgType(i), &value);
            value.type = prototype->GetInArgType(i);
            m_values.push_back(value);
        }
        if (prototype->GetNumOutArgs() == 0) {
            delete _message;
            return nullptr;
        }
        _message->Reset();
        for (const NOD_ArgValue& value : m_values)
            NOD_PutArg(_message, value);
        return _message;
    }

    std::vector<NOD_ArgValue> m_values;
    s32 m_received = 0;
    bool m_answerEverything = false;
};

const char* const MAIN_POSITION = "[SCRIPTERROR] test - main function \"(null)\" [0] - line 1";
}  // namespace

class NodScriptBindingTest : public TST_ScriptFixture
{
protected:
    static void SetUpTestSuite()
    {
        TST_ScriptFixture::SetUpTestSuite();
        // Before the first script node builds the prototype index.
        s_prototypes = MakePrototypes(std::make_integer_sequence<s32, 13>());
        s_prototypes.push_back(new TST_LongPrototype());
    }
    static void TearDownTestSuite()
    {
        for (auto it = s_prototypes.rbegin(); it != s_prototypes.rend(); ++it)
            delete *it;
        s_prototypes.clear();
        TST_ScriptFixture::TearDownTestSuite();
    }
    void SetUp() override
    {
        TST_ScriptFixture::SetUp();
        m_echo = new TST_EchoNode();
        m_echo->SetName("echo");
        m_root->AddSon(m_echo);
        ASSERT_EQ(0, Run("echo = Node_Find(nil, '/echo') root = Node_Find(nil, '/')"));
        ExposeMetatable("MAT_Vector3()", "vectorMeta");
        ExposeMetatable("echo", "nodeRefMeta");
    }

    // The metatable of a value as the binding holds it, out of the scripts' reach, under a
    // global: the tests call its tag methods with what the language never passes them.
    void ExposeMetatable(const char* _value, const char* _global)
    {
        ASSERT_EQ(0, Run(std::string("exposed = ") + _value));
        lua_State* state = m_script->GetLuaState();
        lua_getglobal(state, "exposed");
        ASSERT_TRUE(lua_getmetatable(state, -1));
        lua_setglobal(state, _global);
        lua_pop(state, 1);
        ASSERT_EQ(0, Run("exposed = nil"));
    }

    // A node that dies while the script still holds a reference to it.
    void MakeDeadReference(const char* _global)
    {
        NOD_Node* doomed = NewNode("doomed");
        ASSERT_EQ(0, Run(std::string(_global) + " = Node_Find(nil, '/doomed')"));
        delete doomed;
    }

    TST_EchoNode* m_echo = nullptr;
    static inline std::vector<NOD_MessagePrototype*> s_prototypes;
};

TEST_F(NodScriptBindingTest, ConversionTable)
{
    MakeDeadReference("dead");
    const struct
    {
        s32 code;
        const char* script;  // the value the script passes
        const char* stored;  // what the message holds
        const char* back;    // what the script gets back from the reply
        const char* snoop;   // the in-arguments as the trace writes them
    } rows[] = {
        {1, "200", "200", "200", "Test_U8(200)"},
        {1, "300", "44", "44", "Test_U8(44)"},
        {1, "-1", "255", "255", "Test_U8(255)"},
        {1, "3.9", "3", "3", "Test_U8(3)"},
        {1, "-3.9", "253", "253", "Test_U8(253)"},
        {1, "'12'", "12", "12", "Test_U8(12)"},
        {1, "0/0", "0", "0", "Test_U8(0)"},
        {1, "1/0", "0", "0", "Test_U8(0)"},
        {1, "1e20", "255", "255", "Test_U8(255)"},
        {2, "200", "-56", "-56", "Test_S8(-56)"},
        {2, "-128", "-128", "-128", "Test_S8(-128)"},
        {3, "70000", "4464", "4464", "Test_U16(4464)"},
        {3, "-1", "65535", "65535", "Test_U16(65535)"},
        {4, "40000", "-25536", "-25536", "Test_S16(-25536)"},
        {5, "4294967295", "4294967295", "4294967295", "Test_U32(-1)"},
        {5, "-1", "4294967295", "4294967295", "Test_U32(-1)"},
        {5, "1e20", "4294967295", "4294967295", "Test_U32(-1)"},
        {5, "-1e20", "2147483648", "2147483648", "Test_U32(-2147483648)"},
        {5, "-(0/0)", "0", "0", "Test_U32(0)"},
        {5, "-1/0", "0", "0", "Test_U32(0)"},
        {6, "-1", "-1", "-1", "Test_S32(-1)"},
        {6, "3e9", "-1294967296", "-1294967296", "Test_S32(-1294967296)"},
        {6, "-2.5", "-2", "-2", "Test_S32(-2)"},
        {7, "0.1", "0.100000001", "0.10000000149012", "Test_F32(0.100)"},
        {7, "1e300", "inf", "inf", "Test_F32(inf)"},
        {7, "-1e300", "-inf", "-inf", "Test_F32(-inf)"},
        {8, "0.1", "0.1", "0.1", "Test_F64(1.000E-01)"},
        {8, "'2.5'", "2.5", "2.5", "Test_F64(2.500E+00)"},
        {9, "MAT_Vector3(1, -2, 0.5)", "1,-2,0.5", "1,-2,0.5", "Test_Vector(MAT_Vector3(1.000,-2.000,0.500))"},
        {10, "'/a/b'", "/a/b", "/a/b", "Test_Path(\"/a/b\")"},
        {10, "'a\\\\b'", "a/b", "a/b", "Test_Path(\"a/b\")"},
        {10, "12", "12", "12", "Test_Path(\"12\")"},
        {10, "'/a/b/c/d/e'", "/a/b/c/d", "/a/b/c/d", "Test_Path(\"/a/b/c/d\")"},
        {10, "''", "", "", "Test_Path(\"\")"},
        {11, "'abc'", "abc", "abc", "Test_Name(\"abc\")"},
        {11, "42", "42", "42", "Test_Name(\"42\")"},
        {11, "'fourteen_chars'", "fourteen_chars", "fourteen_chars", "Test_Name(\"fourteen_chars\")"},
        {12, "'nod_node'", "nod_node", "nod_node", "Test_ClassName(\"nod_node\")"},
        {13, "echo", "echo", "echo", "Test_NodeRef(\"echo\")"},
        {13, "NOD_NodeRef()", "null", "nil", "Test_NodeRef(\"noderef(NULL)\")"},
        {13, "dead", "null", "nil", "Test_NodeRef(\"noderef(NULL)\")"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(s_argNames[row.code]) + " " + row.script);
        std::string describe = "tostring(r)";
        if (row.code == NOD_ARG_VEC3)
            describe = "r.X .. ',' .. r.Y .. ',' .. r.Z";
        if (row.code == NOD_ARG_NODEREF)
            describe = "Script_IsNodeRefValid(r) and Node_GetName(r) or 'nil'";
        ClearLog();
        ASSERT_EQ(0, Run("Script_SnoopOn() r = " + std::string(s_argNames[row.code]) + "(echo, " + row.script +
                         ") Script_SnoopOff() back = " + describe));
        ASSERT_EQ(1u, m_echo->m_values.size());
        EXPECT_EQ(row.stored, Describe(m_echo->m_values[0]));
        EXPECT_EQ(row.back, String("back"));
        const std::vector<std::string> lines = LogLines();
        ASSERT_EQ(2u, lines.size());
        EXPECT_EQ(std::string("[S2E] echo: ") + row.snoop, lines[0]);
        EXPECT_EQ(std::string("[E2S] echo: ") + row.snoop, lines[1]);
    }
}

TEST_F(NodScriptBindingTest, ValuesThatDoNotConvertAreRefusedAndNothingIsSent)
{
    const struct
    {
        const char* call;
        const char* line;
    } rows[] = {
        {"Test_U8(echo, 'abc')", "[SCRIPTERROR] Test_U8 expects a number as argument 1"},
        {"Test_F64(echo, nil)", "[SCRIPTERROR] Test_F64 expects a number as argument 1"},
        {"Test_Vector(echo, 1)", "[SCRIPTERROR] Test_Vector expects a MAT_Vector3 as argument 1"},
        {"Test_Vector(echo, NOD_NodeRef())", "[SCRIPTERROR] Test_Vector expects a MAT_Vector3 as argument 1"},
        {"Test_Path(echo, {})", "[SCRIPTERROR] Test_Path expects a string as argument 1"},
        {"Test_Name(echo, nil)", "[SCRIPTERROR] Test_Name expects a string as argument 1"},
        {"Test_ClassName(echo, true)", "[SCRIPTERROR] Test_ClassName expects a string as argument 1"},
        {"Test_NodeRef(echo, MAT_Vector3())", "[SCRIPTERROR] Test_NodeRef expects a noderef as argument 1"},
        {"Test_NodeRef(echo, 'echo')", "[SCRIPTERROR] Test_NodeRef expects a noderef as argument 1"},
        {"Node_AddSon(nil, MAT_Vector3())", "[SCRIPTERROR] Node_AddSon expects a noderef as argument 1"},
        // Too few arguments: the first missing one is refused, nothing below them is read.
        {"Test_U32()", "[SCRIPTERROR] Test_U32 expects a number as argument 1"},
        {"Test_Name(echo)", "[SCRIPTERROR] Test_Name expects a string as argument 1"},
        {"Node_SetName('newname')", "[SCRIPTERROR] Node_SetName expects a string as argument 1"},
        {"Node_CreateNode(nil, 'nod_node')", "[SCRIPTERROR] Node_CreateNode expects a string as argument 2"},
        {"Script_SetTimer(nil, 0)", "[SCRIPTERROR] Script_SetTimer expects a number as argument 2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.call);
        ClearLog();
        const s32 sons = m_root->GetNumOfSons();
        ASSERT_EQ(0, Run(std::string("r = 'untouched' r = ") + row.call));
        EXPECT_EQ(std::vector<std::string>({row.line, MAIN_POSITION}), LogLines());
        EXPECT_EQ(0, m_echo->m_received);
        EXPECT_EQ("", String("r"));  // no result at all
        EXPECT_EQ(sons, m_root->GetNumOfSons());
        EXPECT_STREQ("script", m_script->GetName().GetName());
    }
}

TEST_F(NodScriptBindingTest, CommandTargets)
{
    NewNode("first", m_script);
    NewNode("second", m_script);
    // Nil, a number or nothing at all: the current script node.
    ASSERT_EQ(0, Run("a = Node_GetNumOfSons(nil) b = Node_GetNumOfSons(5) c = Node_GetNumOfSons() "
                     "d = Node_GetNumOfSons(root)"));
    EXPECT_EQ(2, Number("a"));
    EXPECT_EQ(2, Number("b"));
    EXPECT_EQ(2, Number("c"));
    EXPECT_EQ(m_root->GetNumOfSons(), Number("d"));
    // Surplus values: the in-arguments are the last ones and the target the one before them.
    ASSERT_EQ(0, Run("e = Node_GetName(1, 2, echo) f = Node_GetSonName('x', root, 1)"));
    EXPECT_EQ("echo", String("e"));
    EXPECT_EQ("echo", String("f"));
    // Out-arguments: an s32 of -1 arrives as -1.
    ASSERT_EQ(0, Run("g = Script_BindThread(nil, NOD_NodeRef())"));
    EXPECT_EQ(-1, Number("g"));

    // A reference whose node died: the command is not sent.
    MakeDeadReference("dead");
    ClearLog();
    ASSERT_EQ(0, Run("h = 'untouched' h = Node_GetName(dead) valid = Script_IsNodeRefValid(dead)"));
    EXPECT_EQ(std::vector<std::string>({"[SCRIPTERROR] a Node_GetName command has been sended to a NULL node"}),
              LogLines());
    EXPECT_EQ("", String("h"));
    EXPECT_EQ("", String("valid"));
}

TEST_F(NodScriptBindingTest, FatalErrorsInsideCommandsReachTheCaller)
{
    EXPECT_FATAL(Run("Node_SetName(nil, 'fifteen_chars_x')"), "SIM_Name::SetName() : name too long", "fifteen_chars_x");
    EXPECT_FATAL(Run("Node_Find(nil, '/a/fifteen_chars_x')"), "SIM_Name::SetName() : name too long", "fifteen_chars_x");
    EXPECT_FATAL(Run("Node_CreateNode(nil, string.rep('c', 63), 'x')"), "SIM_ClassName::SetName() : name too long",
                 std::string(63, 'c').c_str());
    EXPECT_FATAL(Run("Script_AssertFile('missing.txt')"), "missing.txt", "ERROR: FILE NOT FOUND");
    // The script's own pcall does not stop it, and no further engine work happens.
    ClearLog();
    EXPECT_FATAL(Run("ok = pcall(Node_SetName, nil, 'fifteen_chars_x') Script_Log('after')"),
                 "SIM_Name::SetName() : name too long", "fifteen_chars_x");
    for (const std::string& line : LogLines())
        EXPECT_EQ(std::string::npos, line.find("after")) << line;
    EXPECT_STREQ("script", m_script->GetName().GetName());
    // A handler that answers a message without out-arguments.
    m_echo->m_answerEverything = true;
    EXPECT_FATAL(Run("Node_SetName(echo, 'x')"), "NOD_Script::LUAF_Interface()", "illegal outmessage");
    m_echo->m_answerEverything = false;
    // Everything goes on afterwards.
    EXPECT_EQ(0, Run("Script_AssertFile('dat/script/lib/glue.sco') Node_SetName(nil, 'renamed')"));
    EXPECT_STREQ("renamed", m_script->GetName().GetName());
}

TEST_F(NodScriptBindingTest, VectorTable)
{
    const struct
    {
        const char* expression;
        const char* value;
    } rows[] = {
        {"MAT_Vector3(1, 2, 3) * MAT_Vector3(4, 5, 6)", "-3,6,-3"},
        {"MAT_Vector3(1, 2, 3) ^ MAT_Vector3(4, 5, 6)", "32"},
        {"MAT_Vector3(1, 2, 3) + MAT_Vector3(4, 5, 6)", "5,7,9"},
        {"MAT_Vector3(1, 2, 3) - MAT_Vector3(4, 5, 6)", "-3,-3,-3"},
        {"MAT_Vector3(2, 4, 6) / 2", "1,2,3"},
        {"MAT_Vector3(1, 2, 3) / 0.5", "2,4,6"},
        {"MAT_Vector3(1, 2)", "1,2,0"},
        {"MAT_Vector3()", "0,0,0"},
        {"MAT_Vector3('1', {}, 3)", "1,0,3"},
        {"MAT_Vector3(MAT_Vector3(7, 8, 9), 1, 1)", "7,8,9"},
        {"(function() local v = MAT_Vector3() v.X = 1 v.Y = '2' v.Z = 0.1 return v end)()", "1,2,0.10000000149012"},
        // Each constructor call makes a new object.
        {"(function() local a = MAT_Vector3(1, 1, 1) local b = MAT_Vector3(a) b.X = 5 return a end)()", "1,1,1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expression);
        ClearLog();
        ASSERT_EQ(0,
                  Run(std::string("local v = ") + row.expression +
                      " if type(v) == 'number' then out = tostring(v) else out = v.X .. ',' .. v.Y .. ',' .. v.Z end"));
        EXPECT_EQ(row.value, String("out"));
        EXPECT_TRUE(LogLines().empty());
    }
}

TEST_F(NodScriptBindingTest, VectorErrors)
{
    const std::string position = MAIN_POSITION;
    const struct
    {
        const char* code;
        std::vector<std::string> lines;
        const char* result;  // the operation's result, "" for none
    } rows[] = {
        {"r = v * 2", {"[SCRIPTERROR] argument 2 of vector*vector must be a vector", position}, ""},
        {"r = 2 + v", {"[SCRIPTERROR] argument 1 of vector+vector must be a vector", position}, ""},
        {"r = v - 'a'", {"[SCRIPTERROR] argument 2 of vector-vector must be a vector", position}, ""},
        {"r = v ^ 1", {"[SCRIPTERROR] argument 2 of vector^vector is not a vector", position}, ""},
        {"r = 1 ^ v", {"[SCRIPTERROR] argument 1 of vector^vector is not a vector", position}, ""},
        {"r = v / v", {"[SCRIPTERROR] argument 2 of vector/scalar must be a scalar", position}, ""},
        {"r = 2 / v", {"[SCRIPTERROR] argument 1 of vector/vector must be a vector", position}, ""},
        {"r = vectorMeta.__div(v)", {"[SCRIPTERROR] argument 2 of vector/scalar is missing", position}, ""},
        {"r = v.x",
         {"[SCRIPTERROR] MAT_Vector3 has no 'x' component",
          "[SCRIPTERROR] gettable of vector called with illegal vector component", position},
         "0"},
        {"r = v.XY",
         {"[SCRIPTERROR] MAT_Vector3 has no XY component",
          "[SCRIPTERROR] gettable of vector called with illegal vector component", position},
         "0"},
        {"r = v['']",
         {"[SCRIPTERROR] MAT_Vector3 has no  component",
          "[SCRIPTERROR] gettable of vector called with illegal vector component", position},
         "0"},
        {"r = v[1]",
         {"[SCRIPTERROR] MAT_Vector3 has no 1 component",
          "[SCRIPTERROR] gettable of vector called with illegal vector component", position},
         "0"},
        {"r = v[{}]",
         {"[SCRIPTERROR] MAT_Vector3 has no (null) component",
          "[SCRIPTERROR] gettable of vector called with illegal vector component", position},
         "0"},
        {"r = vectorMeta.__index(1, 'X')",
         {"[SCRIPTERROR] gettable of vector called without a vector (illegal user type)", position},
         "0"},
        {"v.w = 1 r = v.X",
         {"[SCRIPTERROR] MAT_Vector3 has no 'w' component",
          "[SCRIPTERROR] settable of vector called with illegal vector component", position},
         "1"},
        {"v.X = 'a' r = v.X", {"[SCRIPTERROR] set vector component expects a number as argument 1", position}, "1"},
        {"v.X = nil r = v.X", {"[SCRIPTERROR] set vector component expects a number as argument 1", position}, "1"},
        {"vectorMeta.__newindex(v, 'X') r = v.X",
         {"[SCRIPTERROR] set vector component expects an argument no. 1", position},
         "1"},
        {"vectorMeta.__newindex(1, 'X', 5) r = v.X",
         {"[SCRIPTERROR] settable of vector called with illegal user type", position},
         "1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        ASSERT_EQ(0, Run("v = MAT_Vector3(1, 2, 3) r = nil"));
        ClearLog();
        ASSERT_EQ(0, Run(row.code));
        EXPECT_EQ(row.lines, LogLines());
        EXPECT_EQ(row.result, Text("r"));
    }
}

TEST_F(NodScriptBindingTest, NodeReferences)
{
    ClearLog();
    ASSERT_EQ(0, Run("copy = NOD_NodeRef(echo) none = NOD_NodeRef(5) same = copy ~= echo\n"
                     "name = Node_GetName(copy) valid = Script_IsNodeRefValid(none)\n"
                     "field = echo.x"));
    EXPECT_EQ("echo", String("name"));
    EXPECT_EQ("", String("valid"));
    EXPECT_EQ(0, Number("field"));
    lua_State* state = m_script->GetLuaState();
    lua_getglobal(state, "same");
    EXPECT_TRUE(lua_toboolean(state, -1));  // two references to one node are two values
    lua_pop(state, 1);
    EXPECT_EQ(std::vector<std::string>({"[SCRIPTERROR] gettable of nodereference called",
                                        "[SCRIPTERROR] test - main function \"(null)\" [0] - line 3"}),
              LogLines());
    ClearLog();
    ASSERT_EQ(0, Run("r = nodeRefMeta.__index(1, 'x') s = Script_IsNodeRefValid(1)"));
    EXPECT_EQ(std::vector<std::string>({"[SCRIPTERROR] gettable of nodereference called with illegal user type",
                                        MAIN_POSITION, "[SCRIPTERROR] gettable of nodereference called", MAIN_POSITION,
                                        "[SCRIPTERROR] isvalid of nodereference called with illegal nodereference",
                                        MAIN_POSITION}),
              LogLines());
}

TEST_F(NodScriptBindingTest, ScriptsCannotReachTheMetatables)
{
    const struct
    {
        const char* value;
        const char* name;  // what getmetatable answers
    } rows[] = {
        {"MAT_Vector3(1, 2, 3)", "MAT_Vector3"},
        {"NOD_NodeRef(echo)", "NOD_NodeRef"},
    };
    // Each way a script could give the type a finaliser.
    const char* const attacks[] = {
        "getmetatable(value).__gc = function() collected = true end",
        "rawset(getmetatable(value), '__gc', function() collected = true end)",
        "setmetatable(value, {__gc = function() collected = true end})",
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        ASSERT_EQ(0, Run(std::string("collected = nil value = ") + row.value + " name = getmetatable(value)"));
        EXPECT_EQ(row.name, Text("name"));
        for (const char* attack : attacks) {
            SCOPED_TRACE(attack);
            EXPECT_EQ(LUA_ERRRUN, Run(attack));
        }
        ASSERT_EQ(0, Run(std::string("value = nil for i = 1, 50 do local x = ") + row.value +
                         " end collectgarbage('collect')"));
        EXPECT_EQ("", Text("collected"));
    }
    ASSERT_EQ(0, Run("gc = rawget(vectorMeta, '__gc') or rawget(nodeRefMeta, '__gc')\n"
                     "v = MAT_Vector3(1, 2, 3) + MAT_Vector3(1, 1, 1) x = v.X name = Node_GetName(NOD_NodeRef(echo))"));
    EXPECT_EQ("", Text("gc"));
    EXPECT_EQ(2, Number("x"));  // the types still work
    EXPECT_EQ("echo", String("name"));
}

TEST_F(NodScriptBindingTest, ErrorAndPositionLines)
{
    const struct
    {
        const char* code;
        s32 status;
        std::vector<std::string> lines;
    } rows[] = {
        // A runtime error reports the function it happened in.
        {"function fails()\n  local x = nil + 1\nend\nfails()",
         LUA_ERRRUN,
         {"[SCRIPTERROR] test:2 [Lua function: fails]: test:2: attempt to perform arithmetic on a nil value"}},
        // error() is a C function at level 1.
        {"error('plain', 0)", LUA_ERRRUN, {"[SCRIPTERROR] [C]:-1 [C function: error]: plain"}},
        // Script_Error reports its caller; a number is the level and the message.
        {"function report()\n  Script_Error('careful')\nend\nreport()",
         0,
         {"[SCRIPTERROR] test:2 [Lua function: report]: careful"}},
        {"function outer()\n  inner()\nend\nfunction inner()\n  Script_Error(2)\nend\nouter()",
         0,
         {"[SCRIPTERROR] test:2 [Lua function: outer]: 2"}},
        {"Script_Error(99)", 0, {}},
        {"Script_Error({})",
         0,
         {"[SCRIPTERROR] NOD_Script::LUAF_ErrorMessage() expects a string as argument 1", MAIN_POSITION}},
        // The position line names the Lua function that called the C function.
        {"function scale(v)\n  return v * 2\nend\nscale(MAT_Vector3())",
         0,
         {"[SCRIPTERROR] argument 2 of vector*vector must be a vector",
          "[SCRIPTERROR] test - Lua function \"scale\" [1] - line 2"}},
        {"local t = {}\nfunction t.go()\n  Script_Log()\nend\nt.go()",
         0,
         {"[SCRIPTERROR] NOD_Script::LUAF_Log() expects a string as argument 1",
          "[SCRIPTERROR] test - Lua function \"go\" [2] - line 3"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        ClearLog();
        EXPECT_EQ(row.status, Run(row.code));
        EXPECT_EQ(row.lines, LogLines());
    }
}

TEST_F(NodScriptBindingTest, ServiceFunctions)
{
    SIM_GetSimulationClock().SetTime(1.25f);
    ClearLog();
    ASSERT_EQ(0, Run("Script_Log('first', 'last')\n"
                     "Script_Log(12)\n"
                     "Script_LogRaw('raw %s %d')\n"
                     "function where()\n"
                     "  line = Script_GetLineNumber(1)\n"
                     "  caller = Script_GetLineNumber(2)\n"
                     "  name = Script_GetFunctionName(1)\n"
                     "  none = Script_GetLineNumber(-1)\n"
                     "  far = Script_GetLineNumber(99)\n"
                     "  text = Script_GetLineNumber('x')\n"
                     "end\n"
                     "where()\n"
                     "mainName = Script_GetFunctionName(1)\n"
                     "time = Script_GetTime()"));
    EXPECT_EQ(std::vector<std::string>({"[LOG] last", "[LOG] 12", "raw %s %d"}), LogLines());
    EXPECT_EQ(5, Number("line"));
    EXPECT_EQ(12, Number("caller"));
    EXPECT_EQ("where", String("name"));
    EXPECT_EQ("", String("none"));
    EXPECT_EQ("", String("far"));
    EXPECT_EQ("", String("text"));
    EXPECT_EQ("", String("mainName"));
    EXPECT_EQ(1.25, Number("time"));
}

TEST_F(NodScriptBindingTest, SnoopLines)
{
    for (s32 i = 0; i < 5; ++i)
        NewNode("son");
    ClearLog();
    // The trace flag is process-wide: switched in one script, it traces every script node.
    NOD_Script* other = NewScript("other");
    ASSERT_EQ(0, Run("Script_SnoopOn()", other));
    ASSERT_EQ(0, Run("n = Node_GetNumOfSons(root) p = MAT_Vector3(1e30, 1e30, 1e30) "
                     "Test_Long(echo, p, p, p, p, p, p, p, p, p, p) Script_SnoopOff()"));
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("[S2E] root: Node_GetNumOfSons()", lines[0]);
    EXPECT_EQ("[E2S] root: Node_GetNumOfSons(8)", lines[1]);
    const std::string big = "1000000015047466219876688855040.000";
    const std::string longLine = "[S2E] echo: Test_Long(MAT_Vector3(" + big + "," + big + "," + big + "),";
    EXPECT_EQ(longLine, lines[2].substr(0, longLine.size()));
    EXPECT_EQ(511u, lines[2].size());
    EXPECT_FALSE(NOD_Script::GetSnoop());
    // A message whose id has no prototype.
    ClearLog();
    NOD_Message unknown(9002);
    NOD_LogSnoop("[S2E] ", "x%sy", &unknown, 0);
    EXPECT_EQ(std::vector<std::string>({"[S2E] x%sy: MessagePrototype for ID(9002) not found"}), LogLines());
}

TEST(NodScriptBindingNumberTest, IntegerConversionIsDefinedForEveryNumber)
{
    const struct
    {
        f64 number;
        s64 integer;
    } rows[] = {
        {NAN, 0},
        {INFINITY, 0},
        {-INFINITY, 0},
        {1e300, 4294967295LL},
        {-1e300, -2147483648LL},
        {4294967295.9, 4294967295LL},
        {-2147483648.9, -2147483648LL},
        {2.9, 2},
        {-2.9, -2},
        {-0.5, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.integer, NOD_ScriptNumberToInteger(row.number)) << row.number;
}

TEST_F(NodScriptBindingTest, TheLuaSideIsRegisteredForEveryPrototype)
{
    lua_State* state = m_script->GetLuaState();
    s32 count = 0;
    NOD_MessagePrototype* cursor = nullptr;
    while (NOD_MessagePrototype::Iterate(&cursor)) {
        lua_getglobal(state, cursor->GetName());
        EXPECT_TRUE(lua_iscfunction(state, -1)) << cursor->GetName();
        lua_pop(state, 1);
        ++count;
    }
    EXPECT_EQ(count, NOD_GetPrototypeCount());
    for (const char* name : {"Script_Log", "Script_LogRaw", "Script_SnoopOn", "Script_SnoopOff", "Script_GetLineNumber",
                             "Script_GetFunctionName", "Script_GetTime", "Script_IsNodeRefValid", "_ERRORMESSAGE",
                             "Script_Error", "Script_AssertFile", "MAT_Vector3", "NOD_NodeRef"}) {
        lua_getglobal(state, name);
        EXPECT_TRUE(lua_iscfunction(state, -1)) << name;
        lua_pop(state, 1);
    }
}
