// Polylines: the reversed view, undo of every change, the record text and the polyline file.
#include <gtest/gtest.h>

#include <random>

#include "foundation/Stream.h"
#include "model/Polylines.h"
#include "tests/model/LinkTestProject.h"
#include "undo/Undo_.h"

namespace zep::model::test {
namespace {

TPoint3Vector Pts(std::initializer_list<std::pair<double, double>> xy) {
    TPoint3Vector v;
    for (auto [x, y] : xy)
        v.push_back({x, y, 0});
    return v;
}

TEST(PolylineTest, ReverseProxyMirrorsIndexesAndWritesThrough) {
    TPolyline p(Pts({{1, 1}, {2, 2}, {3, 3}}));
    TAbstractPolyline& r = p.Reverse();
    EXPECT_EQ(&r, &p.Reverse()); // kept, not made anew
    EXPECT_EQ(&r.Reverse(), &p);
    EXPECT_TRUE(r.IsProxy());
    EXPECT_EQ(r.Points(), Pts({{3, 3}, {2, 2}, {1, 1}}));
    EXPECT_EQ(r.Point(0), (TPoint3{3, 3, 0}));

    r.Append({0, 0, 0});             // the underlying polyline gets it first
    r.InsertPoint(1, {2.5, 2.5, 0}); // between 3 and 2 in reverse, i.e. before 3
    r.SetPoint(0, {3.5, 3.5, 0});    // underlying last
    EXPECT_EQ(p.Points(), Pts({{0, 0}, {1, 1}, {2, 2}, {2.5, 2.5}, {3.5, 3.5}}));
    r.DeletePoint(4); // reverse index 4 is underlying index 0
    EXPECT_EQ(p.Points(), Pts({{1, 1}, {2, 2}, {2.5, 2.5}, {3.5, 3.5}}));
    r.AppendPoints(Pts({{-1, -1}, {-2, -2}}));
    EXPECT_EQ(p.Point(0), (TPoint3{-2, -2, 0}));
    EXPECT_EQ(r.Point(r.Count() - 1), (TPoint3{-2, -2, 0}));
    r.SetPoints(Pts({{9, 9}, {8, 8}}));
    EXPECT_EQ(p.Points(), Pts({{8, 8}, {9, 9}}));
}

TEST(PolylineTest, IndexOutOfRangeIsRefusedAndChangesNothing) {
    TPolyline p(Pts({{1, 1}}));
    EXPECT_THROW(p.Point(1), EPolylineIndexError);
    EXPECT_THROW(p.DeletePoint(1), EPolylineIndexError);
    EXPECT_THROW(p.InsertPoint(2, {}), EPolylineIndexError);
    EXPECT_THROW(p.Reverse().SetPoint(1, {}), EPolylineIndexError);
    EXPECT_THROW(p.Reverse().InsertPoint(2, {}), EPolylineIndexError);
    EXPECT_NO_THROW(p.InsertPoint(1, {2, 2, 0})); // at the end
    EXPECT_EQ(p.Count(), 2u);
    TPolyline empty;
    EXPECT_THROW(empty.Reverse().Point(0), EPolylineIndexError);
}

// Random changes through the polyline and its reverse view, each its own transaction; undoing
// them one by one walks back through every earlier state.
TEST(PolylineTest, RandomEditsUndoStepByStep) {
    undo::TUndoSet set;
    TPolyline p;
    std::mt19937 rng(7);
    std::vector<TPoint3Vector> history{p.Points()};
    std::vector<std::uint32_t> revisions{p.Revision()};
    for (int step = 0; step < 300; ++step) {
        set.BeginTransaction();
        TAbstractPolyline& t = (rng() % 2) ? static_cast<TAbstractPolyline&>(p) : p.Reverse();
        const TPoint3 q{double(rng() % 100), double(rng() % 100), double(rng() % 3)};
        const std::size_t n = t.Count();
        switch (rng() % 6) {
        case 0:
            t.Append(q);
            break;
        case 1:
            t.InsertPoint(rng() % (n + 1), q);
            break;
        case 2:
            if (n)
                t.DeletePoint(rng() % n);
            else
                t.Append(q);
            break;
        case 3:
            if (n)
                t.SetPoint(rng() % n, q);
            else
                t.Append(q);
            break;
        case 4:
            t.AppendPoints({q, {q.y, q.x, 0}});
            break;
        default:
            t.SetPoints({q});
            break;
        }
        history.push_back(p.Points());
        revisions.push_back(p.Revision());
        EXPECT_NE(revisions.back(), revisions[revisions.size() - 2]);
    }
    for (std::size_t k = history.size() - 1; k > 0; --k) {
        set.UndoTo(0);
        ASSERT_EQ(p.Points(), history[k - 1]) << "after undoing step " << k;
    }
    EXPECT_TRUE(p.IsEmpty());
    undo::SetCurrentUndoSet(nullptr);
}

TEST(PolylineTest, RecordTextAndParseRoundTrip) {
    TPolyline p(Pts({{1.5, -2}, {1234567, 0.000125}}));
    const std::string text = PolylineRecordText(12, 15, p);
    EXPECT_EQ(text.substr(0, 8), "12, 15, ");
    EXPECT_EQ(text, "12, 15, " + FormatG(1.5) + "@" + FormatG(-2) + ", " + FormatG(1234567) + "@" +
                        FormatG(0.000125));
    TPolylineRecord r;
    ASSERT_TRUE(ParsePolylineRecord(text, r));
    EXPECT_EQ(r.tail, 12);
    EXPECT_EQ(r.head, 15);
    ASSERT_EQ(r.points.size(), 2u);
    EXPECT_EQ(r.points[0], (TPoint3{1.5, -2, 0}));
    EXPECT_DOUBLE_EQ(r.points[1].x, 1234567);
    EXPECT_DOUBLE_EQ(r.points[1].y, 0.000125);

    EXPECT_EQ(PolylineRecordText(-3, 4, TPolyline()), "-3, 4");
    ASSERT_TRUE(ParsePolylineRecord("7,8", r));
    EXPECT_TRUE(r.points.empty());
    EXPECT_FALSE(ParsePolylineRecord("  \t ", r));
    EXPECT_EQ(p.Text(),
              FormatG(1.5) + "@" + FormatG(-2) + ", " + FormatG(1234567) + "@" + FormatG(0.000125));
}

TEST(PolylineTest, MalformedRecordsNameTheField) {
    TPolylineRecord r;
    r.tail = 99;
    auto message = [&](const char* line) {
        try {
            ParsePolylineRecord(line, r);
        } catch (const EPolylineFormatError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("12"), "Polyline record without head node: \"12\"");
    EXPECT_EQ(message("a, 3"), "Bad node identifier in polyline record field 1: \"a\"");
    EXPECT_EQ(message("1, 3, 4@5, 6"), "Bad point in polyline record field 4: \"6\"");
    EXPECT_EQ(message("1, 3, 4@x"), "Bad point in polyline record field 3: \"4@x\"");
    EXPECT_EQ(r.tail, 99); // a failed parse leaves the record alone
}

TEST(PolylineTest, FileWritesOwnPolylinesAndReadsThemBack) {
    TNetProject prj;
    TNode* a = prj.NewNode(0, 0, 12);
    TNode* b = prj.NewNode(10, 0, 15);
    TNode* c = prj.NewNode(10, 10, 16);
    TLink* ab = prj.NewLink(a, b, Pts({{2, 1}, {5, -1.25}}));
    TLink* ba = prj.NewLink(b, a);
    TLink* bc = prj.NewLink(b, c, Pts({{11, 5}}));
    TMemoryStream out;
    prj.links.WritePolylines(out);
    const std::string text = out.Data();
    EXPECT_EQ(text, PolylineRecordText(12, 15, ab->Polyline()) + "\r\n" +
                        PolylineRecordText(15, 16, bc->Polyline()) + "\r\n");

    ab->Polyline().SetPoints({});
    bc->Polyline().SetPoints({});
    const std::string extra = text + "\n15, 99, 1@1\n\n";
    TMemoryStream in(extra);
    const TPolylineReadResult result = prj.links.ReadPolylines(in);
    EXPECT_EQ(result.applied, 2u);
    ASSERT_EQ(result.unknown.size(), 1u);
    EXPECT_EQ(result.unknown[0], "15, 99");
    EXPECT_EQ(ab->Polyline().Points(), Pts({{2, 1}, {5, -1.25}}));
    EXPECT_EQ(bc->Polyline().Points(), Pts({{11, 5}}));
    EXPECT_TRUE(ba->Polyline().IsEmpty());

    // A bad line anywhere changes nothing.
    TMemoryStream bad("12, 15, 0@0\n15, 16, 1@\n");
    try {
        prj.links.ReadPolylines(bad);
        FAIL() << "no error";
    } catch (const EPolylineFormatError& e) {
        EXPECT_EQ(e.Message(), "Line 2: Bad point in polyline record field 3: \"1@\"");
    }
    EXPECT_EQ(ab->Polyline().Count(), 2u);
}

} // namespace
} // namespace zep::model::test
