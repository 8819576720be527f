// The two small questions in windows: which PPD file (a file dialog in the
// printer-description folder, PPD files only) and which name (dialog 1010).
#pragma once

#include "core/State.h"
#include "gui/DialogWindow.h"
#include "host/ui/Choosers.h"

#include <QDialog>

#include <memory>

class QFileDialog;

namespace Ui {
class NameDialogForm;
}

namespace orvane {

// The file dialog for `request`, not yet shown.
std::unique_ptr<QFileDialog> BuildFileDialog(const FileChooserRequest& request, QWidget* parent);

class QtFileChooser final : public FileChooser {
public:
    FileChooserAnswer ChooseFile(const FileChooserRequest& request) override;
};

// Dialog 1010: item 4 the name, item 1 OK (enabled while the name is not empty), item 2
// Cancel. Return and Enter press OK only while it is enabled; Escape presses Cancel.
class NameDialog final : public QDialog, public DialogWindow {
public:
    NameDialog(const QString& name, QWidget* parent);
    ~NameDialog() override;
    QString Name() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateOK();
    std::unique_ptr<::Ui::NameDialogForm> form_;
};

class QtNameAsker final : public NameAsker {
public:
    explicit QtNameAsker(GlueRec* glue) : glue_(glue) {}
    std::optional<std::string> AskName(const std::string& currentName) override;

private:
    GlueRec* glue_;
};

} // namespace orvane
