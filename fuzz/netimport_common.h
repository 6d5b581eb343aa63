// Arbitrary bytes as one kind of network exchange file, read into a small study inside one
// command: the import ends normally or with EConvertError, the study stays consistent, and
// undoing the command gives back the study it started from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "files/ImportExport.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "undo/CMDStk_.h"

namespace zep::fuzz {

// Nodes 1..4, links around them, a route on two of them and a child scenario: enough for
// every kind of line to find what it looks up.
inline void BuildSmallStudy(model::TProject& p) {
    using namespace zep::model;
    TScenario* base = p.BaseScenario();
    p.NewScenario(base)->SetName("01A");
    for (int i = 1; i <= 4; ++i)
        p.NewNode(i)->SetPosition({double(i), double(i * i)});
    TLinkType* type = p.NewLinkType(3);
    const int ends[][2] = {{1, 2}, {2, 1}, {2, 3}, {3, 4}, {4, 1}};
    for (const auto& e : ends)
        p.NewLinkByIds(0, e[0], e[1])->SetLinkTypeIn(base, type);
    TOperator* op = p.NewOperator(p.NewMode(), 7);
    op->SetType(otRoute);
    TRoute* route = p.NewRoute(op, 5);
    p.NewLinkRoute(p.FindLinkByIds(2, 3), route)->SetUsedIn(base, true);
    p.NewLinkRoute(p.FindLinkByIds(3, 4), route)->SetUsedIn(base, true);
}

// The study lives for the whole run: every input is one command that is undone again, which
// is what the target checks, and building a study per input would cost more than the import.
inline int ImportFuzzInput(files::TNetworkFileKind kind, const std::uint8_t* data,
                           std::size_t size) {
    static model::TProject* p = [] {
        auto* study = new model::TProject;
        BuildSmallStudy(*study);
        return study;
    }();
    static const std::string before = model::DumpProject(*p);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // The child scenario for odd first bytes, so inherited values are exercised too.
    model::TScenario* s =
        size && (data[0] & 1) ? p->Scenarios().FindScenario("01A") : p->BaseScenario();
    undo::TCommandStack stack;
    auto command = std::make_unique<undo::TCommand>(&p->UndoSet(), "Import Network");
    try {
        files::TNetworkImporter(*p, s).ImportText(kind, text, "fuzz");
    } catch (const EConvertError&) {
    }
    stack.AddCommand(std::move(command));
    // A finding says what it found before it stops.
    if (const auto problems = model::CheckConsistency(*p); !problems.empty()) {
        for (const std::string& problem : problems)
            std::fprintf(stderr, "inconsistent after the import: %s\n", problem.c_str());
        std::abort();
    }
    stack.UndoTop();
    undo::SetCurrentUndoSet(nullptr);
    if (model::DumpProject(*p) != before) {
        std::fprintf(stderr, "undoing the import did not give back the study\n");
        std::abort();
    }
    return 0;
}

} // namespace zep::fuzz
