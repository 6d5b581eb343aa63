// Writes model network files (format 1) and scenario files (format 3) as the model programs
// do, for the reader's tests and fuzz seeds: a small network with every section.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace zep::files::test {

/// Knobs for damaged or unusual files.
struct TModelFileOptions {
    std::int32_t format = 1;
    std::int32_t scenarios = 2;
    std::int32_t categories = 2;
    bool duplicateNode = false;          // node 10 appears twice with a position
    bool doubles = true;                 // coordinates as 64-bit reals (else 32-bit integers)
    std::int32_t badModeOfOperator = 0;  // a mode identifier the file does not hold
    std::int32_t routeId = 1;            // -1 names operator 1's internal route
    std::int32_t repeatOperatorMode = 0; // a third operator record repeating operator 1, this mode
    std::int32_t unplacedNode = 0;       // a node written at (0, 0) for the reader to place
};

class TModelFileWriter {
public:
    std::string bytes;

    void I32(std::int32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); }
    void I16(std::int16_t v) { bytes.append(reinterpret_cast<const char*>(&v), 2); }
    void U8(std::uint8_t v) { bytes.push_back(static_cast<char>(v)); }
    void F32(float v) { bytes.append(reinterpret_cast<const char*>(&v), 4); }
    void F64(double v) { bytes.append(reinterpret_cast<const char*>(&v), 8); }
    void Zeros(std::size_t n) { bytes.append(n, '\0'); }
    void Count(std::int32_t n) {
        I32(n);
        I32(-n);
    }
    // Identifier and a zero-padded 32-byte name.
    void Identity(std::int32_t id, const std::string& name) {
        I32(id);
        std::string field = name.substr(0, 32);
        field.resize(32, '\0');
        bytes += field;
    }
    // A length-prefixed text in a field of `size` bytes.
    void Pascal(const std::string& text, std::size_t size) {
        U8(static_cast<std::uint8_t>(text.size()));
        std::string field = text;
        field.resize(size - 1, '\0');
        bytes += field;
    }
    void Short(const std::string& text) {
        U8(static_cast<std::uint8_t>(text.size()));
        bytes += text;
    }
};

