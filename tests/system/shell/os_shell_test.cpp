// The shell's loop, window procedure and start-up, driven through a scripted platform.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "os_fatal.h"
#include "os_shell.h"
#include "plt_system.h"
#include "test_dir.h"

namespace
{

// One poll of the loop: an event, or nothing waiting (the loop makes an idle turn). The
// action runs when the poll happens, before the event is handled.
struct ScriptStep
{
    PLT_Event event;
    bool idle = false;
    std::function<void()> action;
};

ScriptStep Event(PLT_EventType _type, u32 _active = 0)
{
    ScriptStep step;
    step.event.type = _type;
    step.event.active = _active;
    return step;
}

ScriptStep Idle(std::function<void()> _action = nullptr)
{
    ScriptStep step;
    step.idle = true;
    step.action = std::move(_action);
    return step;
}

struct Box
{
    std::string caption;
    std::string text;
    PLT_BoxIcon icon;
};

class FakeSystem : public PLT_System
{
public:
    s32 Init() override { return initResult; }
    void Shutdown() override { ++shutdowns; }
    const char* ErrorText() override { return "platform says no"; }

    u64 Counter() override { return counter; }
    u64 Frequency() override { return frequency; }
    u32 Milliseconds() override { return milliseconds; }

    void DesktopSize(s32* _width, s32* _height) override
    {
        *_width = desktopWidth;
        *_height = desktopHeight;
    }
    s32 OuterSize(s32 _clientWidth, s32 _clientHeight, s32* _width, s32* _height) override
    {
        *_width = _clientWidth + 2 * border;
        *_height = _clientHeight + 2 * border;
        return outerResult;
    }

    s32 CreateWindow(const PLT_WindowDesc& _desc) override
    {
        windows.push_back(_desc);
        windowTitle = _desc.title;
        return createResult;
    }
    void* Window() override { return nullptr; }

    u32 PollEvent(PLT_Event* _event) override
    {
        if (script.empty()) {
            // A loop that never ends would hang the test: stop it with a code of its own.
            if (++emptyPolls > 1000) {
                ADD_FAILURE() << "the loop did not end";
                *_event = PLT_Event();
                _event->type = PLT_EVENT_QUIT;
                _event->code = 99;
                return 1;
            }
            return 0;
        }
        ScriptStep step = script.front();
        script.pop_front();
        if (step.action)
            step.action();
        if (step.idle)
            return 0;
        *_event = step.event;
        return 1;
    }
    void PostQuit(s32 _code) override
    {
        posted.push_back(_code);
        ScriptStep quit = Event(PLT_EVENT_QUIT);
        quit.event.code = _code;
        script.push_back(quit);  // behind what is already queued, as a real queue does
    }

    void MessageBox(const char* _caption, const char* _text, PLT_BoxIcon _icon) override
    {
        boxes.push_back({_caption, _text, _icon});
    }
    void ShowCursor(u32 _visible) override { cursor.push_back(_visible); }
    void DebugBreak() override {}
    u32 GraphicsVersion() override { return graphicsVersion; }

    // Set by the tests.
    std::deque<ScriptStep> script;
    s32 initResult = 0;
    u32 graphicsVersion = 0x800;
    u64 counter = 1000;
    u64 frequency = 100;
    u32 milliseconds = 0;
    s32 desktopWidth = 1024;
    s32 desktopHeight = 768;
    s32 border = 0;
    s32 outerResult = 1;
    s32 createResult = 0;

    // Recorded.
    std::vector<PLT_WindowDesc> windows;
    std::string windowTitle;
    std::vector<Box> boxes;
    std::vector<s32> posted;
    std::vector<u32> cursor;
    u32 shutdowns = 0;
    u32 emptyPolls = 0;
};

// The application as the shell sees it: records the phases, answers as told.
struct FakeApp
{
    std::vector<s32> phases;
    // Answers per phase; by default phase 1 ends the program at its second call.
    std::function<s32(s32)> answer;
    std::function<void()> cleanup;
    u32 cleanups = 0;
    u32 steps = 0;
    std::vector<std::string> deviceSteps;
};

FakeApp* s_app = nullptr;

s32 FakeAppPhase(s32 _phase)
{
    s_app->phases.push_back(_phase);
    if (s_app->answer)
        return s_app->answer(_phase);
    return (_phase == 1 && ++s_app->steps >= 2) ? 1 : 0;
}

void FakeAppCleanup()
{
    ++s_app->cleanups;
    if (s_app->cleanup)
        s_app->cleanup();
}

const char* FakeAppTitle() { return "Test Title"; }

void FakePauseDevices() { s_app->deviceSteps.push_back("pause"); }
void FakeResumeDevices() { s_app->deviceSteps.push_back("resume"); }

class ShellTest : public testing::Test
{
protected:
    void SetUp() override
    {
        PLT_SetSystem(&m_system);
        s_app = &m_app;
        m_application.app = FakeAppPhase;
        m_application.emergencyCleanup = FakeAppCleanup;
        m_application.windowTitle = FakeAppTitle;
        m_application.pauseDevices = FakePauseDevices;
        m_application.resumeDevices = FakeResumeDevices;
    }
    void TearDown() override
    {
        PLT_SetSystem(nullptr);
        OS_SetCommandLine("");
        s_app = nullptr;
    }
    s32 Run(const char* _commandLine = "") { return OS_WinMain(m_application, _commandLine); }

