#include "XmlTestSupport.h"

#include "update/xml/XmlDom.h"
#include "update/xml/XmlReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace vexrem::xml {
namespace {

using test::Cp1251;

template <class F> std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

TRef<TXmlDDocument> Load(std::string_view text) {
    auto doc = MakeRef<TXmlDDocument>();
    doc->LoadFromString(text);
    return doc;
}

// ---- node classes -----------------------------------------------------------------

TEST(NodeTypes, NamesByCode) {
    const std::vector<std::string> names = {"element",
                                            "attribute",
                                            "text",
                                            "cdatasection",
                                            "entityreference",
                                            "entity",
                                            "processinginstruction",
                                            "comment",
                                            "document",
                                            "documenttype",
                                            "documentfragment",
                                            "notation"};
    for (int code = 0; code < kXmlNodeTypeCount; ++code)
        EXPECT_EQ(XmlNodeTypeName(static_cast<std::uint8_t>(code)), names[code]);
}

struct NodeCase {
    std::function<TXmlDNodeRef()> make;
    std::uint8_t type;
    std::string name, value, text, xml;
    const char* refusedValue; // UTF-8 message, or nullptr when setting works
    const char* refusedText;
};

std::vector<NodeCase> NodeCases() {
    return {
        {[] {
             auto d = MakeRef<TXmlDDocument>();
             d->LoadFromString("<?pi x?><r>a<b>b</b></r>");
             return TXmlDNodeRef(d);
         },
         ntDocument, "#document", "", "ab", "<?pi x?><r>a<b>b</b></r>",
         "XML: Нельзя изменять значение узла \"document\"",
         "XML: Нельзя изменять текст узла \"document\""},
        {[] { return TXmlDNodeRef(MakeRef<TXmlDDocumentType>("html")); }, ntDocumentType, "html",
         "", "", "<!DOCTYPE html []>", "XML: Нельзя изменять значение узла \"documenttype\"",
         "XML: Нельзя изменять текст узла \"documenttype\""},
        {[] {
             auto e = MakeRef<TXmlDElement>("p:e");
             e->SetAttribute("a", "<\"&'>");
             e->AppendChild(MakeRef<TXmlDText>("t&").Get());
             return TXmlDNodeRef(e);
         },
         ntElement, "p:e", "", "t&", "<p:e a=\"&lt;&quot;&amp;&apos;&gt;\">t&amp;</p:e>",
         "XML: Нельзя изменять значение узла \"element\"", nullptr},
        {[] { return TXmlDNodeRef(MakeRef<TXmlDAttribute>("n", "v<")); }, ntAttribute, "n", "v<",
         "v<", "n=\"v&lt;\"", nullptr, nullptr},
        {[] { return TXmlDNodeRef(MakeRef<TXmlDComment>(" <c> ")); }, ntComment, "#comment",
         " <c> ", " <c> ", "<!-- <c> -->", nullptr, nullptr},
        {[] { return TXmlDNodeRef(MakeRef<TXmlDText>("a<b")); }, ntText, "#text", "a<b", "a<b",
         "a&lt;b", nullptr, nullptr},
        {[] { return TXmlDNodeRef(MakeRef<TXmlDCDATASection>("a<b")); }, ntCDATASection,
         "#cdata-section", "a<b", "a<b", "<![CDATA[a<b]]>", nullptr, nullptr},
        {[] { return TXmlDNodeRef(MakeRef<TXmlDProcessingInstruction>("t", "")); },
         ntProcessingInstruction, "t", "", "", "<?t ?>", nullptr, nullptr},
    };
}

TEST(NodeClasses, OperationsOfEveryClass) {
    for (const NodeCase& c : NodeCases()) {
        TXmlDNodeRef node = c.make();
        SCOPED_TRACE(c.name);
        EXPECT_EQ(node->NodeType(), c.type);
        EXPECT_EQ(node->NodeName(), c.name);
        EXPECT_EQ(node->NodeValue(), c.value);
        EXPECT_EQ(node->NodeText(), c.text);
        EXPECT_EQ(node->Xml(), c.xml);

        TXmlDNodeRef clone = node->CloneNode();
        EXPECT_NE(clone.Get(), node.Get());
        EXPECT_EQ(clone->NodeType(), c.type);
        EXPECT_EQ(clone->NodeName(), c.name);
        EXPECT_EQ(clone->NodeValue(), c.value);
        EXPECT_FALSE(clone->HasChildNodes()); // shallow
        EXPECT_EQ(clone->Attributes().Count(), 0);

        if (c.refusedValue) {
            EXPECT_EQ(ErrorOf([&] { node->SetNodeValue("x"); }), Cp1251(c.refusedValue));
        } else {
            node->SetNodeValue("v2");
            EXPECT_EQ(node->NodeValue(), "v2");
        }
        if (c.refusedText) {
            EXPECT_EQ(ErrorOf([&] { node->SetNodeText("x"); }), Cp1251(c.refusedText));
        } else {
            node->SetNodeText("t2");
            EXPECT_EQ(node->NodeText(), "t2");
        }
    }
}

TEST(NodeClasses, ElementSetTextReplacesAllChildren) {
    auto doc = Load("<r a='1'><x/>y<!--c--></r>");
    TXmlDNodeRef r = doc->FindChild("r");
    r->SetNodeText("<new>");
    ASSERT_EQ(r->ChildNodes().Count(), 1);
    EXPECT_EQ(r->FirstChild()->NodeType(), ntText);
    EXPECT_EQ(r->Xml(), "<r a=\"1\">&lt;new&gt;</r>");
}

TEST(NodeClasses, PrefixAndLocalNameSplitAtFirstColon) {
    auto e = MakeRef<TXmlDElement>("a:b:c");
    EXPECT_EQ(e->Prefix(), "a");
    EXPECT_EQ(e->LocalName(), "b:c");
    auto plain = MakeRef<TXmlDElement>("x");
    EXPECT_EQ(plain->Prefix(), "");
    EXPECT_EQ(plain->LocalName(), "x");
}

TEST(NodeClasses, CloneKeepsDocumentFlagAndCopiesAttributeAndPi) {
    auto doc = MakeRef<TXmlDDocument>();
    doc->SetKeepWhitespace(true);
    auto clone = StaticRefCast<TXmlDDocument>(doc->CloneNode());
    EXPECT_TRUE(clone->KeepWhitespace());
    auto pi = MakeRef<TXmlDProcessingInstruction>("t", "d");
    EXPECT_EQ(pi->CloneNode()->Xml(), "<?t d?>");
}

// ---- insertion rules ----------------------------------------------------------------

TEST(InsertionRules, EveryRowOfTheTable) {
    using Set = std::set<int>;
    const Set all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const Set inElement = {ntElement,
                           ntText,
                           ntCDATASection,
                           ntEntityReference,
                           ntProcessingInstruction,
                           ntComment,
                           ntDocumentFragment};
    const Set inDocument = {ntElement, ntProcessingInstruction, ntComment, ntDocumentType,
                            ntDocumentFragment};
    const std::vector<std::pair<int, Set>> rows = {
        {ntElement, inElement},   {ntDocumentFragment, inElement},
        {ntDocument, inDocument}, {ntEntityReference, all},
        {ntEntity, all},          {ntDocumentType, all},
        {ntAttribute, {}},        {ntText, {}},
        {ntCDATASection, {}},     {ntProcessingInstruction, {}},
        {ntComment, {}},          {ntNotation, {}}};
    ASSERT_EQ(rows.size(), 12u);
    for (const auto& [parent, allowed] : rows) {
        for (int child = 0; child < kXmlNodeTypeCount; ++child) {
            const auto p = static_cast<std::uint8_t>(parent);
            const auto c = static_cast<std::uint8_t>(child);
            const std::string error = ErrorOf([&] { CheckXmlInsertion(p, c); });
            if (allowed.count(child)) {
                EXPECT_EQ(error, "(no error)") << parent << "/" << child;
            } else if (allowed.empty()) {
                EXPECT_EQ(error, Cp1251("XML: узел \"" + std::string(XmlNodeTypeName(p)) +
                                        "\" не может содержать подузлы"));
            } else {
                EXPECT_EQ(error,
                          Cp1251("XML: узел \"" + std::string(XmlNodeTypeName(p)) +
                                 "\" не может содержать подузел \"" + XmlNodeTypeName(c) + "\""));
            }
        }
    }
}

TEST(InsertionRules, AppliedByInsertChild) {
    auto element = MakeRef<TXmlDElement>("e");
    auto doctype = MakeRef<TXmlDDocumentType>("d");
    EXPECT_EQ(ErrorOf([&] { element->AppendChild(doctype.Get()); }),
              Cp1251("XML: узел \"element\" не может содержать подузел \"documenttype\""));
    auto text = MakeRef<TXmlDText>("t");
    EXPECT_EQ(ErrorOf([&] { text->AppendChild(element.Get()); }),
              Cp1251("XML: узел \"text\" не может содержать подузлы"));
    auto doc = MakeRef<TXmlDDocument>();
    EXPECT_EQ(ErrorOf([&] { doc->AppendChild(text.Get()); }),
              Cp1251("XML: узел \"document\" не может содержать подузел \"text\""));
    EXPECT_FALSE(element->HasChildNodes());
    EXPECT_EQ(doctype->AppendChild(element.Get()), 0); // a document type takes anything
}

// ---- tree operations ----------------------------------------------------------------

std::string Names(const TXmlDNode& n) {
    std::string out;
    for (const TXmlDNode* c = n.FirstChild(); c; c = c->NextSibling())
        out += c->NodeName();
    // The backward links must agree with the forward ones.
    std::string back;
    for (const TXmlDNode* c = n.LastChild(); c; c = c->PreviousSibling())
        back.insert(0, c->NodeName());
    EXPECT_EQ(out, back);
    return out;
}

TRef<TXmlDElement> Parent(const char* children) {
    auto p = MakeRef<TXmlDElement>("p");
    for (const char* c = children; *c; ++c)
        p->AppendChild(MakeRef<TXmlDElement>(std::string(1, *c)).Get());
    return p;
}

TEST(TreeOperations, InsertLinksAndReturnsIndex) {
    auto p = Parent("ac");
    EXPECT_EQ(p->InsertChild(MakeRef<TXmlDElement>("b").Get(), 1), 1);
    EXPECT_EQ(Names(*p), "abc");
    EXPECT_EQ(p->FirstChild()->ParentNode(), p.Get());
    EXPECT_EQ(p->InsertChild(MakeRef<TXmlDElement>("z").Get(), -1), 3);
    EXPECT_THROW(p->InsertChild(MakeRef<TXmlDElement>("q").Get(), 9), std::out_of_range);
    EXPECT_EQ(Names(*p), "abcz");
}

TEST(TreeOperations, RemoveUnlinksAndReportsMissingChild) {
    auto p = Parent("abc");
    TXmlDNodeRef b = p->FindChild("b");
    p->RemoveChild(b.Get());
    EXPECT_EQ(Names(*p), "ac");
    EXPECT_EQ(b->ParentNode(), nullptr);
    EXPECT_EQ(b->PreviousSibling(), nullptr);
    EXPECT_EQ(b->NextSibling(), nullptr);
    EXPECT_EQ(b->RefCount(), 1); // only ours is left
    EXPECT_EQ(ErrorOf([&] { p->RemoveChild(b.Get()); }),
              Cp1251("XML: Не найден подузел для удаления"));
}

TEST(TreeOperations, InsertMovesNodeFromOtherParent) {
    auto from = Parent("xy");
    auto to = Parent("ab");
    to->InsertChild(from->FirstChild(), 1);
    EXPECT_EQ(Names(*from), "y");
    EXPECT_EQ(Names(*to), "axb");
    EXPECT_EQ(to->ChildNodes().Item(1)->ParentNode(), to.Get());
}

TEST(TreeOperations, MoveWithinOwnParentPlacesBeforeSiblingAtIndex) {
    struct Row {
        const char* node;
        int index;
        const char* order;
        int result;
    };
    for (const Row& row : std::vector<Row>{{"a", 2, "bac", 1},
                                           {"a", 3, "bca", 2},
                                           {"a", -1, "bca", 2},
                                           {"a", 0, "abc", 0},
                                           {"a", 1, "abc", 0},
                                           {"c", 0, "cab", 0},
                                           {"b", 2, "abc", 1}}) {
        auto p = Parent("abc");
        TXmlDNodeRef node = p->FindChild(row.node);
        EXPECT_EQ(p->InsertChild(node.Get(), row.index), row.result) << row.node << row.index;
        EXPECT_EQ(Names(*p), row.order) << row.node << row.index;
        EXPECT_EQ(node->RefCount(), 2);
    }
}

TEST(TreeOperations, NodeInTwoOwningListsIsRefused) {
    auto a = Parent("x");
    auto b = Parent("");
    EXPECT_EQ(ErrorOf([&] { b->ChildNodes().Insert(a->FirstChild(), -1); }),
              Cp1251("XML: Нельзя добавлять узел в два списка"));
    // An attribute belongs to its element, not to the children: moving it fails.
    auto e = MakeRef<TXmlDElement>("e");
    e->SetAttribute("k", "v");
    auto dt = MakeRef<TXmlDDocumentType>("d");
    EXPECT_EQ(ErrorOf([&] { dt->AppendChild(e->AttributeNode("k").Get()); }),
              Cp1251("XML: Не найден подузел для удаления"));
}

TEST(TreeOperations, NodeCannotBeInsertedIntoItselfOrItsDescendant) {
    auto root = Parent("a");
    TXmlDNodeRef a = root->FindChild("a");
    EXPECT_THROW(root->AppendChild(root.Get()), EXmlError);
    EXPECT_THROW(a->AppendChild(root.Get()), EXmlError);
    EXPECT_EQ(Names(*root), "a");
}

TEST(TreeOperations, FindAndChildrenByNameCompareExactly) {
    auto doc = Load("<r><v>1</v><V>x</V><p:v>y</p:v><v>2</v></r>");
    TXmlDNodeRef r = doc->FindChild("r");
    EXPECT_EQ(r->FindChild("v")->NodeText(), "1");
    EXPECT_FALSE(r->FindChild("w"));
    EXPECT_FALSE(doc->FindChild("v")); // direct children only
    auto list = r->ChildrenByName("v");
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Item(1)->NodeText(), "2");
    EXPECT_FALSE(list->Owning());
    int index = 7;
    EXPECT_EQ(r->ChildNodes().FindByName("p:v", &index)->NodeText(), "y");
    EXPECT_EQ(index, 2);
    EXPECT_EQ(r->ChildNodes().FindByName("q", &index), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(r->ChildNodes().IndexOf(list->Item(1)), 3);
}

TEST(TreeOperations, SearchResultOutlivesDocument) {
    auto doc = Load("<r><v>1<i/></v><v>2</v></r>");
    auto list = doc->FindChild("r")->ChildrenByName("v");
    doc.Clear(); // the tree goes, the found nodes stay, without a parent
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Item(0)->ParentNode(), nullptr);
    EXPECT_EQ(list->Item(0)->NextSibling(), nullptr);
    EXPECT_EQ(list->Item(0)->Xml(), "<v>1<i/></v>");
    EXPECT_EQ(list->Item(1)->NodeText(), "2");
}

