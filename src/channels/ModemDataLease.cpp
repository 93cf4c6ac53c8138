#include "channels/ModemDataLease.h"

#include <unistd.h>

namespace channels {

DataLease& DataLease::operator=(DataLease&& other) noexcept {
    if (this != &other) {
        Release();
        Descriptor = other.Descriptor;
        Released = std::move(other.Released);
        other.Descriptor = -1;
    }
    return *this;
}

void DataLease::Release() {
    if (Descriptor >= 0) {
        ::close(Descriptor);
        Descriptor = -1;
    }
    if (Released) {
        Released->Cancel();
        Released.reset();
    }
}

} // namespace channels
