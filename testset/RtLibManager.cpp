#include "testset/RtLibManager.h"
#include "corelib/KxBuildInfo.h"
#include "env/Platform.h"
#include "results/RunEvents.h"
#include <cstdio>
#include <exception>
#include <string>
#include <typeinfo>

namespace Rt {

namespace {

using AcquireFactory = TestSetFactory* (*)();

// Directory of the loaded core library, found through a function it holds.
KxString coreLibraryDirectory() {
    std::string file = Platform::moduleFileOf(reinterpret_cast<const void*>(&KxLib::init));
    std::size_t separator = file.find_last_of("/\\");
    return separator == std::string::npos ? KxString() : KxString(file.substr(0, separator + 1).c_str());
}

// The core library's error state must not point into a library that goes:
// neither its callback nor a current error of a class the library defines
// (that error's destructor is the library's code).
void forgetErrorStateIn(void* library) {
    if (Platform::libraryHolds(library, reinterpret_cast<const void*>(KxErrorState::getErrorCallback())))
        KxErrorState::setErrorCallback(nullptr);
    if (const KxStdError* error = KxErrorState::s_pError)
        if (Platform::libraryHolds(library, &typeid(*error))) KxErrorState::clearError();
}

} // namespace

RtLibManager::RtLibManager() = default;

RtLibManager::~RtLibManager() {
    unloadTestLibs();
    m_failures.freeStorage();
}

TestSetFactory* RtLibManager::factory(int i) {
    if (i < 0) return nullptr;
    return m_factories[static_cast<std::uint32_t>(i)].get();
}

bool RtLibManager::loadTestLibs() {
    if (m_directory.isEmpty()) m_directory = coreLibraryDirectory();
    loadMatchingIn(m_directory.toStdString());
    return true;
}

void RtLibManager::loadTestLibsFrom(const KxString& directory) {
    std::string dir = directory.toStdString();
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
    loadMatchingIn(dir);
}

void RtLibManager::loadMatchingIn(const std::string& directory) {
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), "%d%d%s", 8, 0, Platform::librarySuffix());
    for (const std::string& entry : Platform::listDirectory(directory)) {
        KxString name(entry.c_str());
        if (name.contains("KxRt") && name.contains(suffix)) {
            std::printf("Found: %s\n", entry.c_str());
            loadFrom(directory, entry.c_str());
        }
    }
}

const KxString& RtLibManager::libraryFileOf(int i) const {
    static const KxString* const none = new KxString;
    if (i < 0 || static_cast<std::uint32_t>(i) >= m_factoryFiles.size()) return *none;
    return m_factoryFiles[static_cast<std::uint32_t>(i)];
}

// The file is loaded from the directory it was found in, so the library
// examined is the one loaded whatever the system's search order.
bool RtLibManager::_loadLibrary(char* fileName) {
    loadFrom(m_directory.toStdString(), fileName);
    return true;
}

void RtLibManager::loadFrom(const std::string& directory, const char* fileName) {
    handOverToForeignCode();  // the library's own start-up code runs next
    std::string reason;
    void* library = Platform::loadLibrary(directory + fileName, reason);
    if (!library) {
        m_failures.append(KxString(fileName) + ": " + reason.c_str());
        std::printf("%s : None\n", fileName);
        RunEvents::libraryLoaded(fileName, LibraryOutcome::eNotLoadable, reason.c_str());
        return;
    }
    LibraryOutcome outcome = LibraryOutcome::eNoEntry;
    reason = "it exports no acquireFactory";
    if (auto acquire = reinterpret_cast<AcquireFactory>(Platform::findSymbol(library, "acquireFactory"))) {
        TestSetFactory* made = nullptr;
        outcome = LibraryOutcome::eNoFactory;
        reason = "its acquireFactory returned no factory";
        try {
            handOverToForeignCode();
            made = acquire();
        } catch (const std::exception& e) {
            outcome = LibraryOutcome::eEntryThrew;
            reason = std::string("its acquireFactory threw: ") + e.what();
        } catch (...) {
            outcome = LibraryOutcome::eEntryThrew;
            reason = "its acquireFactory threw an exception that is not a std::exception";
        }
        if (made) {
            m_factories.append(Kx::SharedPtr<TestSetFactory>(made));
            m_libraries.append(library);
            m_factoryFiles.append(KxString((directory + fileName).c_str()));
            std::printf("%s : Factory\n", fileName);
            RunEvents::libraryLoaded(fileName, LibraryOutcome::eFactory, KxString());
            return;
        }
    }
    forgetErrorStateIn(library);
    Platform::freeLibrary(library);
    std::printf("%s : Library\n", fileName);
    RunEvents::libraryLoaded(fileName, outcome, reason.c_str());
}

bool RtLibManager::unloadTestLibs() {
    std::uint32_t count = m_factories.size() > m_libraries.size() ? m_factories.size() : m_libraries.size();
    while (count-- > 0) _unloadLibary(static_cast<int>(count));
    m_factories.freeStorage();
    m_libraries.freeStorage();
    m_factoryFiles.freeStorage();
    return true;
}

// The factory goes first: its destructor is code of the library.
bool RtLibManager::_unloadLibary(int i) {
    const std::uint32_t index = static_cast<std::uint32_t>(i);
    m_factories.remove(index, 1);
    void* library = m_libraries[index];
    if (library) {
        forgetErrorStateIn(library);
        Platform::freeLibrary(library);
    }
    m_libraries.remove(index, 1);
    if (index < m_factoryFiles.size()) m_factoryFiles.remove(index, 1);
    return true;
}

} // namespace Rt