TEST(TreeOperations, AttributesSetFindAndClear) {
    auto e = MakeRef<TXmlDElement>("e");
    e->SetAttribute("a", "1");
    e->SetAttribute("b", "2");
    e->SetAttribute("a", "3"); // the existing node is updated in place
    EXPECT_EQ(e->Attributes().Count(), 2);
    EXPECT_EQ(e->AttributeNode("a")->Value(), "3");
    EXPECT_EQ(e->AttributeNode("a")->ParentNode(), e.Get());
    EXPECT_FALSE(e->AttributeNode("c"));
    EXPECT_EQ(e->Xml(), "<e a=\"3\" b=\"2\"/>");
    auto kept = e->AttributeNode("b");
    e->ClearAttributes();
    EXPECT_EQ(e->Xml(), "<e/>");
    EXPECT_EQ(kept->ParentNode(), nullptr);
    e->AppendChild(MakeRef<TXmlDText>("x").Get());
    e->ClearChildren();
    EXPECT_FALSE(e->HasChildNodes());
    EXPECT_EQ(e->FirstChild(), nullptr);
}

// ---- loader -----------------------------------------------------------------------

TEST(Loader, TopLevelNodes) {
    auto doc = Load("<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY x 'y'>]>\n<!-- c -->\n"
                    "<r/>\n<!-- after -->\n<s/>");
    EXPECT_EQ(doc->Xml(), "<?xml version=\"1.0\"?><!DOCTYPE r []><!-- c --><r/><!-- after --><s/>");
    EXPECT_EQ(doc->ChildNodes().Count(), 6); // two roots both load
}

