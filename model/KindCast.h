// A checked downcast for the model's hot paths: object values and stream references are checked
// for their class again and again (every link-route names its link and route), and the
// standard cast compares type names at every level of a deep class tree each time.
#pragma once

#include <cstddef>
#include <type_traits>
#include <typeinfo>

namespace zep::model {

/// dynamic_cast<T*>(object), with the answer remembered for the last dynamic type seen: objects
/// of one most-derived class always hold their T part at the same distance from their start,
/// so the cast is asked once per class change instead of once per object.
template <class T, class S> T* KindCast(S* object) {
    static_assert(std::is_polymorphic_v<S>, "KindCast needs a polymorphic source");
    static_assert(std::is_const_v<T> || !std::is_const_v<S>, "KindCast must not drop const");
    if (!object) return nullptr;
    using Byte = std::conditional_t<std::is_const_v<S>, const char, char>;
    struct TLast {
        const std::type_info* type = nullptr;
        std::ptrdiff_t offset = 0; // of the T part from the start of the whole object
        bool isA = false;
    };
    static thread_local TLast last;
    const std::type_info* type = &typeid(*object);
    auto* start = static_cast<Byte*>(
        dynamic_cast<std::conditional_t<std::is_const_v<S>, const void*, void*>>(object));
    if (type != last.type) {
        T* cast = dynamic_cast<T*>(object);
        last.type = type;
        last.isA = cast != nullptr;
        last.offset = cast ? reinterpret_cast<Byte*>(cast) - start : 0;
        return cast;
    }
    return last.isA ? reinterpret_cast<T*>(start + last.offset) : nullptr;
}

} // namespace zep::model
