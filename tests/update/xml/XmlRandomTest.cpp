#include "update/xml/XmlDom.h"
#include "update/xml/XmlReader.h"

#include <gtest/gtest.h>

#include <random>

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

private:
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
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

} // namespace
} // namespace vexrem::xml
