// Linux: hardware address by ioctl, link type from sysfs.
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "link/pcap/HostMac.h"

namespace zentrel {

bool QueryInterfaceMac(const std::string& interfaceName, std::uint8_t mac[6]) {
    if (interfaceName.empty() || interfaceName.size() >= IFNAMSIZ) return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ifreq request{};
    std::memcpy(request.ifr_name, interfaceName.data(), interfaceName.size());
    const int result = ::ioctl(fd, SIOCGIFHWADDR, &request);
    ::close(fd);
    if (result != 0 || request.ifr_hwaddr.sa_family != ARPHRD_ETHER) return false;
    std::memcpy(mac, request.ifr_hwaddr.sa_data, 6);
    return true;
}

bool IsEthernetInterface(const std::string& interfaceName) {
    if (interfaceName.empty() || interfaceName.find('/') != std::string::npos || interfaceName == "." ||
        interfaceName == "..")
        return false;
    std::ifstream typeFile("/sys/class/net/" + interfaceName + "/type");
    int type = -1;
    if (!(typeFile >> type)) return false;
    return type == ARPHRD_ETHER;
}

}  // namespace zentrel
