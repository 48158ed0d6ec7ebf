#include "update/VersionList.h"

#include "update/xml/XmlDom.h"

#include <algorithm>
#include <stdexcept>

namespace vexrem {

namespace {

using xml::TXmlDNodeRef;

TXmlDNodeRef RequireChild(const xml::TXmlDNode& parent, const char* name) {
    TXmlDNodeRef child = parent.FindChild(name);
    if (!child) {
        throw std::runtime_error(std::string("Element \"") + name + "\" fehlt in \"" +
                                 parent.NodeName() + "\"");
    }
    return child;
}

void RemoveAll(std::string& s, char c) {
    s.erase(std::remove(s.begin(), s.end(), c), s.end());
}

} // namespace

void ReadVersionList(std::string body, rUpdateResult& result) {
    // The site lays the document out with line feeds and tabs; without them
    // the texts carry no stray layout. CR and blanks are content.
    RemoveAll(body, '\n');
    RemoveAll(body, '\t');
    result.Received = true;
    result.Versions.clear();

    auto document = xml::MakeRef<xml::TXmlDDocument>();
    try {
        document->LoadFromString(body);
    } catch (const xml::EXmlLimit&) {
        // A body refused for its size was not read at all: the page is to show
        // the failure, not that no update is needed.
        result.Received = false;
        throw;
    }

    // A document type declaration carries the root's name too; the list is
    // the element.
    TXmlDNodeRef root;
    const auto roots = document->ChildrenByName("versioninfos");
    for (int i = 0; i < roots->Count() && !root; ++i) {
        if (roots->Item(i)->NodeType() == xml::ntElement) {
            root.Assign(roots->Item(i));
        }
    }
    if (!root) {
        throw std::runtime_error("Element \"versioninfos\" fehlt");
    }
    const auto entries = root->ChildrenByName("versioninfo");
    for (int i = 0; i < entries->Count(); ++i) {
        const xml::TXmlDNode& node = *entries->Item(i);
        result.HasEntries = true;
        tVersionInfo entry;
        const TXmlDNodeRef date = RequireChild(node, "date");
        if (date->NodeType() != xml::ntElement) {
            throw std::runtime_error("\"date\" ist kein Element");
        }
        entry.Date = date->NodeText();
        entry.Version = RequireChild(node, "version")->NodeText();
        if (result.NewestVersion == kNoVersionYet) {
            result.NewestVersion = entry.Version;
        }
        const auto news = RequireChild(node, "newslist")->ChildrenByName("news");
        for (int n = 0; n < news->Count(); ++n) {
            entry.News.push_back(news->Item(n)->NodeText());
        }
        result.Versions.push_back(std::move(entry));
    }
}

} // namespace vexrem
