// Reading the version list document into an update result.
#include "update/VersionList.h"

#include "update/xml/XmlDom.h"

#include <gtest/gtest.h>

#include <string>

namespace vexrem {
namespace {

std::string Entry(const std::string& version, const std::string& date, const std::string& news) {
    return "<versioninfo><date>" + date + "</date><version>" + version + "</version><newslist>" +
           news + "</newslist></versioninfo>";
}

std::string Document(const std::string& entries) {
    return "<?xml version=\"1.0\"?>\n<versioninfos>" + entries + "</versioninfos>\n";
}

rUpdateResult Read(const std::string& body) {
    rUpdateResult r;
    ReadVersionList(body, r);
    return r;
}

// What stays of a result when reading fails part-way.
rUpdateResult ReadFailing(const std::string& body) {
    rUpdateResult r;
    EXPECT_ANY_THROW(ReadVersionList(body, r));
    EXPECT_TRUE(r.Received);
    return r;
}

const std::string kTwoEntries = Entry("1.3.0.0", "2008-01-10", "<news>A</news><news>B</news>") +
                                Entry("1.2.5.0", "2007-11-02", "<news>C</news>");

// --- entries in document order ----------------------------------------------------------

TEST(VersionList, EntriesKeepDocumentOrderAndTheFirstIsTheNewest) {
    const rUpdateResult r = Read(Document(kTwoEntries));
    EXPECT_TRUE(r.Received);
    EXPECT_TRUE(r.HasEntries);
    EXPECT_EQ(r.NewestVersion, "1.3.0.0");
    ASSERT_EQ(r.Versions.size(), 2u);
    EXPECT_EQ(r.Versions[0].Version, "1.3.0.0");
    EXPECT_EQ(r.Versions[0].Date, "2008-01-10");
    EXPECT_EQ(r.Versions[0].News, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(r.Versions[1].Version, "1.2.5.0");
    EXPECT_EQ(r.Versions[1].News, (std::vector<std::string>{"C"}));
    EXPECT_TRUE(r.ErrorText.empty());
}

TEST(VersionList, NothingIsSortedOrCompared) {
    const rUpdateResult r = Read(Document(Entry("1.2.5.0", "2007-11-02", "<news>C</news>") +
                                          Entry("1.3.0.0", "2008-01-10", "<news>A</news>")));
    EXPECT_EQ(r.NewestVersion, "1.2.5.0");
    ASSERT_EQ(r.Versions.size(), 2u);
    EXPECT_EQ(r.Versions[1].Version, "1.3.0.0");
}

TEST(VersionList, ZeroVersionLeavesTheNewestToTheNextEntry) {
    const rUpdateResult r =
        Read(Document(Entry("0.0.0.0", "x", "") + Entry("2.0", "y", "") + Entry("3.0", "z", "")));
    EXPECT_EQ(r.NewestVersion, "2.0");
    EXPECT_EQ(r.Versions.size(), 3u);
}

TEST(VersionList, DatesAndVersionsAreTakenAsWritten) {
    const rUpdateResult r = Read(Document(Entry(" V 2 beta ", "im Winter", "")));
    EXPECT_EQ(r.Versions.at(0).Version, " V 2 beta ");
    EXPECT_EQ(r.Versions.at(0).Date, "im Winter");
    EXPECT_TRUE(r.Versions.at(0).News.empty());
}

TEST(VersionList, EmptyContainerIsNoFailure) {
    for (const std::string& body : {Document(""), std::string("<versioninfos/>")}) {
        const rUpdateResult r = Read(body);
        EXPECT_TRUE(r.Received);
        EXPECT_FALSE(r.HasEntries);
        EXPECT_EQ(r.NewestVersion, "0.0.0.0");
        EXPECT_TRUE(r.Versions.empty());
    }
}

// --- what counts: exact names, direct children, first of a kind ---------------------

TEST(VersionList, OnlyExactNamesOfDirectChildrenCount) {
    const std::string body =
        Document("<VersionInfo><date>d</date><version>9</version><newslist/></VersionInfo>"
                 "<v:versioninfo><date>d</date><version>8</version><newslist/></v:versioninfo>"
                 "<group>" +
                 Entry("7", "d", "") +
                 "</group>"
                 "<versioninfo kind=\"x\"><extra><version>6</version></extra>"
                 "<date>first</date><date>second</date><version>1.0</version><version>1.1</version>"
                 "<newslist><news>n1</news><News>no</News><item><news>deep</news></item></newslist>"
                 "<newslist><news>other list</news></newslist></versioninfo>");
    const rUpdateResult r = Read(body);
    ASSERT_EQ(r.Versions.size(), 1u);
    EXPECT_EQ(r.Versions[0].Date, "first");
    EXPECT_EQ(r.Versions[0].Version, "1.0");
    EXPECT_EQ(r.Versions[0].News, (std::vector<std::string>{"n1"}));
}

TEST(VersionList, DeclarationsCommentsAndDoctypeAroundTheRootAreIgnored) {
    const rUpdateResult r = Read("<?xml version=\"1.0\"?><!DOCTYPE versioninfos><!-- Liste -->"
                                 "<versioninfos>" +
                                 Entry("1.0", "d", "<news>n</news>") +
                                 "</versioninfos>"
                                 "<!-- Ende -->");
    EXPECT_EQ(r.NewestVersion, "1.0");
    EXPECT_EQ(r.Versions.size(), 1u);
}

// --- texts -------------------------------------------------------------------------------

TEST(VersionList, LineFeedsAndTabsVanishCarriageReturnsAndBlanksStay) {
    const rUpdateResult r = Read(Document(Entry("1.0", "d",
                                                "<news>\n\t\t\tZeile eins\n\t\t\tund zwei</news>"
                                                "<news>mit CR\r\nLF</news>")));
    EXPECT_EQ(r.Versions.at(0).News,
              (std::vector<std::string>{"Zeile einsund zwei", "mit CR\rLF"}));
}

TEST(VersionList, NewsTextIsTheWholeElementText) {
    const rUpdateResult r = Read(
        Document(Entry("1.0", "d",
                       "<news>Proxy &amp; Anmeldung &lt;neu&gt; &#228;</news>"
                       "<news>a<b>b<i>c</i></b><![CDATA[<d>]]><!--nichts--><?pi nichts?></news>")));
    EXPECT_EQ(r.Versions.at(0).News,
              (std::vector<std::string>{"Proxy & Anmeldung <neu> &#228;", "abc<d>"}));
}

TEST(VersionList, BytesPassUnconverted) {
    const rUpdateResult r = Read(Document(Entry("1.0", "d", "<news>f\xc3\xbcr</news>")));
    EXPECT_EQ(r.Versions.at(0).News.at(0), "f\xc3\xbcr");
}

// --- documents that cannot be read ------------------------------------------------------

TEST(VersionList, UnreadableBodiesKeepOnlyTheReceivedMark) {
    const std::string bodies[] = {
        "<html><head><title>Wartung</title></head><body><p>Bitte sp&auml;ter</body></html>",
        "\xef\xbb\xbf" + Document(kTwoEntries), // a byte order mark
        "<liste>" + Entry("1.0", "d", "") + "</liste>",
        "",
        "kein XML",
    };
    for (const std::string& body : bodies) {
        const rUpdateResult r = ReadFailing(body);
        EXPECT_FALSE(r.HasEntries) << body;
        EXPECT_EQ(r.NewestVersion, "0.0.0.0") << body;
        EXPECT_TRUE(r.Versions.empty()) << body;
    }
}

TEST(VersionList, BodyCutAfterAnEntryStillYieldsIt) {
    const std::string full = Document(kTwoEntries);
    const rUpdateResult r =
        Read(full.substr(0, full.find("<versioninfo>", full.find("</versioninfo>"))));
    EXPECT_EQ(r.Versions.size(), 1u);
    EXPECT_EQ(r.NewestVersion, "1.3.0.0");
}

TEST(VersionList, BodyCutBeforeANewslistEndsTheReadingThere) {
    const std::string full = Document(kTwoEntries);
    const rUpdateResult r = ReadFailing(full.substr(0, full.rfind("<newslist>")));
    EXPECT_TRUE(r.HasEntries);
    ASSERT_EQ(r.Versions.size(), 1u);
    EXPECT_EQ(r.Versions[0].Version, "1.3.0.0");
}

TEST(VersionList, BrokenEntryEndsTheReadingAndIsDropped) {
    struct Case {
        const char* what;
        std::string entry;
        const char* newestWhenFirst; // the version read before the failure
    };
    const Case cases[] = {
        {"no date", "<versioninfo><version>2.0</version><newslist/></versioninfo>", "0.0.0.0"},
        {"date no element",
         "<versioninfo><?date 1?><version>2.0</version><newslist/></versioninfo>", "0.0.0.0"},
        {"no version", "<versioninfo><date>d</date><newslist/></versioninfo>", "0.0.0.0"},
        {"no newslist", "<versioninfo><date>d</date><version>2.0</version></versioninfo>", "2.0"},
    };
    const std::string good = Entry("1.0", "d", "<news>n</news>");
    for (const Case& c : cases) {
        // After a complete entry: that one stays.
        rUpdateResult r = ReadFailing(Document(good + c.entry + good));
        EXPECT_TRUE(r.HasEntries) << c.what;
        EXPECT_EQ(r.NewestVersion, "1.0") << c.what;
        EXPECT_EQ(r.Versions.size(), 1u) << c.what;
        // As the first entry: nothing complete.
        r = ReadFailing(Document(c.entry + good));
        EXPECT_TRUE(r.HasEntries) << c.what;
        EXPECT_EQ(r.NewestVersion, c.newestWhenFirst) << c.what;
        EXPECT_TRUE(r.Versions.empty()) << c.what;
    }
}

// --- documents beyond the bounds of the loader -------------------------------------------

// A refused document is a failure of the check with a text for the user, not a
// list that needs no update. Up to the bounds a list still reads.
TEST(VersionList, DocumentsBeyondTheLoaderBoundsAreRefusedWithTheirText) {
    const auto nested = [](int depth) { // versioninfos/versioninfo/newslist/news/b/b/...
        std::string open, close;
        for (int i = 4; i < depth; ++i) {
            open += "<b>";
            close += "</b>";
        }
        return "<versioninfos>" + Entry("1.0", "d", "<news>" + open + close + "</news>") +
               "</versioninfos>";
    };
    const auto wide = [](int nodes) { // the root, 6 nodes of the entry, the rest empty siblings
        std::string fill;
        for (int i = 7; i < nodes; ++i)
            fill += "<x/>";
        return "<versioninfos>" + Entry("1.0", "d", "") + fill + "</versioninfos>";
    };
    struct Case {
        std::string atBound, beyond; // atBound empty: not worth another 250000 nodes
        const char* text;
    };
    const Case cases[] = {
        {nested(xml::kMaxLoadDepth), nested(xml::kMaxLoadDepth + 1),
         "XML-Dokument zu tief verschachtelt (Grenze 1000 Ebenen)"},
        {"", wide(xml::kMaxLoadNodes + 1), "XML-Dokument zu umfangreich (Grenze 250000 Knoten)"},
    };
    for (const Case& c : cases) {
        if (!c.atBound.empty()) {
            EXPECT_EQ(Read(c.atBound).Versions.size(), 1u) << c.text;
        }
        rUpdateResult r;
        try {
            ReadVersionList(c.beyond, r);
            ADD_FAILURE() << "not refused: " << c.text;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
        EXPECT_FALSE(r.Received) << c.text;
        EXPECT_FALSE(r.HasEntries) << c.text;
    }
}

} // namespace
} // namespace vexrem
