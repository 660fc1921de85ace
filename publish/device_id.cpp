#include "publish/device_id.h"

namespace pelmora {

std::string DeviceId(const std::string& address) {
    std::string id;
    id.reserve(address.size());
    for (char c : address) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        id += kept ? c : '_';
    }
    return id;
}

}  // namespace pelmora
