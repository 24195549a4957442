// The backend behind the driver entry points: one VirtualMouseLink. Each plug-in file
// (virtualmouse_1.so, virtualmouse_2.so) has its own; which link it serves follows from the product
// id that Set_VIDPID receives.
#include "plugins/driver_exports/driver_backend.h"
#include "plugins/virtualmouse/virtual_mouse_link.h"

qx4::DriverBackend& qx4::driverBackend() {
    static vm::VirtualMouseLink link;
    return link;
}
