#pragma once
// The maker's version list: what one update check learns from the site, and
// how the list document is read into it.

#include <string>
#include <vector>

namespace vexrem {

// One listed version. Date and version are shown as the site wrote them; the
// program never compares or parses them.
struct tVersionInfo {
    std::string Date;
    std::string Version;
    std::vector<std::string> News;
};

// In document order; the site decides which versions it lists and how.
using tVersionList = std::vector<tVersionInfo>;

inline constexpr const char* kNoVersionYet = "0.0.0.0";

// The outcome of one update check. The fields are filled in this order as the
// check proceeds, and whatever was set before a failure stays set.
struct rUpdateResult {
    bool Received = false;   // the whole body arrived (set before parsing)
    bool HasEntries = false; // a "versioninfo" was met (set before its children are read)
    std::string NewestVersion = kNoVersionYet; // the first listed version other than 0.0.0.0
    tVersionList Versions;                     // complete entries only
    std::string ErrorText;
};

// Takes the response body of the version list: drops every LF and TAB, sets
// Received, starts an empty Versions list and reads the document into result.
// Throws (an XML error, or std::runtime_error for a missing element) at the
// first thing it cannot read; the entries completed before stay in result.
// A document beyond the bounds of the XML loader (too deep, too many nodes)
// counts as not received: Received is cleared again, so its refusal is shown
// as the failure of the check.
void ReadVersionList(std::string body, rUpdateResult& result);

} // namespace vexrem
