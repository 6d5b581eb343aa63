#include "foundation/ORVSAX.h"

#include <algorithm>
#include <cctype>

#include "foundation/Format.h"

namespace zep {

SAXParseException::SAXParseException(const std::string& text) : SAXException(text), text_(text) {}

SAXParseException::SAXParseException(const std::string& text, std::string publicId,
                                     std::string systemId, int line, int column)
    : SAXException(Format("%s(%d:%d): %s", {systemId, line, column, text})), text_(text),
      publicId_(std::move(publicId)), systemId_(std::move(systemId)), line_(line), column_(column) {
}

namespace {
const std::string kEmpty;
}

TAttributeList& TAttributeList::operator=(const TAttributeList& other) {
    if (this == &other) return *this;
    entries_.assign(other.entries_.begin(),
                    other.entries_.begin() + static_cast<std::ptrdiff_t>(other.count_));
    count_ = other.count_;
    index_ = other.index_;
    return *this;
}

void TAttributeList::clear() {
    count_ = 0;
    if (!index_.empty()) index_.clear();
}

std::uint32_t TAttributeList::IndexOf(std::string_view name) const {
    if (count_ > kLinearLimit) {
        // Heterogeneous lookup needs C++20 transparent hashing; a temporary is cheap next to
        // the rarity of lists this long.
        auto it = index_.find(std::string(name));
        return it == index_.end() ? kNone : it->second;
    }
    for (std::size_t i = 0; i < count_; ++i)
        if (entries_[i].name == name) return static_cast<std::uint32_t>(i);
    return kNone;
}

void TAttributeList::Add(std::string_view name, std::string_view type, std::string_view value,
                         bool typed) {
    const std::uint32_t first = IndexOf(name);
    if (count_ == entries_.size()) entries_.emplace_back();
    const auto at = static_cast<std::uint32_t>(count_);
    Entry& e = entries_[at];
    e.name.assign(name);
    e.value.assign(value);
    if (typed) {
        e.type = UpperCase(type);
    } else {
        e.type.clear();
    }
    e.first = first == kNone ? at : first;
    e.latest = at;
    if (first != kNone) entries_[first].latest = at;
    ++count_;
    if (count_ == kLinearLimit + 1) {
        for (std::uint32_t i = 0; i < count_; ++i)
            index_.emplace(entries_[i].name, entries_[i].first);
    } else if (count_ > kLinearLimit + 1 && first == kNone) {
        index_.emplace(e.name, at);
    }
}

const std::string& TAttributeList::getValue(std::string_view name) const {
    const std::uint32_t i = IndexOf(name);
    return i == kNone ? kEmpty : entries_[entries_[i].latest].value;
}

const std::string& TAttributeList::getType(std::string_view name) const {
    const std::uint32_t i = IndexOf(name);
    return i == kNone ? kEmpty : entries_[entries_[i].latest].type;
}

TAttributeListPool::~TAttributeListPool() {
    while (free_) {
        TCachedAttributeList* next = free_->nextFree_;
        delete free_;
        free_ = next;
    }
}

TCachedAttributeList* TAttributeListPool::Acquire() {
    if (!free_) return new TCachedAttributeList;
    TCachedAttributeList* list = free_;
    free_ = list->nextFree_;
    list->nextFree_ = nullptr;
    return list;
}

void TAttributeListPool::Release(TCachedAttributeList* list) {
    list->clear();
    list->nextFree_ = free_;
    free_ = list;
}

std::unique_ptr<TInputSource> THandlerBase::resolveEntity(const std::string& publicId,
                                                          const std::string& systemId) {
    auto source =
        std::make_unique<TInputSource>(std::make_unique<TFileStream>(systemId, FileMode::OpenRead));
    source->setPublicId(publicId);
    source->setSystemId(systemId);
    return source;
}

} // namespace zep
