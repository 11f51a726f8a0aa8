// Unread bytes of a process's sockets through the kernel's socket diagnostics
// (NETLINK_SOCK_DIAG, UNIX_DIAG_RQLEN): how a client that answers no ping is
// seen not to read its X connection.
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/unix_diag.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

std::set<unsigned> socketInodes(int pid) {
  std::set<unsigned> inodes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code linkError;
    std::string target = std::filesystem::read_symlink(entry.path(), linkError).string();
    if (!linkError && target.rfind("socket:[", 0) == 0) {
      inodes.insert(static_cast<unsigned>(std::stoul(target.substr(8))));
    }
  }
  return inodes;
}

class NetlinkSocket {
public:
  NetlinkSocket() : m_fd(socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG)) {}
  ~NetlinkSocket() {
    if (m_fd >= 0) close(m_fd);
  }
  NetlinkSocket(const NetlinkSocket&) = delete;
  NetlinkSocket& operator=(const NetlinkSocket&) = delete;
  int fd() const { return m_fd; }

private:
  int m_fd;
};

}  // namespace

std::optional<long> unreadSocketBytes(int pid) {
  std::set<unsigned> inodes = socketInodes(pid);
  if (inodes.empty()) return std::nullopt;
  NetlinkSocket netlink;
  if (netlink.fd() < 0) return std::nullopt;

  struct {
    nlmsghdr header;
    unix_diag_req request;
  } message{};
  message.header.nlmsg_len = sizeof(message);
  message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  message.request.sdiag_family = AF_UNIX;
  message.request.udiag_states = ~0u;
  message.request.udiag_show = UDIAG_SHOW_RQLEN;
  if (send(netlink.fd(), &message, sizeof(message), 0) < 0) return std::nullopt;

  long unread = 0;
  bool seen = false;
  alignas(nlmsghdr) char buffer[16384];
  for (;;) {
    ssize_t length = recv(netlink.fd(), buffer, sizeof(buffer), 0);
    if (length <= 0) return std::nullopt;
    for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, static_cast<unsigned>(length));
         header = NLMSG_NEXT(header, length)) {
      if (header->nlmsg_type == NLMSG_DONE) return seen ? std::optional<long>(unread) : std::nullopt;
      if (header->nlmsg_type == NLMSG_ERROR) return std::nullopt;
      auto* diag = static_cast<unix_diag_msg*>(NLMSG_DATA(header));
      if (inodes.count(diag->udiag_ino) == 0) continue;
      int attributesLength = static_cast<int>(header->nlmsg_len - NLMSG_LENGTH(sizeof(*diag)));
      for (auto* attribute = reinterpret_cast<rtattr*>(diag + 1); RTA_OK(attribute, attributesLength);
           attribute = RTA_NEXT(attribute, attributesLength)) {
        if (attribute->rta_type == UNIX_DIAG_RQLEN && RTA_PAYLOAD(attribute) >= sizeof(unix_diag_rqlen)) {
          unix_diag_rqlen queue{};
          std::memcpy(&queue, RTA_DATA(attribute), sizeof(queue));
          unread += queue.udiag_rqueue;
          seen = true;
        }
      }
    }
  }
}

}  // namespace qlm::x11
