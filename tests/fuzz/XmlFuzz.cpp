// The XML reader and node tree: any bytes load into a tree or fail with one of
// the component's own errors; a loaded tree writes out text that loads again
// to the same text; every node answers its accessors.

#include "FuzzCheck.h"

#include "update/xml/XmlDom.h"
#include "update/xml/XmlReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace vexrem::xml;

namespace {

// Pre-order walk over every node below the document, by the sibling links (no
// recursion: the nesting is as deep as the input allows). Answers whether the
// tree can be written as text that loads again: a start tag may have blanks
// after its "<", so "< !x>" loads as an element named "!x", which written as
// "<!x>" reads back as a declaration (and "< ?x>" as a processing instruction).
bool CheckTree(const TXmlDNode* root) {
    bool writable = true;
    const TXmlDNode* n = root->FirstChild();
    int checked = 0;
    while (n) {
        if (n->NodeType() == ntElement) {
            const std::string& tag = static_cast<const TXmlDElement*>(n)->TagName();
            writable = writable && tag[0] != '!' && tag[0] != '?';
        }
        FUZZ_CHECK(n->ParentNode() != nullptr);
        FUZZ_CHECK(n->TypeName()[0] != '\0');
        (void)n->NodeValue();
        const std::string name = n->NodeName();
        FUZZ_CHECK(n->Prefix().empty() || name.starts_with(n->Prefix() + ":"));
        // The lookups by name answer the first node of that name; checked for
        // the first nodes only, which keeps a wide tree linear.
        if (++checked <= 64) {
            const TXmlDNode* parent = n->ParentNode();
            const TXmlDNodeRef found = parent->FindChild(name);
            FUZZ_CHECK(found && found->NodeName() == name);
            FUZZ_CHECK(parent->ChildNodes().IndexOf(found.Get()) <=
                       parent->ChildNodes().IndexOf(n));
            const TXmlDNamedNodeMap& attributes = n->Attributes();
            if (n->NodeType() == ntElement && attributes.Count() > 0) {
                const auto* element = static_cast<const TXmlDElement*>(n);
                const std::string first = attributes.Item(0)->NodeName();
                const auto attribute = element->AttributeNode(first);
                FUZZ_CHECK(attribute && attribute.Get() == attributes.Item(0));
            }
        }
        if (n->FirstChild()) {
            FUZZ_CHECK(n->FirstChild()->PreviousSibling() == nullptr);
            n = n->FirstChild();
            continue;
        }
        while (n && n != root && !n->NextSibling())
            n = n->ParentNode();
        n = (n && n != root) ? n->NextSibling() : nullptr;
    }
    return writable;
}

// Edits on the loaded tree: the first child of the first element moves to the
// end and is then taken out, and the sibling links stay in step each time.
void CheckEdits(TXmlDNode* doc) {
    TXmlDNode* element = doc->FirstChild();
    while (element && element->NodeType() != ntElement)
        element = element->NextSibling();
    if (!element || !element->HasChildNodes())
        return;
    const int count = element->ChildNodes().Count();
    const TXmlDNodeRef moved(element->FirstChild());
    FUZZ_CHECK(element->AppendChild(moved.Get()) == count - 1);
    FUZZ_CHECK(element->LastChild() == moved.Get() && moved->NextSibling() == nullptr);
    FUZZ_CHECK(moved->ParentNode() == element && element->ChildNodes().Count() == count);
    const TXmlDNodeRef removed = element->RemoveChild(moved.Get());
    FUZZ_CHECK(removed == moved && moved->ParentNode() == nullptr);
    FUZZ_CHECK(element->ChildNodes().Count() == count - 1);
    int forward = 0;
    for (const TXmlDNode* n = element->FirstChild(); n; n = n->NextSibling())
        ++forward;
    int backward = 0;
    for (const TXmlDNode* n = element->LastChild(); n; n = n->PreviousSibling())
        ++backward;
    FUZZ_CHECK(forward == count - 1 && backward == count - 1);
}

void LoadWriteReload(std::string_view text, bool keepWhitespace) {
    auto doc = MakeRef<TXmlDDocument>();
    doc->SetKeepWhitespace(keepWhitespace);
    try {
        doc->LoadFromString(text);
    } catch (const EXmlReader&) {
        return;
    } catch (const EXmlError&) {
        return;
    }
    const bool writable = CheckTree(doc.Get());
    (void)doc->NodeText();
    const std::string written = doc->Xml();
    if (!writable)
        return;

    // What we wrote must load: no error may escape here.
    auto again = MakeRef<TXmlDDocument>();
    again->SetKeepWhitespace(keepWhitespace);
    again->LoadFromString(written);
    FUZZ_CHECK(again->Xml() == written);
    FUZZ_CHECK(again->ChildNodes().Count() == doc->ChildNodes().Count());
    CheckEdits(again.Get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoadWriteReload(text, false);
    LoadWriteReload(text, true);
    return 0;
}
