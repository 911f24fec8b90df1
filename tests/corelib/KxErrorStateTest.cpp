#include "ErrorCapture.h"
#include <gtest/gtest.h>

namespace {

// An error that reports its destruction.
class CountedError : public KxStdError {
public:
    CountedError(int& destroyed, const char* text)
        : KxStdError("Raiser", "run", "", text, -15), m_destroyed(&destroyed) {}
    ~CountedError() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

TEST(KxErrorState, EachRaiseCallsTheCallbackOnceWithTheNewErrorCurrent) {
    int destroyed = 0;  // outlives the error state's last reference
    ErrorCapture errors;
    Kx::SharedPtr<KxStdError> first(new CountedError(destroyed, "first"));
    Kx::SharedPtr<KxStdError> second(new CountedError(destroyed, "second"));
    KxErrorState::setError(first.get());
    KxErrorState::setError(second.get());
    ASSERT_EQ(errors.count(), 2u);
    EXPECT_TRUE(errors.raised()[0].flag);
    EXPECT_EQ(errors.raised()[0].text2, "first");
    EXPECT_TRUE(errors.raised()[1].flag);
    EXPECT_EQ(errors.raised()[1].text2, "second");
    EXPECT_EQ(KxErrorState::s_pError, second.get());

    // Raising the current error again still counts as a raise.
    KxErrorState::setError(second.get());
    EXPECT_EQ(errors.count(), 3u);
    EXPECT_EQ(second->refCount(), 2);
    EXPECT_EQ(first->refCount(), 1);
}

TEST(KxErrorState, TheStateHoldsItsOwnReference) {
    int destroyed = 0;  // outlives the error state's last reference
    ErrorCapture errors;
    {
        Kx::SharedPtr<KxStdError> raised(new CountedError(destroyed, "kept"));
        KxErrorState::setError(raised.get());
        EXPECT_EQ(raised->refCount(), 2);
    }
    // The raiser let go; the error lives on as the current one.
    EXPECT_EQ(destroyed, 0);
    ASSERT_NE(KxErrorState::s_pError, nullptr);
    EXPECT_EQ(KxErrorState::s_pError->getText2().toStdString(), "kept");
    EXPECT_EQ(KxErrorState::s_pError->refCount(), 1);

    // A newer error releases the previous one.
    Kx::SharedPtr<KxStdError> next(new CountedError(destroyed, "next"));
    KxErrorState::setError(next.get());
    EXPECT_EQ(destroyed, 1);

    KxErrorState::clearError();
    EXPECT_EQ(KxErrorState::s_pError, nullptr);
    EXPECT_EQ(next->refCount(), 1);
    EXPECT_EQ(errors.count(), 2u);  // clearing is not a raise
}

TEST(KxErrorState, ThrowStdErrorPutsTheTextSecondAndReturns) {
    ErrorCapture errors;
    EXPECT_NO_THROW(KxErrorState::throwStdError("KxVecBase", "reallocMem", "pNewVec", 5));
    ASSERT_EQ(errors.count(), 1u);
    const RaisedError& e = errors.last();
    EXPECT_TRUE(e.flag);
    EXPECT_EQ(e.className, "KxVecBase");
    EXPECT_EQ(e.method, "reallocMem");
    EXPECT_EQ(e.text1, "");
    EXPECT_EQ(e.text2, "pNewVec");
    EXPECT_EQ(e.code, 5);
    ASSERT_NE(KxErrorState::s_pError, nullptr);
    EXPECT_EQ(KxErrorState::s_pError->refCount(), 1);

    KxErrorState::throwStdError("Other", "m", "t", -13);
    EXPECT_EQ(errors.count(), 2u);
    EXPECT_EQ(errors.last().code, -13);
}

TEST(KxErrorState, RethrowNeitherCallsBackNorThrows) {
    ErrorCapture errors;
    KxErrorState::throwStdError("A", "b", "c", 1);
    KxStdError* current = KxErrorState::s_pError;
    EXPECT_NO_THROW(KxErrorState::rethrowError());
    EXPECT_EQ(errors.count(), 1u);
    EXPECT_EQ(KxErrorState::s_pError, current);

    KxErrorState::clearError();
    EXPECT_NO_THROW(KxErrorState::rethrowError());
    EXPECT_EQ(errors.count(), 1u);
}

TEST(KxErrorState, RaisingWithoutACallbackOnlySetsTheError) {
    ErrorCapture errors;
    KxErrorState::setErrorCallback(nullptr);
    KxErrorState::throwStdError("A", "b", "quiet", 2);
    ASSERT_NE(KxErrorState::s_pError, nullptr);
    EXPECT_EQ(KxErrorState::s_pError->getText2().toStdString(), "quiet");
    EXPECT_EQ(errors.count(), 0u);
}

} // namespace
