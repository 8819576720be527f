// Alerts and questions. The program asks for an alert by its resource ID with up to four
// parameter texts (^0 ... ^3, UTF-8, as every text that crosses to a front end); the host
// shows it and answers with the number of the item the user chose (1 is the first button).
// The GUI shows a dialog, the command line prints the message, and tests script the
// answers. The host in use belongs to the application state (HostServices).
#pragma once

#include "base/Types.h"

#include <array>
#include <deque>
#include <string>
#include <vector>

namespace orvane {

// Alert resource IDs the program uses.
enum : int16_t {
    kQuestionAlertID = 129, // a message with a question
    kErrorAlertID = 130,    // an error message
    kAboutAlertID = 131,
    kSavePPDAlertID = 1009,  // write the PPD's changed settings first?
    kReplaceAlertID = 1011,  // a setting of this name exists: replace it?
    kSavePrefsAlertID = 1012 // write the changed registered settings?
};

struct AlertRequest {
    int16_t alertID = 0;
    bool caution = false;
    std::array<std::string, 4> params; // ^0 ... ^3, UTF-8
};

class AlertHost {
public:
    virtual ~AlertHost() = default;
    // Shows the alert and returns the item chosen (1 ... n).
    virtual int16_t Show(const AlertRequest& request) = 0;
};

// Records every alert and answers from a queue (then with the default answer).
class ScriptedAlertHost : public AlertHost {
public:
    explicit ScriptedAlertHost(int16_t defaultAnswer = 1) : defaultAnswer_(defaultAnswer) {}
    int16_t Show(const AlertRequest& request) override;
    void SetNextAnswer(int16_t item) { answers_.push_back(item); }
    const std::vector<AlertRequest>& shown() const { return shown_; }
    void Clear() { shown_.clear(); }

private:
    int16_t defaultAnswer_;
    std::deque<int16_t> answers_;
    std::vector<AlertRequest> shown_;
};

// Answers every question with item 2, which never confirms anything, and shows nothing:
// what the program uses when no front end has installed a host.
class DecliningAlertHost final : public AlertHost {
public:
    int16_t Show(const AlertRequest& request) override { return request.caution ? 2 : 1; }
};

} // namespace orvane
