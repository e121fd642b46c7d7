// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exiv2/HelperProtocol.h"
#include "files/UniqueFd.h"

#include <optional>
#include <string>

namespace velmora::helper {

// The helper's side of the socket to the application.

// The first message of a fresh helper: confined, or why not.
bool sendHello(int socket, const std::string& unconfined, bool sanitizerBuild);

// One request and the photo descriptor that came with it. nullopt once the
// socket is closed, or for anything malformed (no descriptor or several, a
// bad header): the helper then ends, since the stream is no longer in step.
std::optional<Request> receiveRequest(int socket, UniqueFd& photo);

// The reply's header and texts, then `reply.payloadSize` bytes of `payload`.
bool sendReply(int socket, const Reply& reply, const unsigned char* payload);

} // namespace velmora::helper
