#pragma once
// Which network namespace this process lives in: programs in one namespace share its UDP
// ports, those in another do not.

#include <optional>

namespace brenmoor::net {

// An identifier of this process's network namespace; nothing where there are none.
std::optional<unsigned long> networkNamespaceId();

} // namespace brenmoor::net
