// orvanectl's answers to the questions the operations ask, so that nothing ever waits for
// a user: the replace question (alert 1011) is answered by --replace and otherwise
// declined and remembered, every other question is declined (item 2: nothing is written
// that the command did not ask for), and messages are printed on standard error.
#pragma once

#include "host/alerts/AlertHost.h"

#include <cstdio>
#include <string>

namespace orvane {

class CliAlertHost final : public AlertHost {
public:
    CliAlertHost(bool replace, FILE* messages) : replace_(replace), messages_(messages) {}

    int16_t Show(const AlertRequest& request) override;

    // Whether the replace question was declined, and its text (UTF-8).
    bool declinedReplace() const { return declinedReplace_; }
    const std::string& declinedQuestion() const { return declinedQuestion_; }
    // How many error messages were shown (and printed) so far.
    int errorsShown() const { return errorsShown_; }

private:
    bool replace_;
    FILE* messages_;
    bool declinedReplace_ = false;
    std::string declinedQuestion_;
    int errorsShown_ = 0;
};

} // namespace orvane
