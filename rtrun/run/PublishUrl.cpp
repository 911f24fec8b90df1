#include "rtrun/run/PublishUrl.h"
#include "rtrun/system/Files.h"
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace rtrun {

namespace {

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// Characters that would end the attribute, break the address or smuggle markup in.
bool unfitForAddress(unsigned char c) { return c <= ' ' || c == 0x7f || c == '"' || c == '<' || c == '>'; }

std::string percentEncoded(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The address as the value of an HTML attribute.
std::string attributeText(const std::string& url) {
    std::string out;
    for (char c : url) out += c == '&' ? std::string("&amp;") : std::string(1, c);
    return out;
}

} // namespace

std::string publishedPageUrl(const std::string& baseUrl, const std::string& pageFileName, std::string& problem) {
    std::size_t hostStart = 0;
    if (startsWithNoCase(baseUrl, "https://"))
        hostStart = 8;
    else if (startsWithNoCase(baseUrl, "http://"))
        hostStart = 7;
    if (hostStart == 0 || baseUrl.size() == hostStart || baseUrl[hostStart] == '/') {
        problem = "KXRT_PUBLISH_URL \"" + baseUrl + "\" is not an http or https address with a host";
        return "";
    }
    for (unsigned char c : baseUrl) {
        if (unfitForAddress(c)) {
            problem = "KXRT_PUBLISH_URL \"" + baseUrl + "\" holds a blank, a control character, a quote or an "
                      "angle bracket";
            return "";
        }
    }
    if (pageFileName.empty()) {
        problem = "the page has no file name";
        return "";
    }
    std::string base = baseUrl;
    while (base.size() > hostStart && base.back() == '/') base.pop_back();
    return base + "/" + percentEncoded(pageFileName);
}

bool rewritePageLink(const std::string& emailPath, const std::string& pageFileName, const std::string& baseUrl,
                     std::string& problem) {
    const std::string url = publishedPageUrl(baseUrl, pageFileName, problem);
    if (url.empty()) return false;
    std::string text;
    if (!readFile(emailPath, text)) {
        problem = "cannot read the e-mail summary " + emailPath;
        return false;
    }
    const std::string link = "href=\"" + pageFileName + "\"";
    const std::string published = "href=\"" + attributeText(url) + "\"";
    std::string out;
    std::size_t from = 0, links = 0;
    for (std::size_t at = text.find(link); at != std::string::npos; at = text.find(link, from)) {
        out.append(text, from, at - from);
        out += published;
        from = at + link.size();
        ++links;
    }
    if (links == 0) {
        problem = "the e-mail summary " + emailPath + " holds no link to " + pageFileName;
        return false;
    }
    out.append(text, from, std::string::npos);

    // Written beside it and renamed over it, so a failed write leaves the summary as it was.
    const std::string temporary = emailPath + ".publishing";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(out.data(), static_cast<std::streamsize>(out.size()));
        file.close();
        if (!file) {
            std::remove(temporary.c_str());
            problem = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), emailPath.c_str()) != 0) {
        std::remove(temporary.c_str());
        problem = "cannot replace the e-mail summary " + emailPath;
        return false;
    }
    return true;
}

} // namespace rtrun
