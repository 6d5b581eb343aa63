// Writing a 50 MB document shaped like a project export with the stream generator, against
// libxml2's text writer (indenting, into memory) writing the same elements in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include <libxml/xmlwriter.h>

#include "foundation/OrvXMLGenerator.h"

namespace {

constexpr int kNodes = 330000; // about 50 MB in our layout

struct Ours {
    zep::TMemoryStream out;
    zep::TXMLGenerator g{out};
    void Start(const char* name) { g.startElement(name); }
    void Attribute(const char* name, const std::string& value) { g.attribute(name, value); }
    void Text(const std::string& value) { g.text(value); }
    void End() { g.endElement(); }
    std::size_t Finish() {
        g.Flush();
        return out.Data().size();
    }
};

struct Libxml2 {
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlTextWriterPtr w = xmlNewTextWriterMemory(buffer, 0);
    Libxml2() { xmlTextWriterSetIndent(w, 1); }
    ~Libxml2() { xmlBufferFree(buffer); }
    static const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
    void Start(const char* name) { xmlTextWriterStartElement(w, X(name)); }
    void Attribute(const char* name, const std::string& value) {
        xmlTextWriterWriteAttribute(w, X(name), X(value.c_str()));
    }
    void Text(const std::string& value) { xmlTextWriterWriteString(w, X(value.c_str())); }
    void End() { xmlTextWriterEndElement(w); }
    std::size_t Finish() {
        xmlTextWriterFlush(w);
        xmlFreeTextWriter(w);
        w = nullptr;
        return static_cast<std::size_t>(xmlBufferLength(buffer));
    }
};

// The same element sequence for both writers; numbers are formatted before timing starts.
struct Content {
    std::vector<std::string> xs, ys, capacities;
    Content() {
        std::mt19937 rng(1);
        char buf[32];
        for (int i = 0; i < kNodes; ++i) {
            std::snprintf(buf, sizeof buf, "%.2f", 155000 + rng() % 100000 / 3.0);
            xs.emplace_back(buf);
            std::snprintf(buf, sizeof buf, "%.2f", 463000 + rng() % 100000 / 7.0);
            ys.emplace_back(buf);
            capacities.push_back(std::to_string(rng() % 5000));
        }
    }
};

template <class W> double Write(const Content& c, std::size_t& size) {
    const auto start = std::chrono::steady_clock::now();
    W w;
    w.Start("project");
    w.Attribute("name", "EXA");
    w.Start("nodes");
    std::string id;
    for (int i = 0; i < kNodes; ++i) {
        id = "n_" + std::to_string(i + 1);
        w.Start("node");
        w.Attribute("id", id);
        w.Attribute("x", c.xs[i]);
        w.Attribute("y", c.ys[i]);
        w.Start("prop");
        w.Attribute("name", "capacity");
        w.Attribute("in", "s_01A");
        w.Text(c.capacities[i]);
        w.End();
        if (i % 3 == 0) {
            w.Start("prop");
            w.Attribute("name", "name");
            w.Text("Halte " + id + " & Stationsplein");
            w.End();
        }
        w.End();
    }
    w.End();
    w.End();
    size = w.Finish();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_GenerateExport50MB(benchmark::State& state) {
    static const Content content;
    double ours = 0, anchor = 0;
    std::size_t oursSize = 0, anchorSize = 0;
    int i = 0;
    for (auto _ : state) {
        double o, l;
        if (i++ % 2 == 0) {
            o = Write<Ours>(content, oursSize);
            l = Write<Libxml2>(content, anchorSize);
        } else {
            l = Write<Libxml2>(content, anchorSize);
            o = Write<Ours>(content, oursSize);
        }
        state.SetIterationTime(o);
        ours += o;
        anchor += l;
    }
    state.counters["vs_libxml2_writer"] = ours / anchor;
    state.counters["MB"] = static_cast<double>(oursSize) / 1e6;
    state.counters["libxml2_MB"] = static_cast<double>(anchorSize) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(oursSize) * i);
}

BENCHMARK(BM_GenerateExport50MB)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
