// Every message vmview and the Checksums page post to their own windows, and
// the payload each carries. A payload travels as a pointer in lParam: posting
// hands it over, and the window takes it back whole. A message that can't be
// posted frees its payload.
#pragma once

#include "gui/logic/check_events.h"
#include "gui/logic/hash_worker.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

namespace app {

// Without a payload.
inline constexpr UINT WM_APP_REBUILD_FOR_DPI = WM_APP + 1;  // rebuild what depends on the DPI, after the move is done
inline constexpr UINT WM_APP_PROGRESS = WM_APP + 2;         // the worker's progress moved
inline constexpr UINT WM_APP_OFFER_KEYS = WM_APP + 3;       // offer the key files given, once their hand-off returned

// With one: each payload type has the message WM_APP + 10 + its place here.
using PostedPayloads = std::tuple<JobResult, AuthenticodeResult, ListSignatureDone, SiblingFound, OwnSignatureFound,
                                  FolderListed, ListUpdateDone>;

template <typename Payload, std::size_t place = 0>
constexpr UINT PostedMessage() {
    static_assert(place < std::tuple_size_v<PostedPayloads>, "not a posted payload");
    if constexpr (std::is_same_v<Payload, std::tuple_element_t<place, PostedPayloads>>) {
        return WM_APP + 10 + static_cast<UINT>(place);
    } else {
        return PostedMessage<Payload, place + 1>();
    }
}

template <typename Payload>
bool PostPayload(HWND window, std::unique_ptr<Payload> payload) {
    if (!payload || !PostMessageW(window, PostedMessage<Payload>(), 0, reinterpret_cast<LPARAM>(payload.get()))) {
        return false;
    }
    payload.release();  // the window owns it now
    return true;
}

// Only for the lParam of a message of PostedMessage<Payload>().
template <typename Payload>
std::unique_ptr<Payload> TakePayload(LPARAM lParam) {
    return std::unique_ptr<Payload>(reinterpret_cast<Payload*>(lParam));
}

// Frees the payloads still queued for a window that is going away: the
// system would drop their messages, and the payloads with them.
inline void DropPostedPayloads(HWND window) {
    [window]<std::size_t... place>(std::index_sequence<place...>) {
        const auto drop = [window](auto* type) {
            using Payload = std::remove_pointer_t<decltype(type)>;
            MSG message;
            while (PeekMessageW(&message, window, PostedMessage<Payload>(), PostedMessage<Payload>(), PM_REMOVE)) {
                TakePayload<Payload>(message.lParam);
            }
        };
        (drop(static_cast<std::tuple_element_t<place, PostedPayloads>*>(nullptr)), ...);
    }(std::make_index_sequence<std::tuple_size_v<PostedPayloads>>());
}

}  // namespace app
