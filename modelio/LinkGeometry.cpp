#include "modelio/LinkGeometry.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "foundation/SafeSave.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Polylines.h"
#include "model/Project.h"
#include "modelio/ZEPASCII.h"

namespace zep::modelio {

namespace fs = std::filesystem;

namespace {

std::int32_t NodeIdOf(const model::TNode* n) {
    return n ? n->Id() : 0;
}

/// The records of a geometry file; raises on a file that cannot be read or parsed.
std::vector<model::TPolylineRecord> ReadGeometryFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw EInOutError("Cannot open " + file);
    std::string line;
    std::vector<model::TPolylineRecord> records;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        model::TPolylineRecord r;
        if (model::ParsePolylineRecord(line, r)) records.push_back(std::move(r));
    }
    if (in.bad()) throw EInOutError("Cannot read " + file);
    return records;
}

/// Each record goes to the link from its tail to its head and, reversed, to the reverse link
/// unless that link has a record of its own. Answers the polylines set.
std::size_t ApplyGeometryRecords(model::TProject& project,
                                 const std::vector<model::TPolylineRecord>& records) {
    std::set<std::pair<std::int32_t, std::int32_t>> own;
    for (const auto& r : records)
        own.emplace(r.tail, r.head);
    std::size_t applied = 0;
    for (const auto& r : records) {
        model::TNode* tail = project.FindNode(r.tail);
        model::TNode* head = project.FindNode(r.head);
        if (!tail || !head) continue;
        if (model::TLink* link = project.FindLink(tail, head)) {
            link->Polyline().SetPoints(r.points);
            ++applied;
        }
        if (own.count({r.head, r.tail})) continue;
        if (model::TLink* reverse = project.FindLink(head, tail)) {
            reverse->Polyline().SetPoints(model::TPoint3Vector(r.points.rbegin(), r.points.rend()));
            ++applied;
        }
    }
    return applied;
}

/// The geometry files looked for, in order: the study-wide input file name with "ply", then the
/// project file's name with ".ply".
std::vector<std::string> GeometryFileCandidates(const model::TProject& project) {
    std::vector<std::string> names;
    try {
        names.push_back(modelio::InputFileName(project, nullptr, "", false, "ply"));
    } catch (const std::exception&) {
        // A project name the input files cannot be named after has no such file.
    }
    names.push_back(fs::path(project.FileName()).replace_extension(".ply").string());
    return names;
}

} // namespace

TGeometryAttachResult AttachLinkGeometries(model::TProject& project) {
    TGeometryAttachResult result;
    std::vector<model::TPolylineRecord> records;
    model::TLinkList& links = project.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        model::TLink* link = links.Get(i);
        const std::string text = link->GetValue(model::TLink::kPolypoints).ToString();
        if (text.empty()) continue;
        try {
            model::TPolylineRecord r;
            if (!model::ParsePolylineRecord(text, r)) continue;
            // The record names the link it came from, whatever its text says.
            r.tail = NodeIdOf(link->Tail());
            r.head = NodeIdOf(link->Head());
            records.push_back(std::move(r));
        } catch (const std::exception& e) {
            GetLogger("Polylines").Warning("link %s: %s", {link->KeyText(), e.what()});
        }
    }
    result.fromProperties = records.size();
    if (records.empty() && !project.FileName().empty()) {
        for (const std::string& name : GeometryFileCandidates(project)) {
            std::error_code ec;
            if (!fs::is_regular_file(name, ec)) continue;
            result.file = name;
            try {
                records = ReadGeometryFile(name);
            } catch (const std::exception& e) {
                GetLogger("Polylines").Warning("%s: %s", {name, e.what()});
                ShowError("Polylines cound not be loaded");
            }
            break;
        }
    }
    const std::size_t applied = ApplyGeometryRecords(project, records);
    if (result.fromProperties == 0) result.fromFile = applied;
    return result;
}

void SaveLinkGeometries(model::TProject& project, const std::string& projectFileName) {
    const std::string savedName = project.FileName();
    project.SetFileName(projectFileName);
    const std::string plyName = GeometryFileCandidates(project).front();
    project.SetFileName(savedName);
    std::vector<std::string> lines;
    model::TLinkList& links = project.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        model::TLink* link = links.Get(i);
        if (link->Polyline().IsEmpty()) continue;
        lines.push_back(model::PolylineRecordText(NodeIdOf(link->Tail()), NodeIdOf(link->Head()),
                                                  link->Polyline()));
        link->RawProperties().RawPut(model::TLink::kPolypoints, model::TValue(lines.back()));
    }
    std::error_code ec;
    if (lines.empty() && !fs::exists(plyName, ec)) return;
    SaveTextLines(plyName, lines, true);
}

} // namespace zep::modelio
