#include "support/RaisedErrors.h"
#include "corelib/KxVec.h"
#include <gtest/gtest.h>

namespace {

using testsupport::RaisedErrors;
using testsupport::describe;

using Strings = std::vector<std::string>;

// An error that reports its destruction.
class CountedError : public KxStdError {
public:
    CountedError(int& destroyed, const char* text)
        : KxStdError("Raiser", "run", "", text, -15), m_destroyed(&destroyed) {}
    ~CountedError() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

TEST(KxErrorState, EachRaiseCallsBackOnceAndTheStateHoldsItsOwnReference) {
    int destroyed = 0;  // outlives the error state's last reference
    RaisedErrors errors;
    {
        Kx::SharedPtr<KxStdError> first(new CountedError(destroyed, "first"));
        KxErrorState::setError(first.get());
        EXPECT_EQ(first->refCount(), 2);
    }
    // The raiser let go; the error lives on as the current one.
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(KxErrorState::s_pError->refCount(), 1);

    Kx::SharedPtr<KxStdError> second(new CountedError(destroyed, "second"));
    KxErrorState::setError(second.get());
    EXPECT_EQ(destroyed, 1) << "a newer error releases the previous one";
    KxErrorState::setError(second.get());  // raising the current error again still counts
    EXPECT_EQ(second->refCount(), 2);
    EXPECT_EQ(errors.all, (Strings{"Raiser|run||first|-15", "Raiser|run||second|-15", "Raiser|run||second|-15"}));

    KxErrorState::clearError();
    EXPECT_EQ(KxErrorState::s_pError, nullptr);
    EXPECT_EQ(second->refCount(), 1);
    EXPECT_EQ(errors.all.size(), 3u) << "clearing is not a raise";
}

TEST(KxErrorState, ThrowStdErrorRaisesWithTheTextSecondAndRethrowIsSilent) {
    RaisedErrors errors;
    EXPECT_NO_THROW(KxErrorState::throwStdError("KxVecBase", "reallocMem", "pNewVec", 5));
    KxStdError* current = KxErrorState::s_pError;
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->refCount(), 1);
    EXPECT_NO_THROW(KxErrorState::rethrowError());
    EXPECT_EQ(KxErrorState::s_pError, current);
    KxErrorState::clearError();
    EXPECT_NO_THROW(KxErrorState::rethrowError());
    KxErrorState::throwStdError("Other", "m", "t", -13);
    EXPECT_EQ(errors.all, (Strings{"KxVecBase|reallocMem||pNewVec|5", "Other|m||t|-13"}));

    // Without a callback a raise only sets the error.
    KxErrorState::setErrorCallback(nullptr);
    KxErrorState::throwStdError("A", "b", "quiet", 2);
    EXPECT_EQ(describe(KxErrorState::s_pError), "A|b||quiet|2");
    EXPECT_EQ(errors.all.size(), 2u);
}

TEST(KxErrorState, ErrorsWhoseTextsFindNoMemoryBecomeTheStandingOutOfMemoryError) {
    RaisedErrors errors;
    KxVec<int> v;
    v.append(1);
    KxPlatform::instance().failTextAllocationsAfter(0);
    // Both the class name's text and the error's texts are refused; a throw here would end a destructor.
    bool removed = true;
    EXPECT_NO_THROW(removed = v.remove(5, 1));
    EXPECT_FALSE(removed);
    EXPECT_NO_THROW(KxErrorState::throwStdError(KxString("Short"), "method with a long name", "text", 7));
    KxPlatform::instance().failTextAllocationsAfter(-1);
    const std::string outOfMemory = "KxErrorState|throwStdError||out of memory|5";
    EXPECT_EQ(errors.all, (Strings{outOfMemory, outOfMemory}));
    KxErrorState::clearError();
    EXPECT_EQ(KxErrorState::s_pError, nullptr);
    KxErrorState::throwStdError("KxVecBase", "remove", "raised as usual again", 1);
    EXPECT_EQ(errors.all.back(), "KxVecBase|remove||raised as usual again|1");
}

} // namespace
