// Throughput of the XML component on a large version-list-like document:
// the tokenizer alone, the full load into a tree, and expat tokenizing the
// same bytes for comparison; and the load of hostile shapes up to the 16 MiB
// body limit of the HTTP client. Measured only; nothing is asserted.
//
// One shape, loaded once, with its time and peak memory (for a clean peak,
// run it under /usr/bin/time -v):
//   bench_xml --load SHAPE      (bench_xml --load list names the shapes)

#include "update/xml/XmlDom.h"
#include "update/xml/XmlReader.h"

#include <benchmark/benchmark.h>

#ifdef VEXREM_HAVE_EXPAT
#include <expat.h>
#endif

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

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

// ---- hostile shapes ------------------------------------------------------------

constexpr std::size_t kBodyLimit = 16u << 20;

std::string AttributesByCount(int count) {
    std::string s = "<versioninfos><versioninfo";
    for (int i = 0; i < count; ++i)
        s += " a" + std::to_string(i) + "=x";
    return s + " /></versioninfos>";
}

std::string AttributesBySize(std::size_t bytes) {
    std::string s = "<versioninfos><versioninfo";
    for (int i = 0; s.size() < bytes - 20; ++i)
        s += " a" + std::to_string(i) + "=x";
    return s + " /></versioninfos>";
}

std::string Repeat(std::string_view head, std::string_view unit, std::size_t count,
                   std::string_view tail) {
    std::string s(head);
    s.reserve(head.size() + unit.size() * count + tail.size());
    for (std::size_t i = 0; i < count; ++i)
        s += unit;
    return s += tail;
}

std::size_t UnitsFor(std::size_t bytes, std::string_view unit) {
    return (bytes - 64) / unit.size();
}

struct Shape {
    const char* name;
    std::string (*make)();
};

const Shape kShapes[] = {
    {"attrs64k",
     [] {
         return AttributesByCount(65536);
     }},
    {"attrs2m",
     [] {
         return AttributesBySize(2u << 20);
     }},
    {"attrs16m",
     [] {
         return AttributesBySize(kBodyLimit);
     }},
    {"deep16m",
     [] {
         return Repeat("", "<a>", UnitsFor(kBodyLimit, "<a>"), "");
     }},
    {"siblings1m",
     [] {
         return Repeat("<versioninfos>", "<a/>", 1u << 20, "</versioninfos>");
     }},
    {"siblings16m",
     [] {
         return Repeat("<versioninfos>", "<a/>", UnitsFor(kBodyLimit, "<a/>"), "</versioninfos>");
     }},
    {"textnodes16m",
     [] {
         return Repeat("<versioninfos>", "x<a/>", UnitsFor(kBodyLimit, "x<a/>"), "</versioninfos>");
     }},
    {"entities1m",
     [] {
         return Repeat("<versioninfos><news>", "&amp;", 1u << 20, "</news></versioninfos>");
     }},
    {"entities16m",
     [] {
         return Repeat("<versioninfos><news>", "&amp;", UnitsFor(kBodyLimit, "&amp;"),
                       "</news></versioninfos>");
     }},
    {"dupattrs16m",
     [] {
         return Repeat("<versioninfos><versioninfo", " a=x", UnitsFor(kBodyLimit, " a=x"),
                       "/></versioninfos>");
     }},
    {"longnames16m", // the most bytes per node: every name is kept three times
     [] {
         const std::string unit = "<" + std::string(60, 'n') + "/>";
         return Repeat("<versioninfos>", unit, UnitsFor(kBodyLimit, unit), "</versioninfos>");
     }},
    {"name16m",
     [] {
         return "<versioninfos><" + std::string(kBodyLimit - 64, 'n') + "/></versioninfos>";
     }},
    {"text16m",
     [] {
         return Repeat("<versioninfos><news>", "x", UnitsFor(kBodyLimit, "x"),
                       "</news></versioninfos>");
     }},
};

const std::string& ShapeDocument(int index) {
    static std::vector<std::string> cache(std::size(kShapes));
    std::string& doc = cache[static_cast<std::size_t>(index)];
    if (doc.empty())
        doc = kShapes[index].make();
    return doc;
}

// Nodes in the tree, attributes included.
std::size_t CountNodes(const TXmlDNode& root) {
    std::size_t count = 0;
    std::vector<const TXmlDNode*> todo{&root};
    while (!todo.empty()) {
        const TXmlDNode* n = todo.back();
        todo.pop_back();
        ++count;
        count += static_cast<std::size_t>(n->Attributes().Count());
        for (const TXmlDNode* c = n->FirstChild(); c; c = c->NextSibling())
            todo.push_back(c);
    }
    return count;
}

// A refused document counts as done: refusing early is the point.
void BM_Hostile(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const std::string& doc = ShapeDocument(index);
    state.SetLabel(kShapes[index].name);
    bool refused = false;
    for (auto _ : state) {
        auto tree = MakeRef<TXmlDDocument>();
        try {
            tree->LoadFromString(doc);
        } catch (const std::exception&) {
            refused = true;
        }
        benchmark::DoNotOptimize(tree.Get());
    }
    state.counters["MiB"] = static_cast<double>(doc.size()) / (1 << 20);
    state.counters["refused"] = refused ? 1 : 0;
}
BENCHMARK(BM_Hostile)
    ->DenseRange(0, static_cast<int>(std::size(kShapes)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// On a busy machine the CPU time tells more than the wall time.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int LoadOnce(const char* name) {
    int index = -1;
    for (int i = 0; i < static_cast<int>(std::size(kShapes)); ++i)
        if (std::strcmp(kShapes[i].name, name) == 0)
            index = i;
    if (index < 0) {
        for (const Shape& shape : kShapes)
            std::printf("%s\n", shape.name);
        return std::strcmp(name, "list") == 0 ? 0 : 2;
    }
    const std::string& doc = ShapeDocument(index);
    const long rssBefore = PeakRssKiB();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    std::string outcome;
    std::size_t nodes = 0;
    long rssLoaded = 0;
    double writeCpu = 0;
    double textCpu = 0;
    {
        auto tree = MakeRef<TXmlDDocument>();
        try {
            tree->LoadFromString(doc);
            outcome = "loaded";
        } catch (const std::exception& e) {
            outcome = std::string("refused: ") + e.what();
        }
        nodes = CountNodes(*tree); // of a refused load: the tree as far as it got
        rssLoaded = PeakRssKiB();
        // Writing back and the element text: neither may be worse than linear.
        double t = CpuSeconds();
        benchmark::DoNotOptimize(tree->Xml().size());
        writeCpu = CpuSeconds() - t;
        t = CpuSeconds();
        benchmark::DoNotOptimize(tree->NodeText().size());
        textCpu = CpuSeconds() - t;
    }
    const double cpu = CpuSeconds() - cpuStart - writeCpu - textCpu;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %zu bytes, %zu nodes, load and free %.3f s (%.3f s CPU), peak RSS %ld KiB "
                "(%ld KiB before the load), %s; write %.3f s CPU, element text %.3f s CPU\n",
                name, doc.size(), nodes, seconds - writeCpu - textCpu, cpu, rssLoaded, rssBefore,
                outcome.c_str(), writeCpu, textCpu);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return LoadOnce(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
