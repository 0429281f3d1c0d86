// Opening the controller's port and greeting the controller.
#include "ComLibN/ComLibN.h"
#include "ctllink/ctllink.h"

namespace ctllink {

int32_t OpenControllerPort(uint16_t port) {
    ComLibN::FlushKeys();
    return ComLibN::OpenPort(port, 9600, 'E', 8, 1);
}

void ProbeController(uint16_t port, std::string& reply) {
    Transact(port, "CR", reply);
    for (int exchanges = 1; reply != "CC" && exchanges < 3; ++exchanges) {
        ComLibN::WaitTenths(1);
        Transact(port, "CR", reply);
    }
}

}  // namespace ctllink
