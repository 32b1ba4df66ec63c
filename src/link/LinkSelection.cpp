#include "LinkSelection.h"

#include "FileComms.h"
#include "SerialComms.h"
#include "TCPComms.h"

namespace hzm {

QString LinkSelection::serialPortName() const {
    return serialDevice.isEmpty() ? comPortName(comPort) : serialDevice;
}

QString LinkSelection::describe() const {
    if (ethernetSelected)
        return QStringLiteral("Ethernet %1:%2").arg(address.toString()).arg(port);
    if (comSelected)
        return QStringLiteral("%1 at %2 baud").arg(serialPortName()).arg(baudRate);
    return QStringLiteral("no port");
}

std::unique_ptr<Comms> makeLink(const LinkSelection &selection) {
    if (selection.ethernetSelected)
        return std::make_unique<TCPComms>(selection.address, selection.port);
    if (selection.comSelected)
        return std::make_unique<SerialComms>(selection.serialPortName(), selection.baudRate);
    return std::make_unique<NullComms>();
}

} // namespace hzm
