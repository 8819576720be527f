// While the program waits for a tool it runs (the PPD is made writable with administrator
// rights, and polkit's agent asks for a password), the windows keep painting and say what
// they wait for, and input is held off as a modal dialog holds it off. Installed as the
// tool runner's wait observer for as long as the object lives.
#pragma once

#include "host/rights/ToolRunner.h"

#include <QObject>
#include <QString>

#include <functional>

namespace orvane {

class BusyState final : public QObject, public ToolWaitObserver {
public:
    // `showText` is told what to show while busy, and an empty text afterwards.
    explicit BusyState(std::function<void(const QString&)> showText);
    ~BusyState() override;

    bool Busy() const { return busy_; }

    void ToolWaiting(bool first) override;
    void ToolEnded() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> showText_;
    ToolWaitObserver* previous_;
    bool busy_ = false;
};

} // namespace orvane
