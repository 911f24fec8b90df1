#pragma once
// The functions behind the check macros of <Rt/Checks.h>. Each evaluates its
// operands once (through the lambdas the macro wraps them in), returns whether
// the check held, raises one test error when it did not, and never throws:
// an exception out of an operand fails the check with its text.
#include <Rt/RtExport.h>
#include <Rt/checks/ValueText.h>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace Rt {
namespace check {

// Where a check stands and how it was written.
struct Site {
    const char* check; // the check as written: "RT_CHECK_NEAR(area, 12.5, 1e-9)"
    const char* file;  // __FILE__
    int line;          // __LINE__
    const char* function; // __func__ of the code holding the check
};

// Raises the failed check's test error (code -15) through the error state:
// method "Check::<function>", Desc the check as written, Msg lines `lines`
// (empty ones left out) followed by "<file>:<line>".
RT_API void fail(const Site& site, const std::vector<std::string>& lines) noexcept;
// The same with one line saying what the exception being handled was:
// "threw: <what()>", or "threw an exception that is not a std::exception";
// with `expectedType`, "expected <type>, but it threw...". Call it inside a
// catch block only.
RT_API void failOnException(const Site& site, const char* expectedType = nullptr) noexcept;

// "<expression> = <value>", or nothing when the expression is a literal
// (12.5, 0.0, 1e-9f, 0x10, "abc", true): the Desc shows it already.
RT_API std::string operandLine(const char* expression, const std::string& value);

enum class Relation { eq, ne, lt, le, gt, ge };

namespace detail {

template <class T>
constexpr bool kPlainInteger = std::is_integral_v<T> && !std::is_same_v<T, bool>;

// -1, 0 or 1 as the mathematical values of two integers compare, whatever
// their signedness: -1 is less than 0u here, where the language says otherwise.
template <class A, class B>
int integerOrder(A a, B b) {
    if constexpr (std::is_signed_v<A>) {
        if (a < 0) {
            if constexpr (std::is_signed_v<B>) {
                const long long x = a, y = b;
                return x < y ? -1 : (x > y ? 1 : 0);
            } else {
                return -1;
            }
        }
    }
    if constexpr (std::is_signed_v<B>) {
        if (b < 0) return 1;
    }
    const unsigned long long x = static_cast<unsigned long long>(a), y = static_cast<unsigned long long>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

template <Relation R, class A, class B>
bool relationHolds(const A& a, const B& b) {
    if constexpr (kPlainInteger<A> && kPlainInteger<B>) {
        const int order = integerOrder(a, b);
        if constexpr (R == Relation::eq) return order == 0;
        else if constexpr (R == Relation::ne) return order != 0;
        else if constexpr (R == Relation::lt) return order < 0;
        else if constexpr (R == Relation::le) return order <= 0;
        else if constexpr (R == Relation::gt) return order > 0;
        else return order >= 0;
    } else {
        if constexpr (R == Relation::eq) return static_cast<bool>(a == b);
        else if constexpr (R == Relation::ne) return static_cast<bool>(a != b);
        else if constexpr (R == Relation::lt) return static_cast<bool>(a < b);
        else if constexpr (R == Relation::le) return static_cast<bool>(a <= b);
        else if constexpr (R == Relation::gt) return static_cast<bool>(a > b);
        else return static_cast<bool>(a >= b);
    }
}

template <class T>
double asDouble(const T& value) {
    static_assert(std::is_arithmetic_v<T>, "RT_CHECK_NEAR and RT_CHECK_REL compare numbers");
    return static_cast<double>(value);
}

} // namespace detail

// Holds when |a - b| <= tolerance (equal infinities hold; NaN never does).
inline bool withinAbsolute(double a, double b, double tolerance) {
    return a == b || std::fabs(a - b) <= tolerance;
}
// Holds when |a - b| <= relative * max(|a|, |b|).
inline bool withinRelative(double a, double b, double relative) {
    return a == b || std::fabs(a - b) <= relative * std::fmax(std::fabs(a), std::fabs(b));
}

template <class Condition>
bool isTrue(const Site& site, const char* expression, Condition&& condition) noexcept {
    try {
        if (static_cast<bool>(condition())) return true;
        fail(site, {std::string(expression) + " is false"});
    } catch (...) {
        failOnException(site);
    }
    return false;
}

template <Relation R, class LeftValue, class RightValue>
bool compare(const Site& site, const char* left, const char* right, LeftValue&& leftValue,
             RightValue&& rightValue) noexcept {
    try {
        decltype(auto) a = leftValue();
        decltype(auto) b = rightValue();
        if (detail::relationHolds<R>(a, b)) return true;
        fail(site, {operandLine(left, valueText(a)), operandLine(right, valueText(b))});
    } catch (...) {
        failOnException(site);
    }
    return false;
}

template <class Value, class Expected, class Tolerance>
bool nearAbsolute(const Site& site, const char* left, Value&& value, Expected&& expected,
                  Tolerance&& tolerance) noexcept {
    try {
        const auto a = value();
        const auto b = expected();
        const auto tol = tolerance();
        const double x = detail::asDouble(a), y = detail::asDouble(b);
        if (withinAbsolute(x, y, detail::asDouble(tol))) return true;
        fail(site, {operandLine(left, valueText(a)), "expected " + valueText(b) + " \xC2\xB1 " + valueText(tol),
                    "difference " + numberText(std::fabs(x - y))});
    } catch (...) {
        failOnException(site);
    }
    return false;
}

template <class Value, class Expected, class Relative>
bool nearRelative(const Site& site, const char* left, Value&& value, Expected&& expected,
                  Relative&& relative) noexcept {
    try {
        const auto a = value();
        const auto b = expected();
        const auto rel = relative();
        const double x = detail::asDouble(a), y = detail::asDouble(b), r = detail::asDouble(rel);
        if (withinRelative(x, y, r)) return true;
        const double larger = std::fmax(std::fabs(x), std::fabs(y));
        const double difference = std::fabs(x - y);
        fail(site, {operandLine(left, valueText(a)),
                    "expected " + valueText(b) + " \xC2\xB1 " + valueText(rel) + " relative (\xC2\xB1 " +
                        numberText(r * larger) + ")",
                    "difference " + numberText(difference) + " (relative " + numberText(difference / larger) + ")"});
    } catch (...) {
        failOnException(site);
    }
    return false;
}

template <class Exception, class Body>
bool throws(const Site& site, const char* typeName, Body&& body) noexcept {
    try {
        body();
    } catch (const Exception&) {
        return true;
    } catch (...) {
        failOnException(site, typeName);
        return false;
    }
    try {
        fail(site, {std::string("expected ") + typeName + ", but nothing was thrown"});
    } catch (...) {
        failOnException(site);
    }
    return false;
}

template <class Body>
bool noThrow(const Site& site, Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        failOnException(site);
    }
    return false;
}

} // namespace check
} // namespace Rt
