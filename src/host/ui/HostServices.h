// The platform services a front end lends the application for as long as its state lives:
// alerts and questions, the file chooser, the name asker, the window positions and the way
// administrator rights are obtained. They are
// held by the application state (GlueRec::services), never in process-wide variables, so
// that one process can hold several states (the tests do) and nothing outlives its owner.
// A service left null is served by a stand-in that shows nothing and cancels every
// question.
#pragma once

#include "host/alerts/AlertHost.h"
#include "host/rights/AdminRights.h"
#include "host/ui/Choosers.h"
#include "host/ui/WindowPositions.h"

namespace orvane {

struct HostServices {
    AlertHost* alerts;
    FileChooser* files;
    NameAsker* names;
    WindowPositionSource* positions;
    AdminRights* rights; // null: the backend ORVANE_ADMIN (or the user) chooses
};

AlertHost& AlertsOf(const HostServices& services);
FileChooser& FileChooserOf(const HostServices& services);
NameAsker& NameAskerOf(const HostServices& services);
WindowPositionSource& WindowPositionsOf(const HostServices& services);
AdminRights& AdminRightsOf(const HostServices& services);

} // namespace orvane
