#include "update/xml/XmlDom.h"
#include "update/xml/XmlReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

namespace vexrem::xml {
namespace {

// Random and mutated documents: each load ends in a tree or in one of the
// component's own errors -- never a crash, a hang or a foreign exception.
class DocumentMaker {
public:
    explicit DocumentMaker(std::uint32_t seed) : rng_(seed) {}

    std::string Document() {
        std::string out;
        if (Chance(4))
            out += "<?xml version=\"1.0\"?>\n";
        if (Chance(6))
            out += "<!DOCTYPE r [<!ENTITY a \"<b>\">]>";
        Element(out, 0);
        if (Chance(5))
            out += "<!-- tail -->\n";
        return out;
    }

    std::string Mutate(std::string doc) {
        static const std::string kBytes("<>/=\"'!?-[]& \n\tax:\xEF\0", 20);
        const int edits = 1 + Pick(4);
        for (int i = 0; i < edits && !doc.empty(); ++i) {
            const std::size_t at = Pick(static_cast<int>(doc.size()));
            switch (Pick(4)) {
            case 0:
                doc.erase(at, 1 + Pick(3));
                break;
            case 1:
                doc.insert(at, 1, kBytes[Pick(static_cast<int>(kBytes.size()))]);
                break;
            case 2:
                doc[at] = kBytes[Pick(static_cast<int>(kBytes.size()))];
                break;
            default:
                doc.resize(at); // cut off
                break;
            }
        }
        return doc;
    }

    int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

    // Text without "<": entities, near-entities and plain bytes.
    std::string Text(int pieces) {
        static const char* const kPieces[] = {"&amp;",    "&lt;",  "&gt;", "&quot;", "&apos;",
                                              "&amp;lt;", "&#65;", "&",    ";",      "x",
                                              "ab c",     "'",     ">"};
        std::string out;
        for (int i = 0; i < pieces; ++i)
            out += kPieces[Pick(static_cast<int>(std::size(kPieces)))];
        return out;
    }

private:
    bool Chance(int oneIn) { return Pick(oneIn) == 0; }
    std::string Name() {
        static const char* const kNames[] = {"r", "v", "p:q", "news", "a-b", "x1"};
        return kNames[Pick(6)];
    }

    void Element(std::string& out, int depth) {
        const std::string name = Name();
        out += "<" + name;
        for (int i = Pick(3); i > 0; --i)
            out += (Chance(2) ? " " : "") + Name() + "=" + (Chance(2) ? "'v&amp;1'" : "\"x\"");
        if (depth > 4 || Chance(4)) {
            out += Chance(2) ? "/>" : " />";
            return;
        }
        out += ">";
        for (int i = Pick(4); i > 0; --i) {
            switch (Pick(6)) {
            case 0:
                out += "text &lt; more";
                break;
            case 1:
                out += "\n  ";
                break;
            case 2:
                out += "<![CDATA[a]b<c>]]>";
                break;
            case 3:
                out += "<!-- c -->";
                break;
            case 4:
                out += "<?pi data?>";
                break;
            default:
                Element(out, depth + 1);
                break;
            }
        }
        out += "</" + name + ">";
    }

    std::mt19937 rng_;
};

TEST(RandomDocuments, EveryOutcomeIsATreeOrAKnownError) {
    DocumentMaker maker(20240607);
    int loaded = 0, readerErrors = 0, treeErrors = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string doc = maker.Document();
        if (i % 4 != 0)
            doc = maker.Mutate(std::move(doc));
        auto tree = MakeRef<TXmlDDocument>();
        try {
            tree->LoadFromString(doc);
            ++loaded;
            // What was written back loads again to the same text.
            const std::string written = tree->Xml();
            auto again = MakeRef<TXmlDDocument>();
            again->LoadFromString(written);
            ASSERT_EQ(again->Xml(), written) << doc;
            (void)tree->NodeText();
        } catch (const EXmlReader&) {
            ++readerErrors;
        } catch (const EXmlError&) {
            ++treeErrors;
        }
        // The partial tree of a failed load is freed with the document.
    }
    EXPECT_GT(loaded, 5000);
    EXPECT_GT(readerErrors, 1000);
}

// Shapes a hostile site would send, kept small: many attributes with names
// given again, nesting around the depth bound, long runs of siblings, long
// texts full of entities. Each is checked against what it must load to.

// The five entities decoded left to right, nothing else.
std::string Decoded(std::string_view s) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool entity = false;
        for (const auto& [name, c] : kEntities) {
            if (s.substr(i, name.size()) == name) {
                out += c;
                i += name.size();
                entity = true;
                break;
            }
        }
        if (!entity)
            out += s[i++];
    }
    return out;
}

