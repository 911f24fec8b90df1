#include "support/RaisedErrors.h"
#include "testset/RtLibManager.h"
#include <gtest/gtest.h>
#include <string>

namespace {

using testsupport::describe;

// Loads one library by its full path, wherever it lies.
struct Manager : Rt::RtLibManager {
    void load(std::string path) { _loadLibrary(&path[0]); }
};

void silentCallback(bool) {}

TEST(RtLibManager, UnloadingForgetsTheErrorStatePointingIntoTheLibraryOnly) {
    testsupport::RaisedErrors restoresTheCallback;
    Manager manager;
    manager.load(RT_ERROR_STATE_LIBRARY);
    ASSERT_EQ(manager.factories().size(), 1u);
    EXPECT_NE(KxErrorState::getErrorCallback(), nullptr);
    EXPECT_EQ(describe(KxErrorState::s_pError), "LibraryError|acquireFactory||raised while loading|1");
    manager.unloadTestLibs();
    EXPECT_EQ(KxErrorState::getErrorCallback(), nullptr);
    EXPECT_EQ(KxErrorState::s_pError, nullptr);

    // A callback and an error of the framework's own outlive the library.
    manager.load(RT_ERROR_STATE_LIBRARY);
    KxErrorState::setErrorCallback(&silentCallback);
    KxErrorState::throwStdError("Kept", "m", "framework error", 2);
    manager.unloadTestLibs();
    EXPECT_EQ(KxErrorState::getErrorCallback(), &silentCallback);
    EXPECT_EQ(describe(KxErrorState::s_pError), "Kept|m||framework error|2");
}

} // namespace
