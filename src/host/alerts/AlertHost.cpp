#include "host/alerts/AlertHost.h"

namespace orvane {

int16_t ScriptedAlertHost::Show(const AlertRequest& request) {
    shown_.push_back(request);
    if (answers_.empty())
        return defaultAnswer_;
    const int16_t answer = answers_.front();
    answers_.pop_front();
    return answer;
}

} // namespace orvane
