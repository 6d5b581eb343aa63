// The dual graph with searchers made on demand, and the hidden "Make Dual Graph" command's work.
#pragma once

#include <memory>
#include <string>

#include "analysis/graph.h"

namespace zep::analysis {

/// A graph that makes a zone's searcher on its first request and keeps it.
class TDualGraph : public TGraph {
public:
    using TGraph::TGraph;
    std::shared_ptr<IPathSearcher> Searcher(const TZoneVertice& zone) override;
};

/// The mode the hidden command searches: the project's second mode, the first when there is
/// only one, nullptr without modes.
const model::TMode* DefaultSearchMode(const model::TProject& project);

/// What the hidden command measured.
struct TDualGraphRun {
    double seconds = 0;        ///< the complete search from every zone
    std::string elapsed;       ///< the same as "%d:%2.2d:%2.2d.%3.3d"
    std::string firstPathText; ///< the path from the first zone to the fourth ("" when none)
};

/// Builds the graph of the current scenario and DefaultSearchMode without category, searches
/// from every zone ("Path search" progress), then asks for the path from the first zone to
/// the fourth.
TDualGraphRun MakeDualGraph(model::TProject& project);

} // namespace zep::analysis
