// Throughput of the XML component on a large version-list-like document:
// the tokenizer alone, the full load into a tree, and expat tokenizing the
// same bytes for comparison. Measured only; nothing is asserted.

#include "update/xml/XmlDom.h"
#include "update/xml/XmlReader.h"

#include <benchmark/benchmark.h>

#ifdef VEXREM_HAVE_EXPAT
#include <expat.h>
#endif

#include <string>

namespace {

using namespace vexrem::xml;

const std::string& Document() {
    static const std::string doc = [] {
        constexpr std::size_t kTarget = 10u << 20;
        std::string s = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<versioninfos>\n";
        for (int i = 0; s.size() < kTarget; ++i) {
            s += "  <versioninfo id=\"" + std::to_string(i) + "\" channel='stable'>\n";
            s += "    <date>2008-01-" + std::to_string(10 + i % 20) + "</date>\n";
            s += "    <version>1." + std::to_string(i % 10) + ".0." + std::to_string(i) +
                 "</version>\n";
            s += "    <!-- entry " + std::to_string(i) + " -->\n";
            s += "    <newslist>\n";
            for (int n = 0; n < 4; ++n)
                s += "      <news>Fixed the check of item " + std::to_string(n) +
                     " so that turns &amp; reminders arrive on time &lt;again&gt;.</news>\n";
            s += "    </newslist>\n  </versioninfo>\n";
        }
        s += "</versioninfos>\n";
        return s;
    }();
    return doc;
}

void BM_Tokenizer(benchmark::State& state) {
    const std::string& doc = Document();
    for (auto _ : state) {
        TStringViewStream in(doc);
        TXmlReader reader;
        reader.Open(in);
        std::size_t tokens = 0;
        while (reader.Next() != xtEnd)
            ++tokens;
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(doc.size()));
}
BENCHMARK(BM_Tokenizer)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    const std::string& doc = Document();
    for (auto _ : state) {
        auto tree = MakeRef<TXmlDDocument>();
        tree->LoadFromString(doc);
        benchmark::DoNotOptimize(tree.Get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(doc.size()));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

#ifdef VEXREM_HAVE_EXPAT
// Handlers that only count, so expat does the same work as the tokenizer:
// report every start tag, attribute, end tag and text run.
struct ExpatCounts {
    std::size_t tokens = 0;
};

void XMLCALL OnStart(void* data, const XML_Char*, const XML_Char** attributes) {
    auto* c = static_cast<ExpatCounts*>(data);
    ++c->tokens;
    for (; *attributes; attributes += 2)
        ++c->tokens;
}
void XMLCALL OnEnd(void* data, const XML_Char*) {
    ++static_cast<ExpatCounts*>(data)->tokens;
}
void XMLCALL OnText(void* data, const XML_Char*, int) {
    ++static_cast<ExpatCounts*>(data)->tokens;
}
void XMLCALL OnComment(void* data, const XML_Char*) {
    ++static_cast<ExpatCounts*>(data)->tokens;
}

void BM_ExpatTokenizer(benchmark::State& state) {
    const std::string& doc = Document();
    for (auto _ : state) {
        ExpatCounts counts;
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &counts);
        XML_SetElementHandler(parser, OnStart, OnEnd);
        XML_SetCharacterDataHandler(parser, OnText);
        XML_SetCommentHandler(parser, OnComment);
        if (XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), XML_TRUE) != XML_STATUS_OK)
            state.SkipWithError(XML_ErrorString(XML_GetErrorCode(parser)));
        XML_ParserFree(parser);
        benchmark::DoNotOptimize(counts.tokens);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(doc.size()));
}
BENCHMARK(BM_ExpatTokenizer)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();
