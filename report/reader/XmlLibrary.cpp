#include "report/reader/XmlLibrary.h"
#include "env/Platform.h"

namespace rtreport {

namespace {

#if defined(_WIN32)
const char* const kLibraryName = "libxml2.dll";
#elif defined(__APPLE__)
const char* const kLibraryName = "libxml2.2.dylib";
#else
const char* const kLibraryName = "libxml2.so.2";
#endif

// Finds `name` in the library; the first name not found goes to `missing`.
template <class Function>
void bind(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(Rt::Platform::findSymbol(library, name));
    if (!function && missing.empty()) missing = name;
}

struct Loaded {
    XmlLibrary functions{};
    std::string problem;
    bool ok = false;

    Loaded() {
        void* library = Rt::Platform::loadLibrary(kLibraryName, problem);
        if (!library) {
            problem = "the XML parser " + std::string(kLibraryName) + " cannot be loaded: " + problem;
            return;
        }
        std::string missing;
        XmlLibrary& f = functions;
        bind(library, "xmlReaderForIO", f.readerForIO, missing);
        bind(library, "xmlFreeTextReader", f.freeTextReader, missing);
        bind(library, "xmlTextReaderSetStructuredErrorHandler", f.setStructuredErrorHandler, missing);
        bind(library, "xmlTextReaderRead", f.read, missing);
        bind(library, "xmlTextReaderNodeType", f.nodeType, missing);
        bind(library, "xmlTextReaderConstName", f.constName, missing);
        bind(library, "xmlTextReaderConstValue", f.constValue, missing);
        bind(library, "xmlTextReaderIsEmptyElement", f.isEmptyElement, missing);
        bind(library, "xmlTextReaderMoveToAttribute", f.moveToAttribute, missing);
        bind(library, "xmlTextReaderMoveToElement", f.moveToElement, missing);
        if (!missing.empty()) {
            problem = "the XML parser " + std::string(kLibraryName) + " lacks " + missing;
            return;
        }
        ok = true;  // the library stays loaded for the life of the process
    }
};

} // namespace

const XmlLibrary* XmlLibrary::get(std::string& problem) {
    static const Loaded loaded;
    if (!loaded.ok) problem = loaded.problem;
    return loaded.ok ? &loaded.functions : nullptr;
}

} // namespace rtreport
