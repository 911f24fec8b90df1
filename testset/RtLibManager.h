#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/testset/TestSetFactory.h>
#include <string>

namespace Rt {

// Finds the test libraries beside the core library ("KxRt" and "80" plus
// the library suffix anywhere in the file name), loads them, and asks each
// for its factory through its exported "acquireFactory". Every other
// reference to a factory must be gone before unloadTestLibs(): the factory's
// code lives in its library.
class RT_API RtLibManager : public KxRefCounted {
public:
    RtLibManager();
    RtLibManager(const RtLibManager&) = delete;
    RtLibManager& operator=(const RtLibManager&) = delete;
    ~RtLibManager() override;

    bool loadTestLibs();
    // Loads the matching libraries of another directory, by full path, after
    // those beside the core library.
    void loadTestLibsFrom(const KxString& directory);
    bool unloadTestLibs();
    Kx::SharedPtrVec<TestSetFactory>& factories() { return m_factories; }
    // Null for a negative index; past the end, the list is extended with empty entries.
    TestSetFactory* factory(int i);
    // Full file name of the library that gave factory i.
    const KxString& libraryFileOf(int i) const;

    // The directory searched, with its trailing separator (known after the first load).
    const KxString& searchDirectory() const { return m_directory; }
    // Why each matching file that could not be loaded was refused ("name: reason").
    const KxVec<KxString>& loadFailures() const { return m_failures; }

protected:
    bool _loadLibrary(char* fileName);
    bool _unloadLibary(int i);

private:
    void loadMatchingIn(const std::string& directory);
    void loadFrom(const std::string& directory, const char* fileName);

    KxString m_directory;
    KxVec<KxString> m_factoryFiles;
    KxVec<void*> m_libraries;
    Kx::SharedPtrVec<TestSetFactory> m_factories;
    KxVec<KxString> m_failures;
};

} // namespace Rt
