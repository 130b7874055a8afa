#pragma once
// Where interface lists come from: the system's getifaddrs, or a list a test builds.

#include <functional>

struct ifaddrs;

namespace brenmoor::net {

struct IfaddrsSource
{
    // Fills *list and returns 0, or returns -1 on failure (getifaddrs' contract).
    std::function<int(ifaddrs** list)> acquire;
    std::function<void(ifaddrs* list)> release;
};

const IfaddrsSource& systemIfaddrs();

// Owns one acquired list for the length of a scope.
class IfaddrsList
{
public:
    explicit IfaddrsList(const IfaddrsSource& source);
    ~IfaddrsList();
    IfaddrsList(const IfaddrsList&) = delete;
    IfaddrsList& operator=(const IfaddrsList&) = delete;

    bool ok() const { return ok_; }
    const ifaddrs* head() const { return head_; }

private:
    const IfaddrsSource& source_;
    ifaddrs* head_ = nullptr;
    bool ok_ = false;
};

} // namespace brenmoor::net
