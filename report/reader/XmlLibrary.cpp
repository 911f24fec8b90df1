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

void bindAll(Rt::LibraryBinding& library, XmlLibrary& f) {
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
}

} // namespace

const XmlLibrary* XmlLibrary::get(std::string& problem) {
    return Rt::boundOnce<XmlLibrary>(kLibraryName, "the XML parser", &bindAll, problem);
}

} // namespace rtreport
