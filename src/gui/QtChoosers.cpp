#include "gui/QtChoosers.h"

#include "gui/WindowPlacement.h"
#include "store/Preferences.h"
#include "ui_NameDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace orvane {

namespace {

constexpr int16_t kNameDialogID = 1010;
enum : int16_t { kNameOKItem = 1, kNameCancelItem = 2, kNameFieldItem = 4 };

} // namespace

std::unique_ptr<QFileDialog> BuildFileDialog(const FileChooserRequest& request, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Choose the Printer's PPD"),
                                                QString::fromStdString(request.startFolder));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(request.canChooseFiles ? QFileDialog::ExistingFile
                                               : QFileDialog::Directory);
    if (request.canChooseFiles)
        dialog->setNameFilter(QStringLiteral("PPD files (*.ppd *.PPD)"));
    dialog->setOption(QFileDialog::ReadOnly);
    return dialog;
}

FileChooserAnswer QtFileChooser::ChooseFile(const FileChooserRequest& request) {
    std::unique_ptr<QFileDialog> dialog = BuildFileDialog(request, QApplication::activeWindow());
    FileChooserAnswer answer;
    answer.confirmed = dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
    answer.folderPath = dialog->directory().absolutePath().toStdString();
    if (answer.confirmed)
        answer.filePath = dialog->selectedFiles().constFirst().toStdString();
    return answer;
}

NameDialog::NameDialog(const QString& name, QWidget* parent)
    : QDialog(parent), DialogWindow(this, kNameDialogID),
      form_(std::make_unique<Ui::NameDialogForm>()) {
    form_->setupUi(this);
    CollectItems(this);
    installEventFilter(this);
    auto* field = ItemAs<QLineEdit>(kNameFieldItem);
    field->setText(name);
    field->selectAll();
    connect(field, &QLineEdit::textChanged, this, [this] { UpdateOK(); });
    connect(ItemAs<QPushButton>(kNameOKItem), &QPushButton::clicked, this, &QDialog::accept);
    connect(ItemAs<QPushButton>(kNameCancelItem), &QPushButton::clicked, this, &QDialog::reject);
    UpdateOK();
}

NameDialog::~NameDialog() = default;

QString NameDialog::Name() const {
    return ItemText(kNameFieldItem);
}

void NameDialog::UpdateOK() {
    SetItemEnabled(kNameOKItem, !Name().isEmpty());
}

bool NameDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (FlashItem(kNameOKItem))
            accept();
        return true;
    }
    if (key == Qt::Key_Escape) {
        if (FlashItem(kNameCancelItem))
            reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<std::string> QtNameAsker::AskName(const std::string& currentName) {
    NameDialog dialog(QString::fromStdString(currentName), QApplication::activeWindow());
    PlaceAtSavedPosition(glue_, &dialog, kNameDialogID);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    SaveTheDialogPosition(glue_, &dialog, kNameDialogID);
    if (!confirmed)
        return std::nullopt;
    return dialog.Name().toStdString();
}

} // namespace orvane