/// Header 6.8.1, then a study "EXA": scenarios 00A and 01A (current 01A), categories 1 and 2,
/// administrator 1, modes 1 "Car" and 2 "Bus", operators 1 (car) and 2 (bus route operator),
/// link type 1, route 1 (operator 2), zones 1 (micro), 2 (external), 3 (macro), links 10->11,
/// 11->10, 11->12 and 1->10 with a link-route and a prohibited turn, node types and nodes 1, 10,
/// 11 placed (node 12 left for the reader to place).
inline std::string ModelFileBytes(const TModelFileOptions& o = {}) {
    TModelFileWriter w;
    w.I16(6);
    w.I16(8);
    w.I16(1);
    w.I32(o.format);
    std::string study(188, '\0');
    std::memcpy(&study[22], "EXA", 3);
    std::memcpy(&study[25], "Example study", 13);
    w.bytes += study;
    w.Count(o.scenarios);
    const char* codes[] = {"00A", "01A", "02A", "03A"};
    for (std::int32_t i = 1; i <= o.scenarios; ++i) {
        w.I32(i);
        w.I32(i - 1);
        w.Pascal(codes[(i - 1) % 4], 6);
        w.Pascal(i == 1 ? "Base" : "Future", 32);
    }
    w.I32(o.scenarios);
    w.I32(o.scenarios >= 2 ? 2 : 1);
    if (o.format != 1) return w.bytes;

    w.Count(o.categories);
    for (std::int32_t i = 1; i <= o.categories; ++i) {
        w.I32(i);
        w.Identity(i, i == 1 ? "Workers" : "Students");
        for (int k = 0; k < 10; ++k)
            w.F32(static_cast<float>(i * 10 + k));
    }
    w.I32(o.categories);

    w.Count(1);
    w.I32(1);
    w.Identity(1, "Roads office");
    w.I32(1);

    w.Count(2);
    for (int m = 1; m <= 2; ++m) {
        w.I32(m);
        w.Identity(m, m == 1 ? "Car" : "Bus");
        w.F32(1.5f);
        w.F32(2.5f);
        w.I32(3);
        w.F32(0.5f);
        w.U8(m == 2);
        w.F32(0.25f);
        for (std::int32_t c = 1; c <= o.categories; ++c) {
            w.I32(c);
            w.I32(c);
            w.U8(1);
        }
    }
    w.I32(2);

    const int operatorRecords = o.repeatOperatorMode ? 3 : 2;
    w.Count(operatorRecords);
    for (int record = 1; record <= operatorRecords; ++record) {
        const int op = record == 3 ? 1 : record;
        w.I32(record);
        w.Identity(op, op == 1 ? "Driving" : "City bus");
        w.I32(record == 3                      ? o.repeatOperatorMode
              : op == 1 && o.badModeOfOperator ? o.badModeOfOperator
                                               : op);
        w.U8(op == 1 ? 1 : 3);
        for (int k = 0; k < 17; ++k)
            w.F32(k == 14 ? (op == 2 ? 0.4f : 0.0f) : static_cast<float>(k + op));
        w.Count(1);
        w.I32(1);
        w.I32(1);
        w.F32(op == 2 ? 0.8f : 1.0f);
        w.F32(1.0f);
        w.F32(0.1f);
        w.I32(1);
    }
    w.I32(operatorRecords);

    w.Count(2);
    for (int op = 1; op <= 2; ++op) {
        w.I32(op);
        w.I32(op);
        for (int to = 1; to <= 2; ++to) {
            w.I32(to);
            // The boarding tariff written above is operator + 2; a different one is a transfer.
            w.F32(op == 1 && to == 2 ? 9.0f : static_cast<float>(to + 2));
        }
    }
    w.I32(2);

    w.Count(1);
    w.I32(1);
    w.Identity(1, "Urban road");
    w.I32(1);
    w.F32(2.0f);
    for (int k = 0; k < 5; ++k)
        w.F32(static_cast<float>(k + 1));
    for (int op = 1; op <= 2; ++op) {
        w.I32(op);
        w.I32(op);
        w.F32(25.0f);
        w.F32(1.0f);
        w.F32(0.0f);
        w.F32(0.1f);
        w.F32(0.0f);
    }
    w.I32(1);

    w.Count(1);
    w.I32(1);
    w.Identity(o.routeId, "Line 1");
    w.I32(2);
    for (int k = 0; k < 5; ++k)
        w.F32(static_cast<float>(k + 1));
    w.U8(1);
    w.I32(1);

    w.Count(3);
    w.I32(1);
    w.I32(0);
    for (int z = 1; z <= 3; ++z) {
        w.I32(z);
        w.Identity(z, z == 1 ? "Centre" : z == 2 ? "Outside" : "Region");
        w.I32(z);
        w.I32(z == 3 ? 99 : z);
    }
    w.I32(3);

    struct L {
        std::int32_t from, to;
        bool route, turn;
    } links[] = {
        {10, 11, true, true}, {11, 10, false, false}, {11, 12, true, false}, {1, 10, false, false}};
    w.Count(4);
    for (int i = 0; i < 4; ++i) {
        const L& l = links[i];
        w.I32(i + 1);
        w.I32(l.from);
        w.I32(l.to);
        w.I32(i + 1);
        w.U8(i < 2);
        w.I32(1);
        w.F32(1.25f);
        w.I32(1800);
        w.F32(50.0f);
        w.F32(0.01f);
        w.F32(7.0f);
        w.F32(8.0f);
        w.F32(9.0f);
        w.Count(l.route ? 1 : 0);
        if (l.route) {
            w.I32(1);
            w.F32(3.0f);
            w.F32(120.0f);
            w.F32(6.0f);
            w.U8(1);
            w.F32(0.0f);
            w.F32(0.0f);
            w.F32(10.0f);
            w.F32(5.0f);
        }
        w.I32(l.route ? 1 : 0);
        w.Count(l.turn ? 1 : 0);
        if (l.turn) {
            w.I32(10);
            w.F32(-1.0f);
        }
        w.I32(l.turn ? 1 : 0);
    }
    w.I32(4);

    if (o.doubles) {
        w.U8(0);
        w.U8(0);
        w.U8(1);
        w.U8(2);
    } else {
        w.I32(0);
    }
    w.U8(1);
    w.I32(1);
    w.Short("Junction");
    w.Zeros(64);
    struct N {
        std::int32_t id;
        double x, y;
    } nodes[] = {{1, 100, 200}, {10, 110, 200}, {11, 120, 210}, {10, 130, 230}};
    const int count = o.duplicateNode ? 4 : 3;
    w.I16(static_cast<std::int16_t>(count));
    for (int i = 0; i < count; ++i) {
        w.I32(nodes[i].id);
        w.Short("node " + std::to_string(nodes[i].id));
        w.U8(0);
        const bool unplaced = nodes[i].id == o.unplacedNode;
        const double x = unplaced ? 0 : nodes[i].x, y = unplaced ? 0 : nodes[i].y;
        if (o.doubles) {
            w.F64(x);
            w.F64(y);
        } else {
            w.I32(static_cast<std::int32_t>(x));
            w.I32(static_cast<std::int32_t>(y));
        }
        w.U8(i == 0 ? 0xFF : 0);
        w.Zeros(64);
    }
    return w.bytes;
}

} // namespace zep::files::test
