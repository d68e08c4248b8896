// The main of every test program: start-up registration runs in the program's fixed order
// (app_registration.inc), up to the last library this program links (QV_REGISTER_UPTO names
// that entry's registration function; without it nothing is registered), then the tests, then
// the same entries are unregistered in reverse.
#include <gtest/gtest.h>

#include <cstdlib>

#if defined(QV_SANITIZE)
// A leak report can name the library a block came from, and tools/lsan.supp suppress it, only
// while that library is still mapped. The graphics stack unloads its EGL vendor library and
// its driver before the leak check at exit, which would leave their own small leaks nameless
// and unsuppressible. So a test program keeps every library it has loaded: dlclose succeeds
// without unloading, as it does anyway for a library someone else still holds.
extern "C" int dlclose(void*) { return 0; }
#endif

namespace
{

// Each entry's position in the list.
enum TEST_Registration
{
#define QV_REGISTRATION(_register, _unregister) TEST_##_register,
#define QV_REGISTRATION_ONLY(_register) TEST_##_register,
#include "app_registration.inc"
#undef QV_REGISTRATION
#undef QV_REGISTRATION_ONLY
    TEST_REGISTRATION_COUNT
};

#define TEST_ENTRY(_name) TEST_ENTRY_(_name)
#define TEST_ENTRY_(_name) TEST_##_name
#ifdef QV_REGISTER_UPTO
constexpr int s_last = TEST_ENTRY(QV_REGISTER_UPTO);
#else
constexpr int s_last = -1;
#endif

}  // namespace

// The libraries' own declarations, repeated: a test program includes no header of a library
// it does not link, and an entry past s_last is never referenced.
#define QV_REGISTRATION(_register, _unregister) \
    void _register();                           \
    void _unregister();
#define QV_REGISTRATION_ONLY(_register) void _register();
#include "app_registration.inc"
#undef QV_REGISTRATION
#undef QV_REGISTRATION_ONLY

namespace
{

void RegisterModules()
{
#define QV_REGISTRATION(_register, _unregister) \
    if constexpr (TEST_##_register <= s_last)   \
        _register();
#define QV_REGISTRATION_ONLY(_register) QV_REGISTRATION(_register, _)
#include "app_registration.inc"
#undef QV_REGISTRATION
#undef QV_REGISTRATION_ONLY
}

void UnregisterModules()
{
    for (int i = s_last; i >= 0; --i) {
        switch (i) {
#define QV_REGISTRATION(_register, _unregister)   \
    case TEST_##_register:                        \
        if constexpr (TEST_##_register <= s_last) \
            _unregister();                        \
        break;
#define QV_REGISTRATION_ONLY(_register) \
    case TEST_##_register:              \
        break;
#include "app_registration.inc"
#undef QV_REGISTRATION
#undef QV_REGISTRATION_ONLY
        }
    }
}

}  // namespace

int main(int _argc, char** _argv)
{
    // Headless unless the caller chose otherwise: no display, no sound card.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testing::InitGoogleTest(&_argc, _argv);
    RegisterModules();
    const int result = RUN_ALL_TESTS();
    UnregisterModules();
    return result;
}
