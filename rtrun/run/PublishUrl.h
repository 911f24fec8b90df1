#pragma once
#include <string>

namespace rtrun {

// The address of the run's page once the result directory is published
// under `baseUrl` (an http or https address): the base, one "/", then the
// page's file name percent-encoded. Empty when `baseUrl` is not usable, with
// the reason in `problem`.
std::string publishedPageUrl(const std::string& baseUrl, const std::string& pageFileName, std::string& problem);

// Points the e-mail summary's link to the page at its published address:
// every href="<pageFileName>" in the file at `emailPath` gets the absolute
// address, everything else stays byte for byte. The file is replaced only
// when all went well; otherwise it is left as it was, the function returns
// false and `problem` says why.
bool rewritePageLink(const std::string& emailPath, const std::string& pageFileName, const std::string& baseUrl,
                     std::string& problem);

} // namespace rtrun
