#include "arphelper/privileges.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace brenmoor::arphelper {

namespace {

// The frames a larger burst of replies takes before the kernel drops them; a refusal of the
// size (above net.core.rmem_max) leaves the default, which holds a few hundred.
constexpr int kReceiveBuffer = 1 << 20;

std::string failure(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

OpenStatus openArpSocket(unsigned ifIndex, int& fd, std::string& error)
{
    // Protocol 0 takes no frames until the bind names ARP and the interface together: nothing
    // from another interface can slip into the queue in between.
    fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        const bool denied = errno == EPERM || errno == EACCES;
        error = failure("cannot open a raw socket") + (denied ? " (the program needs cap_net_raw)" : "");
        return denied ? OpenStatus::NotPermitted : OpenStatus::Failed;
    }
    sockaddr_ll local{};
    local.sll_family = AF_PACKET;
    local.sll_protocol = htons(ETH_P_ARP);
    local.sll_ifindex = static_cast<int>(ifIndex);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = failure("cannot bind the raw socket to the interface");
        close(fd);
        fd = -1;
        return OpenStatus::Failed;
    }
    const int size = kReceiveBuffer;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    return OpenStatus::Opened;
}

bool dropAllCapabilities(std::string& error)
{
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capset, &header, none) != 0) {
        error = failure("cannot give up the capabilities");
        return false;
    }
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        error = failure("cannot set no_new_privs");
        return false;
    }
    __user_cap_data_struct left[_LINUX_CAPABILITY_U32S_3] = {};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    if (syscall(SYS_capget, &header, left) != 0) {
        error = failure("cannot read the capabilities back");
        return false;
    }
    for (const __user_cap_data_struct& word : left) {
        if (word.effective != 0 || word.permitted != 0 || word.inheritable != 0) {
            error = "capabilities are left after giving them up";
            return false;
        }
    }
    return true;
}

} // namespace brenmoor::arphelper
