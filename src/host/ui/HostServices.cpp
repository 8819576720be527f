#include "host/ui/HostServices.h"

namespace orvane {

AlertHost& AlertsOf(const HostServices& services) {
    static DecliningAlertHost declining;
    return services.alerts ? *services.alerts : declining;
}

FileChooser& FileChooserOf(const HostServices& services) {
    static CancellingFileChooser cancelling;
    return services.files ? *services.files : cancelling;
}

NameAsker& NameAskerOf(const HostServices& services) {
    static CancellingNameAsker cancelling;
    return services.names ? *services.names : cancelling;
}

WindowPositionSource& WindowPositionsOf(const HostServices& services) {
    static NoWindowPositions none;
    return services.positions ? *services.positions : none;
}

AdminRights& AdminRightsOf(const HostServices& services) {
    return services.rights ? *services.rights : CurrentAdminRights();
}

} // namespace orvane