TEST(Loader, ElementContentAndAttributes) {
    auto doc =
        Load("<r a='x&amp;y' a='&lt;2'><?p d?><!--c--><![CDATA[&amp;]]>t&amp;lt;&#65;<e/></r>");
    TXmlDNodeRef r = doc->FindChild("r");
    auto a = StaticRefCast<TXmlDElement>(r)->AttributeNode("a");
    EXPECT_EQ(a->Value(), "<2"); // the last value wins, unescaped
    EXPECT_EQ(r->ChildNodes().Count(), 5);
    EXPECT_EQ(r->ChildNodes().Item(2)->NodeValue(), "&amp;"); // CDATA stays as read
    EXPECT_EQ(r->ChildNodes().Item(3)->NodeValue(), "t&lt;&#65;");
    EXPECT_EQ(r->NodeText(), "&amp;t&lt;&#65;");
}

TEST(Loader, WhitespaceOnlyTextWithLineBreakIsDropped) {
    auto doc = Load("<r>\n  <a> </a>\r\n\t<b>x\ny</b><c>\r</c></r>");
    EXPECT_EQ(doc->Xml(), "<r><a> </a><b>x\ny</b><c/></r>");
    auto keep = MakeRef<TXmlDDocument>();
    keep->SetKeepWhitespace(true);
    keep->LoadFromString("<r>\n  <a> </a></r>");
    EXPECT_EQ(keep->Xml(), "<r>\n  <a> </a></r>");
}

