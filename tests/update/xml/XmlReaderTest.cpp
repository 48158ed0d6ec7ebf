#include "XmlTestSupport.h"

#include "update/xml/XmlReader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vexrem::xml {
namespace {

using test::Cp1251;
using test::Tokens;
using Toks = std::vector<std::string>;

// ---- byte source ---------------------------------------------------------------

// Records how many bytes each read asks for.
class CountingBuf : public std::stringbuf {
public:
    explicit CountingBuf(const std::string& s) : std::stringbuf(s) {}
    std::streamsize largest = 0;

protected:
    std::streamsize xsgetn(char* s, std::streamsize n) override {
        largest = std::max(largest, n);
        return std::stringbuf::xsgetn(s, n);
    }
};

TEST(TextReader, ReadsInBlocksOfAtMost4096AndGivesZeroAtEnd) {
    const std::string data(10000, 'x');
    CountingBuf buf(data);
    std::istream in(&buf);
    TTextReader reader(in);
    std::size_t n = 0;
    while (!reader.AtEnd()) {
        EXPECT_EQ(reader.Get(), 'x');
        ++n;
    }
    EXPECT_EQ(n, data.size());
    EXPECT_EQ(buf.largest, 4096);
    EXPECT_EQ(reader.Get(), 0);
    EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReader, StartsAtTheStreamsCurrentPosition) {
    std::istringstream in("skipme:rest");
    in.seekg(7);
    TTextReader reader(in);
    EXPECT_EQ(reader.Get(), 'r');
}

TEST(ReaderStream, PushBackIsAStackAndStringsReadInOrder) {
    TStringViewStream in("xyz");
    TXmlReaderStream s(in);
    s.PushBack('a');
    s.PushBack('b');
    s.PushBack(std::string_view("12"));
    EXPECT_EQ(s.Peek(), '1');
    std::string got;
    while (!s.AtEnd())
        got += s.Get();
    EXPECT_EQ(got, "12baxyz");
    EXPECT_EQ(s.Get(), 0);
    EXPECT_EQ(s.Peek(), 0);
    EXPECT_TRUE(s.AtEnd()); // a peek at the end leaves the end in place
}

TEST(ReaderStream, SkipWhitespaceStopsAtFirstByteAbove32) {
    TStringViewStream in(std::string_view(" \t\r\n\x01\0!x", 8));
    TXmlReaderStream s(in);
    s.SkipWhitespace();
    EXPECT_EQ(s.Get(), '!');
}

TEST(ReaderStream, MatchConsumesOrRestores) {
    TStringViewStream in("DOCTYPE html");
    TXmlReaderStream s(in);
    EXPECT_FALSE(s.Match("DOCX", true)); // mismatch: everything read is pushed back
    EXPECT_TRUE(s.Match("DOC", false));  // match without consume: pushed back again
    EXPECT_TRUE(s.Match("DOCTYPE", true));
    EXPECT_EQ(s.Get(), ' ');
    EXPECT_FALSE(s.Match("htmlx", true)); // the end comes first
    EXPECT_EQ(s.Get(), 'h');
}

// ---- reader lifecycle ---------------------------------------------------------

struct FlaggedStream : std::istringstream {
    FlaggedStream(const std::string& s, bool* destroyed) : std::istringstream(s), d(destroyed) {}
    ~FlaggedStream() override { *d = true; }
    bool* d;
};

TEST(ReaderLifecycle, CreateOpenCloseAndFinish) {
    TXmlReader r;
    EXPECT_TRUE(r.Finished());
    EXPECT_EQ(r.Token(), xtEnd);
    EXPECT_EQ(r.Next(), xtEnd);

    std::istringstream empty("");
    r.Open(empty);
    EXPECT_TRUE(r.Finished()); // the stream is already at its end

    std::istringstream in("<a><b>");
    r.Open(in);
    EXPECT_FALSE(r.Finished());
    EXPECT_EQ(r.Next(), xtElementStart);
    EXPECT_EQ(r.Next(), xtElementStart);
    EXPECT_EQ(r.Depth(), 2);
    EXPECT_EQ(r.Next(), xtEnd); // open elements at the end are no error
    EXPECT_TRUE(r.Finished());
    EXPECT_EQ(r.Next(), xtEnd);

    bool destroyed = false;
    r.Open(std::make_unique<FlaggedStream>("<x>", &destroyed));
    EXPECT_EQ(r.Next(), xtElementStart);
    EXPECT_EQ(r.Depth(), 1);
    std::istringstream other("<y/>");
    r.Open(other); // reopening closes: the owned stream goes, the state resets
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(r.Depth(), 0);
    EXPECT_EQ(r.Token(), xtEnd);
    r.Close();
    EXPECT_TRUE(r.Finished());
    EXPECT_EQ(r.Next(), xtEnd);
}

// ---- tokens ---------------------------------------------------------------------

struct TokenCase {
    const char* what;
    std::string input;
    Toks tokens;
};

class Tokens_ : public ::testing::TestWithParam<TokenCase> {};

TEST_P(Tokens_, Construct) {
    EXPECT_EQ(Tokens(GetParam().input), GetParam().tokens) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Reader, Tokens_,
    ::testing::Values(
        TokenCase{"whitespace outside skipped, inside kept",
                  "  \r\n<a> <b/>\n </a>\n\t ",
                  {"S:a", "T: ", "S:b", "E:b", "T:\n ", "E:a"}},
        TokenCase{"xml declaration is a processing instruction",
                  "<?xml version=\"1.0\" encoding=\"x\"?><r/>",
                  {"P:xml|version=\"1.0\" encoding=\"x\"", "S:r", "E:r"}},
        TokenCase{"pi: target ends at ?, value keeps lone ? and >",
                  "<?t?><?u  a?b>c ?><r/>",
                  {"P:t|", "P:u|a?b>c ", "S:r", "E:r"}},
        TokenCase{"doctype with nested brackets",
                  "<!DOCTYPE html [<!ENTITY a \"<b>\">]><r/>",
                  {"D:html|[<!ENTITY a \"<b>\">]", "S:r", "E:r"}},
        TokenCase{"doctype name ends at >", "<!DOCTYPE r><r/>", {"D:r|", "S:r", "E:r"}},
        TokenCase{"comments",
                  "<!-- a - b -><!----><r><!---x---></r>",
                  {"C: a - b -><!--", "S:r", "C:-x-", "E:r"}},
        TokenCase{"cdata, ']' inside and blanks before '>'",
                  "<r><![CDATA[<&>] ]]><![CDATA[]] \n></r>",
                  {"S:r", "X:<&>] ", "X:", "E:r"}},
        TokenCase{"attributes quoted, unquoted, other quote inside",
                  "<a x=\"1'2\" y='\"' z=3 w = v>",
                  {"S:a", "A:x=1'2", "A:y=\"", "A:z=3", "A:w=v"}},
        TokenCase{"attributes without whitespace between them",
                  "<a x='1'y=\"2\"z=3/>",
                  {"S:a", "A:x=1", "A:y=2", "A:z=3", "E:a"}},
        TokenCase{"unquoted value ends at / and >",
                  "<a x=1/><b y=2>",
                  {"S:a", "A:x=1", "E:a", "S:b", "A:y=2"}},
        TokenCase{"empty unquoted value", "<a x=>", {"S:a", "A:x="}},
        TokenCase{"entities stay as written",
                  "<a x='&amp;'>&lt;&#65;</a>",
                  {"S:a", "A:x=&amp;", "T:&lt;&#65;", "E:a"}},
        TokenCase{"/> with whitespace before it",
                  "<a  /><b x='1' />",
                  {"S:a", "E:a", "S:b", "A:x=1", "E:b"}},
        TokenCase{"end tag with blanks", "<a></ a >", {"S:a", "E:a"}},
        TokenCase{"start tag name after blanks", "< a\n>", {"S:a"}},
        TokenCase{"text to end of input", "<a>tail", {"S:a", "T:tail"}},
        TokenCase{"two roots", "<a/><b/>", {"S:a", "E:a", "S:b", "E:b"}},
        TokenCase{"target after blanks", "<? x?><r/>", {"P:x|", "S:r", "E:r"}},
        TokenCase{
            "prefixes are part of names", "<p:a q:b='1'></p:a>", {"S:p:a", "A:q:b=1", "E:p:a"}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(ReaderTokens, NamesValuesAndTextsOfAnyLength) {
    for (std::size_t len : {8190u, 8191u, 8192u, 16382u, 16383u, 40000u}) {
        std::string big;
        for (std::size_t i = 0; i < len; ++i)
            big += static_cast<char>('a' + i % 26);
        const auto toks =
            Tokens("<" + big + " " + big + "='" + big + "'>" + big + "<!--" + big + "--><![CDATA[" +
                   big + "]]><?" + big + " " + big + "?></" + big + ">");
        ASSERT_EQ(toks.size(), 7u) << len;
        EXPECT_EQ(toks[0], "S:" + big);
        EXPECT_EQ(toks[1], "A:" + big + "=" + big);
        EXPECT_EQ(toks[2], "T:" + big);
        EXPECT_EQ(toks[3], "C:" + big);
        EXPECT_EQ(toks[4], "X:" + big);
        EXPECT_EQ(toks[5], "P:" + big + "|" + big);
        EXPECT_EQ(toks[6], "E:" + big);
    }
}

TEST(ReaderTokens, DepthFollowsOpenElements) {
    TStringViewStream in("<a><b x='1'/><c></c></a>");
    TXmlReader r;
    r.Open(in);
    std::vector<int> depths;
    while (r.Next() != xtEnd)
        depths.push_back(r.Depth());
    EXPECT_EQ(depths, (std::vector<int>{1, 2, 2, 1, 2, 1, 0}));
}

// ---- errors ---------------------------------------------------------------------

struct ErrorCase {
    std::string input;
    const char* rest; // UTF-8; compared as Windows-1251 bytes
};

class ReaderErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ReaderErrors, ExactMessage) {
    const std::string expected = Cp1251(std::string("Ошибка в XML-документе: ") + GetParam().rest);
    TStringViewStream in(GetParam().input);
    TXmlReader r;
    r.Open(in);
    try {
        while (r.Next() != xtEnd) {
        }
        FAIL() << "no error for " << GetParam().input;
    } catch (const EXmlReader& e) {
        EXPECT_EQ(std::string(e.what()), expected) << GetParam().input;
    }
    EXPECT_EQ(r.Next(), xtEnd); // the reading has ended
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ReaderErrors,
    ::testing::Values(
        ErrorCase{"<?"
                  "?>",
                  "не задано имя в обрабатывающей инструкции"},
        ErrorCase{"<? ?>", "не задано имя в обрабатывающей инструкции"},
        ErrorCase{"<?xml version='1.0'>", "ожидается \"?>\""},
        ErrorCase{"<!DOCTYPE>", "не задано имя в типе документа"},
        ErrorCase{"<!DOCTYPE html [<x>]", "ожидается \">\" для типа документа"},
        ErrorCase{"<!-- a -- >", "ожидается \"-->\""},
        ErrorCase{"<r><![CDATA[a]]]>", "ожидается \"]]>\""},
        ErrorCase{"<r><![CDATA[a]]", "ожидается \"]]>\""},
        ErrorCase{"<r><![CDATA[a]>", "ожидается \"]]\""},
        ErrorCase{"<r", "ожидается \">\" для открывающего тэга элемента"},
        ErrorCase{"<r  ", "ожидается \">\" для открывающего тэга элемента"},
        ErrorCase{"<>", "не задано имя открывающего тэга элемента"},
        ErrorCase{"<a></A>", "несоответствие имени закрывающего тэга имени открывающему"},
        ErrorCase{"<a/></a>", "несоответствие имени закрывающего тэга имени открывающему"},
        ErrorCase{"</a>", "несоответствие имени закрывающего тэга имени открывающему"},
        ErrorCase{"<a></a x>", "ожидается \">\" для закрывающего тэга элемента"},
        ErrorCase{"<a></a", "ожидается \">\" для закрывающего тэга элемента"},
        ErrorCase{"<a / >", "ожидается \"/>\""}, ErrorCase{"<a/", "ожидается \"/>\""},
        ErrorCase{"<a x=1/y>", "ожидается \"/>\""},
        ErrorCase{"<a x>", "ожидается \"=\" для атрибута элемента"},
        ErrorCase{"<a x y=1>", "ожидается \"=\" для атрибута элемента"},
        ErrorCase{"<a x", "ожидается \"=\" для атрибута элемента"},
        ErrorCase{"<a =1>", "не задано имя атрибута элемента"},
        ErrorCase{"<a x= ", "не задано значение атрибута элемента"},
        ErrorCase{"<a x='1", "ожидается атрибут элемента"},
        ErrorCase{"<a x='1'", "ожидается атрибут элемента"},
        ErrorCase{"<a x='1'  ", "ожидается атрибут элемента"},
        ErrorCase{"<a x=1", "ожидается атрибут элемента"},
        ErrorCase{"<a x=1 ", "ожидается атрибут элемента"},
        ErrorCase{"<", "неожидаемое завершение текста"},
        ErrorCase{"<r><", "неожидаемое завершение текста"},
        ErrorCase{"<!x>", "неизвестная специальная инструкция"},
        ErrorCase{"<!-x>", "неизвестная специальная инструкция"},
        ErrorCase{"<!doctype html>", "неизвестная специальная инструкция"},
        ErrorCase{"x<r/>", "текст вне элемента"}, ErrorCase{"<r/>x", "текст вне элемента"},
        ErrorCase{"\xEF\xBB\xBF<r/>", "текст вне элемента"}));

// ---- escaping -------------------------------------------------------------------

TEST(Escaping, EscapeAllFiveAmpersandFirst) {
    EXPECT_EQ(Escape("a&b<c>d\"e'f&lt;"), "a&amp;b&lt;c&gt;d&quot;e&apos;f&amp;lt;");
}

TEST(Escaping, UnescapeFiveAmpersandLast) {
    EXPECT_EQ(Unescape("&apos;&quot;&gt;&lt;&amp;"), "'\"><&");
    EXPECT_EQ(Unescape("&amp;lt;"), "&lt;");
    EXPECT_EQ(Unescape("&#65;&#x41;&nbsp;&amp"), "&#65;&#x41;&nbsp;&amp");
    EXPECT_EQ(Unescape(Escape("<&'\">x&amp;")), "<&'\">x&amp;");
}

} // namespace
} // namespace vexrem::xml
