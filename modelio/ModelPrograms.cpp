#include "modelio/ModelPrograms.h"

#include <algorithm>

#include "foundation/Format.h"

namespace zep::modelio {

namespace {

// The text of a name column: the quoted name, or nothing for "' '".
std::string Unquote(std::string text) {
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '\'') {
        const std::size_t close = text.find('\'', 1);
        text = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return Trim(text);
}

std::string Field(const std::string& line, std::size_t from, std::size_t width) {
    return from < line.size() ? line.substr(from, width) : std::string();
}

} // namespace

const std::string* TCtlStudy::ParentOf(const std::string& scenario) const {
    for (const auto& [name, parent] : scenarios)
        if (name == scenario) return &parent;
    return nullptr;
}

TCtlStudy ParseCTL(const TLines& lines) {
    TCtlStudy study;
    std::size_t i = 0;
    auto seek = [&](const char* heading) {
        while (i < lines.size() && lines[i].rfind(heading, 0) != 0)
            ++i;
        if (i + 2 >= lines.size())
            throw EReadError(std::string("W_VARDEN.CTL has no section ") + heading);
        i += 2; // heading and column titles
    };
    // Columns: indent (4), name (16), quoted description (33), parent name.
    seek("1.0 ");
    study.projectName = Unquote(Field(lines[i], 4, 16));
    seek("2.0 ");
    for (; i < lines.size() && lines[i].rfind("*", 0) != 0; ++i)
        study.scenarios.emplace_back(Unquote(Field(lines[i], 4, 16)),
                                     Unquote(Field(lines[i], 53, std::string::npos)));
    return study;
}

std::string PathFileName(const std::string& projectName, const std::string& scenario, int mode) {
    return projectName.substr(0, 3) + Trim(scenario) + ".P" + std::to_string(mode + 1) + "S";
}

TProgramFiles ProgramFiles(const std::string& program, const std::string& projectName,
                           const std::string& scenario, const std::string& parent,
                           const std::vector<std::string>& args) {
    auto in = [&](const char* ext) {
        return InputFileName("", projectName, &scenario, "W_", true, ext);
    };
    auto out = [&](const std::string& s, const char* ext) {
        return InputFileName("", projectName, &s, "", true, ext);
    };
    const std::string z1e = InputFileName("", projectName, nullptr, "W_", true, "Z1E");
    const std::string l0e = InputFileName("", projectName, nullptr, "W_", true, "L0E");
    auto has = [&](const char* flag) {
        return std::any_of(args.begin(), args.end(),
                           [&](const std::string& a) { return UpperCase(a) == flag; });
    };
    // The report programs write the file named after "-o".
    auto named = [&]() {
        auto o = std::find(args.begin(), args.end(), "-o");
        return o != args.end() && o + 1 != args.end() ? *(o + 1) : std::string();
    };

    TProgramFiles f;
    const bool base = parent.empty();
    if (program == "GRAVO") {
        f.inputs = {in("P0E"), "W_VARDEN.CTL", z1e, in("P1E"), in("T1E")};
        if (!base) f.inputs.push_back(out(parent, "P0S"));
        f.results = {out(scenario, "P0S"), projectName.substr(0, 3) + Trim(scenario) + ".P?S"};
    } else if (program == "KELVA") {
        f.inputs = {in("T1E"), out(scenario, "P0S")};
        if (!has("-I") && !has("I")) f.inputs.push_back(out(scenario, "F1S"));
        f.results = {out(scenario, "T1S"), out(scenario, "T2S")};
    } else if (program == "DUVA") {
        f.inputs = {in("F1E"), out(scenario, base ? "T1S" : "T2S")};
        f.results = {out(scenario, "C1S")};
    } else if (program == "WRIN") {
        f.inputs = {in("L1E"), l0e, out(scenario, "P0S"), in("T1E")};
        f.results = {out(scenario, "L1S")};
    } else if (program == "SEB") {
        f.inputs = {in("L1E"), in("L2E")};
        if (!base) f.inputs.push_back(out(parent, "C1S"));
        f.results = {out(scenario, "L1S")};
    } else if (program == "MARO") {
        // Without land use (-I) there is no location result to read.
        f.inputs = {in("F1E")};
        if (!has("-I") && !has("I")) f.inputs.push_back(out(scenario, "L1S"));
        f.results = {out(scenario, "F1S")};
    } else if (program == "RAPSEB") {
        f.inputs = {out(scenario, "L1S")};
        if (!named().empty()) f.results = {named()};
    } else if (program == "RAPKEL") {
        f.inputs = {"RAPKEL.DAT", out(scenario, "T1S")};
        if (!named().empty()) f.results = {named()};
    }
    return f;
}

} // namespace zep::modelio
