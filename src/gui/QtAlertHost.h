// Alerts and questions as Qt message boxes, laid out by the application's alert resources:
// the icon, the texts with the parameter texts put in, and the buttons in item order, item
// 1 the default button and the last the one Escape presses.
#pragma once

#include "core/State.h"
#include "host/alerts/AlertHost.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace orvane {

// The message box for `request`, not yet shown; its buttons carry their item numbers
// (property "item"). Without a layout resource, a plain box with one OK button.
std::unique_ptr<QMessageBox> BuildAlertBox(const GlueRec* glue, const AlertRequest& request,
                                           QWidget* parent);

class QtAlertHost final : public AlertHost {
public:
    explicit QtAlertHost(const GlueRec* glue) : glue_(glue) {}
    int16_t Show(const AlertRequest& request) override;

private:
    const GlueRec* glue_;
};

} // namespace orvane
