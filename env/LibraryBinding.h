#pragma once
// Binds the functions of a shared library that is loaded on first use (the
// XML parser, a database client), so that a program that never needs it
// neither loads it nor fails to start without it. The library stays loaded
// for the life of the process.
#include "env/Platform.h"
#include <string>

namespace Rt {

class LibraryBinding {
public:
    // Loads `file`; `what` names the library in messages ("the XML parser").
    LibraryBinding(const char* file, const char* what) : m_file(file), m_what(what) {
        m_library = Platform::loadLibrary(file, m_problem);
        if (!m_library) m_problem = m_what + " " + m_file + " cannot be loaded: " + m_problem;
    }

    // Looks `name` up; the first name not found is kept for the message.
    template <class Function>
    void bind(const char* name, Function& function) {
        function = m_library ? reinterpret_cast<Function>(Platform::findSymbol(m_library, name)) : nullptr;
        if (!function && m_library && m_missing.empty()) m_missing = name;
    }

    // True when the library loaded and every name was found; else `problem` says why not.
    bool complete(std::string& problem) const {
        if (m_library && m_missing.empty()) return true;
        problem = m_library ? m_what + " " + m_file + " lacks " + m_missing : m_problem;
        return false;
    }

private:
    std::string m_file;
    std::string m_what;
    void* m_library = nullptr;
    std::string m_problem;
    std::string m_missing;
};

// The functions of a library, bound once for the life of the process by
// `bindAll` on first use; null, with the reason in `problem`, when the
// library cannot be loaded or lacks one of them.
template <class Functions>
const Functions* boundOnce(const char* file, const char* what, void (*bindAll)(LibraryBinding&, Functions&),
                           std::string& problem) {
    struct Bound {
        Functions functions{};
        std::string problem;
        bool ok = false;
    };
    static const Bound bound = [&] {
        Bound made;
        LibraryBinding library(file, what);
        bindAll(library, made.functions);
        made.ok = library.complete(made.problem);
        return made;
    }();
    if (!bound.ok) problem = bound.problem;
    return bound.ok ? &bound.functions : nullptr;
}

} // namespace Rt
