// Every message vmview posts to its own window, and the payload each carries.
// A payload travels as a pointer in lParam: posting hands it over, and the
// window takes it back whole. A message that can't be posted frees its payload.
#pragma once

#include "gui/logic/check_events.h"
#include "gui/logic/hash_worker.h"

#include <windows.h>

#include <memory>

namespace app {

// Without a payload.
inline constexpr UINT WM_APP_REBUILD_FOR_DPI = WM_APP + 1;  // rebuild what depends on the DPI, after the move is done
inline constexpr UINT WM_APP_PROGRESS = WM_APP + 11;        // the worker's progress moved
inline constexpr UINT WM_APP_OFFER_KEYS = WM_APP + 15;      // offer the key files given, once their hand-off returned

// The message of each payload.
template <typename Payload>
struct PostedMessage;
template <>
struct PostedMessage<JobResult> {
    static constexpr UINT id = WM_APP + 10;
};
template <>
struct PostedMessage<AuthenticodeResult> {
    static constexpr UINT id = WM_APP + 12;
};
template <>
struct PostedMessage<ListSignatureDone> {
    static constexpr UINT id = WM_APP + 13;
};
template <>
struct PostedMessage<SiblingFound> {
    static constexpr UINT id = WM_APP + 14;
};
template <>
struct PostedMessage<OwnSignatureFound> {
    static constexpr UINT id = WM_APP + 16;
};
template <>
struct PostedMessage<ListUpdateDone> {
    static constexpr UINT id = WM_APP + 17;
};

template <typename Payload>
bool PostPayload(HWND window, std::unique_ptr<Payload> payload) {
    if (!payload || !PostMessageW(window, PostedMessage<Payload>::id, 0, reinterpret_cast<LPARAM>(payload.get()))) {
        return false;
    }
    payload.release();  // the window owns it now
    return true;
}

// Only for the lParam of a message of PostedMessage<Payload>::id.
template <typename Payload>
std::unique_ptr<Payload> TakePayload(LPARAM lParam) {
    return std::unique_ptr<Payload>(reinterpret_cast<Payload*>(lParam));
}

}  // namespace app
