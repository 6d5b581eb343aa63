// XML parse throughput against libxml2's SAX2 parser and expat, on the same bytes in the same
// run: a generated 50 MB document shaped like a project export, and the largest XML file the
// system has installed (its internal subset cut out, which this parser does not read).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include <expat.h>
#include <libxml/parser.h>
#include <unistd.h>

#include "foundation/ORVXMLParser.h"
#include "foundation/OrvXMLGenerator.h"

namespace {
namespace fs = std::filesystem;

constexpr std::size_t kExportSize = 50u * 1000 * 1000;

// What each reader must do with every event, so that none can skip work: count elements and
// attributes, sum the lengths of names, values and text.
struct Tally {
    std::size_t elements = 0;
    std::size_t attributes = 0;
    std::size_t bytes = 0;
    bool operator==(const Tally&) const = default;
};

const std::string& ExportDocument() {
    static const std::string doc = [] {
        std::mt19937 rng(1);
        zep::TMemoryStream out;
        zep::TXMLGenerator g(out);
        char buf[64];
        const auto num = [&](double v) {
            std::snprintf(buf, sizeof buf, "%.2f", v);
            return std::string(buf);
        };
        const char* scenarios[] = {"s_BAS", "s_01A", "s_02B", "s_03C"};
        g.startElement("project");
        g.attribute("name", "EXA");
        g.attribute("version", "3");
        g.startElement("scenarios");
        for (const char* s : scenarios) {
            g.startElement("scenario");
            g.attribute("id", s);
            g.endElement();
        }
        g.endElement();
        g.startElement("nodes");
        int id = 0;
        while (out.Size() < static_cast<std::int64_t>(kExportSize * 6 / 10)) {
            g.startElement("node");
            g.attribute("id", "n_" + std::to_string(++id));
            g.attribute("x", num(155000 + rng() % 100000 / 3.0));
            g.attribute("y", num(463000 + rng() % 100000 / 7.0));
            g.startElement("prop");
            g.attribute("name", "capacity");
            g.attribute("in", scenarios[rng() % 4]);
            g.text(std::to_string(rng() % 5000));
            g.endElement();
            if (id % 3 == 0) {
                g.startElement("prop");
                g.attribute("name", "name");
                g.text("Halte " + std::to_string(id) + " & Stationsplein \xE9");
                g.endElement();
            }
            g.endElement();
        }
        g.endElement();
        g.startElement("links");
        for (int l = 1; out.Size() < static_cast<std::int64_t>(kExportSize); ++l) {
            g.startElement("link");
            g.attribute("id", "l_" + std::to_string(l) + "_" + std::to_string(l + 1));
            g.attribute("type", "t_" + std::to_string(rng() % 12));
            g.startElement("points");
            for (int p = static_cast<int>(rng() % 4); p > 0; --p) {
                g.startElement("pt");
                g.attribute("x", num(155000 + rng() % 100000 / 3.0));
                g.attribute("y", num(463000 + rng() % 100000 / 7.0));
                g.endElement();
            }
            g.endElement();
            g.startElement("prop");
            g.attribute("name", "speed");
            g.attribute("in", scenarios[rng() % 4]);
            g.text(num(rng() % 13000 / 100.0));
            g.endElement();
            g.endElement();
        }
        g.endElement();
        g.endElement();
        g.Flush();
        return out.Data();
    }();
    return doc;
}

// The largest XML file installed, with any internal subset cut out; empty when there is none.
const std::string& LargestRealFile() {
    static const std::string doc = [] {
        fs::path best;
        std::uintmax_t bestSize = 0;
        std::error_code ec;
        for (const char* root : {"/usr/share/mime/packages", "/usr/share/xml", "/usr/share"}) {
            if (!fs::is_directory(root, ec)) continue;
            for (const auto& e : fs::recursive_directory_iterator(
                     root, fs::directory_options::skip_permission_denied, ec)) {
                if (!e.is_regular_file(ec) || e.path().extension() != ".xml") continue;
                if (e.file_size(ec) > bestSize) {
                    bestSize = e.file_size(ec);
                    best = e.path();
                }
            }
        }
        if (best.empty()) return std::string();
        std::ifstream in(best, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        std::string bytes = s.str();
        const std::size_t doctype = bytes.find("<!DOCTYPE");
        const std::size_t open = bytes.find('[', doctype);
        if (doctype != std::string::npos && open != std::string::npos &&
            bytes.find('>', doctype) > open) {
            const std::size_t close = bytes.find("]>", open);
            if (close != std::string::npos) bytes.erase(open, close + 1 - open);
        }
        std::fprintf(stderr, "real file: %s (%zu bytes)\n", best.c_str(), bytes.size());
        return bytes;
    }();
    return doc;
}

class ZepTally : public zep::THandlerBase {
public:
    Tally t;
    void startElement(std::string_view name, const zep::TAttributeList& a) override {
        ++t.elements;
        t.bytes += name.size();
        for (std::size_t i = 0; i < a.getLength(); ++i) {
            ++t.attributes;
            t.bytes += a.getName(i).size() + a.getValue(i).size();
        }
    }
    void characters(std::string_view, std::size_t, std::size_t length) override {
        t.bytes += length;
    }
    void ignorableWhitespace(std::string_view, std::size_t, std::size_t length) override {
        t.bytes += length;
    }
};

Tally ParseZep(const std::string& doc) {
    ZepTally tally;
    zep::TXMLParser parser;
    parser.setDocumentHandler(&tally);
    // The bytes sit in a memory stream made once, as libxml2 and expat get them in memory.
    static std::map<const std::string*, std::unique_ptr<zep::TMemoryStream>> streams;
    auto& stream = streams[&doc];
    if (!stream) stream = std::make_unique<zep::TMemoryStream>(doc);
    stream->SetPosition(0);
    zep::TInputSource source(*stream);
    parser.parse(source);
    return tally.t;
}

xmlSAXHandler Libxml2Tally() {
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix,
                            const xmlChar*, int, const xmlChar**, int nbAttributes, int,
                            const xmlChar** attributes) {
        Tally& t = *static_cast<Tally*>(ctx);
        ++t.elements;
        t.bytes += std::strlen(reinterpret_cast<const char*>(localname));
        if (prefix) t.bytes += std::strlen(reinterpret_cast<const char*>(prefix)) + 1;
        for (int i = 0; i < nbAttributes; ++i) {
            ++t.attributes;
            // localname, prefix, URI, value start, value end
            t.bytes += std::strlen(reinterpret_cast<const char*>(attributes[i * 5])) +
                       static_cast<std::size_t>(attributes[i * 5 + 4] - attributes[i * 5 + 3]);
        }
    };
    sax.characters = [](void* ctx, const xmlChar*, int len) {
        static_cast<Tally*>(ctx)->bytes += static_cast<std::size_t>(len);
    };
    sax.ignorableWhitespace = sax.characters;
    return sax;
}

Tally ParseLibxml2(const std::string& doc) {
    xmlSAXHandler sax = Libxml2Tally();
    Tally t;
    if (xmlSAXUserParseMemory(&sax, &t, doc.data(), static_cast<int>(doc.size())) != 0)
        std::abort();
    return t;
}

XML_Parser ExpatTally(Tally& t) {
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetUserData(p, &t);
    XML_SetStartElementHandler(p, [](void* ctx, const XML_Char* name, const XML_Char** atts) {
        Tally& tt = *static_cast<Tally*>(ctx);
        ++tt.elements;
        tt.bytes += std::strlen(name);
        for (int i = 0; atts[i]; i += 2) {
            ++tt.attributes;
            tt.bytes += std::strlen(atts[i]) + std::strlen(atts[i + 1]);
        }
    });
    XML_SetCharacterDataHandler(p, [](void* ctx, const XML_Char*, int len) {
        static_cast<Tally*>(ctx)->bytes += static_cast<std::size_t>(len);
    });
    return p;
}

Tally ParseExpat(const std::string& doc) {
    Tally t;
    XML_Parser p = ExpatTally(t);
    if (XML_Parse(p, doc.data(), static_cast<int>(doc.size()), 1) != XML_STATUS_OK) std::abort();
    XML_ParserFree(p);
    return t;
}

// The same three reading a file, as the project import does: ours reads it whole, the
// anchors in their own ways (libxml2 its file reader, expat 64 KiB blocks).
const std::string& ExportFile() {
    static const std::string path = [] {
        const std::string p =
            (fs::temp_directory_path() / ("zep_xmlbench_" + std::to_string(::getpid()) + ".xml"))
                .string();
        zep::TMemoryStream(ExportDocument()).SaveToFile(p);
        std::atexit([] { fs::remove(ExportFile()); });
        return p;
    }();
    return path;
}

Tally ParseZepFile(const std::string& path) {
    ZepTally tally;
    zep::TXMLParser parser;
    parser.setDocumentHandler(&tally);
    zep::TFileStream file(path, zep::FileMode::OpenRead);
    zep::TInputSource source(file);
    parser.parse(source);
    return tally.t;
}

Tally ParseLibxml2File(const std::string& path) {
    xmlSAXHandler sax = Libxml2Tally();
    Tally t;
    if (xmlSAXUserParseFile(&sax, &t, path.c_str()) != 0) std::abort();
    return t;
}

Tally ParseExpatFile(const std::string& path) {
    Tally t;
    XML_Parser p = ExpatTally(t);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    static char buf[65536];
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        if (XML_Parse(p, buf, static_cast<int>(n), n == 0) != XML_STATUS_OK) std::abort();
        if (n == 0) break;
    }
    std::fclose(f);
    XML_ParserFree(p);
    return t;
}

