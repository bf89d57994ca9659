#pragma once

namespace Tenvik {

// Hands values to one host callback, context first, when the host has set it; a null callback
// drops them. The caller reads the callback where it is kept at every call, so a callback that
// the host replaces or clears from inside another one takes effect for the next value.
template <typename Callback, typename... Arguments>
void forward(Callback callback, void* context, Arguments... arguments) {
    if (callback != nullptr) {
        callback(context, arguments...);
    }
}

}  // namespace Tenvik