TEST(Loader, ElementTextSkipsCommentsAndPis) {
    auto doc = Load("<r>one<!-- no --><?p no?>two<e>three<f>four</f></e><![CDATA[five]]></r>");
    EXPECT_EQ(doc->FindChild("r")->NodeText(), "onetwothreefourfive");
    EXPECT_EQ(doc->NodeText(), "onetwothreefourfive");
}

TEST(Loader, CutOffDocumentKeepsWhatWasRead) {
    auto doc = Load("<l><v><n>1</n></v><v><n>2");
    TXmlDNodeRef l = doc->FindChild("l");
    EXPECT_EQ(l->ChildrenByName("v")->Count(), 2);
    EXPECT_EQ(doc->Xml(), "<l><v><n>1</n></v><v><n>2</n></v></l>");
}

TEST(Loader, ErrorsKeepThePartialTree) {
    auto doc = MakeRef<TXmlDDocument>();
    EXPECT_EQ(ErrorOf([&] { doc->LoadFromString("<![CDATA[x]]><r/>"); }),
              Cp1251("XML: неправильная конструкция в XML-документе"));
    EXPECT_EQ(ErrorOf([&] { doc->LoadFromString("<r><a/><!DOCTYPE x></r>"); }),
              Cp1251("XML: узел \"element\" не может содержать подузел \"documenttype\""));
    EXPECT_EQ(doc->Xml(), "<r><a/></r>");
    // Tokenizer errors pass through unchanged.
    EXPECT_THROW(doc->LoadFromString("<r><b></r>"), EXmlReader);
    EXPECT_EQ(doc->Xml(), "<r><b/></r>");
    EXPECT_EQ(ErrorOf([&] { doc->LoadFromString("\xEF\xBB\xBF<r/>"); }),
              Cp1251("Ошибка в XML-документе: текст вне элемента"));
    // Loading again starts from scratch.
    doc->LoadFromString("<z/>");
    EXPECT_EQ(doc->Xml(), "<z/>");
}