template <class F> double Time(F&& f, const std::string& doc, Tally& out) {
    const auto start = std::chrono::steady_clock::now();
    out = f(doc);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration times ours and both anchors back to back, rotating the order; the reported
// time is ours, the ratios are our time over each anchor's (below 1: we are faster).
template <class Z, class L, class E>
void Compare(benchmark::State& state, const std::string& doc, std::size_t size, Z ParseZep,
             L ParseLibxml2, E ParseExpat) {
    if (doc.empty()) {
        state.SkipWithError("no XML file installed");
        return;
    }
    xmlInitParser();
    double ours = 0, libxml = 0, expat = 0;
    int i = 0;
    Tally a, b, c;
    for (auto _ : state) {
        double o = 0, l = 0, e = 0;
        switch (i++ % 3) {
        case 0:
            o = Time(ParseZep, doc, a), l = Time(ParseLibxml2, doc, b),
            e = Time(ParseExpat, doc, c);
            break;
        case 1:
            l = Time(ParseLibxml2, doc, b), e = Time(ParseExpat, doc, c),
            o = Time(ParseZep, doc, a);
            break;
        default:
            e = Time(ParseExpat, doc, c), o = Time(ParseZep, doc, a),
            l = Time(ParseLibxml2, doc, b);
        }
        state.SetIterationTime(o);
        ours += o;
        libxml += l;
        expat += e;
    }
    // All three saw the same elements and attributes (text differs: line ends, encodings).
    if (a.elements != b.elements || a.elements != c.elements || a.attributes != c.attributes)
        state.SkipWithError("readers disagree on the document");
    state.counters["elements"] = static_cast<double>(a.elements);
    state.counters["vs_libxml2_sax"] = ours / libxml;
    state.counters["vs_expat"] = ours / expat;
    state.counters["libxml2_MBps"] = static_cast<double>(size) * i / libxml / 1e6;
    state.counters["expat_MBps"] = static_cast<double>(size) * i / expat / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(size) * i);
}

void BM_ParseExport50MB(benchmark::State& state) {
    Compare(state, ExportDocument(), ExportDocument().size(), ParseZep, ParseLibxml2, ParseExpat);
}
void BM_ParseExport50MBFromFile(benchmark::State& state) {
    Compare(state, ExportFile(), ExportDocument().size(), ParseZepFile, ParseLibxml2File,
            ParseExpatFile);
}
void BM_ParseLargestInstalledXml(benchmark::State& state) {
    Compare(state, LargestRealFile(), LargestRealFile().size(), ParseZep, ParseLibxml2, ParseExpat);
}

BENCHMARK(BM_ParseExport50MB)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseExport50MBFromFile)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLargestInstalledXml)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
