#pragma once

#include <concepts>
#include <cstddef>
#include <functional>
#include <utility>

namespace platform {

template <class Signature>
class Callback;

// An event handler in the style of a method pointer: an object and one of its
// members, or any callable. An empty callback is simply not called, so an
// event is raised with `Event(args...)` whether or not someone listens.
template <class... Args>
class Callback<void(Args...)> {
public:
    Callback() = default;
    Callback(std::nullptr_t) {}

    template <class F>
    requires(!std::same_as<std::decay_t<F>, Callback> && std::invocable<F&, Args...>) Callback(F f)
        : Fn(std::move(f)) {}

    template <class Object, class Class>
    requires std::derived_from<Object, Class> Callback(Object* object,
                                                       void (Class::*method)(Args...))
        : Fn(object ? Function([object, method](Args... args) { (object->*method)(args...); })
                    : Function()) {}

    explicit operator bool() const { return static_cast<bool>(Fn); }

    // Calls a copy, so a handler may reassign or clear the event it runs from.
    void operator()(Args... args) const {
        if (Fn) {
            Function copy = Fn;
            copy(std::forward<Args>(args)...);
        }
    }

private:
    using Function = std::function<void(Args...)>;
    Function Fn;
};

} // namespace platform
