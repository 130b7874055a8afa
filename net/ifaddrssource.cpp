#include "net/ifaddrssource.h"

#include <ifaddrs.h>

namespace brenmoor::net {

const IfaddrsSource& systemIfaddrs()
{
    static const IfaddrsSource source{[](ifaddrs** list) { return ::getifaddrs(list); },
                                      [](ifaddrs* list) { ::freeifaddrs(list); }};
    return source;
}

IfaddrsList::IfaddrsList(const IfaddrsSource& source)
    : source_(source)
{
    ok_ = source_.acquire && source_.acquire(&head_) != -1;
    if (!ok_)
        head_ = nullptr;
}

IfaddrsList::~IfaddrsList()
{
    if (ok_ && head_ && source_.release)
        source_.release(head_);
}

} // namespace brenmoor::net
