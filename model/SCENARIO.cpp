#include "model/SCENARIO.h"

namespace zep::model {

namespace {
std::uint32_t gNextSerial = 1;

// Letters of the Windows-1252 code page (ASCII letters, the accented Latin letters and the few
// letters in 0x80..0xBF).
bool IsAnsiLetter(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c) {
    case 0x83:
    case 0x8A:
    case 0x8C:
    case 0x8E:
    case 0x9A:
    case 0x9C:
    case 0x9E:
    case 0x9F:
    case 0xAA:
    case 0xB5:
    case 0xBA:
        return true;
    default:
        return c >= 0xC0 && c != 0xD7 && c != 0xF7;
    }
}
} // namespace

TScenario::TScenario(TScenario* parent) : parent_(parent), serial_(gNextSerial++) {}

std::unique_ptr<TEntity> TScenario::CreateLike() const {
    return std::make_unique<TScenario>(parent_);
}

void TScenario::SetParent(TScenario* parent) {
    parent_ = parent;
    ++treeGeneration_;
}

void TScenario::RebuildWayUp() const {
    wayUp_.clear();
    for (const TScenario* s = this; s; s = s->parent_)
        wayUp_.push_back(s);
    wayUpGeneration_ = treeGeneration_;
}

void TScenario::Copy(const TEntity& other) {
    TEntity::Copy(other);
    if (auto* s = dynamic_cast<const TScenario*>(&other)) SetParent(s->parent_);
}

std::string TScenario::KeyText() const {
    return "s_" + GetName();
}

std::string TScenario::ErrorMessage() const {
    const std::string name = GetName();
    if (name.size() > 3) return "Scenario name must at most three characters long";
    bool ok = !name.empty();
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (!(IsAnsiLetter(c) || (c >= '0' && c <= '9') || c == '_')) ok = false;
    }
    return ok ? std::string() : "Scenario name must be alphanumaric";
}

TScenario* TScenario::Base() {
    TScenario* s = this;
    while (s->parent_)
        s = s->parent_;
    return s;
}

int CompareScenarios(const TScenario* a, const TScenario* b) {
    if (a == b) return 0;
    if (!a) return -1;
    if (!b) return 1;
    if (b->DescendsFrom(a)) return -1;
    if (a->DescendsFrom(b)) return 1;
    const int da = a->Depth();
    const int db = b->Depth();
    if (da != db) return da < db ? -1 : 1;
    const int c = a->GetName().compare(b->GetName());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int TScenarioList::Compare(const TZEPPersistent* a, const TZEPPersistent* b) const {
    return CompareScenarios(static_cast<const TScenario*>(a), static_cast<const TScenario*>(b));
}

} // namespace zep::model
