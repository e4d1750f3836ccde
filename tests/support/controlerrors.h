#pragma once

#include <optional>

#include "component/controlerror.h"

// The kind of the ControlError that `f` throws, or none when it returns normally. An exception of any other
// type still reaches the test and fails it.
template <class F> std::optional<platform::component::ErrorKind> errorKindOf(F&& f) {
    try {
        f();
    } catch (const platform::component::ControlError& e) {
        return e.kind();
    }
    return std::nullopt;
}
