#pragma once
#include <libxml/xmlreader.h>
#include <string>

namespace rtreport {

// The functions of the XML parser that the report reader uses, from the
// parser's shared library, loaded at the first read: a run that reads no
// report never loads it, nor the libraries it pulls in.
struct XmlLibrary {
    decltype(&xmlReaderForIO) readerForIO;
    decltype(&xmlFreeTextReader) freeTextReader;
    decltype(&xmlTextReaderSetStructuredErrorHandler) setStructuredErrorHandler;
    decltype(&xmlTextReaderRead) read;
    decltype(&xmlTextReaderNodeType) nodeType;
    decltype(&xmlTextReaderConstName) constName;
    decltype(&xmlTextReaderConstValue) constValue;
    decltype(&xmlTextReaderIsEmptyElement) isEmptyElement;
    decltype(&xmlTextReaderMoveToAttribute) moveToAttribute;
    decltype(&xmlTextReaderMoveToElement) moveToElement;

    // The loaded functions; null, with the reason in `problem`, when the
    // library or one of them cannot be had.
    static const XmlLibrary* get(std::string& problem);
};

} // namespace rtreport
