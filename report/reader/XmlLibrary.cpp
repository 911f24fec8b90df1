#include "report/reader/XmlLibrary.h"
#include "env/LibraryBinding.h"

namespace rtreport {

namespace {

#if defined(_WIN32)
const char* const kLibraryName = "libxml2.dll";
#elif defined(__APPLE__)
const char* const kLibraryName = "libxml2.2.dylib";
#else
const char* const kLibraryName = "libxml2.so.2";
#endif

struct Loaded {
    XmlLibrary functions{};
    std::string problem;
    bool ok = false;

    Loaded() {
        Rt::LibraryBinding library(kLibraryName, "the XML parser");
        XmlLibrary& f = functions;
        library.bind("xmlReaderForIO", f.readerForIO);
        library.bind("xmlFreeTextReader", f.freeTextReader);
        library.bind("xmlTextReaderSetStructuredErrorHandler", f.setStructuredErrorHandler);
        library.bind("xmlTextReaderRead", f.read);
        library.bind("xmlTextReaderNodeType", f.nodeType);
        library.bind("xmlTextReaderConstName", f.constName);
        library.bind("xmlTextReaderConstValue", f.constValue);
        library.bind("xmlTextReaderIsEmptyElement", f.isEmptyElement);
        library.bind("xmlTextReaderMoveToAttribute", f.moveToAttribute);
        library.bind("xmlTextReaderMoveToElement", f.moveToElement);
        ok = library.complete(problem);
    }
};

} // namespace

const XmlLibrary* XmlLibrary::get(std::string& problem) {
    static const Loaded loaded;
    if (!loaded.ok) problem = loaded.problem;
    return loaded.ok ? &loaded.functions : nullptr;
}

} // namespace rtreport
