// A checked downcast for the model's hot paths: object values and stream references are checked
// for their class again and again (every link-route names its link and route), and the
// standard cast compares type names at every level of a deep class tree each time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <typeinfo>

namespace zep::model {

/// dynamic_cast<T*>(object), with the answer remembered per dynamic type: objects of one
/// most-derived class always hold their T part at the same distance from their start, so the
/// cast is asked once per class instead of once per object. A walk over a study meets a handful
/// of classes in turn (link, link-route, node, ...); each keeps its own slot, chosen by the
/// address of its type information.
template <class T, class S> T* KindCast(S* object) {
    static_assert(std::is_polymorphic_v<S>, "KindCast needs a polymorphic source");
    static_assert(std::is_const_v<T> || !std::is_const_v<S>, "KindCast must not drop const");
    if (!object) return nullptr;
    using Byte = std::conditional_t<std::is_const_v<S>, const char, char>;
    struct TAnswer {
        const std::type_info* type = nullptr;
        std::ptrdiff_t offset = 0; // of the T part from the start of the whole object
        bool isA = false;
    };
    constexpr unsigned kSlotBits = 4;
    static thread_local TAnswer answers[1u << kSlotBits];
    const std::type_info* type = &typeid(*object);
    auto* start = static_cast<Byte*>(
        dynamic_cast<std::conditional_t<std::is_const_v<S>, const void*, void*>>(object));
    TAnswer& answer = answers[(reinterpret_cast<std::uintptr_t>(type) * 0x9E3779B97F4A7C15u) >>
                              (64 - kSlotBits)];
    if (type != answer.type) {
        T* cast = dynamic_cast<T*>(object);
        answer.type = type;
        answer.isA = cast != nullptr;
        answer.offset = cast ? reinterpret_cast<Byte*>(cast) - start : 0;
        return cast;
    }
    return answer.isA ? reinterpret_cast<T*>(start + answer.offset) : nullptr;
}

} // namespace zep::model