TRef<TXmlDDocument> Loaded(const std::string& text) {
    auto doc = MakeRef<TXmlDDocument>();
    doc->LoadFromString(text);
    return doc;
}

void ManyAttributes(DocumentMaker& make) {
    // Few names, many attributes: a name comes again and again.
    const int names = 1 + make.Pick(60);
    std::vector<std::pair<std::string, std::string>> expected; // first place, last value
    std::string doc = "<r";
    for (int i = make.Pick(600); i > 0; --i) {
        const std::string name =
            (make.Pick(4) == 0 ? "p:n" : "n") + std::to_string(make.Pick(names));
        const std::string value = make.Text(make.Pick(4));
        doc += " " + name + "=\"" + value + "\"";
        auto at = expected.begin();
        while (at != expected.end() && at->first != name)
            ++at;
        if (at == expected.end())
            expected.emplace_back(name, Decoded(value));
        else
            at->second = Decoded(value);
    }
    doc += "/>";
    auto tree = Loaded(doc);
    const TXmlDNamedNodeMap& attributes = tree->FindChild("r")->Attributes();
    ASSERT_EQ(attributes.Count(), static_cast<int>(expected.size())) << doc;
    for (int i = 0; i < attributes.Count(); ++i) {
        EXPECT_EQ(attributes.Item(i)->NodeName(), expected[i].first) << doc;
        EXPECT_EQ(attributes.Item(i)->NodeValue(), expected[i].second) << doc;
    }
}

void DeepNesting(DocumentMaker& make) {
    // Mostly at the bound, where one level decides.
    const int depth = make.Pick(3) == 0 ? 1 + make.Pick(50) : kMaxLoadDepth - 2 + make.Pick(5);
    const std::string text = make.Text(make.Pick(3000)); // past the reader's chunk at times
    const bool closed = make.Pick(2) == 0;
    std::string doc;
    for (int i = 0; i < depth; ++i)
        doc += "<d>";
    doc += text;
    for (int i = 0; closed && i < depth; ++i)
        doc += "</d>";
    auto tree = MakeRef<TXmlDDocument>();
    try {
        tree->LoadFromString(doc);
    } catch (const EXmlLimit& e) {
        EXPECT_GT(depth, kMaxLoadDepth);
        EXPECT_STREQ(e.what(), "XML-Dokument zu tief verschachtelt (Grenze 1000 Ebenen)");
        return;
    }
    ASSERT_LE(depth, kMaxLoadDepth);
    EXPECT_EQ(tree->NodeText(), Decoded(text));
    int levels = 0;
    for (const TXmlDNode* n = tree->FirstChild(); n && n->NodeType() == ntElement;
         n = n->FirstChild())
        ++levels;
    EXPECT_EQ(levels, depth);
}

void ManySiblings(DocumentMaker& make) {
    struct Node {
        const char* read;
        const char* written;
    };
    static const Node kNodes[] = {{"<s/>", "<s/>"},
                                  {"<s a='1'/>", "<s a=\"1\"/>"},
                                  {"<s></s>", "<s/>"},
                                  {"<!--c-->", "<!--c-->"},
                                  {"<![CDATA[&lt;]]>", "<![CDATA[&lt;]]>"},
                                  {"<?p  d?>", "<?p d?>"}};
    std::string doc = "<r>";
    std::string expected = "<r>";
    int children = 0;
    bool afterText = false;
    for (int i = 1 + make.Pick(2000); i > 0; --i) {
        if (make.Pick(3) == 0) {
            const std::string text = make.Text(1 + make.Pick(3));
            doc += text;
            expected += Escape(Decoded(text));
            children += afterText ? 0 : 1; // adjacent text is one text node
            afterText = true;
            continue;
        }
        const Node& node = kNodes[make.Pick(static_cast<int>(std::size(kNodes)))];
        doc += node.read;
        expected += node.written;
        ++children;
        afterText = false;
    }
    doc += "</r>";
    expected += "</r>";
    auto tree = Loaded(doc);
    EXPECT_EQ(tree->FindChild("r")->ChildNodes().Count(), children);
    const std::string xml = tree->Xml();
    EXPECT_TRUE(xml == expected)
        << "written back differs from byte "
        << std::mismatch(xml.begin(), xml.end(), expected.begin(), expected.end()).first -
               xml.begin();
}

TEST(RandomDocuments, HostileShapesLoadToWhatTheySayOrAreRefused) {
    DocumentMaker make(20261208);
    for (int i = 0; i < 100 && !::testing::Test::HasFailure(); ++i) {
        ManyAttributes(make);
        DeepNesting(make);
        ManySiblings(make);
    }
}

} // namespace
} // namespace vexrem::xml
