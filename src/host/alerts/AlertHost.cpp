#include "host/alerts/AlertHost.h"

#include "host/text/AppText.h"

#include <cstdio>

namespace orvane {

namespace {

class StderrAlertHost : public AlertHost {
public:
    int16_t Show(const AlertRequest& request) override {
        std::string message;
        if (AppTextToUtf8(request.params[0], message) != TextConversionStatus::ok)
            message = request.params[0];
        std::fprintf(stderr, "%s\n", message.c_str());
        return request.caution ? 2 : 1;
    }
};

StderrAlertHost gStderrHost;
AlertHost* gHost = &gStderrHost;
std::array<std::string, 4> gParams;

std::string FromP(ConstStringPtr p) {
    return p ? std::string(reinterpret_cast<const char*>(p + 1), p[0]) : std::string();
}

int16_t ShowWithParams(int16_t alertID, bool caution) {
    AlertRequest request;
    request.alertID = alertID;
    request.caution = caution;
    request.params = gParams;
    return gHost->Show(request);
}

} // namespace

AlertHost& CurrentAlertHost() {
    return *gHost;
}

ScopedAlertHost::ScopedAlertHost(AlertHost& host) : previous_(gHost) {
    gHost = &host;
}

ScopedAlertHost::~ScopedAlertHost() {
    gHost = previous_;
}

int16_t ScriptedAlertHost::Show(const AlertRequest& request) {
    shown_.push_back(request);
    if (answers_.empty())
        return defaultAnswer_;
    const int16_t answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ParamText(ConstStringPtr p0, ConstStringPtr p1, ConstStringPtr p2, ConstStringPtr p3) {
    gParams = {FromP(p0), FromP(p1), FromP(p2), FromP(p3)};
}

std::string GetParamText(int index) {
    return index >= 0 && index < 4 ? gParams[static_cast<size_t>(index)] : std::string();
}

int16_t Alert(int16_t alertID) {
    return ShowWithParams(alertID, false);
}

int16_t CautionAlert(int16_t alertID) {
    return ShowWithParams(alertID, true);
}

} // namespace orvane