TEST(Loader, FromStream) {
    std::istringstream in("<r>x</r>");
    auto doc = MakeRef<TXmlDDocument>();
    doc->LoadFromStream(in);
    EXPECT_EQ(doc->FindChild("r")->NodeText(), "x");
}

// ---- writing ---------------------------------------------------------------------

TEST(Writing, LoadedTreeWrittenBack) {
    auto doc =
        Load("<list  version = '1' >\n"
             "  <item name=\"a&quot;b\" note=x>fish &amp; chips &lt;&gt;&apos;&quot;</item>\n"
             "  <empty></empty>\n"
             "  <cd><![CDATA[<raw>]]></cd>\n"
             "</list>\n");
    EXPECT_EQ(doc->Xml(), "<list version=\"1\"><item name=\"a&quot;b\" note=\"x\">"
                          "fish &amp; chips &lt;&gt;&apos;&quot;</item><empty/>"
                          "<cd><![CDATA[<raw>]]></cd></list>");
}

// ---- depth ---------------------------------------------------------------------

TEST(Depth, HundredThousandLevelsWriteReadAndFree) {
    // The loader stops at kMaxLoadDepth; a tree built by hand has no bound.
    constexpr int kDepth = 100000;
    std::string text;
    for (int i = 0; i < kDepth; ++i)
        text += "<e>";
    text += "x";
    for (int i = 0; i < kDepth; ++i)
        text += "</e>";
    auto doc = MakeRef<TXmlDDocument>();
    TXmlDNode* at = doc.Get();
    for (int i = 0; i < kDepth; ++i) {
        auto element = MakeRef<TXmlDElement>("e");
        at->AppendChild(element.Get());
        at = element.Get();
    }
    at->AppendChild(MakeRef<TXmlDText>("x").Get());
    EXPECT_EQ(doc->Xml(), text);
    EXPECT_EQ(doc->NodeText(), "x");
    TXmlDNodeRef deepest = doc->FindChild("e");
    for (int i = 1; i < kDepth; ++i)
        deepest = deepest->FindChild("e");
    EXPECT_EQ(deepest->NodeText(), "x");
    doc.Clear(); // frees 100,000 levels; the one we hold stays
    EXPECT_EQ(deepest->ParentNode(), nullptr);
    EXPECT_EQ(deepest->Xml(), "<e>x</e>");

    // Loaded as deep as the bound and cut off with every element still open.
    std::string unclosed;
    for (int i = 0; i < kMaxLoadDepth; ++i)
        unclosed += "<f>";
    auto open = Load(unclosed);
    EXPECT_EQ(open->Xml().size(), static_cast<std::size_t>(kMaxLoadDepth) * 7 - 3);
    EXPECT_TRUE(open->FindChild("f"));
}

} // namespace
} // namespace vexrem::xml