    TST_TempDir m_dir;  // fatal errors write log.txt
    FakeSystem m_system;
    FakeApp m_app;
    OS_Application m_application;
};

TEST_F(ShellTest, NormalRunStepsThePhasesAndExitsWithZero)
{
    m_system.script = {Event(PLT_EVENT_ACTIVATE, 1)};
    EXPECT_EQ(0, Run());
    EXPECT_EQ((std::vector<s32>{0, 1, 1, 3}), m_app.phases);
    EXPECT_EQ((std::vector<s32>{0}), m_system.posted);
    EXPECT_TRUE(m_system.boxes.empty());
    EXPECT_EQ(0u, m_app.cleanups);
    EXPECT_EQ(-2, OS_GetStatus());
    EXPECT_EQ("Test Title", m_system.windowTitle);
    EXPECT_EQ(1u, m_system.shutdowns);
}

TEST_F(ShellTest, NothingRunsBeforeTheFirstActivationWhateverItsArgument)
{
    // Idle turns before the first activation call no phase; the first activation message
    // activates even when it says "losing".
    m_system.script = {Idle(), Idle(), Event(PLT_EVENT_PAINT), Idle(), Event(PLT_EVENT_ACTIVATE, 0)};
    m_system.script[3].action = [this] { EXPECT_EQ((std::vector<s32>{2}), m_app.phases); };
    EXPECT_EQ(0, Run());
    EXPECT_EQ((std::vector<s32>{2, 0, 1, 1, 3}), m_app.phases);
}

TEST_F(ShellTest, IllegalStatusShowsTheSevereErrorOnceAndEndsNonZero)
{
    for (s32 illegal : {2, -3, 1000}) {
        SCOPED_TRACE(illegal);
        m_system = FakeSystem();
        m_app = FakeApp();
        m_app.answer = [illegal](s32 _phase) { return _phase == 0 ? illegal : 0; };
        m_system.script = {Event(PLT_EVENT_ACTIVATE, 1), Idle(), Idle(), Idle(), Idle()};
        EXPECT_NE(0, Run());
        EXPECT_EQ((std::vector<s32>{0}), m_app.phases);
        ASSERT_EQ(1u, m_system.boxes.size());
        EXPECT_EQ("OS - severe error", m_system.boxes[0].caption);
        EXPECT_EQ("illegal application return value", m_system.boxes[0].text);
        EXPECT_EQ(PLT_BOX_ERROR, m_system.boxes[0].icon);
        EXPECT_EQ(illegal, OS_GetStatus());  // the status keeps its value
    }
}

TEST_F(ShellTest, CloseOrCancelKeyEndsWithoutAnotherStepAndWaitsForActivation)
{
    for (PLT_EventType request : {PLT_EVENT_CLOSE, PLT_EVENT_CANCEL_KEY}) {
        SCOPED_TRACE(request);
        m_system = FakeSystem();
        m_app = FakeApp();
        m_app.answer = [](s32) { return 0; };  // would run for ever
        m_system.script = {
            Event(PLT_EVENT_ACTIVATE, 1), Idle(), Idle(), Event(PLT_EVENT_ACTIVATE, 0), Event(request), Idle(), Idle()};
        // Still inactive: nothing has happened to the request yet.
        m_system.script.push_back(Idle([this] { EXPECT_EQ((std::vector<s32>{0, 1}), m_app.phases); }));
        m_system.script.push_back(Event(PLT_EVENT_ACTIVATE, 1));
        EXPECT_EQ(0, Run());
        EXPECT_EQ((std::vector<s32>{0, 1, 3}), m_app.phases);
        EXPECT_EQ(0u, m_app.cleanups);
    }
}

TEST_F(ShellTest, ActivationFollowsTheFourRulesAndHidesTheCursorWhileActive)
{
    m_app.answer = [](s32) { return 0; };
    std::vector<u32> active;
    auto note = [&active] { active.push_back(OS_IsActive()); };
    m_system.script = {Event(PLT_EVENT_ACTIVATE, 1), Idle(note),  // first: activates
                       Event(PLT_EVENT_ACTIVATE, 1), Idle(note),  // gaining while active: nothing
                       Event(PLT_EVENT_ACTIVATE, 0), Idle(note),  // pause
                       Event(PLT_EVENT_ACTIVATE, 0), Idle(note),  // losing while inactive: nothing
                       Event(PLT_EVENT_ACTIVATE, 1), Idle(note),  // resume
                       Event(PLT_EVENT_CLOSE)};
    EXPECT_EQ(0, Run());
    EXPECT_EQ((std::vector<u32>{1, 1, 0, 0, 1}), active);
    EXPECT_EQ((std::vector<u32>{0, 1, 0}), m_system.cursor);
    // The device steps ran once each: not for the first activation, nor for a repeat.
    EXPECT_EQ((std::vector<std::string>{"pause", "resume"}), s_app->deviceSteps);
}

TEST_F(ShellTest, ClockContinuesFromItsFrozenValueAfterResume)
{
    m_app.answer = [](s32) { return 0; };
    std::vector<f64> times;
    auto at = [this, &times](u64 _counter) {
        return [this, &times, _counter] {
            m_system.counter = _counter;
            times.push_back(OS_Time());
        };
    };
    ScriptStep pause = Event(PLT_EVENT_ACTIVATE, 0);
    pause.action = at(1500);  // 15 s when the application loses the foreground
    ScriptStep resume = Event(PLT_EVENT_ACTIVATE, 1);
    resume.action = [this] { m_system.counter = 9000; };  // 75 s later
    m_system.script = {Event(PLT_EVENT_ACTIVATE, 1),
                       Idle(at(1200)),
                       pause,
                       Idle(at(5000)),
                       resume,
                       Idle(at(9000)),
                       Idle(at(9200)),
                       Idle([] { OS_SetTicks(-50); }),
                       Idle(at(9300)),
                       Event(PLT_EVENT_CLOSE)};
    EXPECT_EQ(0, Run());
    ASSERT_EQ(6u, times.size());
    EXPECT_DOUBLE_EQ(12.0, times[0]);
    EXPECT_DOUBLE_EQ(15.0, times[1]);
    EXPECT_DOUBLE_EQ(15.0, times[3]);  // right after the resume
    EXPECT_DOUBLE_EQ(17.0, times[4]);
    EXPECT_DOUBLE_EQ(0.5, times[5]);  // set to -0.5 s, one second before
    EXPECT_EQ(100, OS_GetTickFrequency());
}

TEST_F(ShellTest, MillisecondTimerWithoutACounterIsWidenedUnsigned)
{
    m_system.frequency = 0;
    m_system.milliseconds = 0xFFFFFFF0u;
    s64 ticks = 0;
    f64 seconds = 0;
    m_system.script = {Event(PLT_EVENT_ACTIVATE, 1), Idle([&] {
                           ticks = OS_GetTicks();
                           seconds = OS_Time();
                       })};
    EXPECT_EQ(0, Run());
    EXPECT_EQ(1000, OS_GetTickFrequency());
    EXPECT_EQ(4294967280ll, ticks);
    EXPECT_DOUBLE_EQ(4294967.28, seconds);
}

// A fatal error reaching the loop from each place the application runs.
struct FatalCase
{
    const char* name;
    std::vector<PLT_EventType> events;  // after the first activation
    s32 fatalPhase;
};

TEST_F(ShellTest, FatalErrorRunsTheCleanUpOnceShowsTheTextsAndExitsNonZero)
{
    const FatalCase cases[] = {
        {"phase 0", {}, 0},
        {"phase 1", {}, 1},
        {"paint", {PLT_EVENT_PAINT, PLT_EVENT_PAINT}, 2},
        {"move", {PLT_EVENT_MOVED}, 2},
        {"paint while inactive", {PLT_EVENT_ACTIVATE, PLT_EVENT_PAINT}, 2},
    };
    for (const FatalCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_system = FakeSystem();
        m_app = FakeApp();
        const s32 phase = c.fatalPhase;
        m_app.answer = [phase](s32 _phase) -> s32 {
            if (_phase == phase)
                OS_Fatal("Test::Phase()", "it broke");
            return 0;
        };
        m_system.script = {Event(PLT_EVENT_ACTIVATE, 1)};
        for (PLT_EventType type : c.events)
            m_system.script.push_back(Event(type, 0));
        testing::internal::CaptureStderr();
        const s32 exitCode = Run();
        const std::string errors = testing::internal::GetCapturedStderr();

        EXPECT_EQ(1, exitCode);
        EXPECT_EQ(1u, m_app.cleanups);
        ASSERT_FALSE(m_system.boxes.empty());
        EXPECT_EQ("Test::Phase()", m_system.boxes[0].caption);
        EXPECT_EQ("it broke", m_system.boxes[0].text);
        EXPECT_EQ(PLT_BOX_ERROR, m_system.boxes[0].icon);
        EXPECT_NE(std::string::npos, errors.find("Test::Phase()"));
        EXPECT_NE(std::string::npos, errors.find("it broke"));
        EXPECT_EQ(1, m_system.posted.at(0));
        EXPECT_EQ(-2, OS_GetStatus());
        for (s32 called : m_app.phases)
            EXPECT_NE(3, called);  // the clean-up replaces the shutdown
    }
}

TEST_F(ShellTest, FatalErrorInsideTheCleanUpShowsTheSecondTexts)
{
    m_app.cleanup = [] { OS_Fatal("second", "two"); };
    // A later fatal error (a repaint) does not start the clean-up again.
    m_system.script = {Event(PLT_EVENT_ACTIVATE, 1), Idle(), Idle(), Event(PLT_EVENT_PAINT)};
    m_app.answer = [](s32 _phase) -> s32 {
        if (_phase == 1)
            OS_Fatal("first", "one");
        if (_phase == 2)
            OS_Fatal("third", "three");
        return 0;
    };
    EXPECT_EQ(1, Run());
    EXPECT_EQ(1u, m_app.cleanups);
    ASSERT_EQ(2u, m_system.boxes.size());
    EXPECT_EQ("second", m_system.boxes[0].caption);
    EXPECT_EQ("two", m_system.boxes[0].text);
    EXPECT_EQ("third", m_system.boxes[1].caption);
    EXPECT_EQ("three", m_system.boxes[1].text);
}

TEST_F(ShellTest, FatalErrorDuringShutdownSkipsTheCleanUp)
{
    m_app.answer = [](s32 _phase) -> s32 {
        if (_phase == 3)
            OS_Fatal("Test::Shutdown()", "late");
        return 0;
    };
    m_system.script = {Event(PLT_EVENT_ACTIVATE, 1), Idle(), Event(PLT_EVENT_CLOSE)};
    EXPECT_EQ(1, Run());
    EXPECT_EQ(0u, m_app.cleanups);
    ASSERT_EQ(1u, m_system.boxes.size());
    EXPECT_EQ("Test::Shutdown()", m_system.boxes[0].caption);
    EXPECT_EQ("late", m_system.boxes[0].text);
}

// A release path that must not throw, as a destructor, meeting a fatal error.
void ReleaseThatMustNotThrow() noexcept { OS_Fatal("Test::Release()", "still bound"); }

// The error cannot leave the release path, so the program ends in std::terminate: the texts
// still reach the user and the log, the exit code says failure, and the emergency clean-up,
// which would meet the same half-released state, does not run. Run in a child process.
TEST_F(ShellTest, FatalErrorWhereNothingMayThrowEndsWithOneAndNoCleanUp)
{
    m_app.answer = [](s32 _phase) -> s32 {
        if (_phase == 1)
            ReleaseThatMustNotThrow();
        return 0;
    };
    m_app.cleanup = [] { OS_Log("emergency clean-up ran\n"); };
    m_system.script = {Event(PLT_EVENT_ACTIVATE, 1)};
    EXPECT_EXIT(Run(), testing::ExitedWithCode(1), "Test::Release\\(\\): still bound");
    ASSERT_TRUE(m_dir.Exists("log.txt"));
    const std::string log = m_dir.Read("log.txt");
    EXPECT_NE(std::string::npos, log.find("[TERMINATION] Test::Release() still bound")) << log;
    EXPECT_EQ(std::string::npos, log.find("emergency clean-up ran")) << log;
}

const char* FatalTitle() { OS_Fatal("Test::Title()", "too early"); }

TEST_F(ShellTest, FatalErrorBeforeTheLoopShowsTheBoxAndExitsWithOne)
{
    m_application.windowTitle = FatalTitle;
    EXPECT_EQ(1, Run());
    EXPECT_TRUE(m_app.phases.empty());
    EXPECT_EQ(0u, m_app.cleanups);
    ASSERT_EQ(1u, m_system.boxes.size());
    EXPECT_EQ("Test::Title()", m_system.boxes[0].caption);
    EXPECT_EQ("too early", m_system.boxes[0].text);
    EXPECT_EQ(1u, m_system.shutdowns);
}

TEST_F(ShellTest, WindowSwitchesChooseWindowedOrFullScreen)
{
    struct Case
    {
        const char* commandLine;
        PLT_WindowDesc expected;
    };
    const Case cases[] = {
        {"", {"", 0, 0, 1024, 768, 1, 0}},
        {"-fullscreen", {"", 0, 0, 1024, 768, 1, 0}},
        {"-window", {"", 4, 4, 640, 480, 0, 1}},
        {"-nologo -windowed", {"", 4, 4, 640, 480, 0, 1}},  // a substring test
        {"-window -fullscreen", {"", 0, 0, 1024, 768, 1, 1}},
        {"-fullscreen -window", {"", 0, 0, 1024, 768, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        m_system = FakeSystem();
        m_app = FakeApp();
        m_system.script = {Event(PLT_EVENT_ACTIVATE, 1)};
        EXPECT_EQ(0, Run(c.commandLine));
        ASSERT_EQ(1u, m_system.windows.size());
        const PLT_WindowDesc& desc = m_system.windows[0];
        EXPECT_EQ(c.expected.x, desc.x);
        EXPECT_EQ(c.expected.y, desc.y);
        EXPECT_EQ(c.expected.width, desc.width);
        EXPECT_EQ(c.expected.height, desc.height);
        EXPECT_EQ(c.expected.fullscreen, desc.fullscreen);
        EXPECT_EQ(c.expected.arrowCursor, desc.arrowCursor);
        EXPECT_EQ(c.expected.fullscreen, OS_IsFullscreen());
        EXPECT_STREQ(c.commandLine, OS_GetCommandLine());
    }
}

TEST_F(ShellTest, StartUpRefusalsShowTheirBoxesAndEndNonZero)
{
    struct Case
    {
        const char* name;
        const char* commandLine;
        std::function<void(FakeSystem&)> setup;
        s32 exitCode;
        const char* caption;
        const char* text;
        PLT_BoxIcon icon;
    };
    const Case cases[] = {
        {"platform fails", "", [](FakeSystem& _s) { _s.initResult = -1; }, -1, "Error", "platform says no",
         PLT_BOX_INFORMATION},
        {"no graphics", "", [](FakeSystem& _s) { _s.graphicsVersion = 0; }, -1, "Error",
         "This application needs at least DirectX7.0", PLT_BOX_INFORMATION},
        {"window fails", "", [](FakeSystem& _s) { _s.createResult = -1; }, -1, "Error", "platform says no",
         PLT_BOX_INFORMATION},
        {"screen too narrow", "-window", [](FakeSystem& _s) { _s.desktopWidth = 639; }, 1, "window can not be opened",
         "Screen resolution error", PLT_BOX_ERROR},
        {"frame too high", "-window",
         [](FakeSystem& _s) {
             _s.desktopWidth = 1024;
             _s.desktopHeight = 480;
             _s.border = 1;
         },
         1, "window can not be opened", "Screen resolution error", PLT_BOX_ERROR},
        {"no outer size", "-window", [](FakeSystem& _s) { _s.outerResult = 0; }, 1,
         "window rectangle can not be determined", "AdjustWindowRectEx()", PLT_BOX_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_system = FakeSystem();
        m_app = FakeApp();
        c.setup(m_system);
        EXPECT_EQ(c.exitCode, Run(c.commandLine));
        EXPECT_TRUE(m_app.phases.empty());
        ASSERT_EQ(1u, m_system.boxes.size());
        EXPECT_EQ(c.caption, m_system.boxes[0].caption);
        EXPECT_EQ(c.text, m_system.boxes[0].text);
        EXPECT_EQ(c.icon, m_system.boxes[0].icon);
    }
}

TEST_F(ShellTest, ExactFitAndFullScreenNeedNoSizeCheck)
{
    // A 640 x 480 desktop takes the window exactly; a tiny one still runs full screen.
    for (const char* commandLine : {"-window", "-fullscreen"}) {
        SCOPED_TRACE(commandLine);
        m_system = FakeSystem();
        m_app = FakeApp();
        m_system.desktopWidth = commandLine[1] == 'w' ? 640 : 320;
        m_system.desktopHeight = commandLine[1] == 'w' ? 480 : 200;
        m_system.script = {Event(PLT_EVENT_ACTIVATE, 1)};
        EXPECT_EQ(0, Run(commandLine));
        EXPECT_TRUE(m_system.boxes.empty());
        EXPECT_EQ(1u, m_system.windows.size());
    }
}

}  // namespace
